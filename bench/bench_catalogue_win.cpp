// LoadCatalogue for catalogues of 1,000, 10,000 and 50,000 lines served by
// the development server on 127.0.0.1, against the platform-free steps
// alone (blank-line removal and the line parser) on the same text in the
// same run. Prints milliseconds per 1,000 rows: a flat column means the
// cost grows linearly with the catalogue.
#include <windows.h>
#include <ole2.h>

#include <chrono>
#include <cstdio>
#include <string>

#include "blank_lines.h"
#include "catalogue.h"
#include "control_ids.h"
#include "controls_win.h"
#include "deployment.h"
#include "devserver_win.h"
#include "fetch_page.h"
#include "gdiplus_win.h"
#include "handlers.h"
#include "shell.h"

namespace {

template <typename F>
double Milliseconds(F run) {
  const auto start = std::chrono::steady_clock::now();
  run();
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace

int main() {
  if (FAILED(OleInitialize(nullptr))) return 1;
  int status = 0;
  {
    GdiplusSession gdiplus;
    DevServer server(PagePort(kCatalogueServer));
    if (!server.Start()) {
      std::puts("bench_catalogue: the development server did not start");
      return 1;
    }
    OpenWindow(WindowId::Main);
    HWND combo = ControlHandle(WindowId::Main, ids::kTemplateCombo);
    std::printf("%8s %14s %14s %14s %8s\n", "lines", "load ms", "load ms/1000", "parse ms/1000", "ratio");
    for (int lines : {1000, 10000, 50000}) {
      if (!server.Set("catalogue_lines=" + std::to_string(lines))) return 1;
      const double load = Milliseconds([] { LoadCatalogue(); });
      const int rows = ComboItemCount(combo) - 1;
      // The same page, through the platform-free steps only.
      Text page = FetchPage(Text(kCatalogueServer) + "/shuju.txt");
      size_t parsed = 0;
      const double parse = Milliseconds([&] { parsed = ParseCatalogue(RemoveBlankLines(page)).size(); });
      if (rows != lines || parsed != static_cast<size_t>(lines)) {
        std::printf("bench_catalogue: %d lines gave %d rows, %zu parsed\n", lines, rows, parsed);
        status = 1;
      }
      const double perLoad = load * 1000 / lines, perParse = parse * 1000 / lines;
      std::printf("%8d %14.1f %14.2f %14.3f %8.0f\n", lines, load, perLoad, perParse, perLoad / perParse);
      std::fflush(stdout);
    }
    CloseWindow(WindowId::Main);
    ProcessWindowMessages();
  }
  OleUninitialize();
  return status;
}
