// Prints the parameter table and presets of the example plug-in.
#include "tests/example/ExamplePlugin.h"

#include <cstdio>

using namespace iplugin;

int main()
{
  qorvexample::ExamplePlugin plugin;
  static const char* const kTypes[] = {"none", "bool", "int", "enum", "double"};

  StringBuf version, text;
  plugin.GetPluginVersionStr(version);
  std::printf("%s %s by %s (%s, %d parameters, channel layouts \"%s\")\n\n", plugin.GetProductName(),
              version.Get(), plugin.GetMfrName(), plugin.GetAPIStr(), plugin.NParams(),
              qorvexample::ExamplePlugin::MakeConfig().channelIO);
  std::printf("%3s  %-8s %-6s %10s %10s %10s  %-14s %s\n", "#", "name", "type", "min", "max", "default",
              "display", "label");
  for (int i = 0; i < plugin.NParams(); ++i)
  {
    const IParam* p = plugin.GetParam(i);
    p->GetDisplay(text);
    std::printf("%3d  %-8s %-6s %10.2f %10.2f %10.2f  %-14s %s\n", i, p->GetName(), kTypes[p->Type()],
                p->GetMin(), p->GetMax(), p->GetDefault(), text.Get(), p->GetLabel());
  }
  std::printf("\npresets:");
  for (int i = 0; i < plugin.NPresets(); ++i)
    std::printf(" %d \"%s\"", i, plugin.GetPresetName(i));
  std::printf("\n");
  return 0;
}
