#include "controls_win.h"

#include <commctrl.h>

#include <memory>
#include <vector>

#include "gdiplus_win.h"
#include "owners_win.h"
#include "pictures.h"

namespace {

constexpr char kPreviousProc[] = "Kelvane_PrevProc";
constexpr UINT_PTR kFrameTimer = 1;

void NotifyTopLevel(HWND control, EventKind kind, LPARAM point) {
  SendMessageA(GetAncestor(control, GA_ROOT), kControlEventMessage,
               MAKEWPARAM(GetDlgCtrlID(control), static_cast<WORD>(kind)), point);
}

// What lies under a transparent control shows through it, so a change of
// the control repaints its parent's area under it as well.
void RepaintWithBackground(HWND control) {
  HWND parent = GetParent(control);
  RECT r;
  GetWindowRect(control, &r);
  MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
  RedrawWindow(parent, &r, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

// The painting messages of a control that draws all of itself in one
// routine, on the screen and (WM_PRINTCLIENT) off it.
LRESULT PaintMessage(HWND hwnd, UINT msg, WPARAM wp, void (*paint)(HWND, HDC)) {
  if (msg == WM_PRINTCLIENT) {
    paint(hwnd, reinterpret_cast<HDC>(wp));
  } else if (msg == WM_PAINT) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hwnd, &ps);
    paint(hwnd, dc);
    EndPaint(hwnd, &ps);
  } else {
    return 1;  // WM_ERASEBKGND: the paint routine draws all there is
  }
  return 0;
}

// Transparent label: draws only its text, takes mouse presses.
void PaintLabel(HWND hwnd, HDC dc) {
  Text text = ControlText(hwnd);
  RECT r;
  GetClientRect(hwnd, &r);
  auto font = reinterpret_cast<HFONT>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
  SelectedObject selected(dc, font ? static_cast<HGDIOBJ>(font) : GetStockObject(DEFAULT_GUI_FONT));
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
  DrawTextA(dc, text.c_str(), -1, &r, DT_LEFT | DT_TOP | DT_SINGLELINE | DT_NOPREFIX);
}

LRESULT CALLBACK LabelProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) noexcept {
  switch (msg) {
    case WM_ERASEBKGND:
    case WM_PAINT:
    case WM_PRINTCLIENT:
      return PaintMessage(hwnd, msg, wp, PaintLabel);
    case WM_SETFONT:
      SetWindowLongPtrA(hwnd, GWLP_USERDATA, static_cast<LONG_PTR>(wp));
      if (LOWORD(lp)) RepaintWithBackground(hwnd);
      return 0;
    case WM_GETFONT:
      return GetWindowLongPtrA(hwnd, GWLP_USERDATA);
    case WM_SETTEXT: {
      LRESULT result = DefWindowProcA(hwnd, msg, wp, lp);
      RepaintWithBackground(hwnd);
      return result;
    }
    // The handler may destroy this window: nothing of it is used afterwards.
    case WM_LBUTTONDOWN:
      NotifyTopLevel(hwnd, EventKind::LeftPressed, lp);
      return 0;
    case WM_RBUTTONDOWN:
      NotifyTopLevel(hwnd, EventKind::RightPressed, lp);
      return 0;
  }
  return DefWindowProcA(hwnd, msg, wp, lp);
}

// Picture box: one built-in picture, centred; animated GIFs step through
// their frames with the delays they carry.
struct Picture {
  ComPtr<IStream> stream;  // GDI+ reads the image from it while it lives
  std::unique_ptr<Gdiplus::Image> image;
  std::vector<UINT> delays;  // milliseconds per frame
  UINT frame = 0;
};

int ResourceOf(PictureId id) {
  switch (id) {
    case PictureId::Decoration: return IDR_DECORATION;
    case PictureId::PreviewLoading: return IDR_PREVIEW_LOADING;
    case PictureId::ResultLoading: return IDR_RESULT_LOADING;
    case PictureId::None: break;
  }
  return 0;
}

ComPtr<IStream> ResourceStream(int resource) {
  ComPtr<IStream> stream;
  HMODULE module = GetModuleHandleA(nullptr);
  HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(resource), MAKEINTRESOURCEA(10) /* RCDATA */);
  HGLOBAL loaded = found ? LoadResource(module, found) : nullptr;
  const void* data = loaded ? LockResource(loaded) : nullptr;
  const DWORD size = found ? SizeofResource(module, found) : 0;
  if (!data || size == 0) return stream;
  HGLOBAL copy = GlobalAlloc(GMEM_MOVEABLE, size);
  if (!copy) return stream;
  if (void* p = GlobalLock(copy)) {
    memcpy(p, data, size);
    GlobalUnlock(copy);
  }
  // The stream owns the copy from here on and frees it with itself.
  if (FAILED(CreateStreamOnHGlobal(copy, TRUE, stream.put()))) GlobalFree(copy);
  return stream;
}

std::unique_ptr<Picture> LoadPicture(PictureId id) {
  auto picture = std::make_unique<Picture>();
  picture->stream = ResourceStream(ResourceOf(id));
  if (!picture->stream) return picture;
  picture->image = std::make_unique<Gdiplus::Image>(picture->stream.get());
  if (picture->image->GetLastStatus() != Gdiplus::Ok) {
    picture->image.reset();
    return picture;
  }
  const UINT frames = picture->image->GetFrameCount(&Gdiplus::FrameDimensionTime);
  if (frames < 2) return picture;
  picture->delays.assign(frames, 100);
  const UINT size = picture->image->GetPropertyItemSize(PropertyTagFrameDelay);
  if (size >= sizeof(Gdiplus::PropertyItem)) {
    std::vector<BYTE> buffer(size);
    auto* item = reinterpret_cast<Gdiplus::PropertyItem*>(buffer.data());
    if (picture->image->GetPropertyItem(PropertyTagFrameDelay, size, item) == Gdiplus::Ok) {
      const UINT* hundredths = static_cast<const UINT*>(item->value);
      const UINT count = item->length / sizeof(UINT);
      for (UINT i = 0; i < frames && i < count; ++i) {
        // Like the browsers: a delay under 20 ms plays at 100 ms.
        if (hundredths[i] >= 2) picture->delays[i] = hundredths[i] * 10;
      }
    }
  }
  return picture;
}

Picture* PictureOf(HWND hwnd) { return reinterpret_cast<Picture*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA)); }

void PaintPicture(HWND hwnd, HDC dc) {
  RECT r;
  GetClientRect(hwnd, &r);
  UniqueMemoryDc memory(CreateCompatibleDC(dc));
  UniqueBitmap bitmap(CreateCompatibleBitmap(dc, r.right, r.bottom));
  if (!memory || !bitmap) return;
  SelectedObject selected(memory.get(), bitmap.get());
  FillRect(memory.get(), &r, GetSysColorBrush(COLOR_BTNFACE));
  Picture* picture = PictureOf(hwnd);
  if (picture && picture->image) {
    Gdiplus::Graphics graphics(memory.get());
    const int w = static_cast<int>(picture->image->GetWidth());
    const int h = static_cast<int>(picture->image->GetHeight());
    graphics.DrawImage(picture->image.get(), (r.right - w) / 2, (r.bottom - h) / 2, w, h);
  }
  BitBlt(dc, 0, 0, r.right, r.bottom, memory.get(), 0, 0, SRCCOPY);
}

void NextFrame(HWND hwnd) {
  Picture* picture = PictureOf(hwnd);
  if (!picture || picture->delays.empty()) return;
  picture->frame = (picture->frame + 1) % picture->delays.size();
  picture->image->SelectActiveFrame(&Gdiplus::FrameDimensionTime, picture->frame);
  SetTimer(hwnd, kFrameTimer, picture->delays[picture->frame], nullptr);
  InvalidateRect(hwnd, nullptr, FALSE);
}

LRESULT CALLBACK PictureProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) noexcept {
  switch (msg) {
    case WM_CREATE: {
      const auto* create = reinterpret_cast<const CREATESTRUCTA*>(lp);
      auto id = static_cast<PictureId>(reinterpret_cast<INT_PTR>(create->lpCreateParams));
      Picture* picture = LoadPicture(id).release();
      SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(picture));
      if (!picture->delays.empty()) SetTimer(hwnd, kFrameTimer, picture->delays[0], nullptr);
      return 0;
    }
    case WM_NCDESTROY:
      KillTimer(hwnd, kFrameTimer);
      delete PictureOf(hwnd);
      SetWindowLongPtrA(hwnd, GWLP_USERDATA, 0);
      break;
    case WM_TIMER:
      if (wp == kFrameTimer) NextFrame(hwnd);
      return 0;
    case WM_ERASEBKGND:
    case WM_PAINT:
    case WM_PRINTCLIENT:
      return PaintMessage(hwnd, msg, wp, PaintPicture);
    case kPictureFrameMessage: {
      Picture* picture = PictureOf(hwnd);
      return picture ? static_cast<LRESULT>(picture->frame) : 0;
    }
  }
  return DefWindowProcA(hwnd, msg, wp, lp);
}

// Group box: the children's notifications go to the group box, as their
// parent; it passes them on so that the window's handlers get them.
LRESULT CALLBACK GroupBoxProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) noexcept {
  auto previous = reinterpret_cast<WNDPROC>(GetPropA(hwnd, kPreviousProc));
  switch (msg) {
    case WM_COMMAND:
    case WM_NOTIFY:
    case WM_DRAWITEM:
    case WM_MEASUREITEM:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORSTATIC:
      return SendMessageA(GetParent(hwnd), msg, wp, lp);
    case WM_ERASEBKGND: {
      // A group box paints only its frame; its inside is its children's
      // background, so it is filled here.
      RECT r;
      GetClientRect(hwnd, &r);
      FillRect(reinterpret_cast<HDC>(wp), &r, GetSysColorBrush(COLOR_BTNFACE));
      return 1;
    }
    case WM_NCDESTROY:
      SetWindowLongPtrA(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previous));
      RemovePropA(hwnd, kPreviousProc);
      break;
  }
  return previous ? CallWindowProcA(previous, hwnd, msg, wp, lp) : DefWindowProcA(hwnd, msg, wp, lp);
}

DWORD Visibility(const ControlDef& def) { return def.shown ? WS_VISIBLE : 0; }

HWND CreateChild(DWORD exStyle, const char* cls, const ControlDef& def, DWORD style, HWND parent,
                 int height, void* param = nullptr) {
  return CreateWindowExA(exStyle, cls, def.text ? def.text : "", WS_CHILD | Visibility(def) | style,
                         def.x, def.y, def.width, height, parent,
                         reinterpret_cast<HMENU>(static_cast<INT_PTR>(def.id)),
                         GetModuleHandleA(nullptr), param);
}

void SetUpDropDownList(HWND combo, const ControlDef& def) {
  // The height given to CreateWindow includes the list. The closed box is
  // its selection field plus borders; how much the borders add is measured
  // by setting a known field height first.
  const LRESULT probe = SendMessageA(combo, CB_GETITEMHEIGHT, static_cast<WPARAM>(-1), 0);
  if (probe > 0) {
    SendMessageA(combo, CB_SETITEMHEIGHT, static_cast<WPARAM>(-1), probe);
    RECT r;
    GetWindowRect(combo, &r);
    const LRESULT field = def.height - ((r.bottom - r.top) - probe);
    if (field > 0) SendMessageA(combo, CB_SETITEMHEIGHT, static_cast<WPARAM>(-1), field);
  }
  if (def.text) {
    SendMessageA(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(def.text));
    SendMessageA(combo, CB_SETCURSEL, 0, 0);
  }
}

void AddColumns(HWND list, const ColumnDef* columns) {
  for (int i = 0; columns && columns[i].title; ++i) {
    LVCOLUMNA column{};
    column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
    column.pszText = const_cast<char*>(columns[i].title);
    column.cx = columns[i].width;
    column.iSubItem = i;
    SendMessageA(list, LVM_INSERTCOLUMNA, i, reinterpret_cast<LPARAM>(&column));
  }
}

}  // namespace

bool RegisterWindowClass(const char* name, WNDPROC proc, HBRUSH background) {
  HINSTANCE instance = GetModuleHandleA(nullptr);
  WNDCLASSA wc{};
  if (GetClassInfoA(instance, name, &wc)) return true;
  wc.lpfnWndProc = proc;
  wc.hInstance = instance;
  wc.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
  wc.hbrBackground = background;
  wc.lpszClassName = name;
  return RegisterClassA(&wc) != 0;
}

bool RegisterControlClasses() {
  INITCOMMONCONTROLSEX common{sizeof common, ICC_LISTVIEW_CLASSES | ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&common);
  return RegisterWindowClass(kLabelClass, LabelProc, nullptr) &&
         RegisterWindowClass(kPictureClass, PictureProc, nullptr);
}

HWND CreateControl(const ControlDef& def, HWND parent, HFONT font) {
  HWND hwnd = nullptr;
  switch (def.kind) {
    case ControlKind::Button:
      hwnd = CreateChild(0, "BUTTON", def, WS_CLIPSIBLINGS | WS_TABSTOP | BS_PUSHBUTTON, parent,
                         def.height);
      break;
    case ControlKind::Edit:
      hwnd = CreateChild(WS_EX_STATICEDGE, "EDIT", def, WS_CLIPSIBLINGS | WS_TABSTOP | ES_AUTOHSCROLL,
                         parent, def.height);
      break;
    case ControlKind::MultiLineEdit:
      hwnd = CreateChild(WS_EX_CLIENTEDGE, "EDIT", def,
                         WS_CLIPSIBLINGS | WS_TABSTOP | WS_VSCROLL | ES_MULTILINE | ES_AUTOVSCROLL |
                             ES_WANTRETURN,
                         parent, def.height);
      break;
    case ControlKind::TransparentLabel:
      hwnd = CreateChild(WS_EX_TRANSPARENT, kLabelClass, def, 0, parent, def.height);
      break;
    case ControlKind::GroupBox:
      hwnd = CreateChild(0, "BUTTON", def, BS_GROUPBOX, parent, def.height);
      if (hwnd) {
        SetPropA(hwnd, kPreviousProc, reinterpret_cast<HANDLE>(GetWindowLongPtrA(hwnd, GWLP_WNDPROC)));
        SetWindowLongPtrA(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(GroupBoxProc));
      }
      break;
    case ControlKind::PictureBox:
      hwnd = CreateChild(0, kPictureClass, def, WS_CLIPSIBLINGS, parent, def.height,
                         reinterpret_cast<void*>(static_cast<INT_PTR>(def.picture)));
      break;
    case ControlKind::DropDownList:
      hwnd = CreateChild(0, "COMBOBOX", def, WS_CLIPSIBLINGS | WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST,
                         parent, def.height + 200);
      break;
    case ControlKind::ListView:
      hwnd = CreateChild(WS_EX_CLIENTEDGE, WC_LISTVIEWA, def,
                         WS_CLIPSIBLINGS | WS_TABSTOP | LVS_REPORT | LVS_SHOWSELALWAYS | LVS_SINGLESEL,
                         parent, def.height);
      break;
    case ControlKind::BrowserBox:
    case ControlKind::Timer:
      return nullptr;
  }
  if (!hwnd) return nullptr;
  if (font) SendMessageA(hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  if (def.kind == ControlKind::DropDownList) SetUpDropDownList(hwnd, def);
  if (def.kind == ControlKind::ListView) AddColumns(hwnd, def.columns);
  return hwnd;
}

Text ControlText(HWND control) {
  const int length = GetWindowTextLengthA(control);
  if (length <= 0) return Text();
  Text text(static_cast<size_t>(length) + 1, '\0');
  const int got = GetWindowTextA(control, &text[0], length + 1);
  text.resize(got > 0 ? static_cast<size_t>(got) : 0);
  return text;
}

void SetControlText(HWND control, const Text& text) { SetWindowTextA(control, text.c_str()); }

void SetControlVisible(HWND control, bool shown) { ShowWindow(control, shown ? SW_SHOWNA : SW_HIDE); }

int SelectedItem(HWND combo) {
  const LRESULT index = SendMessageA(combo, CB_GETCURSEL, 0, 0);
  return index == CB_ERR ? -1 : static_cast<int>(index);
}

Text ListCell(HWND list, int row, int column) {
  if (!list || row < 0 || row >= SendMessageA(list, LVM_GETITEMCOUNT, 0, 0)) return Text();
  std::vector<char> buffer(1024);
  for (;;) {
    LVITEMA item{};
    item.iSubItem = column;
    item.pszText = buffer.data();
    item.cchTextMax = static_cast<int>(buffer.size());
    const LRESULT length =
        SendMessageA(list, LVM_GETITEMTEXTA, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
    if (length < static_cast<LRESULT>(buffer.size()) - 1) return Text(buffer.data(), static_cast<size_t>(length));
    buffer.resize(buffer.size() * 4);
  }
}

void RemoveListRows(HWND list) { SendMessageA(list, LVM_DELETEALLITEMS, 0, 0); }

int AppendListRow(HWND list, const Text* cells, int count) {
  LVITEMA item{};
  item.mask = LVIF_TEXT;
  item.iItem = static_cast<int>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
  item.pszText = const_cast<char*>(count > 0 ? cells[0].c_str() : "");
  const int row = static_cast<int>(SendMessageA(list, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item)));
  if (row < 0) return row;
  for (int column = 1; column < count; ++column) {
    LVITEMA cell{};
    cell.iSubItem = column;
    cell.pszText = const_cast<char*>(cells[column].c_str());
    SendMessageA(list, LVM_SETITEMTEXTA, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&cell));
  }
  return row;
}

void KeepComboItems(HWND combo, int keep) {
  for (int n = ComboItemCount(combo); n > keep; --n) SendMessageA(combo, CB_DELETESTRING, n - 1, 0);
}

void AppendComboItem(HWND combo, const Text& item) {
  SendMessageA(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item.c_str()));
}

int ComboItemCount(HWND combo) {
  const LRESULT n = SendMessageA(combo, CB_GETCOUNT, 0, 0);
  return n == CB_ERR ? 0 : static_cast<int>(n);
}
