// The one XML document behind every saved form of the mixer's values (preset files, the state chunk,
// preset records): building it from parameter values and reading it back into a checked list of
// values. Reading never touches the parameters: callers apply what it returns only when the whole
// document passed. Main thread.
#pragma once

#include "framework/StringBuf.h"
#include "mixer/PresetParamKey.h"
#include "mixer/QorvParams.h"

#include <string>
#include <vector>

class TiXmlDocument;

namespace iplugin
{
class IPluginBase;

// Preset files larger than this are refused before they are parsed.
constexpr long kMaxPresetFileBytes = 16L << 20;

struct PresetXmlWriteOptions
{
  const char* presetName = "";
  const double* values = nullptr;           // one per parameter; null: the parameters' current values
  const char* nameOverride = nullptr;       // written as "PluginName" when not empty
  const char* versionOverride = nullptr;    // written as "PluginVersion" when not empty
  const PresetParamKey* onlyKeys = nullptr; // when set, only the listed parameters are written
  const char* dataText = nullptr;           // when set, a "Data" element follows "PluginVersion"
};

// What a document that passed every check holds.
struct PresetXmlContent
{
  StringBuf presetName;
  bool hasData = false;
  StringBuf data;
  std::vector<NamedParamValue> values; // in document order, as read (not constrained)
};

void BuildPresetXmlTree(TiXmlDocument& doc, const IPluginBase& plug, const PresetXmlWriteOptions& options);

// Prints the document with four blanks per level and "\n" line ends.
std::string PrintPresetXml(const TiXmlDocument& doc);

// Parses text (NUL-terminated) into doc; false for a parse error or nesting too deep for the parser.
bool ParsePresetXmlText(const char* text, TiXmlDocument& doc);
// Reads and parses a whole file: its bytes as they are (no encoding is converted), CR LF and CR as LF, and
// the text ending at the first zero byte; false for an unreadable or too large file or a parse error.
bool LoadPresetXmlFile(const char* path, TiXmlDocument& doc);

// Checks the document against the plug-in's vendor and name (or one of the null-terminated
// alternatives) and collects its values; false, with out unspecified, when any check fails.
bool ReadPresetXmlTree(const TiXmlDocument& doc, const IPluginBase& plug, const char* const* alternatives,
                       PresetXmlContent& out);

// Sets each value of the document (not listed in onlyKeys: skipped when onlyKeys is set) to its
// parameter, stepped and clamped; each parameter is written atomically.
void ApplyPresetValues(IPluginBase& plug, const std::vector<NamedParamValue>& values,
                       const PresetParamKey* onlyKeys = nullptr);

// A value array for a preset record starts with this marker in every entry; entries still holding it
// when the record is written take their parameter's default.
constexpr double kUnsetPresetValue = 9.999e-8;
std::vector<double> UnsetPresetValues(const IPluginBase& plug);
void DefaultUnsetPresetValues(const IPluginBase& plug, std::vector<double>& values);
} // namespace iplugin
