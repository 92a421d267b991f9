#include "platform/gdi_win32.h"

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

}  // namespace vemdrol
