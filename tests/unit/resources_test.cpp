// The shipped resources as the platform reads them back: the resource compiler must not have
// added or dropped a style bit, moved a control, or changed a text, a font or a language.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>
#include <string>
#include <vector>

#include "res/resource.h"
#include "tests/support/expected_texts.h"

namespace {
struct Control {
  int id;
  std::string cls;
  std::string text;
  short x, y, cx, cy;
  DWORD style;
};

struct Template {
  DWORD style = 0;
  DWORD exStyle = 0;
  short x = 0, y = 0, cx = 0, cy = 0;
  std::string caption;
  int points = 0;
  int weight = 0;
  int italic = 0;
  int charset = 0;
  std::string font;
  std::vector<Control> controls;
};

HMODULE Program() {
  static HMODULE module = [] {
    char path[MAX_PATH];
    ::GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string dir(path);
    dir.resize(dir.find_last_of('\\') + 1);
    return ::LoadLibraryExA((dir + "..\\svcmgr.exe").c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  }();
  return module;
}

std::string Narrow(const WCHAR* text) {
  char out[512];
  int n = ::WideCharToMultiByte(936, 0, text, -1, out, sizeof out, nullptr, nullptr);
  return std::string(out, n > 0 ? n - 1 : 0);
}

// Reads one of the template's name-or-ordinal fields or texts.
class Reader {
 public:
  explicit Reader(const BYTE* at) : m_at(at) {}
  template <class T>
  T Get() {
    T value;
    std::memcpy(&value, m_at, sizeof value);
    m_at += sizeof value;
    return value;
  }
  std::string Text() {
    auto* text = reinterpret_cast<const WCHAR*>(m_at);
    m_at += (std::char_traits<WCHAR>::length(text) + 1) * sizeof(WCHAR);
    return Narrow(text);
  }
  std::string NameOrOrdinal() {
    if (*reinterpret_cast<const WORD*>(m_at) != 0xFFFF) return Text();
    Get<WORD>();
    static const char* const kClasses[] = {"Button", "Edit", "Static"};
    WORD ordinal = Get<WORD>();
    return ordinal >= 0x80 && ordinal <= 0x82 ? kClasses[ordinal - 0x80]
                                              : "#" + std::to_string(ordinal);
  }
  void AlignToDword(const BYTE* base) { m_at += (4 - (m_at - base) % 4) % 4; }

 private:
  const BYTE* m_at;
};

Template Load(int id) {
  HRSRC found = ::FindResourceExA(Program(), RT_DIALOG, MAKEINTRESOURCEA(id),
                                  MAKELANGID(LANG_CHINESE, SUBLANG_CHINESE_SIMPLIFIED));
  EXPECT_NE(found, nullptr) << "dialog " << id << " in Chinese (PRC)";
  Template t;
  if (!found) return t;
  auto* base = static_cast<const BYTE*>(::LockResource(::LoadResource(Program(), found)));
  Reader r(base);
  bool extended = r.Get<WORD>() == 1 && r.Get<WORD>() == 0xFFFF;
  r = Reader(base);
  if (extended) {
    r.Get<DWORD>();
    r.Get<DWORD>();  // help identifier
    t.exStyle = r.Get<DWORD>();
    t.style = r.Get<DWORD>();
  } else {
    t.style = r.Get<DWORD>();
    t.exStyle = r.Get<DWORD>();
  }
  WORD count = r.Get<WORD>();
  t.x = r.Get<short>(), t.y = r.Get<short>(), t.cx = r.Get<short>(), t.cy = r.Get<short>();
  r.NameOrOrdinal();  // menu
  r.NameOrOrdinal();  // class
  t.caption = r.Text();
  t.points = r.Get<WORD>();
  if (extended) {
    t.weight = r.Get<WORD>();
    t.italic = r.Get<BYTE>();
    t.charset = r.Get<BYTE>();
  }
  t.font = r.Text();
  for (WORD i = 0; i < count; ++i) {
    r.AlignToDword(base);
    Control c{};
    if (extended) {
      r.Get<DWORD>();
      r.Get<DWORD>();
      c.style = r.Get<DWORD>();
    } else {
      c.style = r.Get<DWORD>();
      r.Get<DWORD>();
    }
    c.x = r.Get<short>(), c.y = r.Get<short>(), c.cx = r.Get<short>(), c.cy = r.Get<short>();
    c.id = extended ? static_cast<int>(r.Get<DWORD>()) : static_cast<short>(r.Get<WORD>());
    c.cls = r.NameOrOrdinal();
    c.text = r.NameOrOrdinal();
    r.Get<WORD>();  // no creation data
    t.controls.push_back(c);
  }
  return t;
}

void ExpectControls(const std::vector<Control>& actual, const std::vector<Control>& expected) {
  ASSERT_EQ(actual.size(), expected.size());
  for (size_t i = 0; i < expected.size(); ++i) {
    SCOPED_TRACE("control " + std::to_string(i));
    const Control &a = actual[i], &e = expected[i];
    EXPECT_EQ(a.id, e.id);
    EXPECT_EQ(::lstrcmpiA(a.cls.c_str(), e.cls.c_str()), 0) << a.cls;  // class names ignore case
    EXPECT_EQ(a.text, e.text);
    EXPECT_EQ((std::vector<short>{a.x, a.y, a.cx, a.cy}),
              (std::vector<short>{e.x, e.y, e.cx, e.cy}));
    EXPECT_EQ(a.style, e.style) << std::hex << a.style;
  }
}
}  // namespace

TEST(Resources, MainWindowTemplate) {
  ASSERT_NE(Program(), nullptr);
  Template t = Load(IDD_SERVICE_LIST);
  EXPECT_EQ(t.style, 0x90CB00C4u);
  EXPECT_EQ(t.exStyle, 0x00040000u);
  EXPECT_EQ((std::vector<short>{t.x, t.y, t.cx, t.cy}), (std::vector<short>{0, 0, 857, 480}));
  EXPECT_EQ(t.caption, kMainCaption);
  EXPECT_EQ(t.font, "宋体");
  EXPECT_EQ((std::vector<int>{t.points, t.weight, t.italic, t.charset}),
            (std::vector<int>{9, 0, 0, 1}));
  ExpectControls(t.controls,
                 {
                     {IDOK, "Button", "刷新", 17, 451, 50, 14, 0x50010001},
                     {IDCANCEL, "Button", "退出", 89, 451, 50, 14, 0x50010000},
                     {IDC_SERVICE_LIST, "SysListView32", "List1", 13, 18, 896, 400, 0x50810019},
                     {-1, "Button", "Services List", 7, 7, 843, 419, 0x50000007},
                     {-1, "Button", "Console", 7, 436, 843, 37, 0x50000007},
                     {IDC_MAKER_LABEL, "Static", "      Tavrelmo软件工作室\n" MAKER_URL, 737, 449,
                      110, 18, 0x50020000},
                 });
}

TEST(Resources, CreateDialogTemplate) {
  Template t = Load(IDD_CREATE_SERVICE);
  EXPECT_EQ(t.style, 0x80C800C0u);
  EXPECT_EQ((std::vector<short>{t.x, t.y, t.cx, t.cy}), (std::vector<short>{0, 0, 148, 135}));
  EXPECT_EQ(t.caption, kCreateDialogCaption);
  EXPECT_EQ(t.font, "宋体");
  EXPECT_EQ(t.points, 9);
  ExpectControls(t.controls, {
                                 {IDC_NAME, "Edit", "", 49, 13, 70, 15, 0x50810080},
                                 {IDC_DESCRIPTION, "Edit", "", 49, 35, 70, 15, 0x50810080},
                                 {IDC_PATH, "Edit", "", 50, 57, 70, 15, 0x50810080},
                                 {IDC_BROWSE, "Button", "...", 124, 57, 16, 15, 0x50010000},
                                 {IDOK, "Button", "创建", 7, 114, 50, 14, 0x50030001},
                                 {IDCANCEL, "Button", "退出", 90, 114, 50, 14, 0x50030001},
                                 {-1, "Static", "服务名称", 12, 17, 36, 9, 0x50020000},
                                 {-1, "Static", "服务描述", 12, 39, 36, 9, 0x50020000},
                                 {-1, "Static", "程序路径", 12, 60, 36, 9, 0x50020000},
                                 {-1, "Static", "启动方式", 12, 85, 32, 9, 0x50020000},
                                 {-1, "Button", "", 50, 76, 85, 26, 0x50020007},
                                 {IDC_START_AUTO, "Button", "自动", 53, 85, 34, 12, 0x50000009},
                                 {IDC_START_MANUAL, "Button", "手动", 93, 84, 36, 14, 0x50000009},
                             });
}

TEST(Resources, ContextMenuStringIconsAndVersion) {
  HMENU menu = ::LoadMenuA(Program(), MAKEINTRESOURCEA(IDR_CONTEXT_MENU));
  ASSERT_NE(menu, nullptr);
  auto describe = [](HMENU m) {
    std::vector<std::string> items;
    for (int i = 0; i < ::GetMenuItemCount(m); ++i) {
      char text[64] = "";
      MENUITEMINFOA info{};
      info.cbSize = sizeof info;
      info.fMask = MIIM_FTYPE | MIIM_ID | MIIM_STRING | MIIM_SUBMENU | MIIM_STATE;
      info.dwTypeData = text;
      info.cch = sizeof text;
      ::GetMenuItemInfoA(m, i, TRUE, &info);
      if (info.fType & MFT_SEPARATOR) {
        items.push_back("-");
        continue;
      }
      std::string item = text;
      if (!info.hSubMenu) item += " " + std::to_string(info.wID);
      if (info.fState & (MFS_GRAYED | MFS_CHECKED)) item += " (greyed or checked)";
      items.push_back(item);
    }
    return items;
  };
  HMENU popup = ::GetSubMenu(menu, 0);
  EXPECT_EQ(describe(menu), std::vector<std::string>{"菜单"});
  EXPECT_EQ(describe(popup),
            (std::vector<std::string>{"刷新服务 32786", "-", "启动服务 32787", "停止服务 32788",
                                      "-", "删除服务 32783", "创建服务 32784", "-", "启动方式", "-",
                                      "关于程序 32790"}));
  EXPECT_EQ(describe(::GetSubMenu(popup, 8)),
            (std::vector<std::string>{"自动 32792", "手动 32793", "禁用 32794"}));
  ::DestroyMenu(menu);

  char text[64] = "";
  ::LoadStringA(Program(), IDS_SYSMENU_ENTRY, text, sizeof text);
  EXPECT_STREQ(text, "关于 服务管理(&A)...");

  // The main icon has 32- and 16-pixel images in 16 colours; the row icon one 256-colour image.
  auto images = [](int id) {
    HRSRC group = ::FindResourceA(Program(), MAKEINTRESOURCEA(id), RT_GROUP_ICON);
    auto* dir = static_cast<const BYTE*>(::LockResource(::LoadResource(Program(), group)));
    std::vector<std::string> found;
    for (int i = 0; dir && i < *reinterpret_cast<const WORD*>(dir + 4); ++i) {
      const BYTE* entry = dir + 6 + i * 14;
      found.push_back(std::to_string(entry[0]) + "px " +
                      std::to_string(*reinterpret_cast<const WORD*>(entry + 6)) + "bpp");
    }
    return found;
  };
  EXPECT_EQ(images(IDR_MAIN_ICON), (std::vector<std::string>{"32px 4bpp", "16px 4bpp"}));
  EXPECT_EQ(images(IDI_SERVICE_ROW), std::vector<std::string>{"32px 8bpp"});

  HRSRC version = ::FindResourceA(Program(), MAKEINTRESOURCEA(1), RT_VERSION);
  ASSERT_NE(version, nullptr);
  auto* block = static_cast<const BYTE*>(::LockResource(::LoadResource(Program(), version)));
  VS_FIXEDFILEINFO fixed;
  std::memcpy(&fixed, block + 40, sizeof fixed);  // after the header and its aligned key
  EXPECT_EQ(fixed.dwSignature, 0xFEEF04BDu);
  EXPECT_EQ(fixed.dwFileVersionMS, 0x00010000u);
  EXPECT_EQ(fixed.dwFileVersionLS, 0x00000001u);
  EXPECT_EQ(fixed.dwProductVersionMS, 0x00010000u);
  EXPECT_EQ(fixed.dwProductVersionLS, 0x00000001u);
}
