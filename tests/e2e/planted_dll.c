/* Stands for a DLL planted beside the program under the name of a system DLL. Once loaded it
   notes where it lay, in planted.log beside it, and refuses to stay. */
#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE module, DWORD reason, LPVOID reserved) {
  char path[MAX_PATH + 16];
  char log[MAX_PATH + 16];
  DWORD length;
  DWORD folder;
  DWORD written;
  HANDLE file;
  (void)reserved;
  if (reason != DLL_PROCESS_ATTACH) return TRUE;
  length = GetModuleFileNameA(module, path, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return FALSE;
  lstrcpyA(log, path);
  for (folder = length; folder > 0 && log[folder - 1] != '\\'; --folder) {
  }
  lstrcpyA(log + folder, "planted.log");
  file = CreateFileA(log, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL, OPEN_ALWAYS,
                     0, NULL);
  if (file != INVALID_HANDLE_VALUE) {
    lstrcpyA(path + length, "\r\n");
    WriteFile(file, path, length + 2, &written, NULL);
    CloseHandle(file);
  }
  return FALSE;
}
