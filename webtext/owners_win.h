// Move-only owners of Windows handles, so that every early return closes
// what a routine opened. Each owner keeps what its release needs.
#pragma once

#include <windows.h>
// After windows.h, which they need.
#include <oleauto.h>
#include <wininet.h>

#include <utility>

template <typename T, typename Traits>
class UniqueHandle {
 public:
  UniqueHandle() = default;
  explicit UniqueHandle(T value) : value_(value) {}
  ~UniqueHandle() { reset(); }
  UniqueHandle(UniqueHandle&& other) noexcept : value_(other.release()) {}
  UniqueHandle& operator=(UniqueHandle&& other) noexcept {
    if (this != &other) reset(other.release());
    return *this;
  }
  UniqueHandle(const UniqueHandle&) = delete;
  UniqueHandle& operator=(const UniqueHandle&) = delete;

  T get() const { return value_; }
  explicit operator bool() const { return Traits::Valid(value_); }
  T release() { return std::exchange(value_, Traits::Invalid()); }
  void reset(T value = Traits::Invalid()) {
    if (Traits::Valid(value_)) Traits::Close(value_);
    value_ = value;
  }

 private:
  T value_ = Traits::Invalid();
};

struct KernelHandleTraits {
  static HANDLE Invalid() { return nullptr; }
  static bool Valid(HANDLE h) { return h != nullptr && h != INVALID_HANDLE_VALUE; }
  static void Close(HANDLE h) { CloseHandle(h); }
};
using UniqueKernelHandle = UniqueHandle<HANDLE, KernelHandleTraits>;

template <typename T>
struct GdiObjectTraits {
  static T Invalid() { return nullptr; }
  static bool Valid(T h) { return h != nullptr; }
  static void Close(T h) { DeleteObject(h); }
};
using UniqueBitmap = UniqueHandle<HBITMAP, GdiObjectTraits<HBITMAP>>;
using UniqueBrush = UniqueHandle<HBRUSH, GdiObjectTraits<HBRUSH>>;
using UniqueFont = UniqueHandle<HFONT, GdiObjectTraits<HFONT>>;
using UniqueRegion = UniqueHandle<HRGN, GdiObjectTraits<HRGN>>;

struct MemoryDcTraits {
  static HDC Invalid() { return nullptr; }
  static bool Valid(HDC h) { return h != nullptr; }
  static void Close(HDC h) { DeleteDC(h); }
};
using UniqueMemoryDc = UniqueHandle<HDC, MemoryDcTraits>;

// A DC from GetDC, released against the window it came from.
class WindowDc {
 public:
  explicit WindowDc(HWND hwnd) : hwnd_(hwnd), dc_(GetDC(hwnd)) {}
  ~WindowDc() {
    if (dc_) ReleaseDC(hwnd_, dc_);
  }
  WindowDc(const WindowDc&) = delete;
  WindowDc& operator=(const WindowDc&) = delete;
  HDC get() const { return dc_; }
  explicit operator bool() const { return dc_ != nullptr; }

 private:
  HWND hwnd_;
  HDC dc_;
};

// Selects an object into a DC and puts the previous one back.
class SelectedObject {
 public:
  SelectedObject(HDC dc, HGDIOBJ obj) : dc_(dc), previous_(SelectObject(dc, obj)) {}
  ~SelectedObject() {
    if (previous_ && previous_ != HGDI_ERROR) SelectObject(dc_, previous_);
  }
  SelectedObject(const SelectedObject&) = delete;
  SelectedObject& operator=(const SelectedObject&) = delete;

 private:
  HDC dc_;
  HGDIOBJ previous_;
};

// A COM interface pointer that releases its reference.
template <typename I>
class ComPtr {
 public:
  ComPtr() = default;
  ~ComPtr() { reset(); }
  ComPtr(ComPtr&& other) noexcept : p_(std::exchange(other.p_, nullptr)) {}
  ComPtr& operator=(ComPtr&& other) noexcept {
    if (this != &other) {
      reset();
      p_ = std::exchange(other.p_, nullptr);
    }
    return *this;
  }
  ComPtr(const ComPtr& other) : p_(other.p_) {
    if (p_) p_->AddRef();
  }
  ComPtr& operator=(const ComPtr& other) {
    if (this != &other) {
      if (other.p_) other.p_->AddRef();
      reset();
      p_ = other.p_;
    }
    return *this;
  }
  I* get() const { return p_; }
  I* operator->() const { return p_; }
  explicit operator bool() const { return p_ != nullptr; }
  // For out-parameters: releases what is held first.
  I** put() {
    reset();
    return &p_;
  }
  void reset() {
    if (p_) std::exchange(p_, nullptr)->Release();
  }

 private:
  I* p_ = nullptr;
};

struct MenuTraits {
  static HMENU Invalid() { return nullptr; }
  static bool Valid(HMENU h) { return h != nullptr; }
  static void Close(HMENU h) { DestroyMenu(h); }
};
using UniqueMenu = UniqueHandle<HMENU, MenuTraits>;

// A BSTR, freed with SysFreeString (oleauto.h).
struct BstrTraits {
  static BSTR Invalid() { return nullptr; }
  static bool Valid(BSTR b) { return b != nullptr; }
  static void Close(BSTR b) { SysFreeString(b); }
};
using UniqueBstr = UniqueHandle<BSTR, BstrTraits>;

// Internet handles of WinInet (root, connection, request).
struct InternetHandleTraits {
  static HINTERNET Invalid() { return nullptr; }
  static bool Valid(HINTERNET h) { return h != nullptr; }
  static void Close(HINTERNET h) { InternetCloseHandle(h); }
};
using UniqueInternet = UniqueHandle<HINTERNET, InternetHandleTraits>;

// A VARIANT cleared (its BSTR or interface released) when it goes.
class UniqueVariant {
 public:
  UniqueVariant() { VariantInit(&v_); }
  ~UniqueVariant() { VariantClear(&v_); }
  UniqueVariant(const UniqueVariant&) = delete;
  UniqueVariant& operator=(const UniqueVariant&) = delete;
  VARIANT* get() { return &v_; }
  const VARIANT& operator*() const { return v_; }
  // For out-parameters: clears what is held first.
  VARIANT* put() {
    VariantClear(&v_);
    return &v_;
  }

 private:
  VARIANT v_;
};

// Memory committed in another process (VirtualAllocEx), freed against it.
class RemoteMemory {
 public:
  RemoteMemory(HANDLE process, SIZE_T size)
      : process_(process),
        p_(VirtualAllocEx(process, nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE)) {}
  ~RemoteMemory() {
    if (p_) VirtualFreeEx(process_, p_, 0, MEM_RELEASE);
  }
  RemoteMemory(const RemoteMemory&) = delete;
  RemoteMemory& operator=(const RemoteMemory&) = delete;
  void* get() const { return p_; }
  explicit operator bool() const { return p_ != nullptr; }

 private:
  HANDLE process_;
  void* p_;
};
