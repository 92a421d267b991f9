#include "os/win32/gdi.h"

namespace vemdrol {

TwipsScale::TwipsScale() {
  WindowDC screen(nullptr);
  if (screen.get()) {
    const int x = GetDeviceCaps(screen.get(), LOGPIXELSX);
    const int y = GetDeviceCaps(screen.get(), LOGPIXELSY);
    if (x > 0) dpiX_ = x;
    if (y > 0) dpiY_ = y;
  }
}

namespace {

// The calls of Windows 10 and later, looked up at run time so that the
// program still starts on older systems.
template <class Function>
Function systemCall(const char* name) {
  HMODULE user = GetModuleHandleW(L"user32.dll");
  return user ? reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(user, name)))
              : nullptr;
}

using DpiForWindow = UINT(WINAPI*)(HWND);
using MetricsForDpi = int(WINAPI*)(int, UINT);
using AdjustForDpi = BOOL(WINAPI*)(RECT*, DWORD, BOOL, DWORD, UINT);

}  // namespace

int windowDpi(HWND window) {
  static const auto call = systemCall<DpiForWindow>("GetDpiForWindow");
  if (call && window) {
    if (const UINT dpi = call(window); dpi > 0) return static_cast<int>(dpi);
  }
  return TwipsScale().dpiY();
}

int systemMetricForDpi(int index, int dpi) {
  static const auto call = systemCall<MetricsForDpi>("GetSystemMetricsForDpi");
  if (call) return call(index, static_cast<UINT>(dpi));
  return MulDiv(GetSystemMetrics(index), dpi, TwipsScale().dpiY());
}

SIZE outerSizeForClient(SIZE client, DWORD style, DWORD extendedStyle, int dpi) {
  static const auto call = systemCall<AdjustForDpi>("AdjustWindowRectExForDpi");
  RECT outer{0, 0, client.cx, client.cy};
  if (!call || !call(&outer, style, FALSE, extendedStyle, static_cast<UINT>(dpi))) {
    AdjustWindowRectEx(&outer, style, FALSE, extendedStyle);
  }
  return {outer.right - outer.left, outer.bottom - outer.top};
}

}  // namespace vemdrol
