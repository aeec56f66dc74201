// Stand-in for AppKit appearances: a name; the process has one, which QorvPlatform/Events.h switches.
#pragma once

#include <string>

extern const char* const NSAppearanceNameAqua;
extern const char* const NSAppearanceNameDarkAqua;

class NSAppearance
{
public:
  explicit NSAppearance(std::string name) : m_name(std::move(name)) {}
  const std::string& name() const { return m_name; }
  static const NSAppearance* currentDrawingAppearance();

private:
  std::string m_name;
};
