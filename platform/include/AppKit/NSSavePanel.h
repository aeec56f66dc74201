// Stand-in for the open and save panels. Nothing is shown: each run records the panel
// (qorvplatform::ShownPanels) and answers with the next scripted path, or cancels when none is
// queued. Main thread only.
#pragma once

#include <Foundation/NSURL.h>

#include <string>
#include <vector>

enum
{
  NSModalResponseCancel = 0,
  NSModalResponseOK = 1,
  NSFileHandlingPanelOKButton = 1
};

class NSSavePanel
{
public:
  static NSSavePanel* savePanel();
  virtual ~NSSavePanel() = default;

  void setTitle(std::string t) { m_title = std::move(t); }
  void setAllowedFileTypes(std::vector<std::string> types) { m_types = std::move(types); }
  void setAllowsOtherFileTypes(bool on) { m_allowsOther = on; }
  void setFloatingPanel(bool on) { m_floating = on; }
  void setCanCreateDirectories(bool on) { m_canCreate = on; }
  void setDirectoryURL(const NSURL* url) { m_directory = url ? url->absoluteString() : ""; }
  // Older entry: starts in the folder with the file name filled in.
  long runModalForDirectory(const std::string& dir, const std::string& file);
  long runModal();
  // The chosen path after OK.
  const std::string& filename() const { return m_chosen; }

protected:
  long Run(const std::string& dir, const std::string& file, const char* kind);
  std::string m_title;
  std::vector<std::string> m_types;
  bool m_allowsOther = true;
  bool m_floating = false;
  bool m_canCreate = false;
  bool m_canChooseFiles = true;
  bool m_canChooseDirectories = false;
  bool m_resolvesAliases = true;
  std::string m_directory;
  std::string m_chosen;
};

class NSOpenPanel : public NSSavePanel
{
public:
  static NSOpenPanel* openPanel();
  void setCanChooseFiles(bool on) { m_canChooseFiles = on; }
  void setCanChooseDirectories(bool on) { m_canChooseDirectories = on; }
  void setResolvesAliases(bool on) { m_resolvesAliases = on; }
  long runModalForDirectory(const std::string& dir, const std::string& file,
                            const std::vector<std::string>& types);
  using NSSavePanel::runModal;
};
