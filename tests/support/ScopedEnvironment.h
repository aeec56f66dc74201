// Sets environment variables for one test and puts the old values back when it ends.
#pragma once

#include <cstdlib>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace qorvtest
{
class ScopedEnvironment
{
public:
  ScopedEnvironment() = default;
  ScopedEnvironment(const ScopedEnvironment&) = delete;
  ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

  // A null value removes the variable.
  void Set(const char* name, const char* value)
  {
    const char* old = std::getenv(name);
    saved.emplace_back(name, old ? std::optional<std::string>(old) : std::nullopt);
    if (value)
      setenv(name, value, 1);
    else
      unsetenv(name);
  }

  ~ScopedEnvironment()
  {
    for (auto it = saved.rbegin(); it != saved.rend(); ++it)
    {
      if (it->second)
        setenv(it->first.c_str(), it->second->c_str(), 1);
      else
        unsetenv(it->first.c_str());
    }
  }

private:
  std::vector<std::pair<std::string, std::optional<std::string>>> saved;
};
} // namespace qorvtest
