#include "platform/src/Metal/Gpu.h"

#include <QorvPlatform/MetalShaders.h>

#include <algorithm>
#include <map>

bool QorvMetalLibraryFailure();

namespace
{
struct Registry
{
  std::mutex mutex;
  std::map<std::string, std::shared_ptr<const QorvShaderCode>> code;
};

Registry& TheRegistry()
{
  static Registry registry;
  return registry;
}

void Register(const std::string& name, QorvShaderCode code)
{
  Registry& r = TheRegistry();
  std::lock_guard<std::mutex> lock(r.mutex);
  r.code[name] = std::make_shared<const QorvShaderCode>(code);
}

std::shared_ptr<const QorvShaderCode> Lookup(const std::string& name)
{
  Registry& r = TheRegistry();
  std::lock_guard<std::mutex> lock(r.mutex);
  auto it = r.code.find(name);
  return it == r.code.end() ? nullptr : it->second;
}

uint32_t ReadU32(const unsigned char* p)
{
  return p[0] | p[1] << 8 | p[2] << 16 | (uint32_t)p[3] << 24;
}
} // namespace

void QorvMetalRegisterVertexFunction(const std::string& name, QorvVertexFunction function, int varyingCount,
                                     QorvVertexFunction position, QorvVertexRunFunction run)
{
  QorvShaderCode code;
  code.vertex = function;
  code.vertexPosition = position;
  code.vertexRun = run;
  code.varyingCount = std::clamp(varyingCount, 0, kQorvMaxVaryings);
  Register(name, code);
}

void QorvMetalRegisterFragmentFunction(const std::string& name, QorvFragmentFunction function,
                                       QorvFragmentSpanFunction span, QorvFragmentAskFunction ask)
{
  QorvShaderCode code;
  code.fragment = function;
  code.fragmentSpan = span;
  code.fragmentAsk = span ? ask : nullptr;
  Register(name, code);
}

void QorvMetalRegisterCoverageFunction(const std::string& name, QorvFragmentSpanFunction span,
                                       QorvFragmentDrawFunction draw)
{
  QorvShaderCode code;
  code.fragmentSpan = span;
  code.drawConstants = draw;
  code.readsCoverage = true;
  Register(name, code);
}

std::vector<unsigned char>
QorvMetalLibraryData(const std::vector<std::pair<MTLFunctionType, std::string>>& functions)
{
  std::vector<unsigned char> out = {'M', 'T', 'L', 'B', 1, 0, 0, 0};
  uint32_t n = (uint32_t)functions.size();
  for (int i = 0; i < 4; ++i)
    out.push_back((unsigned char)(n >> (8 * i)));
  for (const auto& [type, name] : functions)
  {
    out.push_back((unsigned char)type);
    out.push_back((unsigned char)(name.size() & 0xff));
    out.push_back((unsigned char)(name.size() >> 8));
    out.insert(out.end(), name.begin(), name.end());
  }
  return out;
}

std::shared_ptr<MTLFunction> MTLLibrary::newFunctionWithName(const std::string& name) const
{
  for (const Entry& e : mEntries)
    if (e.name == name) return std::make_shared<MTLFunction>(e.name, e.type, e.code);
  return nullptr;
}

std::vector<std::string> MTLLibrary::functionNames() const
{
  std::vector<std::string> names;
  for (const Entry& e : mEntries)
    names.push_back(e.name);
  return names;
}

std::shared_ptr<MTLLibrary> MTLDevice::newLibraryWithData(dispatch_data_t data,
                                                          std::shared_ptr<NSError>* error)
{
  auto fail = [error](long code, const std::string& text) -> std::shared_ptr<MTLLibrary>
  {
    if (error) *error = std::make_shared<NSError>("MTLLibraryErrorDomain", code, text);
    return nullptr;
  };
  if (QorvMetalLibraryFailure()) return fail(1, "Invalid library file");
  const void* bytes = nullptr;
  size_t size = 0;
  dispatch_data_t map = dispatch_data_create_map(data, &bytes, &size);
  std::vector<unsigned char> blob;
  if (map)
  {
    blob.assign((const unsigned char*)bytes, (const unsigned char*)bytes + size);
    dispatch_release(map);
  }
  if (blob.size() < 12 || blob[0] != 'M' || blob[1] != 'T' || blob[2] != 'L' || blob[3] != 'B' ||
      ReadU32(&blob[4]) != 1)
    return fail(1, "Invalid library file");
  uint32_t count = ReadU32(&blob[8]);
  size_t at = 12;
  std::vector<MTLLibrary::Entry> entries;
  for (uint32_t i = 0; i < count; ++i)
  {
    if (blob.size() - at < 3) return fail(1, "Invalid library file");
    auto type = (MTLFunctionType)blob[at];
    size_t length = blob[at + 1] | blob[at + 2] << 8;
    at += 3;
    if ((type != MTLFunctionTypeVertex && type != MTLFunctionTypeFragment) || blob.size() - at < length)
      return fail(1, "Invalid library file");
    std::string name((const char*)&blob[at], length);
    at += length;
    auto code = Lookup(name);
    if (!code || (type == MTLFunctionTypeVertex ? !code->vertex : !code->fragment && !code->readsCoverage))
      return fail(2, "Function " + name + " has no code");
    entries.push_back({name, type, code});
  }
  if (at != blob.size()) return fail(1, "Invalid library file");
  return std::make_shared<MTLLibrary>(std::move(entries));
}
