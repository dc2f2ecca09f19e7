#include "app/keyboard_locks.h"

#include <QGuiApplication>

#include <X11/XKBlib.h>

namespace kaviro {

std::optional<KeyboardLocks> QueryKeyboardLocks() {
  auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
  Display* display = x11 ? x11->display() : nullptr;
  if (!display) return std::nullopt;
  unsigned state = 0;
  if (XkbGetIndicatorState(display, XkbUseCoreKbd, &state) != Success) return std::nullopt;
  // The core keyboard's indicators 0, 1 and 2 are caps, num and scroll lock.
  return KeyboardLocks{(state & 1u) != 0, (state & 2u) != 0, (state & 4u) != 0};
}

}  // namespace kaviro
