#include "mixer/IXMLParameters.h"

#include "framework/IPluginBase.h"
#include "mixer/PresetXmlTree.h"

#include <cstdint>
#include <cstring>
#include <string>

#include <tinyxml.h>

namespace iplugin
{
namespace
{
constexpr int kHeaderBytes = 32; // up to and including L

bool PutXmlText(const std::string& text, ByteChunk& chunk)
{
  if (text.empty() || text.size() > size_t(INT32_MAX) - 64) return false;
  const int start = chunk.Size();
  const int32_t len = int32_t(text.size());
  if (chunk.Put(&len) != start + 4 || chunk.PutBytes(text.data(), len) != start + 4 + len)
  {
    chunk.Resize(start);
    return false;
  }
  return true;
}

bool WriteXml(const IPluginBase& plug, ByteChunk& chunk, const double* values, const char* presetName)
{
  TiXmlDocument doc;
  PresetXmlWriteOptions options;
  options.values = values;
  options.presetName = presetName;
  BuildPresetXmlTree(doc, plug, options);
  return PutXmlText(PrintPresetXml(doc), chunk);
}

uint32_t WordAt(const ByteChunk& chunk, int64_t pos)
{
  uint32_t v = 0;
  std::memcpy(&v, chunk.GetData() + pos, 4);
  return v;
}

bool TagAt(const ByteChunk& chunk, int64_t pos, const char* tag)
{
  return std::memcmp(chunk.GetData() + pos, tag, 4) == 0;
}

void PatchWord(ByteChunk& chunk, int pos, uint32_t value)
{
  std::memcpy(chunk.GetData() + pos, &value, 4);
}
} // namespace

bool IXMLParameters::WriteStateXMLToChunk(const IPluginBase& plug, ByteChunk& chunk)
{
  return WriteXml(plug, chunk, nullptr, plug.GetPresetName(0));
}

bool IXMLParameters::WritePresetXMLToChunk(const IPluginBase& plug, const double* values, ByteChunk& chunk,
                                           const char* presetName)
{
  return values && WriteXml(plug, chunk, values, presetName ? presetName : "");
}

int IXMLParameters::ReadStateXMLFromChunk(IPluginBase& plug, const ByteChunk& chunk, int pos, bool filter,
                                          const PresetParamKey* keys)
{
  uint32_t len = 0;
  const int textPos = chunk.Get(&len, pos);
  if (textPos < 0 || int64_t(textPos) + len > chunk.Size()) return 0;
  const char* start = reinterpret_cast<const char*>(chunk.GetData() + textPos);
  // The text ends at L bytes or at an earlier zero byte.
  const std::string text(start, len ? strnlen(start, len) : 0);

  TiXmlDocument doc;
  PresetXmlContent content;
  if (!ParsePresetXmlText(text.c_str(), doc) || !ReadPresetXmlTree(doc, plug, nullptr, content)) return 0;

  ApplyPresetValues(plug, content.values, filter ? keys : nullptr);
  if (IPreset* record = plug.GetPreset(0)) record->SetName(content.presetName.Get());
  return textPos + int(len);
}

bool IXMLParameters::WriteStateChunk(const IPluginBase& plug, ByteChunk& chunk, const double* values,
                                     const char* presetName)
{
  const int start = chunk.Size();
  const uint32_t one = 1, zero = 0;
  bool ok = chunk.PutBytes("RIFF", 4) == start + 4 && chunk.Put(&zero) == start + 8 &&
            chunk.Put(&one) == start + 12 && chunk.PutBytes("QXCM", 4) == start + 16 &&
            chunk.PutBytes("QXCS", 4) == start + 20 && chunk.Put(&zero) == start + 24 &&
            chunk.Put(&one) == start + 28;
  ok = ok &&
       (values ? WritePresetXMLToChunk(plug, values, chunk, presetName) : WriteStateXMLToChunk(plug, chunk));
  if (ok)
  {
    const uint32_t b = uint32_t(chunk.Size() - (start + 24));
    const uint8_t pad = 0;
    if ((b & 1) && chunk.Put(&pad) != start + 24 + int(b) + 1) ok = false;
    uint32_t a = uint32_t(chunk.Size() - (start + 8));
    if (ok && (a & 1)) ok = chunk.Put(&pad) == start + 8 + int(++a);
    if (ok)
    {
      PatchWord(chunk, start + 4, a);
      PatchWord(chunk, start + 20, b);
    }
  }
  if (!ok) chunk.Resize(start);
  return ok;
}

int IXMLParameters::ReadStateChunk(IPluginBase& plug, const ByteChunk& chunk, int pos, bool filter,
                                   const PresetParamKey* keys)
{
  const int64_t size = chunk.Size();
  const int64_t p = pos;
  if (size == 0 || p < 0 || p + 4 > size || !TagAt(chunk, p, "RIFF")) return pos;

  if (p + kHeaderBytes > size) return -1;
  if (WordAt(chunk, p + 8) != 1 || !TagAt(chunk, p + 12, "QXCM") || !TagAt(chunk, p + 16, "QXCS")) return -1;
  if (WordAt(chunk, p + 20) == 0 || WordAt(chunk, p + 24) != 1) return -1;

  // Every length is checked against the bytes actually there.
  const uint64_t a = WordAt(chunk, p + 4);
  const uint64_t len = WordAt(chunk, p + 28);
  const int64_t end = p + 8 + int64_t(a);
  if (end > size || p + kHeaderBytes + int64_t(len) > end) return -1;

  if (ReadStateXMLFromChunk(plug, chunk, pos + 28, filter, keys) <= 0) return -1;
  plug.HandleParamReset(kPresetRecall);
  const int64_t after = end + int64_t(a & 1);
  return int(after < size ? after : size);
}
} // namespace iplugin
