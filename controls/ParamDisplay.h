// The text that captions and value bubbles show for a parameter. Main thread only.
#pragma once

#include "framework/StringBuf.h"

namespace iplugin
{
class IParam;
}

namespace iplugin::igraphics
{
// The display text of the current value, then a blank and the unit label when asked for and not empty.
void DisplayWithLabel(const IParam& param, StringBuf& out, bool withLabel = true);
} // namespace iplugin::igraphics
