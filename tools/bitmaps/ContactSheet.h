// One picture of every editor bitmap at scales 1 and 2, read back from the written files, for a person
// to look at: each bitmap's name, size and frame count, then a selection of its frames at both scales
// over a checkerboard that shows transparency.
#pragma once

#include <string>

#include "tools/bitmaps/BitmapCanvas.h"

namespace qorvart
{
// False, with a message on standard error, when a bitmap cannot be read or the sheet not written.
bool WriteContactSheet(BitmapCanvas& canvas, int font, const std::string& resourcesDir,
                       const std::string& path);
} // namespace qorvart
