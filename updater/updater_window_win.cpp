// The definition of the updater's window. Its height hides the address row
// and the buttons below the notes, until a failed download reveals them.
#include "updater_win.h"

namespace {

const ControlDef kControls[] = {
    {"标签", ControlKind::Label, 8, 8, 336, 11, "  获取更新信息………………", nullptr, 0},
    {"进度条", ControlKind::ProgressBar, 7, 24, 360, 18, nullptr, nullptr, 0},
    {"编辑框_更新内容", ControlKind::MultiLineEdit, 10, 52, 352, 152, "*", nullptr, 0},
    {"标签1", ControlKind::Label, 8, 214, 336, 11, "请输入下载地址：", nullptr, 0},
    {"编辑框_下载地址", ControlKind::Edit, 7, 232, 360, 20, "", nullptr, 0},
    {"超级按钮_接收", ControlKind::Button, 213, 264, 64, 24, "接  收", StartDownload, 0},
    {"超级按钮_取消", ControlKind::Button, 296, 264, 64, 24, "取  消", nullptr, 0},
    {"时钟", ControlKind::Timer, 343, 0, 0, 0, nullptr, UpdateProgress, 1000},
};

const MessageDef kMessages[] = {
    {kTotalSizeMessage, OnTotalSize},
    {kDownloadEndedMessage, OnDownloadEnded},
};

}  // namespace

const WindowDef kUpdaterWindow = {
    "TarnixWindow", "自动更新", 50, 50, 381, 242,
    kControls, sizeof kControls / sizeof kControls[0],
    kMessages, sizeof kMessages / sizeof kMessages[0],
    OnWindowCreated,
};
