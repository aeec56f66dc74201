// Structural checks of encoded images before they reach the decoder, which trusts some table sizes
// of JPEG files: a PNG or JPEG file whose segments overrun their bounds, or that ends before its end
// marker, is refused here.
#pragma once

namespace iplugin::igraphics
{
// False when the bytes are a PNG or JPEG file with malformed segments or without its end; true for
// sound ones and for every other format (left to the decoder).
bool vgEncodedImageIsSound(const unsigned char* data, int size);
} // namespace iplugin::igraphics
