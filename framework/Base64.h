// Standard Base64 (RFC 4648 alphabet, '=' padding) for preset blobs.
#pragma once

#include "framework/ByteChunk.h"
#include "framework/StringBuf.h"

namespace iplugin
{
// Appends the Base64 text of size bytes to out.
void Base64Encode(const uint8_t* data, int size, StringBuf& out);
// Appends the bytes of a Base64 text to out; false (out unchanged) on a character outside the alphabet
// or a broken length. Line breaks and blanks are skipped.
bool Base64Decode(const char* text, int textLen, ByteChunk& out);
} // namespace iplugin
