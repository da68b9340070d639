#include "remote_list.h"

#include <commctrl.h>

#include <cstdlib>

#include "tests/support/time_scale.h"

namespace {
// The lent memory: one structure at the start, its text buffer after it.
constexpr size_t kRemoteSize = 64 * 1024;
constexpr size_t kTextOffset = 4096;
constexpr int kTextCapacity = static_cast<int>(kRemoteSize - kTextOffset);
constexpr size_t kPage = 4096;

// The leading members of LVITEMA and LVCOLUMNA as a 32-bit process lays them out; the rest is
// not asked for.
struct ListItem32 {
  UINT mask;
  int iItem;
  int iSubItem;
  UINT state;
  UINT stateMask;
  UINT32 pszText;
  int cchTextMax;
};
struct ListColumn32 {
  UINT mask;
  int fmt;
  int cx;
  UINT32 pszText;
  int cchTextMax;
};

// How far the memory calls can miss an emulated owner's memory: qemu-user maps a 32-bit guest
// at the host's lowest mappable address, vm.mmap_min_addr, which hosts set anywhere from one page
// to sixteen or more. Wine shows the host's files on drive Z:.
size_t LargestShift() {
  HANDLE file = ::CreateFileA("Z:\\proc\\sys\\vm\\mmap_min_addr", GENERIC_READ, FILE_SHARE_READ,
                              nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return 0;  // no host below: no emulation either
  char text[32] = "";
  DWORD read = 0;
  ::ReadFile(file, text, sizeof text - 1, &read, nullptr);
  ::CloseHandle(file);
  const size_t lowest = std::strtoull(text, nullptr, 10);
  return (lowest + kPage - 1) / kPage * kPage;
}
}  // namespace

RemoteListView::RemoteListView(HWND list) : m_list(list) {
  DWORD owner = 0;
  ::GetWindowThreadProcessId(list, &owner);
  m_process = ::OpenProcess(
      PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE | PROCESS_QUERY_INFORMATION, FALSE,
      owner);
  if (!m_process) return;
  BOOL wow64 = FALSE;
  m_owner32 = sizeof(void*) == 4 || (::IsWow64Process(m_process, &wow64) && wow64);
  // The block is larger by the largest shift, so that every shift looked for lands inside it.
  const size_t largestShift = LargestShift();
  m_remote = static_cast<char*>(::VirtualAllocEx(m_process, nullptr, kRemoteSize + largestShift,
                                                 MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE));
  if (m_remote && !FindMemoryShift(largestShift)) {
    ::VirtualFreeEx(m_process, m_remote, 0, MEM_RELEASE);
    m_remote = nullptr;
  }
}

RemoteListView::~RemoteListView() {
  // A process that has ended took its memory with it.
  if (m_remote) ::VirtualFreeEx(m_process, m_remote, 0, MEM_RELEASE);
  if (m_process) ::CloseHandle(m_process);
}

bool RemoteListView::FindMemoryShift(size_t largestShift) {
  // A text is written where the memory calls reach inside the lent block whatever the shift,
  // and the owner is asked where it sees it: the list measures a text at an address of its own.
  // Every address asked about lies in the block, which holds nothing else yet.
  const size_t written = largestShift;
  const char probe[] = "WWWW";
  SIZE_T done = 0;
  if (!::WriteProcessMemory(m_process, m_remote + written, probe, sizeof probe, &done))
    return false;
  for (size_t shift = 0; shift <= largestShift; shift += kPage) {
    if (Send(LVM_GETSTRINGWIDTHA, 0, reinterpret_cast<LPARAM>(At(written - shift))) > 0) {
      m_shift = shift;
      const char none[sizeof probe] = {};
      return Put(written - m_shift, none, sizeof none);
    }
  }
  return false;
}

bool RemoteListView::Put(size_t offset, const void* data, size_t size) {
  SIZE_T written = 0;
  return m_remote && ::WriteProcessMemory(m_process, At(offset) + m_shift, data, size, &written) &&
         written == size;
}

bool RemoteListView::Get(size_t offset, void* data, size_t size) const {
  SIZE_T read = 0;
  return m_remote && ::ReadProcessMemory(m_process, At(offset) + m_shift, data, size, &read) &&
         read == size;
}

LRESULT RemoteListView::Send(UINT message, WPARAM wParam, LPARAM lParam) const {
  // A refresh keeps the owner busy for a while; a hung owner must not hang the test.
  DWORD_PTR result = 0;
  if (!SendTimed(m_list, message, wParam, lParam, 60000, &result)) return -1;
  return static_cast<LRESULT>(result);
}

LRESULT RemoteListView::AskText(UINT message, WPARAM index, int subItem, int* width) {
  const char empty = '\0';
  if (!Put(kTextOffset, &empty, 1)) return -1;
  const auto text = reinterpret_cast<UINT_PTR>(At(kTextOffset));
  bool put = false;
  if (message == LVM_GETCOLUMNA && m_owner32) {
    ListColumn32 column{LVCF_TEXT | LVCF_WIDTH, 0, 0, static_cast<UINT32>(text), kTextCapacity};
    put = Put(0, &column, sizeof column);
  } else if (message == LVM_GETCOLUMNA) {
    LVCOLUMNA column{};
    column.mask = LVCF_TEXT | LVCF_WIDTH;
    column.pszText = reinterpret_cast<char*>(text);
    column.cchTextMax = kTextCapacity;
    put = Put(0, &column, sizeof column);
  } else if (m_owner32) {
    ListItem32 item{0, 0, subItem, 0, 0, static_cast<UINT32>(text), kTextCapacity};
    put = Put(0, &item, sizeof item);
  } else {
    LVITEMA item{};
    item.iSubItem = subItem;
    item.pszText = reinterpret_cast<char*>(text);
    item.cchTextMax = kTextCapacity;
    put = Put(0, &item, sizeof item);
  }
  if (!put) return -1;
  const LRESULT answer = Send(message, index, reinterpret_cast<LPARAM>(At(0)));
  if (width && answer > 0) {
    // The width follows two 32-bit members in either layout.
    *width = 0;
    if (!Get(2 * sizeof(int), width, sizeof *width)) return -1;
  }
  return answer;
}

int RemoteListView::ColumnCount() const {
  auto header = reinterpret_cast<HWND>(Send(LVM_GETHEADER, 0, 0));
  if (!header || header == reinterpret_cast<HWND>(-1)) return -1;
  DWORD_PTR count = 0;
  if (!SendTimed(header, HDM_GETITEMCOUNT, 0, 0, 60000, &count)) return -1;
  return static_cast<int>(count);
}

std::vector<ListColumn> RemoteListView::Columns() {
  std::vector<ListColumn> columns;
  for (int i = 0, count = ColumnCount(); i < count; ++i) {
    int width = 0;
    if (AskText(LVM_GETCOLUMNA, i, 0, &width) <= 0) break;
    std::string heading(256, '\0');
    if (!Get(kTextOffset, heading.data(), heading.size())) break;
    heading.resize(heading.find('\0'));
    columns.push_back({heading, width});
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
  const LRESULT length = AskText(LVM_GETITEMTEXTA, row, column, nullptr);
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
