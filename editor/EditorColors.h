// The colours of the editor's text styles, from "#rrggbb" texts.
#pragma once

#include "graphics/IGraphicsStructs.h"

namespace iplugin
{
// The colour of a "#" followed by six hexadecimal digits, with the given alpha. The first character is
// skipped whatever it is; the rest is read as strtoul does with base 16. owner is not used.
igraphics::IColor ColorFromHexString(const void* owner, const char* text, int alpha);
} // namespace iplugin
