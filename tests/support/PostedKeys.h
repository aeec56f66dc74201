// A key as the platform delivers it to a window: its platform key code, its characters (UTF-8,
// ignoring modifiers) and the modifier flags, posted through the platform's one entry point.
#pragma once

#include <QorvPlatform/Events.h>

namespace qorvtest
{
inline void PostKey(NSWindow& window, unsigned short code, const char* chars, unsigned long mods = 0,
                    bool alsoRelease = false)
{
  qorvplatform::InputEvent e;
  e.kind = qorvplatform::InputKind::KeyDown;
  e.keyCode = code;
  e.characters = chars;
  e.modifiers = mods;
  qorvplatform::PostEvent(window, e);
  if (!alsoRelease) return;
  e.kind = qorvplatform::InputKind::KeyUp;
  qorvplatform::PostEvent(window, e);
}
} // namespace qorvtest
