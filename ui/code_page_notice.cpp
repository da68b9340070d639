#include "code_page_notice.h"

#include <windows.h>

void NoticeIfNotCodePage936() {
  // The program's own texts are code page 936 bytes handed to the A calls, which read them in
  // the process's ANSI code page: on any other every one of them shows as garbage. So this one
  // notice is wide text, which every code page shows whole.
  if (::GetACP() == 936) return;
  ::MessageBoxW(
      nullptr,
      L"本程序需要代码页 936（简体中文）。当前系统使用的是其他代码页，程序中的中文将显示为乱码。\n"
      L"设置方法：在“控制面板 > 区域 > 管理 > 更改系统区域设置”中，将“非 Unicode 程序的语言”"
      L"设为“中文(简体，中国)”，不要勾选“Beta 版: 使用 Unicode UTF-8 提供全球语言支持”，"
      L"然后重新启动计算机。\n\n"
      L"This program needs code page 936 (Simplified Chinese). This system uses another "
      L"code page, so the program's Chinese texts will be unreadable.\n"
      L"To set it: in Control Panel > Region > Administrative > Change system locale, set "
      L"\"Language for non-Unicode programs\" to Chinese (Simplified, China), leave "
      L"\"Beta: Use Unicode UTF-8 for worldwide language support\" unchecked, and restart "
      L"the computer.",
      L"Tavrelmo服务管理工具 V2.0", MB_OK | MB_ICONWARNING);
}
