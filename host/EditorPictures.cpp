#include "host/EditorPictures.h"

#include <QorvPlatform/Events.h>

#include <vector>

namespace qorvhost
{
bool EditorFramePng(NSView& view, const std::string& path, std::vector<unsigned char>& png,
                    std::string& error)
{
  if (qorvplatform::EncodeViewFramePNG(view, png)) return true;
  error = path + ": cannot write (the editor has no frame)";
  return false;
}

bool EditorWindowPng(NSWindow& window, const std::string& path, std::vector<unsigned char>& png,
                     std::string& error)
{
  if (qorvplatform::EncodeWindowScreenPNG(window, png)) return true;
  error = path + ": cannot write (no X11 window wholly on the screen)";
  return false;
}

} // namespace qorvhost
