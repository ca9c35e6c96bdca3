// Generation of the picture and the result window.
#include "browser_box_win.h"
#include "control_ids.h"
#include "controls_win.h"
#include "deployment.h"
#include "exchange_file.h"
#include "handlers.h"
#include "http_request.h"
#include "picture_request.h"
#include "shell.h"

void StartGeneration() {
  const int row = SelectedItem(ControlHandle(WindowId::Main, ids::kTemplateCombo)) - 1;
  HWND list = ControlHandle(WindowId::Main, ids::kCatalogueList);
  const Text generation = ListCell(list, row, 3);
  WriteExchangeValue(kJobSection, "图片标题", ListCell(list, row, 1));
  WriteExchangeValue(kJobSection, "预览地址", ListCell(list, row, 2));
  WriteExchangeValue(kJobSection, "生成地址", generation);
  WriteExchangeValue(kJobSection, "图片ID", TextAfterLast(generation, "id="));
  const int lines[] = {ids::kLineEdit1, ids::kLineEdit2, ids::kLineEdit3, ids::kLineEdit4};
  for (int i = 0; i < 4; ++i) {
    WriteExchangeValue(kJobSection, "文字" + Decimal(i + 1),
                       ControlText(ControlHandle(WindowId::Main, lines[i])));
  }
  // The count label changes with the first catalogue load.
  if (ControlText(ControlHandle(WindowId::Main, ids::kCountLabel)) == " ~未获取~") {
    ShowMessage("没有初始化！无法使用！");
    return;
  }
  OpenWindow(WindowId::Result);
}

void RequestPicture() {
  const Text id = ReadExchangeValue(kJobSection, "图片ID");
  Text lines[4];
  for (int i = 0; i < 4; ++i) lines[i] = ReadExchangeValue(kJobSection, "文字" + Decimal(i + 1));
  const Bytes reply = HttpRequest(PictureRequestAddress(kRenderService, id, lines), 1);
  // A failed request or a reply without the markers leaves the bare base.
  PictureAddress = Text(kRenderService) + PicturePathOf(Text(reply.begin(), reply.end()));
}

void ShowPicture() {
  HWND loading = ControlHandle(WindowId::Result, ids::kResultLoading);
  SetControlVisible(loading, true);
  if (BrowserBox* browser = BrowserOf(WindowId::Result, ids::kResultBrowser))
    browser->SetAddress(PictureAddress);
  SetControlVisible(loading, false);
}

void PopUpGenerateMenu(const Event& press) {
  POINT at{press.x, press.y};
  ClientToScreen(ControlHandle(WindowId::Result, press.control), &at);
  PopUpMenu(WindowId::Result, ids::kGenerateMenu, POINT{at.x + 3, at.y + 3});
}

// Handler of the result window's timer, which the window never arms.
void CheckResultPage() {
  BrowserBox* browser = BrowserOf(WindowId::Result, ids::kResultBrowser);
  const Text address = browser ? browser->Address() : Text();
  if (Find(address, ".gif") > 0) return;
  SetTimerPeriod(WindowId::Result, ids::kResultTimer, 0);
  ShowMessage("生成页面异常！请关闭杀毒软件再打开软件！");
  CloseWindow(WindowId::Result);
}
