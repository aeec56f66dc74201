// The instruction sets the mixer's side-by-side code (LaneVectors.h) is built for: SSE2 pairs, which every
// x86-64 processor has, AVX2 fours, and the same fours with AVX-512's 32 registers (where the detectors'
// filter states of two groups stay in registers). The processor's best is found once when the program
// loads, so the audio thread never waits on a first-use guard; the others can be asked for, to check each
// build of the code on the same data.
#pragma once

#include "framework/Avx2Build.h"

namespace iplugin
{
enum ELaneIsa : int
{
  kLaneIsaSse2 = 0,
  kLaneIsaAvx2 = 1,
  kLaneIsaAvx512 = 2, // AVX-512F and VL, on 256-bit registers
  kLaneIsaBest = 3
};

bool LaneIsaSupported(ELaneIsa isa);

// `isa` when the processor has it and it is not kLaneIsaBest, else the best the processor has.
ELaneIsa ResolveLaneIsa(ELaneIsa isa);

// A plain sample loop F run in the build for `isa`: inlined into an AVX2 build, or called as built for
// every x86-64. The same operations in the same order either way, on wider registers, so the same results.
template <auto F> struct OnLaneIsa
{
  template <class... A> static void Run(ELaneIsa isa, A... a)
  {
    if (ResolveLaneIsa(isa) >= kLaneIsaAvx2)
      Avx2Build<F>::Run(a...);
    else
      F(a...);
  }
};
} // namespace iplugin
