#pragma once
// The program's texts as a person reads them, written down here independently of its sources, so
// that a changed text fails a test instead of changing what the tests expect along with it.
// Byte for byte, the program's own slips of wording included.

// Boxes after a command on the selected service.
inline constexpr char kStartSucceeded[] = "启动服务成功！";
inline constexpr char kStartFailed[] = "启动服务失败！";
inline constexpr char kAlreadyStarted[] = "服务以经启动！";
inline constexpr char kStopSucceeded[] = "停止服务成功！";
inline constexpr char kStopFailed[] = "停止服务失败！";
inline constexpr char kAlreadyStopped[] = "服务已经停止！";
inline constexpr char kDeleteSucceeded[] = "删除服务成功！";
inline constexpr char kDeleteFailed[] = "删除服务失败！";

// Boxes after a start type was set.
inline constexpr char kSetAutomatic[] = "设置成功！方式为 自动 \n";
inline constexpr char kSetManual[] = "设置成功！方式为 手动\n";
inline constexpr char kSetDisabled[] = "设置成功！方式为 禁止";

// Boxes naming a call the service manager refused; the creation's has no line break.
inline constexpr char kOpenServiceFailed[] = "OpenService error!\n";
inline constexpr char kQueryStatusFailed[] = "QueryServiceStatus error!\n";
inline constexpr char kStopServiceFailed[] = "Stop Service error!\n";
inline constexpr char kChangeConfigFailed[] = "ChangeServiceConfig error!\n";
inline constexpr char kOpenManagerFailed[] = "OpenSCManager Error\n";
inline constexpr char kOpenManagerFailedOnCreate[] = "OpenSCManager Error";
inline constexpr char kLockFailed[] = "LockServiceDatabase 失败\n      继续运行吗?";

// Boxes after the create dialog's button.
inline constexpr char kCreateSucceeded[] = "服务创建成功";
inline constexpr char kCreateFailed[] = "服务创建失败";
// Followed by the programs a typed path names, one a line, shortest first.
inline constexpr char kAmbiguousPath[] =
    "程序路径有歧义：下列程序都存在，无法确定要运行哪一个。请用双引号括起要运行的程序，再创建。\n";

// Captions of the windows and boxes, and the about box's text.
inline constexpr char kMainCaption[] = "Tavrelmo服务管理工具 V2.0";
inline constexpr wchar_t kMainCaptionWide[] = L"Tavrelmo服务管理工具 V2.0";
inline constexpr char kCreateDialogCaption[] = "创建服务";
inline constexpr char kBoxCaption[] = "svcmgr";
inline constexpr char kAboutCaption[] = "Tavrelmo服务管理器 V2.0";
inline constexpr char kAboutText[] =
    "        Tavrelmo服务管理器 V2.0       \n\n          Tavrelmo软件工作室";

// The list's column headings.
inline constexpr char kNameHeading[] = "服务名称";
inline constexpr char kDisplayNameHeading[] = "显示名称";
inline constexpr char kStateHeading[] = "启动状态";
inline constexpr char kStartTypeHeading[] = "启动类别";
inline constexpr char kPathHeading[] = "程序路径";

// The list's state and start type cells; other start types show an empty cell.
inline constexpr char kListStopped[] = "停止";
inline constexpr char kListStarted[] = "已启动";
inline constexpr char kListAutomatic[] = "自 动>>";
inline constexpr char kListManual[] = "手 动";
inline constexpr char kListDisabled[] = "禁 止";

// The notice shown before the main window off code page 936, in wide text any code page shows.
inline constexpr wchar_t kCodePageNotice[] =
    L"本程序需要代码页 936（简体中文）。当前系统使用的是其他代码页，程序中的中文将显示为乱码。\n"
    L"设置方法：在“控制面板 > 区域 > 管理 > 更改系统区域设置”中，将“非 Unicode 程序的语言”"
    L"设为“中文(简体，中国)”，不要勾选“Beta 版: 使用 Unicode UTF-8 提供全球语言支持”，"
    L"然后重新启动计算机。\n\n"
    L"This program needs code page 936 (Simplified Chinese). This system uses another "
    L"code page, so the program's Chinese texts will be unreadable.\n"
    L"To set it: in Control Panel > Region > Administrative > Change system locale, set "
    L"\"Language for non-Unicode programs\" to Chinese (Simplified, China), leave "
    L"\"Beta: Use Unicode UTF-8 for worldwide language support\" unchecked, and restart "
    L"the computer.";

// The notice shown, and the program ended, where Windows cannot keep DLLs beside the program out
// of the search (Windows 7 without update KB3063858); with no caption of its own.
inline constexpr wchar_t kDllSearchNotice[] =
    L"本程序需要 Windows 7 SP1 的安全更新 KB3063858（或其前身 KB2533623），本系统未安装，"
    L"程序将退出。\n"
    L"本程序以管理员身份运行。没有此更新，程序无法阻止 Windows 从程序所在的文件夹加载 DLL："
    L"放在那里、与系统 DLL 同名的 DLL 会以管理员权限运行。请通过 Windows 更新安装 KB3063858，"
    L"然后重新运行本程序。\n\n"
    L"This program needs security update KB3063858 for Windows 7 SP1 (or its predecessor "
    L"KB2533623), which this system lacks, so it ends now.\n"
    L"The program runs as administrator. Without the update it cannot keep Windows from loading "
    L"DLLs from the program's own folder: a DLL placed there under a system DLL's name would run "
    L"with administrator rights. Install KB3063858 through Windows Update, then start the "
    L"program again.";
