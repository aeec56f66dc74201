// The editor's pictures as PNG bytes, for `qorv-host editor --png/--window-png` and `mix --png-every`:
// each is encoded whole, then staged and put in place with the command's other outputs
// (StageOutputs.h), so a failed write or a stop leaves the old file as it was. Main thread.
#pragma once

#include <string>
#include <vector>

class NSView;
class NSWindow;

namespace qorvhost
{
// The frame the view presented last, as PNG bytes for path. False with "PATH: cannot write (REASON)".
bool EditorFramePng(NSView& view, const std::string& path, std::vector<unsigned char>& png,
                    std::string& error);
// The pixels the X server shows in the window; false with a message when headless.
bool EditorWindowPng(NSWindow& window, const std::string& path, std::vector<unsigned char>& png,
                     std::string& error);
} // namespace qorvhost
