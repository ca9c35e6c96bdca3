// The client's building blocks in this process: the exchange file, the
// window builder against the definitions, the browser box's events, the
// pictures and timers. The windows are real windows.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>
#include <exdispid.h>
#include <ole2.h>

#include <memory>
#include <set>
#include <string>
#include <thread>

#include "browser_box_win.h"
#include "control_ids.h"
#include "controls_win.h"
#include "deployment.h"
#include "exchange_file.h"
#include "gdiplus_win.h"
#include "owners_win.h"
#include "pictures.h"
#include "shell.h"

namespace {

using namespace ids;

class WindowsEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    ASSERT_TRUE(SUCCEEDED(OleInitialize(nullptr)));
    gdiplus_ = std::make_unique<GdiplusSession>();
  }
  void TearDown() override {
    for (WindowId w : {WindowId::Preview, WindowId::Result, WindowId::Main}) CloseWindow(w);
    ProcessWindowMessages();
    gdiplus_.reset();
    OleUninitialize();
  }

 private:
  std::unique_ptr<GdiplusSession> gdiplus_;
};
const auto* const environment = ::testing::AddGlobalTestEnvironment(new WindowsEnvironment);

// Handles window messages until done() holds, at most timeoutMs.
template <typename F>
bool PumpUntil(F done, DWORD timeoutMs = 3000) {
  const ULONGLONG end = GetTickCount64() + timeoutMs;
  for (;;) {
    ProcessWindowMessages();
    if (done()) return true;
    if (GetTickCount64() >= end) return false;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
  }
}

std::string TempDirectory() {
  char temp[MAX_PATH];
  GetTempPathA(MAX_PATH, temp);
  std::string dir = std::string(temp) + "kelvane-unit-" + std::to_string(GetCurrentProcessId());
  CreateDirectoryA(dir.c_str(), nullptr);
  return dir;
}

bool FileExists(const std::string& path) {
  return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

TEST(ExchangeFileTest, ValuesReadBackAsTheProfileReaderGivesThem) {
  const std::string path = TempDirectory() + "/vlbrn_pzwj.ini";
  struct Case {
    const char* written;
    std::string read;
  } cases[] = {
      {"甲", "甲"},
      {"", ""},  // the key stays, with nothing after "="
      {"  a b  ", "a b"},            // outer blanks are lost
      {"\"quoted\"", "quoted"},      // one pair of quotation marks is lost
      {"\"half", "\"half"},
      {"x=y;z", "x=y;z"},
      {"http://127.0.0.1/a?id=4&b=5", "http://127.0.0.1/a?id=4&b=5"},
  };
  for (const Case& c : cases) {
    WriteProfileValue(path, kJobSection, "文字1", c.written);
    EXPECT_EQ(ReadProfileValue(path, kJobSection, "文字1"), c.read) << c.written;
  }
  // Each write replaces only its key; the other section stays.
  WriteProfileValue(path, kTemplateSection, "图片标题", "[甲]");
  WriteProfileValue(path, kJobSection, "图片标题", "[乙]");
  EXPECT_EQ(ReadProfileValue(path, kTemplateSection, "图片标题"), "[甲]");
  EXPECT_EQ(ReadProfileValue(path, kJobSection, "图片标题"), "[乙]");
  EXPECT_EQ(ReadProfileValue(path, kJobSection, "文字2"), "");
  EXPECT_EQ(ReadProfileValue(path, "无此节", "图片标题"), "");

  // A long line is cut to the reader's 10,239 bytes.
  WriteProfileValue(path, kJobSection, "文字3", std::string(12000, 'x'));
  EXPECT_EQ(ReadProfileValue(path, kJobSection, "文字3"), std::string(kExchangeValueLimit, 'x'));

  DeleteFileIfPresent(path);
  EXPECT_FALSE(FileExists(path));
  DeleteFileIfPresent(path);  // a missing file is no error
  EXPECT_EQ(ReadProfileValue(path, kTemplateSection, "图片标题"), "");
  RemoveDirectoryA(TempDirectory().c_str());
}

TEST(ExchangeFileTest, AFileThatCannotBeWrittenReadsEmpty) {
  const std::string missingDir = TempDirectory() + "\\no-such-dir\\vlbrn_pzwj.ini";
  WriteProfileValue(missingDir, kTemplateSection, "图片标题", "[甲]");
  EXPECT_EQ(ReadProfileValue(missingDir, kTemplateSection, "图片标题"), "");
  DeleteFileIfPresent(missingDir);

  const std::string blocked = TempDirectory() + "\\vlbrn_pzwj.ini";
  ASSERT_TRUE(CreateDirectoryA(blocked.c_str(), nullptr));
  WriteProfileValue(blocked, kTemplateSection, "图片标题", "[甲]");
  EXPECT_EQ(ReadProfileValue(blocked, kTemplateSection, "图片标题"), "");
  DeleteFileIfPresent(blocked);
  RemoveDirectoryA(blocked.c_str());
  RemoveDirectoryA(TempDirectory().c_str());
}

TEST(ProgramDirectoryTest, IsTheProgramFilesDirectoryWithoutSeparator) {
  char module[MAX_PATH];
  const std::string file(module, GetModuleFileNameA(nullptr, module, MAX_PATH));
  const Text dir = ProgramDirectory();
  ASSERT_FALSE(dir.empty());
  EXPECT_NE(dir.back(), '\\');
  EXPECT_NE(dir.back(), '/');
  EXPECT_EQ(file.substr(0, dir.size() + 1), dir + "\\");
  EXPECT_EQ(file.find_first_of("\\/", dir.size() + 1), std::string::npos);
  EXPECT_EQ(ExchangeFilePath(), dir + "/vlbrn_pzwj.ini");
}

const char* ClassOf(ControlKind kind) {
  switch (kind) {
    case ControlKind::Button:
    case ControlKind::GroupBox: return "Button";
    case ControlKind::Edit:
    case ControlKind::MultiLineEdit: return "Edit";
    case ControlKind::TransparentLabel: return kLabelClass;
    case ControlKind::PictureBox: return kPictureClass;
    case ControlKind::DropDownList: return "ComboBox";
    case ControlKind::ListView: return "SysListView32";
    case ControlKind::BrowserBox: return "KelvaneBrowserHost";
    case ControlKind::Timer: return "";
  }
  return "";
}

void ExpectBuiltAsDefined(WindowId window) {
  const WindowDef& def = DefinitionOf(window);
  HWND hwnd = WindowHandle(window);
  ASSERT_NE(hwnd, nullptr);
  RECT frame;
  GetWindowRect(hwnd, &frame);
  EXPECT_EQ(frame.right - frame.left, def.width);
  EXPECT_EQ(frame.bottom - frame.top, def.height);
  const LONG style = GetWindowLongA(hwnd, GWL_STYLE);
  EXPECT_NE(style & WS_POPUP, 0);
  EXPECT_EQ(style & (WS_CAPTION | WS_THICKFRAME | WS_MAXIMIZEBOX), 0);
  EXPECT_EQ((style & WS_MINIMIZEBOX) != 0, window == WindowId::Main);
  EXPECT_EQ(GetMenu(hwnd), nullptr);

  for (size_t i = 0; i < def.controlCount; ++i) {
    const ControlDef& c = def.controls[i];
    SCOPED_TRACE(c.name);
    HWND control = ControlHandle(window, c.id);
    if (c.kind == ControlKind::Timer) {
      EXPECT_EQ(control, nullptr);
      continue;
    }
    ASSERT_NE(control, nullptr);
    EXPECT_EQ(GetParent(control), c.parent ? ControlHandle(window, c.parent) : hwnd);
    EXPECT_EQ(GetDlgCtrlID(control), c.id);
    char cls[64];
    GetClassNameA(control, cls, sizeof cls);
    EXPECT_STRCASEEQ(cls, ClassOf(c.kind));
    RECT r;
    GetWindowRect(control, &r);
    MapWindowPoints(nullptr, GetParent(control), reinterpret_cast<POINT*>(&r), 2);
    EXPECT_EQ(r.left, c.x);
    EXPECT_EQ(r.top, c.y);
    EXPECT_EQ(r.right - r.left, c.width);
    EXPECT_EQ(r.bottom - r.top, c.height);
    EXPECT_EQ(IsWindowVisible(control) != FALSE, c.shown);

    const LONG cstyle = GetWindowLongA(control, GWL_STYLE);
    switch (c.kind) {
      case ControlKind::DropDownList:
        EXPECT_EQ(cstyle & 3, CBS_DROPDOWNLIST);
        EXPECT_EQ(SendMessageA(control, CB_GETCOUNT, 0, 0), 1);
        EXPECT_EQ(SelectedItem(control), 0);
        {
          char item[128] = "";
          SendMessageA(control, CB_GETLBTEXT, 0, reinterpret_cast<LPARAM>(item));
          EXPECT_STREQ(item, c.text);
        }
        break;
      case ControlKind::GroupBox:
        EXPECT_EQ(cstyle & BS_TYPEMASK, BS_GROUPBOX);
        EXPECT_EQ(ControlText(control), c.text);
        break;
      case ControlKind::TransparentLabel:
        EXPECT_NE(GetWindowLongA(control, GWL_EXSTYLE) & WS_EX_TRANSPARENT, 0);
        EXPECT_EQ(ControlText(control), c.text);
        break;
      case ControlKind::MultiLineEdit:
        EXPECT_NE(cstyle & ES_MULTILINE, 0);
        EXPECT_EQ(ControlText(control), c.text);
        break;
      case ControlKind::Button:
      case ControlKind::Edit:
        EXPECT_EQ(ControlText(control), c.text);
        break;
      default:
        break;
    }
    if (c.kind == ControlKind::BrowserBox || c.kind == ControlKind::PictureBox) continue;
    auto font = reinterpret_cast<HFONT>(SendMessageA(control, WM_GETFONT, 0, 0));
    LOGFONTA lf{};
    ASSERT_TRUE(font && GetObjectA(font, sizeof lf, &lf));
    EXPECT_STREQ(lf.lfFaceName, "宋体");
    EXPECT_EQ(lf.lfCharSet, GB2312_CHARSET);
    EXPECT_EQ(lf.lfHeight, c.font.face ? -c.font.height : -12);
    EXPECT_EQ(lf.lfWeight, c.font.bold ? FW_BOLD : FW_NORMAL);
  }
}

TEST(WindowBuilderTest, EveryWindowHasEveryControlAsDefined) {
  for (WindowId w : {WindowId::Main, WindowId::Result, WindowId::Preview}) {
    OpenWindow(w);
    ExpectBuiltAsDefined(w);
  }
  EXPECT_EQ(ControlText(WindowHandle(WindowId::Main)), kMainCaption);
  EXPECT_EQ(ControlText(WindowHandle(WindowId::Result)), kResultCaption);
  for (WindowId w : {WindowId::Preview, WindowId::Result, WindowId::Main}) CloseWindow(w);
  ProcessWindowMessages();
  EXPECT_FALSE(IsWindowOpen(WindowId::Main));
}

TEST(WindowBuilderTest, CatalogueListHasItsFourNamedColumns) {
  OpenWindow(WindowId::Main);
  HWND list = ControlHandle(WindowId::Main, kCatalogueList);
  ASSERT_NE(list, nullptr);
  EXPECT_NE(GetWindowLongA(list, GWL_STYLE) & LVS_REPORT, 0);
  EXPECT_EQ(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0), 0);
  const struct {
    const char* title;
    int width;
  } expected[] = {{"id", 50}, {"标题", 200}, {"图片地址", 300}, {"生成地址", 100}};
  for (int i = 0; i < 4; ++i) {
    char title[64] = "";
    LVCOLUMNA column{};
    column.mask = LVCF_TEXT | LVCF_WIDTH;
    column.pszText = title;
    column.cchTextMax = sizeof title;
    ASSERT_TRUE(SendMessageA(list, LVM_GETCOLUMNA, i, reinterpret_cast<LPARAM>(&column)));
    EXPECT_STREQ(title, expected[i].title);
    EXPECT_EQ(column.cx, expected[i].width);
  }
  LVCOLUMNA fifth{};
  fifth.mask = LVCF_WIDTH;
  EXPECT_FALSE(SendMessageA(list, LVM_GETCOLUMNA, 4, reinterpret_cast<LPARAM>(&fifth)));
  // Rows are read back by cell; a row that does not exist reads empty.
  EXPECT_EQ(ListCell(list, -1, 1), "");
  EXPECT_EQ(ListCell(list, 0, 1), "");
  CloseWindow(WindowId::Main);
  ProcessWindowMessages();
}

TEST(PreviewWindowTest, CreatedRunsOnceAndDocumentCompleteLocksTheBrowser) {
  WriteExchangeValue(kTemplateSection, "图片标题", "[甲]");
  WriteExchangeValue(kTemplateSection, "预览地址", "http://127.0.0.1:9/preview.html");
  OpenWindow(WindowId::Preview);
  HWND preview = WindowHandle(WindowId::Preview);
  ASSERT_NE(preview, nullptr);
  EXPECT_EQ(ControlText(preview), "当前预览图片：[甲]");
  EXPECT_FALSE(IsWindowVisible(ControlHandle(WindowId::Preview, kPreviewLoading)));

  BrowserBox* browser = BrowserOf(WindowId::Preview, kPreviewBrowser);
  ASSERT_NE(browser, nullptr);
  ASSERT_TRUE(browser->HasControl());
  // The address reads back once the navigation is under way.
  EXPECT_TRUE(PumpUntil([&] { return browser->Address() == "http://127.0.0.1:9/preview.html"; }))
      << browser->Address();
  EXPECT_TRUE(browser->Enabled());

  // Open again: only brought forward, the caption keeps the first title.
  WriteExchangeValue(kTemplateSection, "图片标题", "[乙]");
  OpenWindow(WindowId::Preview);
  EXPECT_EQ(WindowHandle(WindowId::Preview), preview);
  EXPECT_EQ(ControlText(preview), "当前预览图片：[甲]");

  // Under Wine the control never completes a document itself, so the
  // event is delivered to the sink the control was given.
  IDispatch* sink = browser->EventSink();
  ASSERT_NE(sink, nullptr);
  VARIANT args[2];
  VariantInit(&args[0]);
  VariantInit(&args[1]);
  DISPPARAMS params{args, nullptr, 2, 0};
  EXPECT_EQ(sink->Invoke(DISPID_DOCUMENTCOMPLETE, IID_NULL, 0, DISPATCH_METHOD, &params, nullptr,
                         nullptr, nullptr),
            S_OK);
  EXPECT_FALSE(browser->Enabled());
  for (HWND child = GetWindow(browser->hwnd(), GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
    EXPECT_FALSE(IsWindowEnabled(child));
  // Every further document complete disables it again.
  browser->SetEnabled(true);
  EXPECT_EQ(sink->Invoke(DISPID_DOCUMENTCOMPLETE, IID_NULL, 0, DISPATCH_METHOD, &params, nullptr,
                         nullptr, nullptr),
            S_OK);
  EXPECT_FALSE(browser->Enabled());
  // Other events leave it as it is.
  EXPECT_EQ(sink->Invoke(DISPID_BEFORENAVIGATE2, IID_NULL, 0, DISPATCH_METHOD, &params, nullptr,
                         nullptr, nullptr),
            S_OK);
  EXPECT_FALSE(browser->Enabled());

  CloseWindow(WindowId::Preview);
  ProcessWindowMessages();
  EXPECT_FALSE(IsWindowOpen(WindowId::Preview));
  EXPECT_FALSE(FileExists(ExchangeFilePath()));
}

// Presses OK on the first message box of this process that appears within
// five seconds, and tells its text.
class MessageBoxAnswerer {
 public:
  MessageBoxAnswerer()
      : thread_([this] {
          const ULONGLONG end = GetTickCount64() + 5000;
          while (GetTickCount64() < end) {
            HWND box = FindWindowA("#32770", nullptr);
            DWORD pid = 0;
            if (box) GetWindowThreadProcessId(box, &pid);
            if (box && pid == GetCurrentProcessId() && IsWindowVisible(box)) {
              char text[256] = "";
              GetDlgItemTextA(box, 0xFFFF, text, sizeof text);
              seen_ = text;
              PostMessageA(GetDlgItem(box, IDOK), BM_CLICK, 0, 0);
              return;
            }
            Sleep(20);
          }
        }) {}
  ~MessageBoxAnswerer() {
    if (thread_.joinable()) thread_.join();
  }
  std::string Seen() {
    if (thread_.joinable()) thread_.join();
    return seen_;
  }

 private:
  std::string seen_;
  std::thread thread_;
};

TEST(ResultWindowTest, ArmedTimerRunsItsHandler) {
  OpenWindow(WindowId::Result);
  ASSERT_TRUE(IsWindowOpen(WindowId::Result));
  MessageBoxAnswerer answerer;
  // The window never arms its timer; armed, its check finds no ".gif"
  // address, says so and closes the window.
  SetTimerPeriod(WindowId::Result, kResultTimer, 10);
  EXPECT_TRUE(PumpUntil([] { return !IsWindowOpen(WindowId::Result); }));
  EXPECT_EQ(answerer.Seen(), "生成页面异常！请关闭杀毒软件再打开软件！");
}

TEST(ResultWindowTest, HiddenMenuItemsRunFromCode) {
  // Opening asks the rendering service and shows what it named.
  PictureAddress = "http://127.0.0.1:9/x/1.gif";
  OpenWindow(WindowId::Result);
  EXPECT_EQ(PictureAddress.rfind(kRenderService, 0), 0u) << PictureAddress;
  BrowserBox* browser = BrowserOf(WindowId::Result, kResultBrowser);
  ASSERT_NE(browser, nullptr);
  // (The control adds a "/" to a bare host address.)
  EXPECT_TRUE(PumpUntil([&] { return browser->Address().rfind(PictureAddress, 0) == 0; }))
      << browser->Address();
  PictureAddress = "http://127.0.0.1:9/x/2.gif";
  RunMenuItem(WindowId::Result, kShowItem);
  EXPECT_TRUE(PumpUntil([&] { return browser->Address() == PictureAddress; })) << browser->Address();
  CloseWindow(WindowId::Result);
  ProcessWindowMessages();
  PictureAddress.clear();
}

struct Decoded {
  UINT width = 0, height = 0, frames = 0;
};

Decoded DecodeResource(int id) {
  Decoded d;
  HRSRC found = FindResourceA(nullptr, MAKEINTRESOURCEA(id), MAKEINTRESOURCEA(10) /* RCDATA */);
  if (!found) return d;
  const DWORD size = SizeofResource(nullptr, found);
  HGLOBAL copy = GlobalAlloc(GMEM_MOVEABLE, size);
  if (!copy) return d;
  memcpy(GlobalLock(copy), LockResource(LoadResource(nullptr, found)), size);
  GlobalUnlock(copy);
  ComPtr<IStream> stream;  // frees the copy with itself
  if (FAILED(CreateStreamOnHGlobal(copy, TRUE, stream.put()))) {
    GlobalFree(copy);
    return d;
  }
  Gdiplus::Image image(stream.get());
  if (image.GetLastStatus() == Gdiplus::Ok) {
    d.width = image.GetWidth();
    d.height = image.GetHeight();
    d.frames = image.GetFrameCount(&Gdiplus::FrameDimensionTime);
  }
  return d;
}

TEST(PictureTest, BuiltInPicturesHaveTheirSizes) {
  const Decoded decoration = DecodeResource(IDR_DECORATION);
  EXPECT_EQ(decoration.width, 138u);
  EXPECT_EQ(decoration.height, 35u);
  const Decoded preview = DecodeResource(IDR_PREVIEW_LOADING);
  EXPECT_EQ(preview.width, 136u);
  EXPECT_EQ(preview.height, 10u);
  EXPECT_GT(preview.frames, 1u);
  const Decoded result = DecodeResource(IDR_RESULT_LOADING);
  EXPECT_EQ(result.width, 85u);
  EXPECT_EQ(result.height, 81u);
  EXPECT_GT(result.frames, 1u);
}

// The control's picture as it paints it off screen.
std::vector<COLORREF> Render(HWND control) {
  RECT r;
  GetClientRect(control, &r);
  WindowDc screen(nullptr);
  UniqueMemoryDc memory(CreateCompatibleDC(screen.get()));
  UniqueBitmap bitmap(CreateCompatibleBitmap(screen.get(), r.right, r.bottom));
  SelectedObject selected(memory.get(), bitmap.get());
  SendMessageA(control, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(memory.get()), PRF_CLIENT);
  std::vector<COLORREF> pixels;
  for (int y = 0; y < r.bottom; ++y)
    for (int x = 0; x < r.right; ++x) pixels.push_back(GetPixel(memory.get(), x, y));
  return pixels;
}

TEST(PictureTest, AnimatedPictureBoxStepsThroughItsFrames) {
  OpenWindow(WindowId::Result);
  HWND box = ControlHandle(WindowId::Result, kResultLoading);
  ASSERT_NE(box, nullptr);
  SetControlVisible(box, true);
  const LRESULT first = SendMessageA(box, kPictureFrameMessage, 0, 0);
  const auto before = Render(box);
  ASSERT_TRUE(PumpUntil([&] { return SendMessageA(box, kPictureFrameMessage, 0, 0) != first; }));
  EXPECT_NE(Render(box), before);

  // The decoration is a still picture.
  OpenWindow(WindowId::Main);
  HWND decoration = ControlHandle(WindowId::Main, kDecoration);
  const auto still = Render(decoration);
  EXPECT_GT(std::set<COLORREF>(still.begin(), still.end()).size(), 10u);  // not a plain fill
  EXPECT_FALSE(PumpUntil([&] { return SendMessageA(decoration, kPictureFrameMessage, 0, 0) != 0; }, 200));
  CloseWindow(WindowId::Result);
  CloseWindow(WindowId::Main);
  ProcessWindowMessages();
}

}  // namespace
