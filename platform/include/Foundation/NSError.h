// Stand-in for NSError: a domain, a code and a description, handed back through an NSError** argument.
#pragma once

#include <memory>
#include <string>

class NSError
{
public:
  NSError(std::string domain, long code, std::string description)
      : mDomain(std::move(domain)), mCode(code), mDescription(std::move(description))
  {
  }
  const std::string& domain() const { return mDomain; }
  long code() const { return mCode; }
  const std::string& localizedDescription() const { return mDescription; }

private:
  std::string mDomain;
  long mCode;
  std::string mDescription;
};
