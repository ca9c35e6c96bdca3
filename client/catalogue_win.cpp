// The template catalogue: fetched afresh on every successful version check
// and poured into the hidden list view and the drop-down list in step.
#include "blank_lines.h"
#include "catalogue.h"
#include "control_ids.h"
#include "controls_win.h"
#include "deployment.h"
#include "fetch_page.h"
#include "handlers.h"
#include "shell.h"

void LoadCatalogue() {
  HWND list = ControlHandle(WindowId::Main, ids::kCatalogueList);
  HWND combo = ControlHandle(WindowId::Main, ids::kTemplateCombo);
  HWND holder = ControlHandle(WindowId::Main, ids::kCatalogueEdit);
  RemoveListRows(list);
  KeepComboItems(combo, 1);  // the placeholder stays

  SetControlText(holder, FetchPage(Text(kCatalogueServer) + "/shuju.txt"));
  Text text = ControlText(holder);
  const Text cleaned = RemoveBlankLines(text);
  SetControlText(holder, cleaned);

  // Drop-down item k belongs to list row k - 1: both grow together.
  RedrawPause listPause(list), comboPause(combo);
  for (const CatalogueEntry& e : ParseCatalogue(cleaned)) {
    const Text cells[] = {e.number, e.title, e.preview, e.generation};
    const int row = AppendListRow(list, cells, 4);
    AppendComboItem(combo, ListCell(list, row, 1));
  }
  SetControlText(ControlHandle(WindowId::Main, ids::kCountLabel),
                 CountLabelText(ComboItemCount(combo) - 1));
}
