#pragma once
// Reads a list-view control that belongs to another process. The control's messages carry
// pointers, which the system does not carry across processes, so the structures and the text
// buffers they point to are lent in the owner's own memory, laid out as the owner lays them out
// (a 32-bit owner's pointers are 32 bits wide, whatever this process's are).
#include <windows.h>

#include <string>
#include <vector>

struct ListColumn {
  std::string heading;
  int width;
  bool operator==(const ListColumn& other) const {
    return heading == other.heading && width == other.width;
  }
};

using ListRow = std::vector<std::string>;  // the texts of all columns, in column order

class RemoteListView {
 public:
  explicit RemoteListView(HWND list);
  RemoteListView(const RemoteListView&) = delete;
  RemoteListView& operator=(const RemoteListView&) = delete;
  ~RemoteListView();

  // False when the owner's memory could not be reached; nothing else works then.
  bool IsOpen() const { return m_remote != nullptr; }

  std::vector<ListColumn> Columns();
  int ColumnCount() const;
  int RowCount() const;
  int SelectedCount() const;
  std::string Text(int row, int column);
  std::vector<ListRow> Rows();
  // Where the row is shown, in screen coordinates.
  bool RowRect(int row, RECT* screen);

 private:
  // Copies `size` bytes to the lent memory at `offset`.
  bool Put(size_t offset, const void* data, size_t size);
  bool Get(size_t offset, void* data, size_t size) const;
  // The lent memory at `offset` as the owner addresses it, for its messages.
  char* At(size_t offset) const { return m_remote + offset; }
  LRESULT Send(UINT message, WPARAM wParam, LPARAM lParam) const;
  bool FindMemoryShift(size_t largestShift);
  // Asks for a text of the owner's into the lent text buffer, with the owner's layout of the
  // item or column structure; returns the message's answer.
  LRESULT AskText(UINT message, WPARAM index, int subItem, int* width);

  HWND m_list;
  HANDLE m_process = nullptr;
  char* m_remote = nullptr;
  bool m_owner32 = false;
  // How far above the owner's own addresses the memory calls reach its memory: the host's
  // vm.mmap_min_addr where qemu-user emulates the owner and keeps every address of it that far
  // up, 0 elsewhere.
  size_t m_shift = 0;
};
