// The control identifiers of the client's windows, shared by the window
// definitions and the test driver so that the two cannot drift apart.
// Identifiers are unique across all three windows; each control is a child
// window with this identifier (menu items: the command identifier).
#pragma once

namespace ids {

// Window captions (GBK at run time).
inline constexpr char kMainCaption[] = " 在线举牌照";
inline constexpr char kPreviewCaption[] = "预览窗口";
inline constexpr char kPreviewCaptionPrefix[] = "当前预览图片：";
inline constexpr char kResultCaption[] = " 保存图片：<点击右键即可保存>";

enum ControlId : int {
  // Main window
  kMainCloseLabel = 101,    // 透明标签4
  kGroupBasic = 102,        // 分组框1
  kHintLabel = 103,         // 透明标签1
  kInitButton = 104,        // 按钮_初始化
  kCountCaptionLabel = 105, // 透明标签2
  kCountLabel = 106,        // 透明标签_张数
  kChooseLabel = 107,       // 透明标签3
  kTemplateCombo = 108,     // 组合框1
  kCatalogueList = 109,     // 超级列表框1
  kCatalogueEdit = 110,     // 编辑框1
  kGroupGenerate = 111,     // 分组框2
  kLineLabel1 = 112,        // 透明标签_文字1
  kLineLabel2 = 113,        // 透明标签_文字2
  kLineLabel3 = 114,        // 透明标签_文字3
  kLineLabel4 = 115,        // 透明标签_文字4
  kLineEdit1 = 116,         // 编辑框_文字1
  kLineEdit2 = 117,         // 编辑框_文字2
  kLineEdit3 = 118,         // 编辑框_文字3
  kLineEdit4 = 119,         // 编辑框_文字4
  kGenerateButton = 120,    // 按钮1
  kOpenResultButton = 121,  // 按钮2
  kMainBrowser = 122,       // 超文本浏览框1
  kGroupUpdate = 123,       // 分组框3
  kUpdateButton = 124,      // 按钮3
  kFeedbackButton = 125,    // 按钮4
  kDecoration = 126,        // 图片框1

  // Preview window
  kPreviewCloseLabel = 201, // 透明标签4
  kPreviewLoading = 202,    // 图片框1
  kPreviewBrowser = 203,    // 超文本浏览框1

  // Result window
  kResultCloseLabel = 301,  // 透明标签4
  kResultTimer = 302,       // 时钟1
  kResultLoading = 303,     // 图片框1
  kResultPictureLabel = 304,// 透明标签1
  kResultBrowser = 305,     // 超文本浏览框1

  // Result window menu "生成菜单" and its items
  kGenerateMenu = 401,      // 生成菜单
  kSaveItem = 402,          // 保存图片
  kRequestItem = 403,       // 获取配置
  kShowItem = 404,          // 读取图片
};

}  // namespace ids
