#include <Foundation/NSObjCRuntime.h>
#include <QorvPlatform/Classes.h>

#include <cstdio>
#include <map>
#include <memory>

namespace
{
// Lives as long as the process: binaries register from their static constructors and are never unloaded.
std::map<std::string, std::unique_ptr<objc_class>>& Classes()
{
  static auto* classes = new std::map<std::string, std::unique_ptr<objc_class>>;
  return *classes;
}
} // namespace

Class NSClassFromString(const NSString* name)
{
  if (!name) return nullptr;
  auto it = Classes().find(name->UTF8String());
  return it == Classes().end() ? nullptr : it->second.get();
}

namespace qorvplatform
{
bool RegisterClass(const char* name, objc_class::Maker make)
{
  if (!name || !make) return false;
  std::unique_ptr<objc_class>& c = Classes()[name];
  if (c)
  {
    std::fprintf(stderr, "class %s is defined twice; the first one is used\n", name);
    return false;
  }
  c = std::make_unique<objc_class>(name, make);
  return true;
}
} // namespace qorvplatform
