// A value that two threads share without a lock: every load and store is whole (an atomic without
// ordering constraints), so a reader sees either the old or the new value, never a torn one.
#pragma once

#include <atomic>
#include <type_traits>

namespace iplugin
{
template <typename T> class Relaxed
{
  static_assert(std::atomic<T>::is_always_lock_free, "shared audio fields must be lock-free");

public:
  constexpr Relaxed(T value = T()) noexcept : mValue(value) {}
  Relaxed(const Relaxed& other) noexcept : mValue(other.Load()) {}
  Relaxed& operator=(const Relaxed& other) noexcept
  {
    Store(other.Load());
    return *this;
  }
  Relaxed& operator=(T value) noexcept
  {
    Store(value);
    return *this;
  }
  operator T() const noexcept { return Load(); }

  T Load() const noexcept { return mValue.load(std::memory_order_relaxed); }
  // A floating-point value that is not finite is stored as 0: these fields are the engine's mirrors and
  // DSP states, where NaN or infinity would poison every block after it.
  void Store(T value) noexcept
  {
    if constexpr (std::is_floating_point_v<T>)
      if (!(value - value == T(0))) value = T(0);
    mValue.store(value, std::memory_order_relaxed);
  }

private:
  std::atomic<T> mValue;
};
} // namespace iplugin
