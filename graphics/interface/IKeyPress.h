// A key press as the platform view reports it.
#pragma once

#include <cstring>

namespace iplugin
{
struct IKeyPress
{
  int VK = 0;        // virtual-key code; 0 when the key has none
  char utf8[5] = {}; // the key's text, NUL-terminated
  bool S = false;    // Shift
  bool C = false;    // command modifier
  bool A = false;    // Option

  IKeyPress() = default;
  IKeyPress(const char* text, int vk, bool shift = false, bool cmd = false, bool option = false)
      : VK(vk), S(shift), C(cmd), A(option)
  {
    if (text) std::memcpy(utf8, text, strnlen(text, sizeof(utf8) - 1));
  }
};
} // namespace iplugin
