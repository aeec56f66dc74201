// The configuration record a plug-in fills in its constructor and hands to the framework's bases.
// The text fields point at strings that live for the whole process.
#pragma once

namespace iplugin
{
struct PluginConfig
{
  int paramCount = 0;
  int presetCount = 0;
  const char* channelIO = "";
  const char* pluginName = "";
  const char* productName = "";
  const char* makerName = "";
  int version = 0; // major << 16 | minor << 8 | patch
  int uniqueId = 0;
  int makerId = 0;
  int latency = 0;
  // The most frames the plug-in processes in one block; a host asking for more slices gets this many, and
  // reads it back from the maximum frames per slice.
  int maxBlockSize = 65536;
  bool midiIn = false;
  bool midiOut = false;
  bool mpe = false;
  bool stateChunks = false;
  int pluginKind = 0; // 0 effect, 1 instrument, 2 MIDI effect
  bool hasUI = false;
  int width = 0;
  int height = 0;
  int minWidth = 0;
  int maxWidth = 0;
  int minHeight = 0;
  int maxHeight = 0;
  bool hostResize = false;
  const char* bundleId = "";
};
} // namespace iplugin
