#include <Foundation/NSURL.h>

#include <deque>
#include <mutex>

namespace
{
// URLs live as long as the process, as autoreleased objects would for the caller's purposes.
NSURL* Keep(std::string address, bool isFile)
{
  static std::mutex mutex;
  static std::deque<NSURL> urls;
  std::lock_guard<std::mutex> lock(mutex);
  urls.emplace_back(std::move(address), isFile);
  return &urls.back();
}
} // namespace

NSURL* NSURL::URLWithString(const std::string& address)
{
  return address.empty() ? nullptr : Keep(address, address.compare(0, 7, "file://") == 0);
}

NSURL* NSURL::fileURLWithPath(const std::string& path)
{
  return path.empty() ? nullptr : Keep("file://" + path, true);
}
