// The mixer's values as the tagged state chunk that the host stores and every preset record holds:
//   "RIFF", A, 1, "QXCM", "QXCS", B, 1, L, L bytes of XML, a zero pad byte when B is odd,
// all integers 32-bit little-endian; A counts the bytes from offset 8 to the end (pad included),
// B = 8 + L. Main thread.
#pragma once

#include "framework/ByteChunk.h"
#include "mixer/PresetParamKey.h"

namespace iplugin
{
class IPluginBase;

class IXMLParameters
{
public:
  // The XML of all current values, as L and L bytes; the preset name is record 0's name. False, and
  // nothing appended, when the text cannot be printed or appended.
  static bool WriteStateXMLToChunk(const IPluginBase& plug, ByteChunk& chunk);
  // The same from one value per parameter and the given name.
  static bool WritePresetXMLToChunk(const IPluginBase& plug, const double* values, ByteChunk& chunk,
                                    const char* presetName);
  // Reads L and the text at pos, checks the whole document and only then applies it (with filter on,
  // only the listed parameters) and names record 0. The position after the text, or 0 on failure with
  // nothing changed.
  static int ReadStateXMLFromChunk(IPluginBase& plug, const ByteChunk& chunk, int pos, bool filter = false,
                                   const PresetParamKey* keys = nullptr);

  // Appends the whole tagged chunk: of the current values, or of values and presetName when values is
  // given. False, with the chunk as it was, when the XML cannot be written.
  static bool WriteStateChunk(const IPluginBase& plug, ByteChunk& chunk, const double* values = nullptr,
                              const char* presetName = nullptr);
  // Reads a tagged chunk at pos. Returns pos when no chunk starts there (empty, too short for the tag,
  // or not "RIFF"); -1, with nothing changed, when the header, a length or the XML is bad; else applies
  // the values, passes every parameter to the handler as a state recall and returns the position after
  // the chunk.
  static int ReadStateChunk(IPluginBase& plug, const ByteChunk& chunk, int pos, bool filter = false,
                            const PresetParamKey* keys = nullptr);
};
} // namespace iplugin
