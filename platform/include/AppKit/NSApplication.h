// Stand-in for the few application-level calls of the view layer.
#pragma once

#include <functional>

// Makes AppKit usable from a non-Cocoa process; always true here.
bool NSApplicationLoad();

// Groups view changes; a duration of 0 applies them at once, which is all the stand-in does.
class NSAnimationContext
{
public:
  static void runAnimationGroup(const std::function<void(NSAnimationContext*)>& changes)
  {
    NSAnimationContext context;
    changes(&context);
  }
  void setDuration(double seconds) { m_duration = seconds; }

private:
  double m_duration = 0.25;
};
