// Stand-in for Metal's shader libraries. A library is made from data that begins with "MTLB" and names its
// functions; each function's code is C++ that the program registers under that name
// (QorvPlatform/MetalShaders.h).
#pragma once

#include <Metal/MTLTypes.h>

#include <memory>
#include <string>
#include <vector>

struct QorvShaderCode;

class MTLFunction
{
public:
  MTLFunction(std::string name, MTLFunctionType type, std::shared_ptr<const QorvShaderCode> code)
      : mName(std::move(name)), mType(type), mCode(std::move(code))
  {
  }
  const std::string& name() const { return mName; }
  MTLFunctionType functionType() const { return mType; }
  // Stand-in internals.
  const QorvShaderCode& code() const { return *mCode; }

private:
  std::string mName;
  MTLFunctionType mType;
  std::shared_ptr<const QorvShaderCode> mCode;
};

class MTLLibrary
{
public:
  struct Entry
  {
    std::string name;
    MTLFunctionType type;
    std::shared_ptr<const QorvShaderCode> code;
  };
  explicit MTLLibrary(std::vector<Entry> entries) : mEntries(std::move(entries)) {}
  // Null when the library has no function of that name.
  std::shared_ptr<MTLFunction> newFunctionWithName(const std::string& name) const;
  std::vector<std::string> functionNames() const;

private:
  std::vector<Entry> mEntries;
};
