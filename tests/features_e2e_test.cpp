// The client's features end to end: kelvane.exe started by the driver
// against the development deployment server, which records every request.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "control_ids.h"
#include "deployment.h"
#include "driver.h"
#include "devserver_win.h"
#include "fetch_page.h"
#include "http_request.h"
#include "loopback_server_win.h"
#include "picture_request.h"

namespace {

using namespace ids;
using Lines = std::vector<std::string>;

const std::string kScreenshots = KELVANE_SCREENSHOT_DIR;
const std::string kExpired = "软件已经过期，点击确定开始自动更新&…………";
const Lines kTitles = {"[熊猫举牌]", "[小黄人举牌]", "[唐僧举牌]", "[悟空举牌]",
                       "[兔子举牌]", "[企鹅举牌]", "[柴犬举牌]", "[猫咪举牌]",
                       "[宇航员举牌]", "[古风美女举牌]", "[卡通男孩举牌]", "[元宝举牌]"};

std::string Shot(const std::string& name) { return kScreenshots + "/" + name + ".png"; }

std::string WindowsPath(std::string path) {
  for (char& c : path) c = c == '/' ? '\\' : c;
  return "Z:" + path;
}

std::string ReadIni(const std::string& path, const char* section, const char* key) {
  char buffer[1024] = "";
  GetPrivateProfileStringA(section, key, "<missing>", buffer, sizeof buffer, path.c_str());
  return buffer;
}

bool FileExists(const std::string& path) {
  return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool ReadWholeFile(const std::string& path, std::string& content) {
  content.clear();
  HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                            OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  char block[65536];
  for (DWORD read = 0; ReadFile(file, block, sizeof block, &read, nullptr) && read > 0;)
    content.append(block, read);
  CloseHandle(file);
  return true;
}

std::vector<WireRequest> WithPath(const std::vector<std::string>& raws, const std::string& start) {
  std::vector<WireRequest> found;
  for (const std::string& raw : raws) {
    WireRequest r = ParseRequest(raw);
    const size_t space = r.requestLine.find(' ');
    if (space != std::string::npos && r.requestLine.compare(space + 1, start.size(), start) == 0)
      found.push_back(std::move(r));
  }
  return found;
}

class FeatureTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // The client's addresses are compiled in; the server must be there.
    for (const char* address : {kCatalogueServer, kRenderService, kFeedbackServer, kVersionPageUrl}) {
      if (PageHost(address) != "127.0.0.1" || PagePort(address) != PagePort(kCatalogueServer))
        GTEST_SKIP() << "the client was built for another deployment: " << address;
    }
    CreateDirectoryA(("Z:" + kScreenshots).c_str(), nullptr);
    ASSERT_TRUE(server.Start());
  }

  // A client whose program directory holds the stand-in updater, or none.
  bool StartClient(driver::Client& c, bool withUpdater = true) {
    const bool started = c.Start(driver::BuiltClientPath(), [withUpdater](const std::string& dir) {
      if (withUpdater) CopyFileA(WindowsPath(KELVANE_STAND_IN_UPDATER).c_str(), (dir + "\\tarnix.exe").c_str(), FALSE);
    });
    main = started ? c.WaitWindow(kMainCaption) : nullptr;
    return main != nullptr;
  }

  HWND Item(int id) const { return driver::Control(main, id); }
  std::string Count() const { return driver::GetText(Item(kCountLabel)); }

  // 初始化 with a current version: waits until the count label says n.
  bool Initialise(int expected = 12) {
    const std::string label = "高清" + std::to_string(expected) + "张图";
    return driver::Click(Item(kInitButton)) && driver::WaitUntil([&] { return Count() == label; });
  }

  std::string Exchange(const driver::Client& c) const { return c.FileInDirectory("vlbrn_pzwj.ini"); }

  // Right click on the picture, then the one item of the menu.
  driver::MessageBoxInfo Save(const driver::Client& c, HWND result) {
    driver::MessageBoxInfo info;
    if (!driver::Press(driver::Control(result, kResultPictureLabel), driver::Button::Right)) return info;
    HWND popup = c.WaitPopupMenu();
    if (!popup || !driver::ChooseMenuItem(popup, 0)) return info;
    HWND box = c.WaitMessageBox();
    if (!box) return info;
    info = driver::ReadMessageBox(box);
    driver::PressOk(box);
    driver::WaitUntil([&] { return !IsWindow(box); });
    return info;
  }

  // Picks a drop-down item and waits for the preview named after it.
  HWND PickTemplate(int item, const std::string& title) {
    if (!driver::PickComboItem(Item(kTemplateCombo), item)) return nullptr;
    return client.WaitWindow(kPreviewCaptionPrefix + title);
  }

  HWND Generate(const driver::Client& c) {
    if (!driver::Click(Item(kGenerateButton))) return nullptr;
    return c.WaitWindow(kResultCaption);
  }

  DevServer server{PagePort(kCatalogueServer)};
  driver::Client client;
  HWND main = nullptr;
};

TEST_F(FeatureTest, InitialiseChecksTheVersionAndLoadsTheCatalogueAfresh) {
  ASSERT_TRUE(StartClient(client));
  ASSERT_TRUE(Initialise());
  Lines items = {"<更新后-选择图片即可>"};
  items.insert(items.end(), kTitles.begin(), kTitles.end());
  EXPECT_EQ(driver::ComboItems(Item(kTemplateCombo)), items);
  // Blank lines between records take no row and no number.
  const auto rows = driver::ListRows(Item(kCatalogueList), 4);
  ASSERT_EQ(rows.size(), kTitles.size());
  for (size_t k = 0; k < rows.size(); ++k) {
    const std::string n = std::to_string(k + 1);
    EXPECT_EQ(rows[k], (Lines{n, kTitles[k], server.Url("/preview/" + n + ".html"),
                              server.Url("/gen.php?type=sign&id=" + n)}));
  }

  const auto raws = server.Requests();
  ASSERT_EQ(raws.size(), 2u);
  const WireRequest version = ParseRequest(raws[0]), catalogue = ParseRequest(raws[1]);
  EXPECT_EQ(version.requestLine, "GET /version.html HTTP/1.1");
  EXPECT_EQ(version.OwnLines(), (Lines{"Referer: " + std::string(kVersionPageUrl), "Accept: */*",
                                       "Accept-Language: zh-cn",
                                       "Content-Type: application/x-www-form-urlencoded"}));
  EXPECT_EQ(version.Value("User-Agent"), kHttpDefaultUserAgent);
  EXPECT_EQ(catalogue.requestLine, "GET /shuju.txt HTTP/1.1");
  Text fetchLines;
  CompleteFetchHeaders(fetchLines, server.Url("/shuju.txt"), "GET", "");
  Text sent;
  for (const std::string& line : catalogue.OwnLines()) sent += line + "\r\n";
  EXPECT_EQ(sent, fetchLines);
  EXPECT_EQ(catalogue.Value("User-Agent"), kFetchUserAgent);

  // The drop-down list open over the window, for the eye.
  PostMessageW(Item(kTemplateCombo), CB_SHOWDROPDOWN, TRUE, 0);
  RECT area = driver::ScreenRect(main);
  area.bottom += 260;
  driver::WaitUntil([&] { return SendMessageW(Item(kTemplateCombo), CB_GETDROPPEDSTATE, 0, 0) != 0; });
  EXPECT_TRUE(driver::SavePng(driver::CaptureScreen(area), Shot("main_catalogue")));
  PostMessageW(Item(kTemplateCombo), CB_SHOWDROPDOWN, FALSE, 0);

  // A second press starts from scratch: only the new catalogue is left.
  ASSERT_TRUE(server.Set("catalogue_lines=5"));
  ASSERT_TRUE(Initialise(5));
  EXPECT_EQ(driver::ComboItems(Item(kTemplateCombo)), Lines(items.begin(), items.begin() + 6));
  EXPECT_EQ(driver::ListRows(Item(kCatalogueList), 4).size(), 5u);
}

TEST_F(FeatureTest, SelectingATemplateWritesItAndOpensItsPreviewOnce) {
  ASSERT_TRUE(StartClient(client));
  ASSERT_TRUE(Initialise());
  HWND preview = PickTemplate(3, "[唐僧举牌]");
  ASSERT_NE(preview, nullptr);
  const std::string file = Exchange(client);
  EXPECT_EQ(ReadIni(file, "Velbrun配置文件", "图片标题"), "[唐僧举牌]");
  EXPECT_EQ(ReadIni(file, "Velbrun配置文件", "预览地址"), server.Url("/preview/3.html"));
  EXPECT_EQ(ReadIni(file, "Velbrun配置文件", "生成地址"), server.Url("/gen.php?type=sign&id=3"));
  EXPECT_EQ(ReadIni(file, "Velbrun配置文件", "图片ID"), "3");
  EXPECT_TRUE(driver::SaveScreenshot(preview, Shot("preview_template")));

  // Selecting again rewrites the section; the open window stays as it is.
  ASSERT_TRUE(driver::PickComboItem(Item(kTemplateCombo), 5));
  EXPECT_TRUE(driver::WaitUntil([&] { return ReadIni(file, "Velbrun配置文件", "图片标题") == "[兔子举牌]"; }));
  EXPECT_TRUE(driver::WaitUntil([&] { return GetForegroundWindow() == preview; }));
  EXPECT_EQ(driver::GetText(preview), "当前预览图片：[唐僧举牌]");
  EXPECT_TRUE(client.Windows("当前预览图片：[兔子举牌]").empty());
}

TEST_F(FeatureTest, GenerateSendsTheJobAndSaveWritesTheServedPicture) {
  ASSERT_TRUE(StartClient(client));
  ASSERT_TRUE(Initialise());
  ASSERT_NE(PickTemplate(1, "[熊猫举牌]"), nullptr);
  const char* lines[] = {"甲", "a b", "x/y", "1.5-2"};
  const int edits[] = {kLineEdit1, kLineEdit2, kLineEdit3, kLineEdit4};
  for (int i = 0; i < 4; ++i) ASSERT_TRUE(driver::SetText(Item(edits[i]), lines[i]));
  HWND result = Generate(client);
  ASSERT_NE(result, nullptr);
  EXPECT_EQ(ReadIni(Exchange(client), "Velbrun生成配置文件", "图片标题"), "[熊猫举牌]");
  EXPECT_EQ(ReadIni(Exchange(client), "Velbrun生成配置文件", "文字3"), "x/y");

  const std::string query =
      "/aosbegin.php?id=1&text1=%E7%94%B2&text2=a%20b&text3=x%2Fy&text4=1.5-2&text5=undefined&rnd=";
  std::vector<WireRequest> posts;
  ASSERT_TRUE(driver::WaitUntil([&] { return !(posts = WithPath(server.Requests(), "/aosbegin.php")).empty(); }));
  ASSERT_EQ(posts.size(), 1u);
  EXPECT_EQ(posts[0].requestLine, "POST " + query + " HTTP/1.1");
  EXPECT_EQ(posts[0].OwnLines(), (Lines{"Referer: " + std::string(kRenderService) + query, "Accept: */*",
                                        "Accept-Language: zh-cn",
                                        "Content-Type: application/x-www-form-urlencoded"}));
  EXPECT_EQ(posts[0].Value("User-Agent"), kHttpDefaultUserAgent);
  EXPECT_EQ(posts[0].body, "");
  EXPECT_TRUE(driver::SaveScreenshot(result, Shot("result_picture")));

  // The picture the service names for this job (the server renders it once).
  std::string reply, picture;
  ASSERT_TRUE(server.Get(query, reply));
  const std::string path = PicturePathOf(reply);
  ASSERT_EQ(path.rfind("/pic/", 0), 0u) << reply;
  ASSERT_TRUE(server.Get(path, picture));

  const driver::MessageBoxInfo info = Save(client, result);
  EXPECT_EQ(info.text, "成功把图片保存在软件根目录，就在软件的存放处。");
  EXPECT_EQ(info.title, "保存提示");
  EXPECT_EQ(info.style, 64);
  std::string saved;
  ASSERT_TRUE(ReadWholeFile(client.FileInDirectory("[熊猫举牌].gif"), saved));
  EXPECT_TRUE(saved == picture) << saved.size() << " bytes saved, " << picture.size() << " served";
  // One plain GET, never from a cache.
  bool downloaded = false;
  for (const WireRequest& r : WithPath(server.Requests(), path)) {
    if (r.requestLine != "GET " + path + " HTTP/1.0") continue;
    downloaded = true;
    EXPECT_EQ(r.Value("Accept"), "*/*");
    EXPECT_EQ(r.Count("Cookie"), 0);
    EXPECT_EQ(r.Count("If-Modified-Since"), 0);
  }
  EXPECT_TRUE(downloaded);
}

TEST_F(FeatureTest, SaveWithoutTitleOrServiceStillWritesAFile) {
  ASSERT_TRUE(StartClient(client));
  ASSERT_TRUE(Initialise());
  HWND preview = PickTemplate(2, "[小黄人举牌]");
  ASSERT_NE(preview, nullptr);
  HWND result = Generate(client);
  ASSERT_NE(result, nullptr);
  ASSERT_TRUE(driver::WaitUntil([&] { return !WithPath(server.Requests(), "/aosbegin.php").empty(); }));
  // Closing the preview takes the exchange file, and the title, with it.
  ASSERT_TRUE(driver::Press(driver::Control(preview, kPreviewCloseLabel), driver::Button::Left));
  ASSERT_TRUE(driver::WaitUntil([&] { return !IsWindow(preview); }));
  EXPECT_EQ(Save(client, result).style, 64);
  std::string saved;
  ASSERT_TRUE(ReadWholeFile(client.FileInDirectory(".gif"), saved));
  EXPECT_EQ(saved.rfind("GIF8", 0), 0u);

  // A failed download is not noticed: an empty file, the written message.
  ASSERT_TRUE(server.Set("down=on"));
  const driver::MessageBoxInfo info = Save(client, result);
  EXPECT_EQ(info.style, 64);
  EXPECT_EQ(info.text, "成功把图片保存在软件根目录，就在软件的存放处。");
  ASSERT_TRUE(ReadWholeFile(client.FileInDirectory(".gif"), saved));
  EXPECT_EQ(saved.size(), 0u);
}

TEST_F(FeatureTest, HostileTitlesWriteNothingOutsideTheProgramDirectory) {
  ASSERT_TRUE(StartClient(client));
  const std::string dir = client.Directory();
  const std::string parent = dir.substr(0, dir.find_last_of('\\'));
  const struct {
    const char* title;
    const char* escaped;  // where Windows would put the file, or nullptr
  } cases[] = {
      {"/../../逃出一", "逃出一].gif"},     // "[" then ".." leaves the directory
      {"\\..\\..\\逃出二", "逃出二].gif"},
      {"a:b", nullptr},  // a stream of the file "[a"
      {"a?b", nullptr},
  };
  HWND result = nullptr;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.title);
    if (c.escaped) DeleteFileA((parent + "\\" + c.escaped).c_str());
    ASSERT_TRUE(server.Set("title=" + UrlEncode(c.title, true, true)));
    ASSERT_TRUE(driver::Click(Item(kInitButton)));
    const std::string title = "[" + std::string(c.title) + "]";
    ASSERT_TRUE(driver::WaitUntil([&] {
      const Lines items = driver::ComboItems(Item(kTemplateCombo));
      return items.size() == 13 && items[1] == title;
    }));
    ASSERT_TRUE(driver::PickComboItem(Item(kTemplateCombo), 1));
    ASSERT_TRUE(driver::WaitUntil([&] { return ReadIni(Exchange(client), "Velbrun配置文件", "图片标题") == title; }));
    if (!result) {
      result = Generate(client);
      ASSERT_NE(result, nullptr);
    } else {
      ASSERT_TRUE(driver::Click(Item(kGenerateButton)));
    }
    ASSERT_TRUE(driver::WaitUntil([&] { return ReadIni(Exchange(client), "Velbrun生成配置文件", "图片标题") == title; }));
    const driver::MessageBoxInfo info = Save(client, result);
    EXPECT_EQ(info.text, "图片保存失败了！请把杀软关闭试试？。");
    EXPECT_EQ(info.title, "保存提示");
    EXPECT_EQ(info.style, 16);
    if (c.escaped) EXPECT_FALSE(FileExists(parent + "\\" + c.escaped));
  }
  WIN32_FIND_DATAA found;
  HANDLE search = FindFirstFileA((dir + "\\*.gif").c_str(), &found);
  EXPECT_EQ(search, INVALID_HANDLE_VALUE) << found.cFileName;
  if (search != INVALID_HANDLE_VALUE) FindClose(search);
}

// The record the stand-in updater leaves in the program directory.
std::string UpdaterRecord(const driver::Client& c) {
  std::string record;
  driver::WaitUntil([&] { return ReadWholeFile(c.FileInDirectory("tarnix_started.txt"), record) && !record.empty(); });
  return record;
}

TEST_F(FeatureTest, VersionOtherThanCurrentShowsTheExpiryAndStartsTheUpdater) {
  // (" 1.3" has a leading space.)
  for (const char* setting : {"version=1.4", "version=%201.3", "markers=off", "down=on"}) {
    SCOPED_TRACE(setting);
    ASSERT_TRUE(server.Set(std::string("version=1.3&markers=on&down=off&") + setting));
    driver::Client c;
    ASSERT_TRUE(StartClient(c));
    ASSERT_TRUE(driver::Click(Item(kInitButton)));
    HWND box = c.WaitMessageBox();
    ASSERT_NE(box, nullptr);
    const driver::MessageBoxInfo info = driver::ReadMessageBox(box);
    EXPECT_EQ(info.text, kExpired);
    EXPECT_EQ(info.title, "更新提示：");
    EXPECT_EQ(info.style, 0);
    // The updater starts only once the message has been closed.
    EXPECT_FALSE(FileExists(c.FileInDirectory("tarnix_started.txt")));
    ASSERT_TRUE(driver::PressOk(box));
    EXPECT_EQ(UpdaterRecord(c), "\"" + c.Directory() + "/tarnix.exe\"\r\n");
    EXPECT_TRUE(c.Running());
    EXPECT_EQ(Count(), " ~未获取~");
  }
  EXPECT_TRUE(WithPath(server.Requests(), "/shuju.txt").empty());
}

TEST_F(FeatureTest, TheFirstOfTwoVersionMarkersCounts) {
  ASSERT_TRUE(server.Set("second_version=2.0"));
  std::string page;
  ASSERT_TRUE(server.Get("/version.html", page));
  ASSERT_NE(page.find(u8"版本【2.0】"), std::string::npos);
  ASSERT_TRUE(StartClient(client));
  ASSERT_TRUE(Initialise());
  EXPECT_FALSE(FileExists(client.FileInDirectory("tarnix_started.txt")));
}

TEST_F(FeatureTest, MissingUpdaterGoesUnnoticedAndTheNextPressChecksAgain) {
  ASSERT_TRUE(server.Set("version=1.4"));
  ASSERT_TRUE(StartClient(client, false));
  for (int press = 1; press <= 2; ++press) {
    ASSERT_TRUE(driver::Click(Item(kInitButton)));
    HWND box = client.WaitMessageBox();
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(driver::ReadMessageBox(box).text, kExpired);
    ASSERT_TRUE(driver::PressOk(box));
    ASSERT_TRUE(driver::WaitUntil([&] { return !IsWindow(box); }));
    EXPECT_EQ(client.WaitMessageBox(300), nullptr);
    EXPECT_TRUE(client.Running());
  }
  EXPECT_EQ(WithPath(server.Requests(), "/version.html").size(), 2u);
}

TEST_F(FeatureTest, UpdateButtonChecksTheVersionAndLeavesTheCatalogue) {
  ASSERT_TRUE(StartClient(client));
  ASSERT_TRUE(driver::Click(Item(kUpdateButton)));
  HWND box = client.WaitMessageBox();
  ASSERT_NE(box, nullptr);
  driver::MessageBoxInfo info = driver::ReadMessageBox(box);
  EXPECT_EQ(info.style, 64);
  EXPECT_EQ(info.title, "更新提示：");
  ASSERT_TRUE(driver::PressOk(box));
  EXPECT_FALSE(FileExists(client.FileInDirectory("tarnix_started.txt")));

  ASSERT_TRUE(server.Set("version=1.4"));
  ASSERT_TRUE(driver::WaitUntil([&] { return !IsWindow(box); }));
  ASSERT_TRUE(driver::Click(Item(kUpdateButton)));
  box = client.WaitMessageBox();
  ASSERT_NE(box, nullptr);
  info = driver::ReadMessageBox(box);
  EXPECT_EQ(info.text, kExpired);
  EXPECT_EQ(info.style, 0);
  ASSERT_TRUE(driver::PressOk(box));
  EXPECT_EQ(UpdaterRecord(client), "\"" + client.Directory() + "/tarnix.exe\"\r\n");
  EXPECT_EQ(Count(), " ~未获取~");
  EXPECT_TRUE(WithPath(server.Requests(), "/shuju.txt").empty());
  EXPECT_EQ(WithPath(server.Requests(), "/version.html").size(), 2u);
}

TEST_F(FeatureTest, FeedbackAsksTheShellToOpenTheFeedbackPage) {
  // The test prefix opens http addresses in a recorder (scripts/setup.sh).
  const std::string log = "C:\\kelvane-shell-open.log";
  DeleteFileA(log.c_str());
  ASSERT_TRUE(StartClient(client));
  ASSERT_TRUE(driver::Click(Item(kFeedbackButton)));
  std::string opened;
  EXPECT_TRUE(driver::WaitUntil([&] { return ReadWholeFile(log, opened) && !opened.empty(); }));
  EXPECT_EQ(opened, std::string(kFeedbackServer) + "/lifk.html\n");
  EXPECT_EQ(client.WaitMessageBox(200), nullptr);
}

}  // namespace
