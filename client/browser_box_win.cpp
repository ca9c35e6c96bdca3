#include "browser_box_win.h"

#include <exdisp.h>
#include <exdispid.h>
#include <ocidl.h>
#include <oleidl.h>

#include <utility>

#include "controls_win.h"
#include "owners_win.h"

namespace {

constexpr char kHostClass[] = "KelvaneBrowserHost";

UniqueBstr BstrOf(const Text& text) {
  Bytes wide = TextToUtf16(text, 0);
  return UniqueBstr(SysAllocString(reinterpret_cast<const OLECHAR*>(wide.data())));
}

Text TextOfBstr(BSTR b) {
  if (!b) return Text();
  const auto* p = reinterpret_cast<const std::uint8_t*>(b);
  Bytes wide(p, p + (SysStringLen(b) + 1) * sizeof(OLECHAR));
  return Utf16ToText(wide, 0);
}

BOOL CALLBACK EnableChild(HWND child, LPARAM enabled) {
  EnableWindow(child, static_cast<BOOL>(enabled));
  return TRUE;
}

}  // namespace

// The container side of the control: client site, in-place site and frame
// in one object, and the event sink. It holds the control; the control holds
// it back as its site until Close breaks the cycle.
class BrowserSite final : public IOleClientSite,
                          public IOleInPlaceSite,
                          public IOleInPlaceFrame,
                          public IDispatch {
 public:
  BrowserSite(HWND host, std::function<void()> onDocumentComplete)
      : host_(host), onDocumentComplete_(std::move(onDocumentComplete)) {}

  bool Activate() {
    if (FAILED(CoCreateInstance(CLSID_WebBrowser, nullptr, CLSCTX_INPROC_SERVER, IID_IOleObject,
                                reinterpret_cast<void**>(object_.put()))))
      return false;
    object_->SetClientSite(static_cast<IOleClientSite*>(this));
    RECT r;
    GetClientRect(host_, &r);
    if (FAILED(object_->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, static_cast<IOleClientSite*>(this),
                               0, host_, &r)) ||
        FAILED(object_->QueryInterface(IID_IWebBrowser2, reinterpret_cast<void**>(browser_.put())))) {
      Close();
      return false;
    }
    // No dialog of the control may ever stop the window thread.
    browser_->put_Silent(VARIANT_TRUE);
    ComPtr<IConnectionPointContainer> points;
    if (SUCCEEDED(object_->QueryInterface(IID_IConnectionPointContainer,
                                          reinterpret_cast<void**>(points.put()))) &&
        SUCCEEDED(points->FindConnectionPoint(DIID_DWebBrowserEvents2, events_.put()))) {
      if (FAILED(events_->Advise(static_cast<IDispatch*>(this), &cookie_))) events_.reset();
    }
    return true;
  }

  void Close() {
    if (events_) events_->Unadvise(cookie_);
    events_.reset();
    browser_.reset();
    if (object_) {
      object_->Close(OLECLOSE_NOSAVE);
      object_->SetClientSite(nullptr);
    }
    object_.reset();
    onDocumentComplete_ = nullptr;
  }

  IWebBrowser2* browser() const { return browser_.get(); }

  void Resize() {
    ComPtr<IOleInPlaceObject> inPlace;
    if (!object_ || FAILED(object_->QueryInterface(IID_IOleInPlaceObject,
                                                   reinterpret_cast<void**>(inPlace.put()))))
      return;
    RECT r;
    GetClientRect(host_, &r);
    inPlace->SetObjectRects(&r, &r);
  }

  // IUnknown
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (riid == IID_IUnknown || riid == IID_IOleClientSite) {
      *out = static_cast<IOleClientSite*>(this);
    } else if (riid == IID_IOleWindow || riid == IID_IOleInPlaceSite) {
      *out = static_cast<IOleInPlaceSite*>(this);
    } else if (riid == IID_IOleInPlaceUIWindow || riid == IID_IOleInPlaceFrame) {
      *out = static_cast<IOleInPlaceFrame*>(this);
    } else if (riid == IID_IDispatch || riid == DIID_DWebBrowserEvents2) {
      *out = static_cast<IDispatch*>(this);
    } else {
      return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++refs_; }
  ULONG STDMETHODCALLTYPE Release() override {
    const ULONG left = --refs_;
    if (left == 0) delete this;
    return left;
  }

  // IOleClientSite
  HRESULT STDMETHODCALLTYPE SaveObject() override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetMoniker(DWORD, DWORD, IMoniker** moniker) override {
    if (moniker) *moniker = nullptr;
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE GetContainer(IOleContainer** container) override {
    if (container) *container = nullptr;
    return E_NOINTERFACE;
  }
  HRESULT STDMETHODCALLTYPE ShowObject() override { return S_OK; }
  HRESULT STDMETHODCALLTYPE OnShowWindow(BOOL) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE RequestNewObjectLayout() override { return E_NOTIMPL; }

  // IOleWindow (of the in-place site and of the frame)
  HRESULT STDMETHODCALLTYPE GetWindow(HWND* hwnd) override {
    if (!hwnd) return E_POINTER;
    *hwnd = host_;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }

  // IOleInPlaceSite
  HRESULT STDMETHODCALLTYPE CanInPlaceActivate() override { return S_OK; }
  HRESULT STDMETHODCALLTYPE OnInPlaceActivate() override { return S_OK; }
  HRESULT STDMETHODCALLTYPE OnUIActivate() override { return S_OK; }
  HRESULT STDMETHODCALLTYPE GetWindowContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** doc,
                                             LPRECT position, LPRECT clip,
                                             LPOLEINPLACEFRAMEINFO info) override {
    if (frame) {
      *frame = static_cast<IOleInPlaceFrame*>(this);
      AddRef();
    }
    if (doc) *doc = nullptr;
    if (position) GetClientRect(host_, position);
    if (clip) GetClientRect(host_, clip);
    if (info) {
      info->fMDIApp = FALSE;
      info->hwndFrame = GetAncestor(host_, GA_ROOT);
      info->haccel = nullptr;
      info->cAccelEntries = 0;
    }
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Scroll(SIZE) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE OnUIDeactivate(BOOL) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE OnInPlaceDeactivate() override { return S_OK; }
  HRESULT STDMETHODCALLTYPE DiscardUndoState() override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE DeactivateAndUndo() override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE OnPosRectChange(LPCRECT) override {
    Resize();
    return S_OK;
  }

  // IOleInPlaceUIWindow
  HRESULT STDMETHODCALLTYPE GetBorder(LPRECT) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE RequestBorderSpace(LPCBORDERWIDTHS) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE SetBorderSpace(LPCBORDERWIDTHS) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE SetActiveObject(IOleInPlaceActiveObject*, LPCOLESTR) override {
    return S_OK;
  }

  // IOleInPlaceFrame
  HRESULT STDMETHODCALLTYPE InsertMenus(HMENU, LPOLEMENUGROUPWIDTHS) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE SetMenu(HMENU, HOLEMENU, HWND) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE RemoveMenus(HMENU) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE SetStatusText(LPCOLESTR) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE EnableModeless(BOOL) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE TranslateAccelerator(LPMSG, WORD) override { return S_FALSE; }

  // IDispatch: DWebBrowserEvents2
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
    if (count) *count = 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo** info) override {
    if (info) *info = nullptr;
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID member, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*,
                                   EXCEPINFO*, UINT*) noexcept override {
    if (member == DISPID_DOCUMENTCOMPLETE && onDocumentComplete_) {
      // The handler may close the window and with it this box.
      AddRef();
      auto handler = onDocumentComplete_;
      handler();
      Release();
    }
    return S_OK;
  }

 private:
  ~BrowserSite() = default;

  ULONG refs_ = 1;
  HWND host_;
  std::function<void()> onDocumentComplete_;
  ComPtr<IOleObject> object_;
  ComPtr<IWebBrowser2> browser_;
  ComPtr<IConnectionPoint> events_;
  DWORD cookie_ = 0;
};

std::unique_ptr<BrowserBox> BrowserBox::Create(HWND parent, int id, int x, int y, int width,
                                               int height, bool shown,
                                               std::function<void()> onDocumentComplete) {
  if (!RegisterWindowClass(kHostClass, HostProc, reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1)))
    return nullptr;
  std::unique_ptr<BrowserBox> box(new BrowserBox());
  box->host_ = CreateWindowExA(0, kHostClass, "",
                               WS_CHILD | WS_CLIPSIBLINGS | WS_CLIPCHILDREN | (shown ? WS_VISIBLE : 0),
                               x, y, width, height, parent,
                               reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                               GetModuleHandleA(nullptr), nullptr);
  if (!box->host_) return nullptr;
  SetWindowLongPtrA(box->host_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(box.get()));
  box->site_ = new BrowserSite(box->host_, std::move(onDocumentComplete));
  if (!box->site_->Activate()) {
    box->site_->Release();
    box->site_ = nullptr;
  }
  return box;
}

BrowserBox::~BrowserBox() {
  Close();
  if (host_ && IsWindow(host_)) {
    SetWindowLongPtrA(host_, GWLP_USERDATA, 0);
    DestroyWindow(host_);
  }
}

void BrowserBox::Close() {
  if (!site_) return;
  site_->Close();
  site_->Release();
  site_ = nullptr;
}

bool BrowserBox::HasControl() const { return site_ && site_->browser(); }

void BrowserBox::SetAddress(const Text& address) {
  if (!HasControl()) return;
  UniqueBstr url = BstrOf(address);
  VARIANT empty;
  VariantInit(&empty);
  site_->browser()->Navigate(url.get(), &empty, &empty, &empty, &empty);
}

Text BrowserBox::Address() const {
  BSTR raw = nullptr;
  if (!HasControl() || FAILED(site_->browser()->get_LocationURL(&raw))) return Text();
  UniqueBstr url(raw);
  return TextOfBstr(url.get());
}

void BrowserBox::SetEnabled(bool enabled) {
  // The control's own windows take input directly, so they go with the host.
  EnableWindow(host_, enabled);
  EnumChildWindows(host_, EnableChild, enabled);
}

bool BrowserBox::Enabled() const { return IsWindowEnabled(host_); }

IDispatch* BrowserBox::EventSink() const { return site_ ? static_cast<IDispatch*>(site_) : nullptr; }

LRESULT CALLBACK BrowserBox::HostProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) noexcept {
  auto* box = reinterpret_cast<BrowserBox*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
  switch (msg) {
    case WM_SIZE:
      if (box && box->site_) box->site_->Resize();
      break;
    case WM_DESTROY:
      // The control's windows go with the host: close it while they exist.
      if (box) box->Close();
      break;
    case WM_NCDESTROY:
      if (box) box->host_ = nullptr;
      break;
  }
  return DefWindowProcA(hwnd, msg, wp, lp);
}
