// Template selection and the preview window.
#include "control_ids.h"
#include "controls_win.h"
#include "browser_box_win.h"
#include "exchange_file.h"
#include "handlers.h"
#include "shell.h"

void SelectTemplate() {
  // Drop-down item k belongs to list row k - 1; the placeholder has none.
  const int row = SelectedItem(ControlHandle(WindowId::Main, ids::kTemplateCombo)) - 1;
  HWND list = ControlHandle(WindowId::Main, ids::kCatalogueList);
  const Text title = ListCell(list, row, 1);
  const Text preview = ListCell(list, row, 2);
  const Text generation = ListCell(list, row, 3);
  WriteExchangeValue(kTemplateSection, "图片标题", title);
  WriteExchangeValue(kTemplateSection, "预览地址", preview);
  WriteExchangeValue(kTemplateSection, "生成地址", generation);
  WriteExchangeValue(kTemplateSection, "图片ID", TextAfterLast(generation, "id="));
  OpenWindow(WindowId::Preview);
}

void ShowPreview() {
  const Text title = ReadExchangeValue(kTemplateSection, "图片标题");
  const Text address = ReadExchangeValue(kTemplateSection, "预览地址");
  HWND loading = ControlHandle(WindowId::Preview, ids::kPreviewLoading);
  SetControlVisible(loading, true);
  if (BrowserBox* browser = BrowserOf(WindowId::Preview, ids::kPreviewBrowser))
    browser->SetAddress(address);
  SetControlText(WindowHandle(WindowId::Preview), ids::kPreviewCaptionPrefix + title);
  SetControlVisible(loading, false);
}

void LockPreview() {
  if (BrowserBox* browser = BrowserOf(WindowId::Preview, ids::kPreviewBrowser))
    browser->SetEnabled(false);
}
