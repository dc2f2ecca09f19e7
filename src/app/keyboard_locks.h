#pragma once
#include <optional>

namespace kaviro {

struct KeyboardLocks {
  bool caps = false;
  bool num = false;
  bool scroll = false;
};

// The lock states where the platform reports them (X11 keyboard indicators); nothing elsewhere.
std::optional<KeyboardLocks> QueryKeyboardLocks();

}  // namespace kaviro
