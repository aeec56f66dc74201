// The one PNG writer of the platform stand-ins: the view's frames and the layer's snapshots. Main thread.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace qorvplatform
{
// Writes width x height RGBA pixels, rows top to bottom, as a PNG file; false when it cannot.
bool WritePngFile(const std::string& path, int width, int height, const std::vector<uint8_t>& rgba);
} // namespace qorvplatform
