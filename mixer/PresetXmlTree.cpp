#include "mixer/PresetXmlTree.h"

#include "framework/IPluginBase.h"
#include "framework/GuardedXmlParse.h"

#include <charconv>
#include <cstdio>
#include <cstring>
#include <string_view>
#include <unordered_map>

#include <tinyxml.h>

namespace iplugin
{
namespace
{
void AddTextElement(TiXmlElement* parent, const char* name, const char* text)
{
  auto* e = new TiXmlElement(name);
  if (text && *text) e->LinkEndChild(new TiXmlText(text));
  parent->LinkEndChild(e);
}

// Six decimals, as every reader of these files expects; a value that six decimals would change (a host's
// 32-bit float, say) is written with all the digits it needs, so a saved state recalls the same mix. The
// text is that of "%f" and "%.17g", made and read back without the C library's formatted I/O, which cost
// more than the rest of a preset's writing.
std::string FormatValue(double value)
{
  char text[400]; // the widest "%f" of a double has 309 digits before the point
  char* end = std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, 6).ptr;
  double back = 0.0;
  const auto read = std::from_chars(text, end, back);
  if (read.ec == std::errc() && read.ptr == end && back == value) return std::string(text, end);
  end = std::to_chars(text, text + sizeof text, value, std::chars_format::general, 17).ptr;
  return std::string(text, end);
}

const char* TextOf(const TiXmlElement* e)
{
  const char* t = e->GetText();
  return t ? t : "";
}
} // namespace

void BuildPresetXmlTree(TiXmlDocument& doc, const IPluginBase& plug, const PresetXmlWriteOptions& o)
{
  doc.Clear();
  doc.LinkEndChild(new TiXmlDeclaration("1.0", "", ""));
  auto* root = new TiXmlElement("PresetXMLTree");
  root->SetAttribute("version", "1");
  doc.LinkEndChild(root);

  AddTextElement(root, "PluginVendor", plug.GetMfrName());
  AddTextElement(root, "PluginName",
                 o.nameOverride && *o.nameOverride ? o.nameOverride : plug.GetPluginName());
  StringBuf version;
  plug.GetPluginVersionStr(version);
  AddTextElement(root, "PluginVersion",
                 o.versionOverride && *o.versionOverride ? o.versionOverride : version.Get());
  if (o.dataText) AddTextElement(root, "Data", o.dataText);

  auto* preset = new TiXmlElement("Preset");
  preset->SetAttribute("name", o.presetName ? o.presetName : "");
  root->LinkEndChild(preset);
  auto* parameters = new TiXmlElement("Parameter");
  preset->LinkEndChild(parameters);
  for (int i = 0; i < plug.NParams(); ++i)
  {
    if (o.onlyKeys && !PresetParamKeysContain(o.onlyKeys, i)) continue;
    const IParam* p = plug.GetParam(i);
    auto* e = new TiXmlElement("Param");
    e->SetAttribute("name", p->GetName());
    e->SetAttribute("val", FormatValue(o.values ? o.values[i] : p->Value()).c_str());
    parameters->LinkEndChild(e);
  }
}

std::string PrintPresetXml(const TiXmlDocument& doc)
{
  TiXmlPrinter printer;
  printer.SetIndent("    ");
  printer.SetLineBreak("\n");
  doc.Accept(&printer);
  return std::string(printer.CStr(), printer.Size());
}

bool ParsePresetXmlText(const char* text, TiXmlDocument& doc)
{
  return text && ParseXmlGuarded(text, doc, TIXML_DEFAULT_ENCODING);
}

bool LoadPresetXmlFile(const char* path, TiXmlDocument& doc)
{
  FILE* f = path && *path ? std::fopen(path, "rb") : nullptr;
  if (!f) return false;
  std::string bytes;
  bool ok = std::fseek(f, 0, SEEK_END) == 0;
  const long size = ok ? std::ftell(f) : -1;
  ok = ok && size >= 0 && size <= kMaxPresetFileBytes && std::fseek(f, 0, SEEK_SET) == 0;
  if (ok)
  {
    bytes.resize(size_t(size));
    ok = std::fread(bytes.data(), 1, bytes.size(), f) == bytes.size();
  }
  std::fclose(f);
  if (!ok) return false;

  // The parser sees one line end: CR LF and a lone CR become LF.
  std::string text;
  text.reserve(bytes.size());
  for (size_t i = 0; i < bytes.size(); ++i)
  {
    if (bytes[i] == '\r')
    {
      text.push_back('\n');
      if (i + 1 < bytes.size() && bytes[i + 1] == '\n') ++i;
    }
    else
      text.push_back(bytes[i]);
  }
  // Bytes after a zero byte are not part of the text.
  text.resize(std::strlen(text.c_str()));
  return ParseXmlGuarded(std::move(text), doc, TIXML_ENCODING_LEGACY);
}

bool ReadPresetXmlTree(const TiXmlDocument& doc, const IPluginBase& plug, const char* const* alternatives,
                       PresetXmlContent& out)
{
  const TiXmlElement* root = doc.FirstChildElement("PresetXMLTree");
  if (!root) return false;

  const TiXmlElement* vendor = root->FirstChildElement("PluginVendor");
  if (!vendor || std::strcmp(TextOf(vendor), plug.GetMfrName()) != 0) return false;

  const TiXmlElement* name = root->FirstChildElement("PluginName");
  if (!name) return false;
  bool nameOk = std::strcmp(TextOf(name), plug.GetPluginName()) == 0;
  for (const char* const* alt = alternatives; !nameOk && alt && *alt; ++alt)
    nameOk = std::strcmp(TextOf(name), *alt) == 0;
  if (!nameOk) return false;

  if (!root->FirstChildElement("PluginVersion")) return false;

  const TiXmlElement* data = root->FirstChildElement("Data");
  out.hasData = data != nullptr;
  out.data.Set(data ? TextOf(data) : "");

  const TiXmlElement* preset = root->FirstChildElement("Preset");
  if (!preset) return false;
  const TiXmlAttribute* first = preset->FirstAttribute();
  if (!first || std::strcmp(first->Name(), "name") != 0) return false;
  out.presetName.Set(first->Value());

  const TiXmlElement* parameters = preset->FirstChildElement("Parameter");
  if (!parameters || !parameters->FirstChild() || !parameters->FirstChild()->ToElement()) return false;

  // The first parameter, in index order, of each name.
  std::unordered_map<std::string_view, int> byName;
  byName.reserve(size_t(plug.NParams()));
  for (int i = 0; i < plug.NParams(); ++i)
    byName.emplace(plug.GetParam(i)->GetName(), i);

  out.values.clear();
  for (const TiXmlNode* node = parameters->FirstChild(); node; node = node->NextSibling())
  {
    const TiXmlElement* e = node->ToElement();
    if (!e) continue;
    if (std::strcmp(e->Value(), "Param") != 0) return false;
    const char* paramName = e->Attribute("name");
    if (!paramName || !*paramName) continue;
    const auto found = byName.find(paramName);
    if (found == byName.end()) continue;
    double value = 0.0;
    const char* val = e->Attribute("val");
    if (!val || std::sscanf(val, "%lf", &value) != 1) value = 0.0;
    out.values.push_back({found->second, value});
  }
  return true;
}

void ApplyPresetValues(IPluginBase& plug, const std::vector<NamedParamValue>& values,
                       const PresetParamKey* onlyKeys)
{
  for (const NamedParamValue& v : values)
  {
    if (onlyKeys && !PresetParamKeysContain(onlyKeys, v.paramIdx)) continue;
    if (IParam* p = plug.GetParam(v.paramIdx)) p->Set(p->Constrain(v.value));
  }
}

std::vector<double> UnsetPresetValues(const IPluginBase& plug)
{
  return std::vector<double>(size_t(plug.NParams()), kUnsetPresetValue);
}

void DefaultUnsetPresetValues(const IPluginBase& plug, std::vector<double>& values)
{
  for (int i = 0; i < plug.NParams() && size_t(i) < values.size(); ++i)
    if (values[size_t(i)] == kUnsetPresetValue) values[size_t(i)] = plug.GetParam(i)->GetDefault();
}
} // namespace iplugin
