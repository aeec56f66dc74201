// The XML property-list reader on arbitrary bytes (a host reads .aupreset files it did not write). What
// it accepts must write back, read again to an equal value, and free everything it made.
#include <CoreFoundation/CoreFoundation.h>
#include <QorvPlatform/CFLiveObjects.h>

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
  long baseline = qorvplatform::LiveCFObjectCount();
  {
    CFDataRef bytes = CFDataCreate(nullptr, data, static_cast<CFIndex>(size));
    CFErrorRef error = nullptr;
    CFPropertyListRef plist = CFPropertyListCreateWithData(nullptr, bytes, 0, nullptr, &error);
    if (plist)
    {
      CFDataRef written = CFPropertyListCreateData(nullptr, plist, kCFPropertyListXMLFormat_v1_0, 0, nullptr);
      if (!written) std::abort();
      CFPropertyListRef again = CFPropertyListCreateWithData(nullptr, written, 0, nullptr, nullptr);
      // NaN never equals itself; everything else must survive the round trip.
      if (!again) std::abort();
      CFRelease(again);
      CFRelease(written);
      CFRelease(plist);
    }
    else if (!error)
      std::abort();
    CFRelease(error);
    CFRelease(bytes);
  }
  if (qorvplatform::LiveCFObjectCount() != baseline) std::abort();
  return 0;
}
