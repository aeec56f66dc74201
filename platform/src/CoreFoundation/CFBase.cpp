#include "platform/src/CoreFoundation/CFRuntime.h"

#include <CoreFoundation/CFString.h>
#include <QorvPlatform/CFLiveObjects.h>

#include <cstdio>
#include <cstdlib>

namespace
{
std::atomic<long> gLive{0};
thread_local int tUncounted = 0;
} // namespace

const CFAllocatorRef kCFAllocatorSystemDefault = nullptr;
const CFAllocatorRef kCFAllocatorMalloc = nullptr;

namespace qorvcf
{
Object::Object(CFTypeID type, bool immortal)
    : typeID(type), immortal(immortal), counted(!immortal && !tUncounted)
{
  if (counted) CountLive(1);
}

Object::~Object()
{
  if (counted) CountLive(-1);
}

UncountedScope::UncountedScope()
{
  ++tUncounted;
}
UncountedScope::~UncountedScope()
{
  --tUncounted;
}

std::string Object::Describe() const
{
  char text[64];
  std::snprintf(text, sizeof text, "<CFType %lu %p>", typeID, static_cast<const void*>(this));
  return text;
}

void CountLive(long delta)
{
  gLive.fetch_add(delta, std::memory_order_relaxed);
}

std::string DescribeValue(CFTypeRef cf)
{
  if (!cf) return "(null)";
  return AsObject(cf)->Describe();
}
} // namespace qorvcf

long qorvplatform::LiveCFObjectCount()
{
  return gLive.load();
}

void* CFAllocatorAllocate(CFAllocatorRef, CFIndex size, CFOptionFlags)
{
  if (size <= 0) return nullptr;
  void* p = std::malloc(static_cast<size_t>(size));
  if (p) qorvcf::CountLive(1);
  return p;
}

void CFAllocatorDeallocate(CFAllocatorRef, void* ptr)
{
  if (!ptr) return;
  std::free(ptr);
  qorvcf::CountLive(-1);
}

CFTypeRef CFRetain(CFTypeRef cf)
{
  const qorvcf::Object* o = qorvcf::AsObject(cf);
  if (o && !o->immortal) const_cast<qorvcf::Object*>(o)->refs.fetch_add(1, std::memory_order_relaxed);
  return cf;
}

void CFRelease(CFTypeRef cf)
{
  const qorvcf::Object* o = qorvcf::AsObject(cf);
  if (!o || o->immortal) return;
  if (const_cast<qorvcf::Object*>(o)->refs.fetch_sub(1, std::memory_order_acq_rel) == 1) delete o;
}

CFIndex CFGetRetainCount(CFTypeRef cf)
{
  const qorvcf::Object* o = qorvcf::AsObject(cf);
  if (!o) return 0;
  return o->immortal ? 0x7fffffff : o->refs.load();
}

CFTypeID CFGetTypeID(CFTypeRef cf)
{
  const qorvcf::Object* o = qorvcf::AsObject(cf);
  return o ? o->typeID : 0;
}

Boolean CFEqual(CFTypeRef cf1, CFTypeRef cf2)
{
  if (cf1 == cf2) return true;
  const qorvcf::Object* a = qorvcf::AsObject(cf1);
  const qorvcf::Object* b = qorvcf::AsObject(cf2);
  if (!a || !b || a->typeID != b->typeID) return false;
  return a->Equals(*b);
}

CFHashCode CFHash(CFTypeRef cf)
{
  const qorvcf::Object* o = qorvcf::AsObject(cf);
  return o ? o->Hash() : 0;
}

CFStringRef CFCopyDescription(CFTypeRef cf)
{
  if (!cf) return nullptr;
  std::string text = qorvcf::DescribeValue(cf);
  return CFStringCreateWithBytes(nullptr, reinterpret_cast<const UInt8*>(text.data()),
                                 static_cast<CFIndex>(text.size()), kCFStringEncodingUTF8, false);
}
