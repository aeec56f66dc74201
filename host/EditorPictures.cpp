#include "host/EditorPictures.h"

#include "framework/AtomicFile.h"
#include "host/MessageStream.h"

#include <QorvPlatform/Events.h>

#include <cerrno>
#include <vector>

namespace qorvhost
{
namespace
{
bool WritePng(const std::vector<unsigned char>& png, const std::string& path, std::string& error)
{
  errno = 0;
  if (iplugin::WriteFileAtomically(path.c_str(), png.data(), png.size())) return true;
  error = CannotWrite(path);
  return false;
}
} // namespace

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

bool WriteEditorFramePng(NSView& view, const std::string& path, std::string& error)
{
  std::vector<unsigned char> png;
  return EditorFramePng(view, path, png, error) && WritePng(png, path, error);
}
} // namespace qorvhost
