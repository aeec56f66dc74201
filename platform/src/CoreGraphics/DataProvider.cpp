#include <CoreFoundation/CFString.h>
#include <CoreGraphics/CGDataProvider.h>
#include <QorvPlatform/LargeBlocks.h>

#include <atomic>
#include <cstring>
#include <fstream>
#include <vector>

struct CGDataProvider
{
  std::atomic<long> refs{1};
  qorvplatform::LargeVector<UInt8> owned; // read from a file
  const UInt8* data = nullptr;
  size_t size = 0;
  void* info = nullptr;
  CGDataProviderReleaseDataCallback release = nullptr;
};

struct CGFont
{
  CGDataProviderRef provider;
};

CGDataProviderRef CGDataProviderCreateWithURL(CFURLRef url)
{
  UInt8 path[4096];
  if (!url || !CFURLGetFileSystemRepresentation(url, true, path, sizeof path)) return nullptr;
  std::ifstream in(reinterpret_cast<const char*>(path), std::ios::binary);
  if (!in) return nullptr;
  auto* p = new CGDataProvider;
  // In blocks into room grown by doubling: a font file is read in a few copies, not a byte at a time.
  char block[65536];
  while (in.read(block, sizeof block) || in.gcount() > 0)
    p->owned.insert(p->owned.end(), block, block + in.gcount());
  if (in.bad())
  {
    delete p;
    return nullptr;
  }
  p->data = p->owned.data();
  p->size = p->owned.size();
  return p;
}

CGDataProviderRef CGDataProviderCreateWithData(void* info, const void* data, size_t size,
                                               CGDataProviderReleaseDataCallback releaseData)
{
  if (!data && size > 0) return nullptr;
  auto* p = new CGDataProvider;
  p->data = static_cast<const UInt8*>(data);
  p->size = size;
  p->info = info;
  p->release = releaseData;
  return p;
}

CFDataRef CGDataProviderCopyData(CGDataProviderRef provider)
{
  return provider ? CFDataCreate(nullptr, provider->data, CFIndex(provider->size)) : nullptr;
}

CGDataProviderRef CGDataProviderRetain(CGDataProviderRef provider)
{
  if (provider) ++provider->refs;
  return provider;
}

void CGDataProviderRelease(CGDataProviderRef provider)
{
  if (!provider || --provider->refs > 0) return;
  if (provider->release) provider->release(provider->info, provider->data, provider->size);
  delete provider;
}

CGFontRef CGFontCreateWithDataProvider(CGDataProviderRef provider)
{
  if (!provider || provider->size < 12) return nullptr;
  static const char* const kSignatures[] = {"\0\1\0\0", "true", "OTTO", "ttcf", "typ1"};
  for (const char* sig : kSignatures)
    if (std::memcmp(provider->data, sig, 4) == 0) return new CGFont{CGDataProviderRetain(provider)};
  return nullptr;
}

void CGFontRelease(CGFontRef font)
{
  if (!font) return;
  CGDataProviderRelease(font->provider);
  delete font;
}
