#include "host/PresetDocument.h"

#include <cstdio>
#include <cstring>

#include <tinyxml.h>

#include "framework/GuardedXmlParse.h"

namespace qorvhost
{
namespace
{
// The parameters a preset file sets; loading one first returns these to their defaults. The others
// (plug-in mode, channel count, GUI, automation and output settings) keep their values.
bool IsPresetParameter(size_t index)
{
  return (index >= 5 && index <= 13) || index == 15 || (index >= 17 && index <= 272);
}

// Other "PluginName" texts the mixer's loader takes from files: its short product name.
constexpr const char* kShortNames[] = {"Qor"};

bool Parse(TiXmlDocument& doc, const std::string& text)
{
  return iplugin::ParseXmlGuarded(text, doc, TIXML_ENCODING_LEGACY);
}

const char* ChildText(TiXmlElement* root, const char* name)
{
  TiXmlElement* e = root->FirstChildElement(name);
  return e ? (e->GetText() ? e->GetText() : "") : nullptr;
}

std::string Fixed(double v)
{
  char text[64];
  std::snprintf(text, sizeof text, "%f", v);
  return text;
}
} // namespace

bool MergePresetIntoState(const std::string& file, const std::string& state,
                          const std::vector<double>& defaults, std::string& merged, std::string& why)
{
  TiXmlDocument preset, current;
  if (!Parse(preset, file))
  {
    why = preset.Error() ? std::string("not XML (") + preset.ErrorDesc() + ")" : "XML nested too deeply";
    return false;
  }
  TiXmlElement* proot = preset.RootElement();
  TiXmlElement* sroot = Parse(current, state) ? current.RootElement() : nullptr;
  if (!sroot || std::strcmp(sroot->Value(), "PresetXMLTree") != 0)
  {
    why = "the plug-in's state is no preset document";
    return false;
  }
  if (!proot || std::strcmp(proot->Value(), "PresetXMLTree") != 0)
  {
    why = "no \"PresetXMLTree\"";
    return false;
  }
  const char* vendor = ChildText(proot, "PluginVendor");
  const char* name = ChildText(proot, "PluginName");
  const char* ownVendor = ChildText(sroot, "PluginVendor");
  const char* ownName = ChildText(sroot, "PluginName");
  if (!vendor || !ownVendor || std::strcmp(vendor, ownVendor) != 0)
  {
    why = std::string("made by \"") + (vendor ? vendor : "") + "\", not \"" + (ownVendor ? ownVendor : "") +
          "\"";
    return false;
  }
  bool nameOk = name && ownName && std::strcmp(name, ownName) == 0;
  for (const char* shortName : kShortNames)
    nameOk = nameOk || (name && std::strcmp(name, shortName) == 0);
  if (!nameOk)
  {
    why = std::string("for \"") + (name ? name : "") + "\", not \"" + (ownName ? ownName : "") + "\"";
    return false;
  }
  TiXmlElement* ppreset = proot->FirstChildElement("Preset");
  TiXmlElement* spreset = sroot->FirstChildElement("Preset");
  const TiXmlAttribute* presetName = ppreset ? ppreset->FirstAttribute() : nullptr;
  TiXmlElement* plist = ppreset ? ppreset->FirstChildElement("Parameter") : nullptr;
  TiXmlElement* slist = spreset ? spreset->FirstChildElement("Parameter") : nullptr;
  if (!proot->FirstChildElement("PluginVersion") || !presetName ||
      std::strcmp(presetName->Name(), "name") != 0 || !plist || !plist->FirstChild() ||
      !plist->FirstChild()->ToElement() || !slist)
  {
    why = "no \"PluginVersion\", named \"Preset\" or \"Parameter\" list";
    return false;
  }
  for (TiXmlElement* p = plist->FirstChildElement(); p; p = p->NextSiblingElement())
    if (std::strcmp(p->Value(), "Param") != 0)
    {
      why = std::string("an element \"") + p->Value() + "\" among the parameters";
      return false;
    }

  // The state lists every parameter in index order.
  std::vector<TiXmlElement*> params;
  for (TiXmlElement* p = slist->FirstChildElement("Param"); p; p = p->NextSiblingElement("Param"))
    params.push_back(p);
  for (size_t i = 0; i < params.size() && i < defaults.size(); ++i)
    if (IsPresetParameter(i)) params[i]->SetAttribute("val", Fixed(defaults[i]).c_str());
  for (TiXmlElement* p = plist->FirstChildElement(); p; p = p->NextSiblingElement())
  {
    const char* paramName = p->Attribute("name");
    if (!paramName || !*paramName) continue;
    for (TiXmlElement* target : params)
    {
      const char* targetName = target->Attribute("name");
      if (!targetName || std::strcmp(targetName, paramName) != 0) continue;
      const char* value = p->Attribute("val");
      target->SetAttribute("val", value ? value : "0.000000");
      break;
    }
  }
  spreset->SetAttribute("name", presetName->Value());

  TiXmlPrinter printer;
  printer.SetIndent("    ");
  printer.SetLineBreak("\n");
  current.Accept(&printer);
  merged = printer.CStr();
  return true;
}
} // namespace qorvhost
