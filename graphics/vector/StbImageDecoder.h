// The unit that holds the PNG and JPEG decoder (stb_image; callers include <stb_image.h> for its
// functions). It is built with wrapping signed arithmetic (-fwrapv): crafted input drives the decoder's
// sums and products past the range of int, which then wrap instead of being undefined. Main thread (the
// decoder's settings and failure reason are process-wide).
#pragma once

namespace iplugin::igraphics
{
// Images wider or taller than this are refused by the decoder before their pixels are allocated.
constexpr int kMaxDecodedImageSide = 16384;

// Sets the reason that stbi_failure_reason() gives, for a refusal made before the decoder runs.
void SetImageFailureReason(const char* reason);
} // namespace iplugin::igraphics
