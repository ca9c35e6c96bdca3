// The three windows of the client, as data. Controls are created in table
// order; an earlier control lies above a later one it overlaps.
#include <iterator>

#include "control_ids.h"
#include "handlers.h"
#include "shell.h"
#include "window_def.h"

namespace {

using namespace ids;
using K = ControlKind;
using E = EventKind;

// Adapts a handler without arguments to the table's handler type.
template <void (*F)()>
void On(const Event&) {
  F();
}

constexpr FontDef kSong16{"宋体", 16, false};
constexpr FontDef kSong16Bold{"宋体", 16, true};
constexpr FontDef kSong14Bold{"宋体", 14, true};

constexpr ColumnDef kCatalogueColumns[] = {
    {"id", 50}, {"标题", 200}, {"图片地址", 300}, {"生成地址", 100}, {nullptr, 0}};

// The list view, the catalogue edit box, 按钮2 and the browser box lie
// outside the area of their parent that can be seen: they exist but are
// never seen and cannot be reached with the mouse.
const ControlDef kMainControls[] = {
    {kMainCloseLabel, "透明标签4", K::TransparentLabel, 0, 384, 0, 32, 24, "", true, kDefaultFont,
     E::LeftPressed, CloseEventWindow},
    {kGroupBasic, "分组框1", K::GroupBox, 0, 4, 32, 230, 150, "基本操作", true, kDefaultFont, E::None,
     nullptr},
    {kHintLabel, "透明标签1", K::TransparentLabel, kGroupBasic, 20, 23, 184, 16,
     "请先初始化,获取最新数据", true, kSong16, E::None, nullptr},
    {kInitButton, "按钮_初始化", K::Button, kGroupBasic, 72, 55, 80, 32, "初始化", true, kDefaultFont,
     E::Clicked, On<CheckVersion>},
    {kCountCaptionLabel, "透明标签2", K::TransparentLabel, kGroupBasic, 32, 103, 80, 16, "共获取数据：",
     true, kDefaultFont, E::None, nullptr},
    {kCountLabel, "透明标签_张数", K::TransparentLabel, kGroupBasic, 105, 102, 101, 16, " ~未获取~",
     true, kSong14Bold, E::None, nullptr},
    {kChooseLabel, "透明标签3", K::TransparentLabel, kGroupBasic, 6, 126, 216, 16,
     "初识化后-↓选择您要的图片", true, kSong16Bold, E::None, nullptr},
    {kTemplateCombo, "组合框1", K::DropDownList, 0, 3, 183, 233, 22, "<更新后-选择图片即可>", true,
     kSong14Bold, E::ItemSelected, On<SelectTemplate>},
    {kCatalogueList, "超级列表框1", K::ListView, 0, 1000, 38, 536, 122, "", true, kDefaultFont,
     E::None, nullptr, kCatalogueColumns},
    {kCatalogueEdit, "编辑框1", K::MultiLineEdit, 0, 80, 632, 832, 216, "", true, kDefaultFont,
     E::None, nullptr},
    {kGroupGenerate, "分组框2", K::GroupBox, 0, 234, 32, 180, 173, "生成操作", true, kDefaultFont,
     E::None, nullptr},
    {kLineLabel1, "透明标签_文字1", K::TransparentLabel, kGroupGenerate, 9, 24, 48, 16, "文字一：", true,
     kDefaultFont, E::None, nullptr},
    {kLineLabel2, "透明标签_文字2", K::TransparentLabel, kGroupGenerate, 9, 42, 48, 16, "文字二：", true,
     kDefaultFont, E::None, nullptr},
    {kLineLabel3, "透明标签_文字3", K::TransparentLabel, kGroupGenerate, 9, 60, 48, 16, "文字三：", true,
     kDefaultFont, E::None, nullptr},
    {kLineLabel4, "透明标签_文字4", K::TransparentLabel, kGroupGenerate, 9, 77, 48, 16, "文字四：", true,
     kDefaultFont, E::None, nullptr},
    {kLineEdit1, "编辑框_文字1", K::Edit, kGroupGenerate, 56, 25, 112, 16, "Morvane网络", true,
     kDefaultFont, E::None, nullptr},
    {kLineEdit2, "编辑框_文字2", K::Edit, kGroupGenerate, 56, 41, 112, 16, "QQ:10001", true,
     kDefaultFont, E::None, nullptr},
    {kLineEdit3, "编辑框_文字3", K::Edit, kGroupGenerate, 56, 60, 112, 16, "举牌照演示", true,
     kDefaultFont, E::None, nullptr},
    {kLineEdit4, "编辑框_文字4", K::Edit, kGroupGenerate, 56, 78, 112, 16, "测试额外", true,
     kDefaultFont, E::None, nullptr},
    {kGenerateButton, "按钮1", K::Button, kGroupGenerate, 52, 106, 80, 48, "生成", true, kDefaultFont,
     E::Clicked, On<StartGeneration>},
    {kOpenResultButton, "按钮2", K::Button, kGroupGenerate, 267, 721, 40, 48, "", true, kDefaultFont,
     E::Clicked, OpenResultWindow},
    {kMainBrowser, "超文本浏览框1", K::BrowserBox, kGroupGenerate, 339, 353, 288, 240, nullptr, true,
     kDefaultFont, E::None, nullptr},
    {kGroupUpdate, "分组框3", K::GroupBox, 0, 7, 209, 408, 56, "版本更新", true, kDefaultFont,
     E::None, nullptr},
    {kUpdateButton, "按钮3", K::Button, kGroupUpdate, 9, 15, 56, 32, "自动更新", true, kDefaultFont,
     E::Clicked, On<CheckForUpdate>},
    {kFeedbackButton, "按钮4", K::Button, kGroupUpdate, 89, 15, 64, 32, "留言反馈", true,
     kDefaultFont, E::Clicked, On<OpenFeedbackPage>},
    {kDecoration, "图片框1", K::PictureBox, kGroupUpdate, 265, 14, 138, 35, "", true, kDefaultFont,
     E::None, nullptr, nullptr, PictureId::Decoration},
};

const ControlDef kPreviewControls[] = {
    {kPreviewCloseLabel, "透明标签4", K::TransparentLabel, 0, 422, 0, 32, 24, "", true, kDefaultFont,
     E::LeftPressed, CloseEventWindow},
    {kPreviewLoading, "图片框1", K::PictureBox, 0, 168, 192, 136, 16, "", false, kDefaultFont,
     E::None, nullptr, nullptr, PictureId::PreviewLoading},
    {kPreviewBrowser, "超文本浏览框1", K::BrowserBox, 0, 5, 30, 451, 585, "about:blank", true,
     kDefaultFont, E::DocumentComplete, On<LockPreview>},
};

const ControlDef kResultControls[] = {
    {kResultCloseLabel, "透明标签4", K::TransparentLabel, 0, 464, -16, 48, 32, "", true, kDefaultFont,
     E::LeftPressed, CloseEventWindow},
    {kResultTimer, "时钟1", K::Timer, 0, 352, 432, 26, 26, "", false, kDefaultFont, E::TimerFired,
     On<CheckResultPage>, nullptr, PictureId::None, 0},
    {kResultLoading, "图片框1", K::PictureBox, 0, 145, 184, 192, 144, "", false, kDefaultFont,
     E::None, nullptr, nullptr, PictureId::ResultLoading},
    {kResultPictureLabel, "透明标签1", K::TransparentLabel, 0, 5, 32, 499, 552, "", true,
     kDefaultFont, E::RightPressed, PopUpGenerateMenu},
    {kResultBrowser, "超文本浏览框1", K::BrowserBox, 0, 3, 24, 501, 560, nullptr, true, kDefaultFont,
     E::None, nullptr},
};

// The top menu is hidden, so the window shows no menu bar; a pop-up lists
// only the visible items, and the hidden ones are run by the window's code.
const MenuItemDef kResultMenu[] = {
    {kGenerateMenu, "生成菜单", 0, false, nullptr},
    {kSaveItem, "保存图片", kGenerateMenu, true, On<SavePicture>},
    {kRequestItem, "获取配置", kGenerateMenu, false, On<RequestPicture>},
    {kShowItem, "读取图片", kGenerateMenu, false, On<ShowPicture>},
};

const WindowDef kWindows[kWindowCount] = {
    {WindowId::Main, kMainCaption, 419, 278, true, kMainControls, std::size(kMainControls),
     nullptr, 0, OnMainCreated, nullptr},
    {WindowId::Preview, kPreviewCaption, 457, 622, false, kPreviewControls,
     std::size(kPreviewControls), nullptr, 0, OnPreviewCreated, OnSecondaryWindowDestroyed},
    {WindowId::Result, kResultCaption, 509, 611, false, kResultControls, std::size(kResultControls),
     kResultMenu, std::size(kResultMenu), OnResultCreated, OnSecondaryWindowDestroyed},
};

}  // namespace

const WindowDef& DefinitionOf(WindowId window) { return kWindows[static_cast<int>(window)]; }

const ControlDef* FindControlDef(const WindowDef& def, int id) {
  for (std::size_t i = 0; i < def.controlCount; ++i) {
    if (def.controls[i].id == id) return &def.controls[i];
  }
  return nullptr;
}

const MenuItemDef* FindMenuItemDef(const WindowDef& def, int id) {
  for (std::size_t i = 0; i < def.menuCount; ++i) {
    if (def.menu[i].id == id) return &def.menu[i];
  }
  return nullptr;
}
