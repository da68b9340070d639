// Drives the benchmark inside the Wine prefix: fills the local manager with N extra services of
// bench/benchsvc, then for each N times, in fresh processes, the floor program, the start-up of
// the minimal dialog and of svcmgr, and one press of svcmgr's 刷新 (BM_CLICK on its button from
// here returns once the click handler has filled the list). Prints each run and a Markdown table
// of the medians. Every service it made is stopped and deleted before it ends.
//
// With --probe it also runs bench/list_probe at each N, to show where a refresh's time goes;
// --variants times the start-up of more dialog programs beside the minimal one.
//
//   bench_driver.exe --svcmgr EXE --floor EXE --dialog EXE --service EXE [--probe EXE]
//                    [--variants EXE,EXE...] [--counts 200,1000,3000] [--runs 5]
//                    [--start-limit K] [--setup-only]
//   bench_driver.exe --cleanup
#include <windows.h>
#include <commctrl.h>
#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>
#include "timing.h"

namespace {
constexpr char kNamePrefix[] = "svcbench-";

struct Options {
  std::string svcmgr, floor, dialog, service, probe;
  std::vector<std::string> variants;
  std::vector<unsigned> counts{200, 1000, 3000};
  int runs = 5;
  unsigned startLimit = ~0u;  // at most this many extra services started
  bool cleanupOnly = false;
  bool setupOnly = false;
};

std::string NameOf(unsigned index) {
  char name[64];
  std::snprintf(name, sizeof name, "%s%05u", kNamePrefix, index);
  return name;
}

// The mix: start types cycle automatic, manual, disabled; of every six services the first two
// (one automatic, one manual) are started, and of every twelve the first is paused after that.
DWORD StartTypeOf(unsigned i) {
  static const DWORD types[] = {SERVICE_AUTO_START, SERVICE_DEMAND_START, SERVICE_DISABLED};
  return types[i % 3];
}
bool Started(unsigned i) {
  return i % 6 < 2;
}
bool Paused(unsigned i) {
  return i % 12 == 0;
}

DWORD StateOf(SC_HANDLE service, DWORD* pid = nullptr) {
  SERVICE_STATUS_PROCESS status{};
  DWORD needed = 0;
  if (!::QueryServiceStatusEx(service, SC_STATUS_PROCESS_INFO, reinterpret_cast<BYTE*>(&status),
                              sizeof status, &needed))
    return 0;
  if (pid) *pid = status.dwProcessId;
  return status.dwCurrentState;
}

bool WaitForState(SC_HANDLE service, DWORD state, DWORD timeoutMs) {
  for (DWORD start = ::GetTickCount();; ::Sleep(5)) {
    if (StateOf(service) == state) return true;
    if (::GetTickCount() - start >= timeoutMs) return false;
  }
}

// Every Win32 service name the manager lists now.
std::vector<std::string> Win32ServiceNames(SC_HANDLE manager) {
  std::vector<BYTE> buffer(1 << 20);
  for (int attempt = 0; attempt < 6; ++attempt) {
    DWORD needed = 0, count = 0, resume = 0;
    if (::EnumServicesStatusA(manager, SERVICE_WIN32, SERVICE_STATE_ALL,
                              reinterpret_cast<ENUM_SERVICE_STATUSA*>(buffer.data()),
                              static_cast<DWORD>(buffer.size()), &needed, &count, &resume)) {
      const auto* records = reinterpret_cast<const ENUM_SERVICE_STATUSA*>(buffer.data());
      std::vector<std::string> names;
      for (DWORD i = 0; i < count; ++i) names.push_back(records[i].lpServiceName);
      return names;
    }
    const DWORD error = ::GetLastError();
    if (error != ERROR_MORE_DATA && error != ERROR_INSUFFICIENT_BUFFER) break;
    buffer.resize(std::max<size_t>(needed, 2 * buffer.size()));
  }
  return {};
}

bool IsBenchName(const std::string& name) {
  return name.compare(0, std::strlen(kNamePrefix), kNamePrefix) == 0;
}

// Stops and deletes every bench service, then ends any of their processes still alive.
int RemoveBenchServices(SC_HANDLE manager) {
  std::vector<DWORD> pids;
  int removed = 0;
  for (const std::string& name : Win32ServiceNames(manager)) {
    if (!IsBenchName(name)) continue;
    SC_HANDLE service = ::OpenServiceA(manager, name.c_str(), SERVICE_ALL_ACCESS);
    if (!service) continue;
    DWORD pid = 0;
    if (StateOf(service, &pid) != SERVICE_STOPPED) {
      if (pid) pids.push_back(pid);
      SERVICE_STATUS status{};
      ::ControlService(service, SERVICE_CONTROL_STOP, &status);
    }
    if (::DeleteService(service)) ++removed;
    ::CloseServiceHandle(service);
  }
  std::sort(pids.begin(), pids.end());
  pids.erase(std::unique(pids.begin(), pids.end()), pids.end());
  for (DWORD pid : pids) {
    HANDLE process = ::OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, pid);
    if (!process) continue;
    if (::WaitForSingleObject(process, 3000) != WAIT_OBJECT_0) {
      ::TerminateProcess(process, 1);
      ::WaitForSingleObject(process, 5000);
    }
    ::CloseHandle(process);
  }
  return removed;
}

// Starts a service and waits until it runs. Wine's manager starts one service at a time, and on
// a busy host a start now and then fails for want of time (ERROR_SERVICE_DATABASE_LOCKED when
// the start before took over 3 s, ERROR_INTERNAL_ERROR when its call failed): it is asked again.
bool StartBenchService(SC_HANDLE service, const std::string& name) {
  for (int attempt = 1;; ++attempt) {
    if (::StartServiceA(service, 0, nullptr)) return WaitForState(service, SERVICE_RUNNING, 30000);
    const DWORD error = ::GetLastError();
    if (error == ERROR_SERVICE_ALREADY_RUNNING)
      return WaitForState(service, SERVICE_RUNNING, 30000);
    std::fprintf(stderr, "StartService %s, attempt %d: error %lu\n", name.c_str(), attempt, error);
    if (attempt == 5) return false;
    ::Sleep(1000);
  }
}

// Makes services [from, to) and starts and pauses their share of them.
bool AddBenchServices(SC_HANDLE manager, const std::string& serviceExe, unsigned from, unsigned to,
                      unsigned startLimit, unsigned& started, unsigned& paused) {
  std::vector<SC_HANDLE> toStart;
  std::vector<unsigned> toStartIndex;
  for (unsigned i = from; i < to; ++i) {
    const std::string path = "\"" + serviceExe + "\"";
    char display[128];
    std::snprintf(display, sizeof display, "性能测试服务 %05u", i);
    SC_HANDLE service =
        ::CreateServiceA(manager, NameOf(i).c_str(), display, SERVICE_ALL_ACCESS,
                         SERVICE_WIN32_OWN_PROCESS, StartTypeOf(i), SERVICE_ERROR_NORMAL,
                         path.c_str(), nullptr, nullptr, nullptr, nullptr, nullptr);
    if (!service) {
      std::fprintf(stderr, "CreateService %s failed: %lu\n", NameOf(i).c_str(), ::GetLastError());
      return false;
    }
    if (Started(i)) {
      toStart.push_back(service);
      toStartIndex.push_back(i);
    } else {
      ::CloseServiceHandle(service);
    }
  }
  // A service that will not start stays stopped and is counted so: the mix is then honestly
  // reported with fewer started.
  for (size_t k = 0; k < toStart.size(); ++k) {
    if (started < startLimit && StartBenchService(toStart[k], NameOf(toStartIndex[k]))) {
      ++started;
      SERVICE_STATUS status{};
      if (Paused(toStartIndex[k]) && ::ControlService(toStart[k], SERVICE_CONTROL_PAUSE, &status) &&
          WaitForState(toStart[k], SERVICE_PAUSED, 30000))
        ++paused;
    }
    ::CloseServiceHandle(toStart[k]);
  }
  return true;
}

// A program started for one measurement; ended when it goes out of scope.
class Child {
 public:
  Child() = default;
  Child(const Child&) = delete;
  Child& operator=(const Child&) = delete;
  ~Child() { End(); }

  // Starts the program with its output, if asked for, in a pipe.
  bool Start(const std::string& exe, bool captureOutput, const std::string& arguments = "") {
    std::string commandLine = "\"" + exe + "\"" + (arguments.empty() ? "" : " " + arguments);
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    HANDLE write = nullptr;
    if (captureOutput) {
      SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
      if (!::CreatePipe(&m_output, &write, &inherit, 0)) return false;
      ::SetHandleInformation(m_output, HANDLE_FLAG_INHERIT, 0);
      startup.dwFlags = STARTF_USESTDHANDLES;
      startup.hStdOutput = write;
      startup.hStdError = write;
      startup.hStdInput = nullptr;
    }
    m_started = NowMs();
    BOOL created = ::CreateProcessA(exe.c_str(), commandLine.data(), nullptr, nullptr,
                                    captureOutput, 0, nullptr, nullptr, &startup, &m_process);
    if (write) ::CloseHandle(write);
    return created != FALSE;
  }

  // Everything the program wrote, once it has ended.
  std::string Output() {
    std::string text;
    char chunk[4096];
    DWORD read = 0;
    while (m_output && ::ReadFile(m_output, chunk, sizeof chunk, &read, nullptr) && read)
      text.append(chunk, read);
    ::WaitForSingleObject(m_process.hProcess, 30000);
    return text;
  }

  // Waits for the program's top-level dialog to be shown; the time since start, or -1.
  double WaitForWindow(DWORD timeoutMs) {
    const double deadline = NowMs() + timeoutMs;
    while (NowMs() < deadline) {
      HWND window = nullptr;
      while ((window = ::FindWindowExA(nullptr, window, "#32770", nullptr))) {
        DWORD owner = 0;
        ::GetWindowThreadProcessId(window, &owner);
        if (owner == m_process.dwProcessId && ::IsWindowVisible(window)) {
          const double shown = NowMs() - m_started;
          m_window = window;
          return shown;
        }
      }
      if (::WaitForSingleObject(m_process.hProcess, 0) == WAIT_OBJECT_0) return -1;
      ::Sleep(1);
    }
    return -1;
  }

  HWND Window() const { return m_window; }
  HANDLE Process() const { return m_process.hProcess; }
  DWORD Pid() const { return m_process.dwProcessId; }

  // Asks the dialog to close as its 退出 button does (the close box would open a web page),
  // and ends the process if that does not end it soon.
  void End() {
    if (m_window) ::PostMessageA(m_window, WM_COMMAND, IDCANCEL, 0);
    if (m_process.hProcess && ::WaitForSingleObject(m_process.hProcess, 10000) != WAIT_OBJECT_0) {
      ::TerminateProcess(m_process.hProcess, 1);
      ::WaitForSingleObject(m_process.hProcess, 10000);
    }
    if (m_process.hProcess) ::CloseHandle(m_process.hProcess);
    if (m_process.hThread) ::CloseHandle(m_process.hThread);
    if (m_output) ::CloseHandle(m_output);
    m_process = {};
    m_output = nullptr;
    m_window = nullptr;
  }

 private:
  PROCESS_INFORMATION m_process{};
  HANDLE m_output = nullptr;
  HWND m_window = nullptr;
  double m_started = 0;
};

// Start-up is short and the host is shared: each run times it this many times for each program.
constexpr int kStartupsPerRun = 3;

struct Sample {
  double floorMs = -1, refreshMs = -1;
  std::vector<double> startupMs, dialogStartupMs;
  std::vector<std::vector<double>> variantStartupMs;  // per variant
  double peakWorkingSetKiB = -1, dialogPeakKiB = -1;
  int rows = -1, floorRows = -1;
};

double PeakWorkingSetKiB(DWORD pid) {
  HANDLE process = ::OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, pid);
  if (!process) return -1;
  PROCESS_MEMORY_COUNTERS counters{};
  counters.cb = sizeof counters;
  BOOL read = ::GetProcessMemoryInfo(process, &counters, sizeof counters);
  ::CloseHandle(process);
  return read ? static_cast<double>(counters.PeakWorkingSetSize) / 1024.0 : -1;
}

// Lets a freshly shown window finish what follows its showing (first paint, idle) so that the
// next measurement does not pay for it.
void Settle(const Child& child) {
  ::WaitForInputIdle(child.Process(), 10000);
  ::Sleep(300);
}

// The floor program's time for the SCM work and the number of services it listed.
bool RunFloor(const Options& options, double& ms, int& services) {
  Child floor;
  if (!floor.Start(options.floor, true)) return false;
  std::string text = floor.Output();
  unsigned long listed = 0, configs = 0;
  long long us = 0;
  if (std::sscanf(text.c_str(), "services=%lu configs=%lu us=%lld", &listed, &configs, &us) != 3)
    return false;
  ms = static_cast<double>(us) / 1000.0;
  services = static_cast<int>(listed);
  return true;
}

// Starts a dialog program; the time until its window shows, or -1.
double DialogStartup(const std::string& exe, double* peakKiB = nullptr) {
  Child dialog;
  if (!dialog.Start(exe, false)) return -1;
  const double shown = dialog.WaitForWindow(30000);
  if (shown >= 0) Settle(dialog);
  if (peakKiB) *peakKiB = PeakWorkingSetKiB(dialog.Pid());
  return shown;
}

// Starts svcmgr; the time until its main window shows, or -1. With `sample`, then presses 刷新
// and records how long the click took, the rows it left and the peak working set.
double SvcmgrStartup(const Options& options, Sample* sample = nullptr) {
  Child svcmgr;
  if (!svcmgr.Start(options.svcmgr, false)) return -1;
  const double shown = svcmgr.WaitForWindow(30000);
  if (shown < 0) return -1;
  Settle(svcmgr);
  if (!sample) return shown;
  HWND refresh = ::GetDlgItem(svcmgr.Window(), IDOK);
  HWND list = ::FindWindowExA(svcmgr.Window(), nullptr, WC_LISTVIEWA, nullptr);
  DWORD_PTR result = 0;
  const double pressed = NowMs();
  if (refresh && list &&
      ::SendMessageTimeoutA(refresh, BM_CLICK, 0, 0, SMTO_NORMAL, 600000, &result)) {
    sample->refreshMs = NowMs() - pressed;
    sample->rows = static_cast<int>(::SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
  }
  sample->peakWorkingSetKiB = PeakWorkingSetKiB(svcmgr.Pid());
  return shown;
}

// One run: the floor, then start-ups of the minimal dialog, its variants and svcmgr in turn, the
// last svcmgr also refreshed. Programs are started one at a time, each after the one before
// has ended.
Sample MeasureOnce(const Options& options) {
  Sample sample;
  RunFloor(options, sample.floorMs, sample.floorRows);
  sample.variantStartupMs.resize(options.variants.size());
  for (int i = 0; i < kStartupsPerRun; ++i) {
    const bool last = i + 1 == kStartupsPerRun;
    ::Sleep(200);
    sample.dialogStartupMs.push_back(
        DialogStartup(options.dialog, last ? &sample.dialogPeakKiB : nullptr));
    for (size_t v = 0; v < options.variants.size(); ++v) {
      ::Sleep(200);
      sample.variantStartupMs[v].push_back(DialogStartup(options.variants[v]));
    }
    ::Sleep(200);
    sample.startupMs.push_back(SvcmgrStartup(options, last ? &sample : nullptr));
  }
  ::Sleep(200);
  return sample;
}

// Before the runs at each N: each program once, untimed, so that no run pays for a cold cache.
void WarmUp(const Options& options) {
  double ms = 0;
  int services = 0;
  RunFloor(options, ms, services);
  DialogStartup(options.dialog);
  for (const std::string& variant : options.variants) DialogStartup(variant);
  SvcmgrStartup(options);
}

std::vector<std::string> ParseList(const char* text) {
  std::vector<std::string> items;
  for (const char* at = text; *at;) {
    const char* end = std::strchr(at, ',');
    if (!end) end = at + std::strlen(at);
    items.emplace_back(at, end);
    at = *end ? end + 1 : end;
  }
  return items;
}

// The program's file name without folder and ".exe", to name a column.
std::string ShortName(const std::string& path) {
  std::string name = path.substr(path.find_last_of("\\/") + 1);
  return name.size() > 4 ? name.substr(0, name.size() - 4) : name;
}

std::vector<unsigned> ParseCounts(const char* text) {
  std::vector<unsigned> counts;
  for (const char* at = text; *at;) {
    char* end = nullptr;
    counts.push_back(std::strtoul(at, &end, 10));
    at = *end ? end + 1 : end;
  }
  std::sort(counts.begin(), counts.end());
  return counts;
}

bool ParseOptions(int argc, char** argv, Options& options) {
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    const bool hasValue = i + 1 < argc;
    if (arg == "--cleanup") {
      options.cleanupOnly = true;
    } else if (arg == "--setup-only") {
      options.setupOnly = true;
    } else if (arg == "--start-limit" && hasValue) {
      options.startLimit = std::strtoul(argv[++i], nullptr, 10);
    } else if (arg == "--svcmgr" && hasValue) {
      options.svcmgr = argv[++i];
    } else if (arg == "--floor" && hasValue) {
      options.floor = argv[++i];
    } else if (arg == "--dialog" && hasValue) {
      options.dialog = argv[++i];
    } else if (arg == "--service" && hasValue) {
      options.service = argv[++i];
    } else if (arg == "--variants" && hasValue) {
      options.variants = ParseList(argv[++i]);
    } else if (arg == "--probe" && hasValue) {
      options.probe = argv[++i];
    } else if (arg == "--counts" && hasValue) {
      options.counts = ParseCounts(argv[++i]);
    } else if (arg == "--runs" && hasValue) {
      options.runs = std::max(1, std::atoi(argv[++i]));
    } else {
      return false;
    }
  }
  return options.cleanupOnly || (!options.svcmgr.empty() && !options.floor.empty() &&
                                 !options.dialog.empty() && !options.service.empty());
}

struct Row {
  unsigned extra;
  unsigned started, paused;
  int rows;
  double floorMs, refreshMs, startupMs, dialogStartupMs, peakKiB, dialogPeakKiB;
  std::vector<double> variantStartupMs;
};
}  // namespace

int main(int argc, char** argv) {
  std::setvbuf(stdout, nullptr, _IONBF, 0);
  Options options;
  if (!ParseOptions(argc, argv, options)) {
    std::fprintf(stderr,
                 "usage: bench_driver --svcmgr EXE --floor EXE --dialog EXE --service EXE "
                 "[--probe EXE] [--variants EXE,...] [--counts 200,1000,3000] [--runs 5] "
                 "[--start-limit K] "
                 "[--setup-only] | --cleanup\n");
    return 2;
  }
  SC_HANDLE manager = ::OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
  if (!manager) {
    std::fprintf(stderr, "OpenSCManager failed: %lu\n", ::GetLastError());
    return 1;
  }
  int leftovers = RemoveBenchServices(manager);
  if (options.cleanupOnly) {
    std::printf("removed %d bench services\n", leftovers);
    ::CloseServiceHandle(manager);
    return 0;
  }
  const size_t baseline = Win32ServiceNames(manager).size();
  std::printf("Win32 services before: %zu\n", baseline);

  std::vector<Row> table;
  unsigned made = 0, started = 0, paused = 0;
  bool ok = true;
  for (unsigned extra : options.counts) {
    const double setupStart = NowMs();
    if (!AddBenchServices(manager, options.service, made, extra, options.startLimit, started,
                          paused)) {
      ok = false;
      break;
    }
    made = extra;
    const size_t expected = baseline + extra;
    std::printf("\nN=%u: %u extra services made, %u started (%u of them paused), in %.1f s\n",
                extra, made, started, paused, (NowMs() - setupStart) / 1000.0);
    if (options.setupOnly) continue;
    WarmUp(options);
    std::vector<Sample> samples;
    for (int run = 0; run < options.runs; ++run) {
      Sample s = MeasureOnce(options);
      std::printf("  run %d: floor %.1f ms (%d services), refresh %.1f ms (%d rows), start-up",
                  run + 1, s.floorMs, s.floorRows, s.refreshMs, s.rows);
      for (double ms : s.startupMs) std::printf(" %.1f", ms);
      std::printf(" ms, dialog start-up");
      for (double ms : s.dialogStartupMs) std::printf(" %.1f", ms);
      for (size_t v = 0; v < options.variants.size(); ++v) {
        std::printf(" ms, %s", ShortName(options.variants[v]).c_str());
        for (double ms : s.variantStartupMs[v]) std::printf(" %.1f", ms);
      }
      std::printf(" ms, peak working set %.0f KiB (dialog %.0f KiB)\n", s.peakWorkingSetKiB,
                  s.dialogPeakKiB);
      const auto failed = [](double ms) { return ms < 0; };
      if (s.floorMs < 0 || s.refreshMs < 0 ||
          std::any_of(s.startupMs.begin(), s.startupMs.end(), failed) ||
          std::any_of(s.dialogStartupMs.begin(), s.dialogStartupMs.end(), failed) ||
          std::any_of(s.variantStartupMs.begin(), s.variantStartupMs.end(),
                      [&](const std::vector<double>& v) {
                        return std::any_of(v.begin(), v.end(), failed);
                      }) ||
          s.floorRows != static_cast<int>(expected) || s.rows != static_cast<int>(expected)) {
        std::fprintf(stderr, "run %d failed: expected %zu services\n", run + 1, expected);
        ok = false;
        break;
      }
      samples.push_back(s);
    }
    if (!ok) break;
    if (!options.probe.empty()) {
      // Three runs of each way; the list filled while it draws takes long, so not twice over.
      Child probe;
      if (probe.Start(options.probe, true, "3 as-is hidden no-redraw unsorted-no-redraw"))
        std::printf("%s", probe.Output().c_str());
    }
    auto median = [&](double Sample::*field) {
      std::vector<double> values;
      for (const Sample& s : samples) values.push_back(s.*field);
      return Median(values);
    };
    auto medianOfAll = [&](std::vector<double> Sample::*field) {
      std::vector<double> values;
      for (const Sample& s : samples)
        values.insert(values.end(), (s.*field).begin(), (s.*field).end());
      return Median(values);
    };
    Row row{extra,
            started,
            paused,
            static_cast<int>(expected),
            median(&Sample::floorMs),
            median(&Sample::refreshMs),
            medianOfAll(&Sample::startupMs),
            medianOfAll(&Sample::dialogStartupMs),
            median(&Sample::peakWorkingSetKiB),
            median(&Sample::dialogPeakKiB),
            {}};
    for (size_t v = 0; v < options.variants.size(); ++v) {
      std::vector<double> values;
      for (const Sample& s : samples)
        values.insert(values.end(), s.variantStartupMs[v].begin(), s.variantStartupMs[v].end());
      row.variantStartupMs.push_back(Median(values));
    }
    table.push_back(row);
  }

  if (options.setupOnly) return ok ? 0 : 1;
  const int removed = RemoveBenchServices(manager);
  const size_t after = Win32ServiceNames(manager).size();
  ::CloseServiceHandle(manager);
  std::printf("\nremoved %d bench services; Win32 services after: %zu\n", removed, after);
  if (!ok || table.empty()) return 1;

  std::printf("\nMedians of %d runs (start-up: of %d, %d a run):\n\n", options.runs,
              options.runs * kStartupsPerRun, kStartupsPerRun);
  std::printf(
      "| extra services | rows listed | extra started (paused) | floor ms | refresh ms | "
      "refresh / floor | refresh us/row | floor us/row | start-up ms | start-up floor ms | "
      "start-up / floor | svcmgr peak working set |\n");
  std::printf("|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|\n");
  for (const Row& r : table)
    std::printf(
        "| %u | %d | %u (%u) | %.1f | %.1f | %.2f | %.1f | %.1f | %.1f | %.1f | %.2f | %.0f KiB "
        "|\n",
        r.extra, r.rows, r.started, r.paused, r.floorMs, r.refreshMs, r.refreshMs / r.floorMs,
        r.refreshMs * 1000 / r.rows, r.floorMs * 1000 / r.rows, r.startupMs, r.dialogStartupMs,
        r.startupMs / r.dialogStartupMs, r.peakKiB);
  const Row& first = table.front();
  const Row& last = table.back();
  const double firstCost = first.refreshMs / first.rows, lastCost = last.refreshMs / last.rows;
  std::printf("\nrefresh cost per row at %u extra / at %u extra: %.2f\n", last.extra, first.extra,
              lastCost / firstCost);
  std::printf("floor cost per row at %u extra / at %u extra: %.2f\n", last.extra, first.extra,
              (last.floorMs / last.rows) / (first.floorMs / first.rows));
  std::printf("minimal dialog peak working set: %.0f KiB\n", last.dialogPeakKiB);
  if (!options.variants.empty()) {
    std::printf("\nStart-up, medians in ms:\n\n| extra services | %s",
                ShortName(options.dialog).c_str());
    for (const std::string& variant : options.variants)
      std::printf(" | %s", ShortName(variant).c_str());
    std::printf(" | svcmgr |\n|---:|---:");
    for (size_t v = 0; v < options.variants.size(); ++v) std::printf("|---:");
    std::printf("|---:|\n");
    for (const Row& r : table) {
      std::printf("| %u | %.1f", r.extra, r.dialogStartupMs);
      for (double ms : r.variantStartupMs) std::printf(" | %.1f", ms);
      std::printf(" | %.1f |\n", r.startupMs);
    }
  }
  return 0;
}
