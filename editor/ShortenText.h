// Shortening of the preset name for the preset menu's name field. Counts and cuts by UTF-8 code point,
// so a cut never splits a character. Any thread; no allocation beyond the result.
#pragma once

#include <string>

namespace iplugin
{
// The number of code points of a UTF-8 text (a malformed byte counts as one).
int CountCodePoints(const std::string& text);

// text unchanged when max < 7, when it is empty or when it has fewer than max code points; otherwise
// max code points: the first max / 2 - 2 of the text, " ... ", and its last max - max / 2 - 3.
std::string ShortenText(const std::string& text, int max);
} // namespace iplugin
