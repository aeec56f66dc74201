// What more than one command of qorv-host takes, parsed once from the command line into one record; each
// command's own options are in its own record (MixOptions, RenderOptions, EditorOptions,
// PresetExportOptions, InfoOptions, ValidateOptions).
#pragma once

#include <string>
#include <vector>

namespace qorvhost
{
struct SharedOptions
{
  std::string plugin;              // the bundle loaded (--plugin, else the build's own)
  std::string output;              // -o: mix, render, preset export
  std::vector<std::string> inputs; // the files after the options: mix, render
  unsigned block = 512;            // --block: frames a block, mix and render
  std::vector<std::string> sets;   // --set NAME=VALUE, NAME a parameter's name or index: mix, editor
  std::string presetFile;          // --preset FILE.qxs: mix, editor
};
} // namespace qorvhost
