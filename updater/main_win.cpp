// tarnix: the updater of the client.
#include <windows.h>

#include "updater_win.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int show) {
  return RunUpdater(instance, show, TARNIX_VERSION_PAGE_URL);
}
