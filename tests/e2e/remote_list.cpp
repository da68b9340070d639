#include "remote_list.h"

#include <commctrl.h>

namespace {
// The lent memory: one structure at the start, its text buffer after it.
constexpr size_t kRemoteSize = 64 * 1024;
constexpr size_t kTextOffset = 4096;
constexpr int kTextCapacity = static_cast<int>(kRemoteSize - kTextOffset);
}  // namespace

RemoteListView::RemoteListView(HWND list) : m_list(list) {
  DWORD owner = 0;
  ::GetWindowThreadProcessId(list, &owner);
  m_process =
      ::OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, owner);
  if (!m_process) return;
  m_remote = static_cast<char*>(
      ::VirtualAllocEx(m_process, nullptr, kRemoteSize, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE));
}

RemoteListView::~RemoteListView() {
  // A process that has ended took its memory with it.
  if (m_remote) ::VirtualFreeEx(m_process, m_remote, 0, MEM_RELEASE);
  if (m_process) ::CloseHandle(m_process);
}

bool RemoteListView::Put(size_t offset, const void* data, size_t size) {
  SIZE_T written = 0;
  return m_remote && ::WriteProcessMemory(m_process, At(offset), data, size, &written) &&
         written == size;
}

bool RemoteListView::Get(size_t offset, void* data, size_t size) const {
  SIZE_T read = 0;
  return m_remote && ::ReadProcessMemory(m_process, At(offset), data, size, &read) && read == size;
}

LRESULT RemoteListView::Send(UINT message, WPARAM wParam, LPARAM lParam) const {
  // A refresh keeps the owner busy for a while; a hung owner must not hang the test.
  DWORD_PTR result = 0;
  if (!::SendMessageTimeoutA(m_list, message, wParam, lParam, SMTO_NORMAL, 60000, &result))
    return -1;
  return static_cast<LRESULT>(result);
}

int RemoteListView::ColumnCount() const {
  auto header = reinterpret_cast<HWND>(Send(LVM_GETHEADER, 0, 0));
  if (!header || header == reinterpret_cast<HWND>(-1)) return -1;
  DWORD_PTR count = 0;
  if (!::SendMessageTimeoutA(header, HDM_GETITEMCOUNT, 0, 0, SMTO_NORMAL, 60000, &count)) return -1;
  return static_cast<int>(count);
}

std::vector<ListColumn> RemoteListView::Columns() {
  std::vector<ListColumn> columns;
  for (int i = 0, count = ColumnCount(); i < count; ++i) {
    LVCOLUMNA column{};
    column.mask = LVCF_TEXT | LVCF_WIDTH;
    column.pszText = At(kTextOffset);
    column.cchTextMax = kTextCapacity;
    const char empty = '\0';
    if (!Put(kTextOffset, &empty, 1) || !Put(0, &column, sizeof column)) break;
    if (Send(LVM_GETCOLUMNA, i, reinterpret_cast<LPARAM>(At(0))) <= 0) break;
    std::string heading(256, '\0');
    if (!Get(0, &column, sizeof column) || !Get(kTextOffset, heading.data(), heading.size())) break;
    heading.resize(heading.find('\0'));
    columns.push_back({heading, column.cx});
  }
  return columns;
}

int RemoteListView::RowCount() const {
  return static_cast<int>(Send(LVM_GETITEMCOUNT, 0, 0));
}

int RemoteListView::SelectedCount() const {
  return static_cast<int>(Send(LVM_GETSELECTEDCOUNT, 0, 0));
}

std::string RemoteListView::Text(int row, int column) {
  LVITEMA item{};
  item.iSubItem = column;
  item.pszText = At(kTextOffset);
  item.cchTextMax = kTextCapacity;
  if (!Put(0, &item, sizeof item)) return {};
  LRESULT length = Send(LVM_GETITEMTEXTA, row, reinterpret_cast<LPARAM>(At(0)));
  if (length <= 0) return {};
  std::string text(static_cast<size_t>(length), '\0');
  if (!Get(kTextOffset, text.data(), text.size())) return {};
  return text;
}

std::vector<ListRow> RemoteListView::Rows() {
  const int columns = ColumnCount();
  std::vector<ListRow> rows;
  for (int row = 0, count = RowCount(); row < count; ++row) {
    ListRow cells;
    for (int column = 0; column < columns; ++column) cells.push_back(Text(row, column));
    rows.push_back(cells);
  }
  return rows;
}

bool RemoteListView::RowRect(int row, RECT* screen) {
  RECT rect{};
  rect.left = LVIR_BOUNDS;
  if (!Put(0, &rect, sizeof rect) ||
      Send(LVM_GETITEMRECT, row, reinterpret_cast<LPARAM>(At(0))) <= 0 ||
      !Get(0, &rect, sizeof rect))
    return false;
  ::MapWindowPoints(m_list, HWND_DESKTOP, reinterpret_cast<POINT*>(&rect), 2);
  *screen = rect;
  return true;
}
