// Stand-in for Foundation bundles, over the Core Foundation bundle stand-in.
#pragma once

#include <CoreFoundation/CFBundle.h>

#include <string>

class NSBundle
{
public:
  // Null when no known bundle has the identifier (see CFBundleGetBundleWithIdentifier).
  static NSBundle* bundleWithIdentifier(const std::string& identifier);
  static NSBundle* mainBundle();

  std::string bundleIdentifier() const;
  std::string bundlePath() const;
  std::string resourcePath() const;
  std::string executablePath() const;
  // The file <name>.<type> in the resource folder (a name may hold sub-folders); "" when no file is
  // there.
  std::string pathForResource(const std::string& name, const std::string& type) const;

  explicit NSBundle(CFBundleRef bundle) : m_bundle(bundle) {}

private:
  CFBundleRef m_bundle;
};
