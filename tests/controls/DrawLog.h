// What a drawing leaves in the recording context's log, for comparing a control's drawing with the
// drawing calls it should make.
#pragma once

#include "tests/support/RecordingGraphics.h"

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

namespace qorvtest
{
inline std::vector<std::string> DrawLog(RecordingGraphics& g, const std::function<void()>& draw)
{
  g.TakeLog();
  draw();
  return g.TakeLog();
}
inline std::vector<std::string> DrawLog(RecordingGraphics& g, iplugin::igraphics::IControl& control)
{
  return DrawLog(g, [&] { control.Draw(g); });
}
inline int CountLines(const std::vector<std::string>& log, const char* prefix)
{
  return int(std::count_if(log.begin(), log.end(),
                           [prefix](const std::string& l) { return l.rfind(prefix, 0) == 0; }));
}
} // namespace qorvtest
