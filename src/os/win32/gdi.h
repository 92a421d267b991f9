// Owners for the window system's drawing handles, so that every font and
// device context is given back exactly once, whatever path a function takes.
#pragma once

#include <utility>

#include "os/win32/windows.h"

namespace vemdrol {

// A font, brush, pen or bitmap, deleted when its owner goes.
template <class Handle>
class GdiObject {
 public:
  GdiObject() = default;
  explicit GdiObject(Handle handle) : handle_(handle) {}
  GdiObject(const GdiObject&) = delete;
  GdiObject& operator=(const GdiObject&) = delete;
  GdiObject(GdiObject&& other) noexcept : handle_(std::exchange(other.handle_, nullptr)) {}
  GdiObject& operator=(GdiObject&& other) noexcept {
    if (this != &other) {
      reset();
      handle_ = std::exchange(other.handle_, nullptr);
    }
    return *this;
  }
  ~GdiObject() { reset(); }

  Handle get() const { return handle_; }
  explicit operator bool() const { return handle_ != nullptr; }
  void reset() {
    if (handle_) DeleteObject(handle_);
    handle_ = nullptr;
  }

 private:
  Handle handle_ = nullptr;
};

using FontHandle = GdiObject<HFONT>;

// An icon loaded at a size of its own (not shared), destroyed when its owner
// goes.
struct IconTraits {
  using Type = HICON;
  static Type empty() { return nullptr; }
  static bool valid(Type icon) { return icon != nullptr; }
  static BOOL close(Type icon) { return DestroyIcon(icon); }
};
using IconHandle = UniqueWin32Handle<IconTraits>;

// The dots per inch of the monitor a window is on, where the system tells
// each window's (Windows 10 and later); otherwise the screen's.
int windowDpi(HWND window);
// A system metric at the given dots per inch.
int systemMetricForDpi(int index, int dpi);
// The outer window size for a client area at the given dots per inch.
SIZE outerSizeForClient(SIZE client, DWORD style, DWORD extendedStyle, int dpi);

// A window's device context, released when its owner goes.
class WindowDC {
 public:
  explicit WindowDC(HWND window) : window_(window), dc_(GetDC(window)) {}
  WindowDC(const WindowDC&) = delete;
  WindowDC& operator=(const WindowDC&) = delete;
  ~WindowDC() {
    if (dc_) ReleaseDC(window_, dc_);
  }
  HDC get() const { return dc_; }

 private:
  HWND window_;
  HDC dc_;
};

// Selects an object into a device context and puts the previous one back.
class SelectedObject {
 public:
  SelectedObject(HDC dc, HGDIOBJ object) : dc_(dc), previous_(SelectObject(dc, object)) {}
  SelectedObject(const SelectedObject&) = delete;
  SelectedObject& operator=(const SelectedObject&) = delete;
  ~SelectedObject() {
    if (previous_) SelectObject(dc_, previous_);
  }

 private:
  HDC dc_;
  HGDIOBJ previous_;
};

// Converts between twips and pixels at the screen's resolution.
class TwipsScale {
 public:
  // The screen's resolution.
  TwipsScale();
  explicit TwipsScale(int dpi) : dpiX_(dpi > 0 ? dpi : 96), dpiY_(dpi > 0 ? dpi : 96) {}
  int dpiX() const { return dpiX_; }
  int dpiY() const { return dpiY_; }
  int toPixelsX(long twips) const { return MulDiv(static_cast<int>(twips), dpiX_, 1440); }
  int toPixelsY(long twips) const { return MulDiv(static_cast<int>(twips), dpiY_, 1440); }
  long toTwipsX(int pixels) const { return MulDiv(pixels, 1440, dpiX_); }
  long toTwipsY(int pixels) const { return MulDiv(pixels, 1440, dpiY_); }

 private:
  int dpiX_ = 96;
  int dpiY_ = 96;
};

}  // namespace vemdrol
