// VST program (.fxp) and bank (.fxb) files of the plug-in base. All integers are big-endian.
#include "framework/AtomicFile.h"
#include "framework/IPluginBase.h"

#include <cstdio>
#include <cstring>
#include <vector>

namespace iplugin
{
namespace
{
constexpr int kNameBytes = 28;
constexpr int kBankReserved = 124;
constexpr int kChunkVersion = 0x10000;
// Larger files are refused unread.
constexpr long kMaxFileSize = 64L * 1024 * 1024;

void PutBE32(ByteChunk& c, uint32_t v)
{
  const uint8_t b[4] = {uint8_t(v >> 24), uint8_t(v >> 16), uint8_t(v >> 8), uint8_t(v)};
  c.PutBytes(b, 4);
}

void PutMagic(ByteChunk& c, const char* magic)
{
  c.PutBytes(magic, 4);
}

void PutFloatBE(ByteChunk& c, float f)
{
  uint32_t bits;
  std::memcpy(&bits, &f, 4);
  PutBE32(c, bits);
}

void PutName(ByteChunk& c, const char* name)
{
  char field[kNameBytes] = {};
  CopyBounded(field, name);
  c.PutBytes(field, kNameBytes);
}

// A cursor over a file's bytes; any read past the end marks it failed and reads zeros.
struct Reader
{
  const ByteChunk& c;
  int pos = 0;
  bool ok = true;

  uint32_t BE32()
  {
    uint8_t b[4] = {};
    Take(b, 4);
    return uint32_t(b[0]) << 24 | uint32_t(b[1]) << 16 | uint32_t(b[2]) << 8 | b[3];
  }
  float FloatBE()
  {
    const uint32_t bits = BE32();
    float f;
    std::memcpy(&f, &bits, 4);
    return f;
  }
  bool Magic(const char* magic)
  {
    char b[4] = {};
    Take(b, 4);
    return ok && std::memcmp(b, magic, 4) == 0;
  }
  void Take(void* out, int n)
  {
    const int next = ok ? c.GetBytes(out, n, pos) : -1;
    if (next < 0)
      ok = false;
    else
      pos = next;
  }
  int Remaining() const { return ok ? c.Size() - pos : 0; }
};

// The opaque block of a chunk file: its byte size, "tffp" and the format version, then the state bytes
// (the size less those eight), which go to out. False when any of it is missing or does not match.
bool ReadOpaqueChunk(Reader& r, ByteChunk& out)
{
  const int size = int(r.BE32());
  if (!r.ok || size < 8 || size > r.Remaining() || !r.Magic("tffp") || r.BE32() != uint32_t(kChunkVersion))
    return false;
  out.PutBytes(r.c.GetData() + r.pos, size - 8);
  return true;
}

bool ReadFile(const char* path, ByteChunk& out)
{
  FILE* f = path ? std::fopen(path, "rb") : nullptr;
  if (!f) return false;
  bool ok = std::fseek(f, 0, SEEK_END) == 0;
  const long size = ok ? std::ftell(f) : -1;
  ok = ok && size >= 0 && size <= kMaxFileSize && std::fseek(f, 0, SEEK_SET) == 0;
  if (ok && size > 0)
  {
    ok = out.Resize(int(size)) == int(size) && std::fread(out.GetData(), 1, size_t(size), f) == size_t(size);
  }
  std::fclose(f);
  return ok;
}

bool WriteFile(const char* path, const ByteChunk& data)
{
  return WriteFileAtomically(path, data.GetData(), size_t(data.Size()));
}

// "CcnK", the byte size and a program's fields up to its name.
void PutProgramHeader(ByteChunk& c, uint32_t byteSize, const char* magic, int uniqueId, int version,
                      int nParams, const char* name)
{
  PutMagic(c, "CcnK");
  PutBE32(c, byteSize);
  PutMagic(c, magic);
  PutBE32(c, 1);
  PutBE32(c, uint32_t(uniqueId));
  PutBE32(c, uint32_t(version));
  PutBE32(c, uint32_t(nParams));
  PutName(c, name);
}

// "CcnK", the byte size, one of the two magics, the format version and the plug-in id, which must be
// uniqueId; then the plug-in version. False when any of it is missing or does not match.
bool ReadHeader(Reader& r, const char* chunkMagic, const char* plainMagic, int uniqueId, bool& isChunk)
{
  if (!r.Magic("CcnK")) return false;
  r.BE32(); // byte size
  isChunk = r.Magic(chunkMagic);
  if (!isChunk)
  {
    r.ok = true;
    r.pos -= 4;
    if (!r.Magic(plainMagic)) return false;
  }
  r.BE32(); // format version
  if (int(r.BE32()) != uniqueId) return false;
  r.BE32(); // plug-in version
  return r.ok;
}

// "tffp", the chunk version, then the payload.
void PutOpaqueChunk(ByteChunk& out, const ByteChunk& payload)
{
  PutMagic(out, "tffp");
  PutBE32(out, kChunkVersion);
  out.PutChunk(&payload);
}
} // namespace

bool IPluginBase::SavePresetAsFXP(const char* path) const
{
  ByteChunk out;
  if (!mStateChunks)
  {
    PutProgramHeader(out, 0, "FxCk", mUniqueID, GetPluginVersion(true), NParams(),
                     GetPresetName(mCurrentPresetIdx));
    for (int i = 0; i < NParams(); ++i)
      PutFloatBE(out, float(GetParam(i)->GetNormalized()));
  }
  else
  {
    ByteChunk state, chunk;
    if (!SerializeState(state)) return false;
    PutOpaqueChunk(chunk, state);
    PutProgramHeader(out, uint32_t(chunk.Size() + 60), "FPCh", mUniqueID, GetPluginVersion(true), NParams(),
                     GetPresetName(mCurrentPresetIdx));
    PutBE32(out, uint32_t(chunk.Size()));
    out.PutChunk(&chunk);
  }
  return WriteFile(path, out);
}

bool IPluginBase::SaveBankAsFXB(const char* path) const
{
  ByteChunk body;
  PutMagic(body, mStateChunks ? "FBCh" : "FxBk");
  PutBE32(body, 2);
  PutBE32(body, uint32_t(mUniqueID));
  PutBE32(body, uint32_t(GetPluginVersion(true)));
  PutBE32(body, uint32_t(NPresets()));
  PutBE32(body, uint32_t(mCurrentPresetIdx));
  const uint8_t reserved[kBankReserved] = {};
  body.PutBytes(reserved, kBankReserved);

  if (!mStateChunks)
  {
    for (int p = 0; p < NPresets(); ++p)
    {
      const IPreset* preset = mPresets.Get(p);
      PutProgramHeader(body, 0, "FxCk", mUniqueID, GetPluginVersion(true), NParams(), preset->mName);
      for (int i = 0; i < NParams(); ++i)
      {
        // Records hold parameter doubles; a value they lack is the parameter's present one.
        double v = GetParam(i)->Value();
        if (preset->mInitialized) preset->mChunk.Get(&v, i * int(sizeof(double)));
        PutFloatBE(body, float(GetParam(i)->ToNormalizedClamped(v)));
      }
    }
  }
  else
  {
    ByteChunk presets, chunk;
    if (!SerializePresets(presets)) return false;
    PutOpaqueChunk(chunk, presets);
    PutBE32(body, uint32_t(chunk.Size()));
    body.PutChunk(&chunk);
  }

  ByteChunk out;
  PutMagic(out, "CcnK");
  PutBE32(out, uint32_t(body.Size()));
  out.PutChunk(&body);
  return WriteFile(path, out);
}

bool IPluginBase::LoadPresetFromFXP(const char* path)
{
  ByteChunk data;
  if (!ReadFile(path, data)) return false;
  Reader r{data};
  bool isChunk = false;
  if (!ReadHeader(r, "FPCh", "FxCk", mUniqueID, isChunk)) return false;
  const int numParams = int(r.BE32());
  char name[kNameBytes];
  r.Take(name, kNameBytes);
  if (!r.ok || numParams < 0) return false;

  if (isChunk)
  {
    ByteChunk state;
    if (!ReadOpaqueChunk(r, state)) return false;
    if (UnserializeState(state, 0) < 0) return false;
  }
  else
  {
    if (int64_t(numParams) * 4 > r.Remaining()) return false;
    for (int i = 0; i < numParams; ++i)
    {
      const float f = r.FloatBE();
      if (IParam* param = GetParam(i)) param->SetNormalized(f);
    }
    HandleParamReset(kPresetRecall);
  }
  HandleRestoreState();
  return true;
}

bool IPluginBase::LoadBankFromFXB(const char* path)
{
  ByteChunk data;
  if (!ReadFile(path, data)) return false;
  Reader r{data};
  bool isChunk = false;
  if (!ReadHeader(r, "FBCh", "FxBk", mUniqueID, isChunk)) return false;
  const int numPrograms = int(r.BE32());
  const int currentProgram = int(r.BE32());
  uint8_t reserved[kBankReserved];
  r.Take(reserved, kBankReserved);
  if (!r.ok || numPrograms < 0) return false;

  if (isChunk)
  {
    ByteChunk presets;
    if (!ReadOpaqueChunk(r, presets)) return false;
    if (currentProgram >= 0 && currentProgram < NPresets()) mCurrentPresetIdx = currentProgram;
    return UnserializePresets(presets, 0) >= 0;
  }

  // Read every program before anything changes.
  struct Program
  {
    char name[kNameBytes + 1] = {};
    std::vector<double> values;
  };
  std::vector<Program> programs;
  for (int p = 0; p < numPrograms && r.ok; ++p)
  {
    bool programIsChunk = false;
    if (!ReadHeader(r, "FPCh", "FxCk", mUniqueID, programIsChunk) || programIsChunk) return false;
    const int numParams = int(r.BE32());
    Program program;
    r.Take(program.name, kNameBytes);
    if (!r.ok || numParams < 0 || int64_t(numParams) * 4 > r.Remaining()) return false;
    SnapshotParams(program.values);
    for (int i = 0; i < numParams; ++i)
    {
      const float f = r.FloatBE();
      if (const IParam* param = GetParam(i))
        program.values[size_t(i)] = param->Constrain(param->FromNormalized(f));
    }
    if (p < NPresets()) programs.push_back(std::move(program));
  }
  if (!r.ok) return false;

  for (size_t p = 0; p < programs.size(); ++p)
  {
    IPreset* preset = mPresets.Get(int(p));
    preset->SetName(programs[p].name);
    preset->mInitialized = true;
    preset->mChunk.Clear();
    for (double v : programs[p].values)
      preset->mChunk.Put(&v);
  }
  return RestorePreset(currentProgram >= 0 && currentProgram < NPresets() ? currentProgram : 0);
}
} // namespace iplugin
