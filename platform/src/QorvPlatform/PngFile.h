// The one PNG encoder of the platform stand-ins (the view's and the window's frames); the host writes the
// bytes through its atomic writer. Main thread.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace qorvplatform
{
// Encodes width x height RGBA pixels, rows top to bottom, as the bytes of a PNG file; false when it cannot.
bool EncodePng(int width, int height, const std::vector<uint8_t>& rgba, std::vector<unsigned char>& png);
} // namespace qorvplatform
