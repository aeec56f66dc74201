#include <AppKit/NSApplication.h>
#include <AppKit/NSColorPanel.h>
#include <AppKit/NSPasteboard.h>
#include <AppKit/NSSavePanel.h>
#include <QorvPlatform/Dialogs.h>

#include "ScriptedAnswers.h"

#include <cstdio>
#include <deque>

const char* const NSStringPboardType = "NSStringPboardType";
const char* const NSFilenamesPboardType = "NSFilenamesPboardType";
const char* const NSDeviceRGBColorSpace = "NSDeviceRGBColorSpace";

namespace
{
struct PanelState
{
  std::deque<std::string> answers;
  std::vector<qorvplatform::ShownPanel> shown;
};

PanelState& Panels()
{
  static PanelState s;
  return s;
}

// The panel as a person reads it on standard error: what it asked for and what was chosen. Only scripted
// answers choose here, so without one the panel is cancelled, and the line says so.
void TellPanel(const qorvplatform::ShownPanel& panel, const std::string& chosen)
{
  std::string line = panel.kind + " panel";
  if (!panel.title.empty()) line += " \"" + panel.title + "\"";
  if (!panel.directory.empty()) line += " in " + panel.directory;
  if (!panel.file.empty()) line += " for " + panel.file;
  std::string types;
  for (const std::string& type : panel.allowedTypes)
    types += (types.empty() ? "" : " ") + type;
  if (!types.empty()) line += " (" + types + ")";
  line += chosen.empty() ? ": cancelled, no file chosen" : ": " + chosen;
  std::fprintf(stderr, "%s\n", line.c_str());
}

NSColorPanel*& SharedColorPanel()
{
  static NSColorPanel* panel = nullptr;
  return panel;
}
} // namespace

bool NSApplicationLoad()
{
  return true;
}

// --- Pasteboard ----------------------------------------------------------------------------------------

NSPasteboard* NSPasteboard::generalPasteboard()
{
  static NSPasteboard board;
  return &board;
}

long NSPasteboard::clearContents()
{
  m_strings.clear();
  m_filenames.clear();
  return ++m_changeCount;
}

bool NSPasteboard::setString(const std::string& utf8, const std::string& type)
{
  m_strings[type] = utf8;
  ++m_changeCount;
  return true;
}

bool NSPasteboard::stringForType(const std::string& type, std::string& out) const
{
  auto it = m_strings.find(type);
  out = it == m_strings.end() ? "" : it->second;
  return it != m_strings.end();
}

void NSPasteboard::setFilenames(std::vector<std::string> paths)
{
  m_filenames = std::move(paths);
}

std::vector<std::string> NSPasteboard::types() const
{
  std::vector<std::string> t;
  for (const auto& [type, s] : m_strings)
    t.push_back(type);
  if (!m_filenames.empty()) t.push_back(NSFilenamesPboardType);
  return t;
}

// --- Open and save panels ------------------------------------------------------------------------------

NSSavePanel* NSSavePanel::savePanel()
{
  static NSSavePanel panel;
  panel = NSSavePanel();
  return &panel;
}

NSOpenPanel* NSOpenPanel::openPanel()
{
  static NSOpenPanel panel;
  panel = NSOpenPanel();
  return &panel;
}

long NSSavePanel::Run(const std::string& dir, const std::string& file, const char* kind)
{
  PanelState& s = Panels();
  qorvplatform::ShownPanel shown;
  shown.kind = kind;
  shown.title = m_title;
  shown.directory = dir.empty() ? m_directory : dir;
  shown.file = file;
  shown.allowedTypes = m_types;
  shown.allowsOtherTypes = m_allowsOther;
  shown.canChooseFiles = m_canChooseFiles;
  shown.canChooseDirectories = m_canChooseDirectories;
  shown.canCreateDirectories = m_canCreate;
  shown.floating = m_floating;
  shown.resolvesAliases = m_resolvesAliases;
  s.shown.push_back(shown);
  m_chosen.clear();
  if (!s.answers.empty())
  {
    m_chosen = s.answers.front();
    s.answers.pop_front();
  }
  if (qorvplatform::detail::ShowingToUser()) TellPanel(shown, m_chosen);
  return m_chosen.empty() ? NSModalResponseCancel : NSModalResponseOK;
}

long NSSavePanel::runModalForDirectory(const std::string& dir, const std::string& file)
{
  return Run(dir, file, "save");
}

long NSSavePanel::runModal()
{
  return Run("", "", dynamic_cast<NSOpenPanel*>(this) ? "open" : "save");
}

long NSOpenPanel::runModalForDirectory(const std::string& dir, const std::string& file,
                                       const std::vector<std::string>& types)
{
  m_types = types;
  return Run(dir, file, "open");
}

// --- Colour panel --------------------------------------------------------------------------------------

NSColorPanel* NSColorPanel::sharedColorPanel()
{
  NSColorPanel*& panel = SharedColorPanel();
  if (!panel) panel = new NSColorPanel; // shared for the process, as on the platform
  return panel;
}

bool NSColorPanel::sharedColorPanelExists()
{
  return SharedColorPanel() != nullptr;
}

void NSColorPanel::close()
{
  m_visible = false;
}

void NSColorPanel::Pick(const NSColor& c)
{
  m_color = c;
  if (m_visible && m_action) m_action(this);
}

namespace qorvplatform
{
void ScriptPanelAnswer(const std::string& path)
{
  Panels().answers.push_back(path);
}

const std::vector<ShownPanel>& ShownPanels()
{
  return Panels().shown;
}

namespace detail
{
void ResetPanels()
{
  Panels() = PanelState{};
  NSPasteboard::generalPasteboard()->clearContents();
  if (NSColorPanel* p = SharedColorPanel()) *p = NSColorPanel();
}
} // namespace detail
} // namespace qorvplatform
