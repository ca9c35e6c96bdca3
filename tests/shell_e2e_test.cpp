// The client's windows used from outside, as a person would, through the
// driver: each test starts kelvane.exe from a fresh program directory.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <thread>
#include <vector>

#include "control_ids.h"
#include "driver.h"

namespace {

using namespace ids;

const std::string kScreenshots = KELVANE_SCREENSHOT_DIR;

std::string Shot(const std::string& name) { return kScreenshots + "/" + name + ".png"; }

bool IsEmpty(const RECT& r) { return r.right <= r.left || r.bottom <= r.top; }

std::string ReadIni(const std::string& path, const char* section, const char* key) {
  char buffer[256] = "";
  GetPrivateProfileStringA(section, key, "<missing>", buffer, sizeof buffer, path.c_str());
  return buffer;
}

bool FileExists(const std::string& path) {
  return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

class ShellTest : public ::testing::Test {
 protected:
  void SetUp() override {
    CreateDirectoryA(("Z:" + kScreenshots).c_str(), nullptr);
    ASSERT_TRUE(client.Start());
    main = client.WaitWindow(kMainCaption);
    ASSERT_NE(main, nullptr);
  }

  HWND OpenResult() {
    EXPECT_TRUE(driver::Click(driver::Control(main, kOpenResultButton)));
    return client.WaitWindow(kResultCaption);
  }

  HWND OpenPreview() {
    EXPECT_TRUE(driver::PickComboItem(driver::Control(main, kTemplateCombo), 0));
    return client.WaitWindow(kPreviewCaptionPrefix);
  }

  bool Gone(HWND window) {
    return driver::WaitUntil([window] { return !IsWindow(window); });
  }

  std::string ExchangeFile() const { return client.FileInDirectory("vlbrn_pzwj.ini"); }

  driver::Client client;
  HWND main = nullptr;
};

TEST_F(ShellTest, MainWindowShowsEveryVisibleControlAndHidesTheRest) {
  const LONG style = GetWindowLongA(main, GWL_STYLE);
  EXPECT_EQ(style & (WS_CAPTION | WS_THICKFRAME | WS_BORDER | WS_MAXIMIZEBOX), 0);
  EXPECT_NE(style & WS_MINIMIZEBOX, 0);
  const RECT frame = driver::ScreenRect(main);
  EXPECT_EQ(frame.right - frame.left, 419);
  EXPECT_EQ(frame.bottom - frame.top, 278);

  // Seen and reachable: the whole control shows and the mouse finds it.
  const int seen[] = {kMainCloseLabel, kHintLabel,   kInitButton,    kCountCaptionLabel,
                      kCountLabel,     kChooseLabel, kTemplateCombo, kLineLabel1,
                      kLineLabel4,     kLineEdit1,   kLineEdit4,     kGenerateButton,
                      kUpdateButton,   kFeedbackButton, kDecoration};
  for (int id : seen) {
    HWND control = driver::Control(main, id);
    ASSERT_NE(control, nullptr) << id;
    const RECT whole = driver::ScreenRect(control), visible = driver::VisibleRect(control);
    EXPECT_TRUE(EqualRect(&whole, &visible)) << id;
    const POINT centre{(whole.left + whole.right) / 2, (whole.top + whole.bottom) / 2};
    EXPECT_EQ(WindowFromPoint(centre), control) << id;
  }
  for (int id : {kGroupBasic, kGroupGenerate, kGroupUpdate}) {
    HWND group = driver::Control(main, id);
    const RECT whole = driver::ScreenRect(group), visible = driver::VisibleRect(group);
    EXPECT_TRUE(EqualRect(&whole, &visible)) << id;
  }
  // They exist but no pixel of them lies inside what their parents show.
  for (int id : {kCatalogueList, kCatalogueEdit, kOpenResultButton, kMainBrowser}) {
    HWND control = driver::Control(main, id);
    ASSERT_NE(control, nullptr) << id;
    EXPECT_TRUE(IsEmpty(driver::VisibleRect(control))) << id;
  }
  // Inside a group box a control's position is relative to the group box.
  const RECT init = driver::RectInParent(driver::Control(main, kInitButton));
  EXPECT_EQ(init.left, 72);
  EXPECT_EQ(init.top, 55);

  HWND combo = driver::Control(main, kTemplateCombo);
  EXPECT_EQ(driver::ComboItems(combo), std::vector<std::string>{"<更新后-选择图片即可>"});
  EXPECT_EQ(driver::ComboSelection(combo), 0);
  EXPECT_EQ(driver::GetText(driver::Control(main, kCountLabel)), " ~未获取~");
  EXPECT_EQ(driver::GetText(driver::Control(main, kLineEdit1)), "Morvane网络");
  EXPECT_TRUE(driver::SaveScreenshot(main, Shot("main")));
}

TEST_F(ShellTest, PreviewOpensOnSelectionAndTakesTheExchangeFileWithIt) {
  HWND preview = OpenPreview();
  ASSERT_NE(preview, nullptr);
  // The placeholder has no catalogue row: four empty values, an empty title.
  EXPECT_EQ(driver::GetText(preview), kPreviewCaptionPrefix);
  for (const char* key : {"图片标题", "预览地址", "生成地址", "图片ID"}) {
    EXPECT_EQ(ReadIni(ExchangeFile(), "Velbrun配置文件", key), "") << key;
  }
  EXPECT_EQ(GetWindow(preview, GW_OWNER), nullptr);
  EXPECT_FALSE(IsWindowVisible(driver::Control(preview, kPreviewLoading)));
  EXPECT_TRUE(IsWindowEnabled(driver::Control(preview, kPreviewBrowser)));
  // Navigating without an HTML engine shows nothing and asks nothing.
  EXPECT_EQ(client.WaitMessageBox(300), nullptr);
  EXPECT_TRUE(driver::SaveScreenshot(preview, Shot("preview")));

  ASSERT_TRUE(driver::Press(driver::Control(preview, kPreviewCloseLabel), driver::Button::Left));
  EXPECT_TRUE(Gone(preview));
  EXPECT_FALSE(FileExists(ExchangeFile()));
  EXPECT_TRUE(client.Running());
  EXPECT_TRUE(IsWindowVisible(main));
}

TEST_F(ShellTest, OpeningAnOpenWindowOnlyBringsItForward) {
  HWND preview = OpenPreview();
  ASSERT_NE(preview, nullptr);
  // The created handler names the template in the caption; a second run of
  // it would put the (empty) title back.
  ASSERT_TRUE(driver::SetText(preview, "当前预览图片：[旧]"));
  SetForegroundWindow(main);
  ASSERT_TRUE(driver::WaitUntil([&] { return GetForegroundWindow() == main; }));
  ASSERT_TRUE(driver::PickComboItem(driver::Control(main, kTemplateCombo), 0));
  EXPECT_TRUE(driver::WaitUntil([&] { return GetForegroundWindow() == preview; }));
  EXPECT_EQ(driver::GetText(preview), "当前预览图片：[旧]");
  EXPECT_EQ(client.Windows("当前预览图片：[旧]"), std::vector<HWND>{preview});

  HWND result = OpenResult();
  ASSERT_NE(result, nullptr);
  ShowWindow(result, SW_MINIMIZE);
  ASSERT_TRUE(driver::WaitUntil([&] { return IsIconic(result); }));
  ASSERT_TRUE(driver::Click(driver::Control(main, kOpenResultButton)));
  EXPECT_TRUE(driver::WaitUntil([&] { return !IsIconic(result); }));
  EXPECT_EQ(client.Windows(kResultCaption), std::vector<HWND>{result});
}

TEST_F(ShellTest, ClientRunsUntilItsLastWindowIsClosed) {
  HWND result = OpenResult();
  ASSERT_NE(result, nullptr);
  EXPECT_EQ(GetWindow(result, GW_OWNER), nullptr);
  ASSERT_TRUE(driver::Press(driver::Control(main, kMainCloseLabel), driver::Button::Left));
  ASSERT_TRUE(Gone(main));
  EXPECT_FALSE(client.WaitForExit(300));
  EXPECT_TRUE(IsWindowVisible(result));

  ASSERT_TRUE(driver::Press(driver::Control(result, kResultCloseLabel), driver::Button::Left));
  DWORD code = 1;
  EXPECT_TRUE(client.WaitForExit(5000, &code));
  EXPECT_EQ(code, 0u);
}

TEST_F(ShellTest, ClosingTheMainWindowAloneEndsTheClient) {
  ASSERT_TRUE(driver::Press(driver::Control(main, kMainCloseLabel), driver::Button::Left));
  DWORD code = 1;
  EXPECT_TRUE(client.WaitForExit(5000, &code));
  EXPECT_EQ(code, 0u);
}

TEST_F(ShellTest, GenerateBeforeInitialisingWritesTheJobAndRefuses) {
  ASSERT_TRUE(driver::Click(driver::Control(main, kGenerateButton)));
  HWND box = client.WaitMessageBox();
  ASSERT_NE(box, nullptr);
  const driver::MessageBoxInfo info = driver::ReadMessageBox(box);
  EXPECT_EQ(info.text, "没有初始化！无法使用！");
  EXPECT_EQ(info.title, "信息：");
  EXPECT_EQ(info.style, 0);
  EXPECT_EQ(info.buttons, 1);
  EXPECT_FALSE(info.owned);
  // Task-modal: the client's windows take no input while it shows.
  EXPECT_FALSE(IsWindowEnabled(main));
  EXPECT_TRUE(driver::SaveScreenshot(box, Shot("message")));
  ASSERT_TRUE(driver::PressOk(box));
  EXPECT_TRUE(driver::WaitUntil([&] { return IsWindowEnabled(main); }));
  EXPECT_TRUE(client.Windows(kResultCaption).empty());

  // The job was written before the refusal, from the four edit boxes.
  EXPECT_EQ(ReadIni(ExchangeFile(), "Velbrun生成配置文件", "图片标题"), "");
  EXPECT_EQ(ReadIni(ExchangeFile(), "Velbrun生成配置文件", "文字1"), "Morvane网络");
  EXPECT_EQ(ReadIni(ExchangeFile(), "Velbrun生成配置文件", "文字4"), "测试额外");

  // Once a catalogue load has set the count label, the same press opens
  // the result window; closing it deletes the file.
  HWND count = driver::Control(main, kCountLabel);
  ASSERT_TRUE(driver::SetText(count, "高清0张图"));
  // A transparent label draws only its text: a new text must repaint what
  // lies under it, or the old text would show through.
  const driver::Image changed = driver::CaptureAsIs(count);
  EXPECT_TRUE(changed == driver::Capture(count));
  EXPECT_TRUE(driver::SaveScreenshot(main, Shot("main_counted")));
  ASSERT_TRUE(driver::Click(driver::Control(main, kGenerateButton)));
  HWND result = client.WaitWindow(kResultCaption);
  ASSERT_NE(result, nullptr);
  EXPECT_EQ(client.WaitMessageBox(300), nullptr);
  EXPECT_TRUE(FileExists(ExchangeFile()));
  ASSERT_TRUE(driver::Press(driver::Control(result, kResultCloseLabel), driver::Button::Left));
  ASSERT_TRUE(Gone(result));
  EXPECT_FALSE(FileExists(ExchangeFile()));
}

TEST_F(ShellTest, ResultMenuOffersOnlySavePicture) {
  HWND result = OpenResult();
  ASSERT_NE(result, nullptr);
  EXPECT_EQ(GetMenu(result), nullptr);
  HWND label = driver::Control(result, kResultPictureLabel);
  ASSERT_TRUE(driver::Press(label, driver::Button::Right, POINT{100, 120}));
  HWND popup = client.WaitPopupMenu();
  ASSERT_NE(popup, nullptr);
  POINT pressed{100, 120};
  ClientToScreen(label, &pressed);
  const RECT menu = driver::ScreenRect(popup);
  EXPECT_EQ(menu.left, pressed.x + 3);
  EXPECT_EQ(menu.top, pressed.y + 3);
  EXPECT_TRUE(driver::SaveScreenshot(popup, Shot("result_menu")));
  EXPECT_TRUE(driver::MenuShows(popup, {"保存图片"}));
  EXPECT_FALSE(driver::MenuShows(popup, {"保存图片", "获取配置", "读取图片"}));
  EXPECT_FALSE(driver::MenuShows(popup, {"读取图片"}));

  ASSERT_TRUE(driver::ChooseMenuItem(popup, 0));
  EXPECT_TRUE(Gone(popup));
  EXPECT_TRUE(client.Running());
  EXPECT_TRUE(driver::SaveScreenshot(result, Shot("result")));
}

TEST(ShellExchangeTest, UnwritableExchangeFileGivesEmptyValuesAndNoCrash) {
  // A directory where the file would be: no write can create the file.
  driver::Client blocked;
  ASSERT_TRUE(blocked.Start(driver::BuiltClientPath(), [](const std::string& dir) {
    CreateDirectoryA((dir + "\\vlbrn_pzwj.ini").c_str(), nullptr);
  }));
  HWND main2 = blocked.WaitWindow(kMainCaption);
  ASSERT_TRUE(driver::PickComboItem(driver::Control(main2, kTemplateCombo), 0));
  HWND preview = blocked.WaitWindow(kPreviewCaptionPrefix);
  ASSERT_NE(preview, nullptr);
  ASSERT_TRUE(driver::Press(driver::Control(preview, kPreviewCloseLabel), driver::Button::Left));
  ASSERT_TRUE(driver::WaitUntil([&] { return !IsWindow(preview); }));

  ASSERT_TRUE(driver::Click(driver::Control(main2, kGenerateButton)));
  HWND box = blocked.WaitMessageBox();
  ASSERT_NE(box, nullptr);
  EXPECT_TRUE(driver::PressOk(box));
  EXPECT_TRUE(blocked.Running());
}

// The driver reads a message box's icon from its picture: check it on boxes
// of this process.
TEST(DriverTest, ReadsMessageBoxStyles) {
  const struct {
    UINT icon;
    int style;
    const char* shot;
  } cases[] = {{0, 0, "box_plain"}, {MB_ICONHAND, 16, "box_stop"}, {MB_ICONASTERISK, 64, "box_information"}};
  for (const auto& c : cases) {
    std::thread shower([&] { MessageBoxA(nullptr, "文字", "标题：", MB_OK | MB_TASKMODAL | c.icon); });
    HWND box = driver::WaitTopLevel(GetCurrentProcessId(), "#32770");
    if (!box) {
      ADD_FAILURE() << "no message box";
      shower.detach();
      return;
    }
    const driver::MessageBoxInfo info = driver::ReadMessageBox(box);
    EXPECT_EQ(info.style, c.style) << c.shot;
    EXPECT_EQ(info.title, "标题：");
    EXPECT_EQ(info.text, "文字");
    EXPECT_EQ(info.buttons, 1);
    EXPECT_TRUE(driver::SaveScreenshot(box, Shot(c.shot)));
    EXPECT_TRUE(driver::PressOk(box));
    shower.join();
  }
}

}  // namespace
