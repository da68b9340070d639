#include "commands.h"

#include <initializer_list>
#include <vector>

#include "framework/wnd.h"
#include "handles.h"
#include "privilege.h"

namespace {
// The connection and service handle of one command; the service handle closes first.
struct CommandTarget {
  // `rights`: those the command's own calls on the service need, as Microsoft's "Service Security
  // and Access Rights" gives them for each call; then, fewer, those its main call still works with.
  CommandTarget(CWnd& owner, const char* name, DWORD managerAccess,
                std::initializer_list<DWORD> rights) {
    EnableDebugPrivilege();
    *manager.receive() = Scm().OpenSCManagerA(nullptr, nullptr, managerAccess);
    if (!manager) owner.MessageBox("OpenSCManager Error\n");
    // Windows refuses all access to some services it protects, even to an administrator, yet
    // grants them some rights. Opened with only those the command uses, or fewer, or at least to
    // read the state, the command's own call then answers for itself instead of a failed open.
    std::vector<DWORD> asked{SERVICE_ALL_ACCESS};
    asked.insert(asked.end(), rights);
    asked.push_back(SERVICE_QUERY_STATUS);
    for (DWORD access : asked) {
      *service.receive() = Scm().OpenServiceA(manager.get(), name, access);
      if (service || ::GetLastError() != ERROR_ACCESS_DENIED) break;
    }
    if (!service) owner.MessageBox("OpenService error!\n");
  }

  // A failed query leaves no state, which counts as "not stopped".
  DWORD CurrentState(CWnd& owner) const {
    SERVICE_STATUS status{};
    if (!Scm().QueryServiceStatus(service.get(), &status))
      owner.MessageBox("QueryServiceStatus error!\n");
    return status.dwCurrentState;
  }

  BOOL RequestStop() const {
    SERVICE_STATUS status{};
    return Scm().ControlService(service.get(), SERVICE_CONTROL_STOP, &status);
  }

  ScHandle manager;
  ScHandle service;
};

const char* StartTypeSetText(DWORD startType) {
  switch (startType) {
    case SERVICE_AUTO_START:
      return "设置成功！方式为 自动 \n";
    case SERVICE_DISABLED:
      return "设置成功！方式为 禁止";
    default:
      return "设置成功！方式为 手动\n";
  }
}
}  // namespace

void StartSelectedService(CWnd& owner, const char* name) {
  CommandTarget target(owner, name, SC_MANAGER_CREATE_SERVICE,
                       {SERVICE_QUERY_STATUS | SERVICE_START});
  if (target.CurrentState(owner) != SERVICE_STOPPED) {
    owner.MessageBox("服务以经启动！");
    return;
  }
  owner.MessageBox(Scm().StartServiceA(target.service.get(), 0, nullptr) ? "启动服务成功！"
                                                                         : "启动服务失败！");
}

void StopSelectedService(CWnd& owner, const char* name) {
  CommandTarget target(owner, name, SC_MANAGER_CREATE_SERVICE,
                       {SERVICE_QUERY_STATUS | SERVICE_STOP});
  if (target.CurrentState(owner) == SERVICE_STOPPED) {
    owner.MessageBox("服务已经停止！");
    return;
  }
  owner.MessageBox(target.RequestStop() ? "停止服务成功！" : "停止服务失败！");
}

void DeleteSelectedService(CWnd& owner, const char* name) {
  // A service that may be deleted but not stopped is still deleted: at once when stopped, else
  // when it stops.
  CommandTarget target(
      owner, name, SC_MANAGER_CREATE_SERVICE,
      {SERVICE_QUERY_STATUS | SERVICE_STOP | DELETE, SERVICE_QUERY_STATUS | DELETE});
  if (target.CurrentState(owner) != SERVICE_STOPPED && !target.RequestStop())
    owner.MessageBox("Stop Service error!\n");
  owner.MessageBox(Scm().DeleteService(target.service.get()) ? "删除服务成功！" : "删除服务失败！");
}

void SetSelectedStartType(CWnd& owner, const char* name, DWORD startType) {
  // The lock needs its own right; without it the platform refuses every lock.
  CommandTarget target(owner, name, SC_MANAGER_CREATE_SERVICE | SC_MANAGER_LOCK,
                       {SERVICE_CHANGE_CONFIG});
  BOOL changed;
  {
    ScLock lock(Scm().LockServiceDatabase(target.manager.get()));
    if (!lock && ::GetLastError() != ERROR_SERVICE_DATABASE_LOCKED)
      owner.MessageBox("LockServiceDatabase 失败\n      继续运行吗?");
    changed = Scm().ChangeServiceConfigA(target.service.get(), SERVICE_NO_CHANGE, startType,
                                         SERVICE_NO_CHANGE, nullptr, nullptr, nullptr, nullptr,
                                         nullptr, nullptr, nullptr);
    // The lock goes before the outcome is shown: held while a box waits for the user, it
    // would keep the manager from starting any service.
  }
  owner.MessageBox(changed ? StartTypeSetText(startType) : "ChangeServiceConfig error!\n");
}
