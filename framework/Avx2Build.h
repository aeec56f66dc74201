// A plain loop built a second time with AVX2, for the processors that have it: the same operations in the
// same order on wider registers, so the same results.
#pragma once

namespace iplugin
{
// Asks the processor; callers on the audio thread ask once when the library loads and keep the answer.
bool ProcessorHasAvx2();

template <auto F> struct Avx2Build
{
  template <class... A> [[gnu::target("avx2"), gnu::flatten]] static void Run(A... a) { F(a...); }
};
} // namespace iplugin
