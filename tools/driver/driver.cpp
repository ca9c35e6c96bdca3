#include "driver.h"

#include <commctrl.h>

#include <algorithm>
#include <cstdio>

#include "control_ids.h"
#include "gdiplus_win.h"
#include "owners_win.h"

namespace driver {

namespace {

constexpr UINT kGbk = 936;
constexpr DWORD kSendTimeoutMs = 5000;

std::string Narrow(const wchar_t* wide, int length) {
  if (length <= 0) return std::string();
  const int size = WideCharToMultiByte(kGbk, 0, wide, length, nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<size_t>(size), '\0');
  WideCharToMultiByte(kGbk, 0, wide, length, &out[0], size, nullptr, nullptr);
  return out;
}

std::wstring Widen(const std::string& text) {
  const int size = MultiByteToWideChar(kGbk, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring out(static_cast<size_t>(size), L'\0');
  MultiByteToWideChar(kGbk, 0, text.data(), static_cast<int>(text.size()), &out[0], size);
  return out;
}

// A path as the build wrote it (the Linux side under Wine) as Windows sees it.
std::string WindowsPath(std::string path) {
  if (!path.empty() && path[0] == '/') {
    std::replace(path.begin(), path.end(), '/', '\\');
    path = "Z:" + path;
  }
  return path;
}

LRESULT SendW(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  DWORD_PTR result = 0;
  if (!SendMessageTimeoutW(hwnd, msg, wp, lp, SMTO_ABORTIFHUNG, kSendTimeoutMs, &result)) return -1;
  return static_cast<LRESULT>(result);
}

void RemoveTree(const std::string& dir) {
  WIN32_FIND_DATAA found;
  HANDLE search = FindFirstFileA((dir + "\\*").c_str(), &found);
  if (search != INVALID_HANDLE_VALUE) {
    do {
      const std::string name = found.cFileName;
      if (name == "." || name == "..") continue;
      const std::string path = dir + "\\" + name;
      SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
      if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        RemoveTree(path);
      } else {
        DeleteFileA(path.c_str());
      }
    } while (FindNextFileA(search, &found));
    FindClose(search);
  }
  RemoveDirectoryA(dir.c_str());
}

struct WindowQuery {
  DWORD pid;
  const char* cls;            // class to match, or nullptr
  const std::string* caption; // caption to match, or nullptr
  std::vector<HWND> found;
};

BOOL CALLBACK CollectWindow(HWND hwnd, LPARAM lp) {
  auto* q = reinterpret_cast<WindowQuery*>(lp);
  DWORD pid = 0;
  GetWindowThreadProcessId(hwnd, &pid);
  if (pid != q->pid || !IsWindowVisible(hwnd)) return TRUE;
  if (q->cls && ClassName(hwnd) != q->cls) return TRUE;
  if (q->caption && GetText(hwnd) != *q->caption) return TRUE;
  q->found.push_back(hwnd);
  return TRUE;
}

std::vector<HWND> TopLevelWindows(DWORD pid, const char* cls, const std::string* caption) {
  WindowQuery q{pid, cls, caption, {}};
  EnumWindows(CollectWindow, reinterpret_cast<LPARAM>(&q));
  return q.found;
}

Image Grab(const RECT& r) {
  Image image;
  const int w = r.right - r.left, h = r.bottom - r.top;
  if (w <= 0 || h <= 0) return image;
  WindowDc screen(nullptr);
  UniqueMemoryDc memory(CreateCompatibleDC(screen.get()));
  UniqueBitmap bitmap(CreateCompatibleBitmap(screen.get(), w, h));
  if (!screen || !memory || !bitmap) return image;
  {
    SelectedObject select(memory.get(), bitmap.get());
    BitBlt(memory.get(), 0, 0, w, h, screen.get(), r.left, r.top, SRCCOPY);
  }
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = w;
  info.bmiHeader.biHeight = -h;  // top down
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  image.pixels.resize(static_cast<size_t>(w) * h);
  if (!GetDIBits(memory.get(), bitmap.get(), 0, h, image.pixels.data(), &info, DIB_RGB_COLORS)) {
    image.pixels.clear();
    return image;
  }
  for (auto& p : image.pixels) p &= 0xFFFFFF;
  image.width = w;
  image.height = h;
  return image;
}

// Stop icons are red, information icons blue: that tells the two apart.
int IconStyle(HWND box) {
  HWND icon = GetDlgItem(box, 1088);
  if (!icon || !IsWindowVisible(icon) || SendW(icon, STM_GETICON, 0, 0) == 0) return 0;
  const Image image = CaptureScreen(ScreenRect(icon));
  int red = 0, blue = 0;
  for (std::uint32_t p : image.pixels) {
    const int r = (p >> 16) & 0xFF, g = (p >> 8) & 0xFF, b = p & 0xFF;
    if (r > g + 60 && r > b + 60) ++red;
    if (b > r + 60) ++blue;
  }
  if (red == 0 && blue == 0) return -1;
  return red > blue ? 16 : 64;
}

// The driver's own pop-up menu, pictured from inside its menu loop.
struct ReferenceMenu {
  Image last;
  Image image;
  int ticks = 0;
};

LRESULT CALLBACK ReferenceProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_TIMER) {
    auto* ref = reinterpret_cast<ReferenceMenu*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    auto menus = TopLevelWindows(GetCurrentProcessId(), "#32768", nullptr);
    if (ref && !menus.empty()) {
      Image now = Grab(ScreenRect(menus[0]));
      if (!now.pixels.empty() && now == ref->last) {
        ref->image = std::move(now);
        EndMenu();
      } else {
        ref->last = std::move(now);
      }
    }
    if (ref && ++ref->ticks > 100) EndMenu();
    return 0;
  }
  return DefWindowProcA(hwnd, msg, wp, lp);
}

Image PictureOfMenu(const std::vector<std::string>& items, POINT at) {
  ReferenceMenu ref;
  WNDCLASSA wc{};
  wc.lpfnWndProc = ReferenceProc;
  wc.hInstance = GetModuleHandleA(nullptr);
  wc.lpszClassName = "DriverReferenceMenu";
  RegisterClassA(&wc);  // fails harmlessly when already registered
  HWND owner = CreateWindowExA(WS_EX_TOOLWINDOW, wc.lpszClassName, "", WS_POPUP, -100, -100, 1, 1,
                               nullptr, nullptr, wc.hInstance, nullptr);
  if (!owner) return ref.image;
  SetWindowLongPtrA(owner, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&ref));
  UniqueMenu menu(CreatePopupMenu());
  for (size_t i = 0; i < items.size(); ++i) {
    AppendMenuW(menu.get(), MF_STRING, i + 1, Widen(items[i]).c_str());
  }
  SetTimer(owner, 1, 50, nullptr);
  TrackPopupMenu(menu.get(), TPM_LEFTALIGN | TPM_TOPALIGN | TPM_RIGHTBUTTON, at.x, at.y, 0, owner,
                 nullptr);
  KillTimer(owner, 1);
  DestroyWindow(owner);
  return ref.image;
}

}  // namespace

bool WaitUntil(const std::function<bool()>& done, DWORD timeoutMs) {
  const ULONGLONG end = GetTickCount64() + timeoutMs;
  for (;;) {
    if (done()) return true;
    if (GetTickCount64() >= end) return false;
    Sleep(20);
  }
}

HWND WaitTopLevel(DWORD pid, const char* cls, DWORD timeoutMs) {
  HWND found = nullptr;
  WaitUntil(
      [&] {
        auto windows = TopLevelWindows(pid, cls, nullptr);
        found = windows.empty() ? nullptr : windows[0];
        return found != nullptr;
      },
      timeoutMs);
  return found;
}

std::string BuiltClientPath() {
#ifdef KELVANE_CLIENT_EXE
  return WindowsPath(KELVANE_CLIENT_EXE);
#else
  return "kelvane.exe";
#endif
}

Client::~Client() {
  if (process_) {
    if (Running()) {
      TerminateProcess(process_, 1);
      WaitForSingleObject(process_, 5000);
    }
    CloseHandle(process_);
  }
  if (!dir_.empty()) RemoveTree(dir_);
}

bool Client::Start(const std::string& program,
                   const std::function<void(const std::string& dir)>& prepare) {
  static int serial = 0;
  char temp[MAX_PATH];
  const DWORD length = GetTempPathA(MAX_PATH, temp);
  if (length == 0 || length >= MAX_PATH) return false;
  std::string base(temp, length);
  if (!base.empty() && base.back() == '\\') base.pop_back();
  dir_ = base + "\\kelvane-" + std::to_string(GetCurrentProcessId()) + "-" +
         std::to_string(++serial) + "-" + std::to_string(GetTickCount64());
  if (!CreateDirectoryA(dir_.c_str(), nullptr)) {
    std::fprintf(stderr, "driver: cannot create %s (error %lu)\n", dir_.c_str(), GetLastError());
    return false;
  }
  const std::string exe = FileInDirectory("kelvane.exe");
  if (!CopyFileA(program.c_str(), exe.c_str(), FALSE)) {
    std::fprintf(stderr, "driver: cannot copy %s\n", program.c_str());
    return false;
  }
  if (prepare) prepare(dir_);

  std::string command = "\"" + exe + "\"";
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info{};
  // Started elsewhere, so that a file named without the program directory
  // would not land in it.
  if (!CreateProcessA(exe.c_str(), &command[0], nullptr, nullptr, FALSE, 0, nullptr, base.c_str(),
                      &startup, &info)) {
    std::fprintf(stderr, "driver: cannot start %s (error %lu)\n", exe.c_str(), GetLastError());
    return false;
  }
  CloseHandle(info.hThread);
  process_ = info.hProcess;
  pid_ = info.dwProcessId;
  WaitForInputIdle(process_, 10000);
  // The window can be found before its last control exists: wait for both.
  const bool complete = WaitUntil(
      [&] {
        auto windows = Windows(ids::kMainCaption);
        return !windows.empty() && Control(windows[0], ids::kDecoration) != nullptr;
      },
      10000);
  if (!complete) std::fprintf(stderr, "driver: the main window did not appear complete\n");
  return complete;
}

bool Client::Running() const {
  return process_ && WaitForSingleObject(process_, 0) == WAIT_TIMEOUT;
}

bool Client::WaitForExit(DWORD timeoutMs, DWORD* exitCode) const {
  if (!process_ || WaitForSingleObject(process_, timeoutMs) != WAIT_OBJECT_0) return false;
  if (exitCode) GetExitCodeProcess(process_, exitCode);
  return true;
}

std::vector<HWND> Client::Windows(const std::string& caption) const {
  return TopLevelWindows(pid_, nullptr, &caption);
}

HWND Client::WaitWindow(const std::string& caption, DWORD timeoutMs) const {
  HWND found = nullptr;
  WaitUntil(
      [&] {
        auto windows = Windows(caption);
        found = windows.empty() ? nullptr : windows[0];
        return found != nullptr;
      },
      timeoutMs);
  return found;
}

HWND Client::WaitMessageBox(DWORD timeoutMs) const { return WaitTopLevel(pid_, "#32770", timeoutMs); }

HWND Client::WaitPopupMenu(DWORD timeoutMs) const { return WaitTopLevel(pid_, "#32768", timeoutMs); }

HWND Control(HWND window, int id) {
  // Breadth first: the client's controls lie one or two levels down, while
  // a browser control's own windows lie deeper and carry ids of their own.
  std::vector<HWND> level{window};
  while (!level.empty()) {
    std::vector<HWND> next;
    for (HWND parent : level) {
      for (HWND child = GetWindow(parent, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        if (GetDlgCtrlID(child) == id) return child;
        next.push_back(child);
      }
    }
    level = std::move(next);
  }
  return nullptr;
}

std::string GetText(HWND hwnd) {
  const LRESULT length = SendW(hwnd, WM_GETTEXTLENGTH, 0, 0);
  if (length <= 0) return std::string();
  std::wstring text(static_cast<size_t>(length) + 1, L'\0');
  const LRESULT got = SendW(hwnd, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(&text[0]));
  return Narrow(text.c_str(), got > 0 ? static_cast<int>(got) : 0);
}

std::string ClassName(HWND hwnd) {
  char name[256];
  const int length = GetClassNameA(hwnd, name, sizeof name);
  return std::string(name, length > 0 ? static_cast<size_t>(length) : 0);
}

bool SetText(HWND hwnd, const std::string& text) {
  std::wstring wide = Widen(text);
  return SendW(hwnd, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(wide.c_str())) > 0;
}

bool Click(HWND button) { return button && PostMessageW(button, BM_CLICK, 0, 0); }

bool PickComboItem(HWND combo, int index) {
  if (!combo || SendW(combo, CB_SETCURSEL, static_cast<WPARAM>(index), 0) != index) return false;
  return PostMessageW(GetParent(combo), WM_COMMAND,
                      MAKEWPARAM(GetDlgCtrlID(combo), CBN_SELCHANGE), reinterpret_cast<LPARAM>(combo));
}

std::vector<std::string> ComboItems(HWND combo) {
  std::vector<std::string> items;
  const LRESULT count = SendW(combo, CB_GETCOUNT, 0, 0);
  for (LRESULT i = 0; i < count; ++i) {
    const LRESULT length = SendW(combo, CB_GETLBTEXTLEN, static_cast<WPARAM>(i), 0);
    if (length < 0) break;
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    const LRESULT got = SendW(combo, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&text[0]));
    items.push_back(Narrow(text.c_str(), got > 0 ? static_cast<int>(got) : 0));
  }
  return items;
}

int ComboSelection(HWND combo) { return static_cast<int>(SendW(combo, CB_GETCURSEL, 0, 0)); }

std::vector<std::vector<std::string>> ListRows(HWND list, int columns) {
  std::vector<std::vector<std::string>> rows;
  DWORD pid = 0;
  GetWindowThreadProcessId(list, &pid);
  UniqueKernelHandle process(OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, pid));
  if (!process) return rows;
  constexpr int kChars = 4096;
  RemoteMemory block(process.get(), sizeof(LVITEMW) + kChars * sizeof(wchar_t));
  if (!block) return rows;
  auto* remoteItem = static_cast<char*>(block.get());
  auto* remoteText = reinterpret_cast<wchar_t*>(remoteItem + sizeof(LVITEMW));
  const LRESULT count = SendW(list, LVM_GETITEMCOUNT, 0, 0);
  for (LRESULT row = 0; row < count; ++row) {
    std::vector<std::string> cells;
    for (int column = 0; column < columns; ++column) {
      LVITEMW item{};
      item.iSubItem = column;
      item.pszText = remoteText;
      item.cchTextMax = kChars;
      std::wstring text(kChars, L'\0');
      SIZE_T moved = 0;
      LRESULT length = -1;
      if (WriteProcessMemory(process.get(), remoteItem, &item, sizeof item, &moved)) {
        length = SendW(list, LVM_GETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(remoteItem));
      }
      if (length > 0 && length < kChars &&
          ReadProcessMemory(process.get(), remoteText, &text[0], static_cast<SIZE_T>(length) * sizeof(wchar_t), &moved)) {
        cells.push_back(Narrow(text.c_str(), static_cast<int>(length)));
      } else {
        cells.emplace_back();
      }
    }
    rows.push_back(std::move(cells));
  }
  return rows;
}

bool Press(HWND control, Button button) {
  RECT r;
  GetClientRect(control, &r);
  return Press(control, button, POINT{r.right / 2, r.bottom / 2});
}

bool Press(HWND control, Button button, POINT client) {
  const LPARAM at = MAKELPARAM(client.x, client.y);
  if (button == Button::Left) {
    return PostMessageW(control, WM_LBUTTONDOWN, MK_LBUTTON, at) &&
           PostMessageW(control, WM_LBUTTONUP, 0, at);
  }
  return PostMessageW(control, WM_RBUTTONDOWN, MK_RBUTTON, at) &&
         PostMessageW(control, WM_RBUTTONUP, 0, at);
}

RECT ScreenRect(HWND hwnd) {
  RECT r{};
  GetWindowRect(hwnd, &r);
  return r;
}

RECT VisibleRect(HWND hwnd) {
  RECT visible = ScreenRect(hwnd);
  for (HWND parent = GetAncestor(hwnd, GA_PARENT); parent && parent != GetDesktopWindow();
       parent = GetAncestor(parent, GA_PARENT)) {
    RECT client;
    GetClientRect(parent, &client);
    MapWindowPoints(parent, nullptr, reinterpret_cast<POINT*>(&client), 2);
    if (!IntersectRect(&visible, &visible, &client)) return RECT{};
  }
  return visible;
}

RECT RectInParent(HWND hwnd) {
  RECT r = ScreenRect(hwnd);
  MapWindowPoints(nullptr, GetParent(hwnd), reinterpret_cast<POINT*>(&r), 2);
  return r;
}

MessageBoxInfo ReadMessageBox(HWND box) {
  MessageBoxInfo info;
  info.title = GetText(box);
  info.text = GetText(GetDlgItem(box, 0xFFFF));
  for (HWND child = GetWindow(box, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    if (ClassName(child) == "Button" && IsWindowVisible(child)) ++info.buttons;
  }
  info.owned = GetWindow(box, GW_OWNER) != nullptr;
  info.style = IconStyle(box);
  return info;
}

bool PressOk(HWND box) {
  if (!Click(GetDlgItem(box, IDOK))) return false;
  return WaitUntil([box] { return !IsWindow(box); });
}

bool ChooseMenuItem(HWND popup, int index) {
  for (int i = 0; i <= index; ++i) {
    if (!PostMessageW(popup, WM_KEYDOWN, VK_DOWN, 0)) return false;
  }
  return PostMessageW(popup, WM_KEYDOWN, VK_RETURN, 0);
}

bool MenuShows(HWND popup, const std::vector<std::string>& items) {
  // Keep the pointer off both menus, so that no item is highlighted.
  SetCursorPos(GetSystemMetrics(SM_CXSCREEN) - 1, GetSystemMetrics(SM_CYSCREEN) - 1);
  const RECT r = ScreenRect(popup);
  const Image shown = CaptureScreen(r);
  const Image expected = PictureOfMenu(items, POINT{r.left, r.top});
  return !shown.pixels.empty() && shown == expected;
}

Image CaptureScreen(const RECT& r, DWORD timeoutMs) {
  Image last = Grab(r);
  WaitUntil(
      [&] {
        Image now = Grab(r);
        const bool same = now == last;
        last = std::move(now);
        return same;
      },
      timeoutMs);
  return last;
}

Image Capture(HWND hwnd) {
  HWND root = GetAncestor(hwnd, GA_ROOT);
  SetWindowPos(root, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  RedrawWindow(root, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
  SendW(root, WM_NULL, 0, 0);  // returns once the window has handled what came before
  return CaptureScreen(ScreenRect(hwnd));
}

Image CaptureAsIs(HWND hwnd) {
  HWND root = GetAncestor(hwnd, GA_ROOT);
  RedrawWindow(root, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
  SendW(root, WM_NULL, 0, 0);
  return CaptureScreen(ScreenRect(hwnd));
}

bool SavePng(const Image& image, const std::string& path) {
  if (image.pixels.empty()) return false;
  GdiplusSession gdiplus;
  if (!gdiplus.ok()) return false;
  UINT count = 0, size = 0;
  if (Gdiplus::GetImageEncodersSize(&count, &size) != Gdiplus::Ok || size == 0) return false;
  std::vector<BYTE> buffer(size);
  auto* codecs = reinterpret_cast<Gdiplus::ImageCodecInfo*>(buffer.data());
  if (Gdiplus::GetImageEncoders(count, size, codecs) != Gdiplus::Ok) return false;
  const CLSID* png = nullptr;
  for (UINT i = 0; i < count; ++i) {
    if (wcscmp(codecs[i].MimeType, L"image/png") == 0) png = &codecs[i].Clsid;
  }
  if (!png) return false;
  Gdiplus::Bitmap bitmap(image.width, image.height, image.width * 4, PixelFormat32bppRGB,
                         reinterpret_cast<BYTE*>(const_cast<std::uint32_t*>(image.pixels.data())));
  return bitmap.Save(Widen(WindowsPath(path)).c_str(), png, nullptr) == Gdiplus::Ok;
}

bool SaveScreenshot(HWND hwnd, const std::string& path) { return SavePng(Capture(hwnd), path); }

}  // namespace driver
