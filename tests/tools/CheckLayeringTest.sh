#!/bin/bash
# tools/check-layering on this repository passes; each include that its table forbids, planted alone in a
# small tree, fails it with a message naming the file; the allowed ones pass.
# usage: CheckLayeringTest.sh WORK
set -u
CHECK="$(cd "$(dirname "$0")/../.." && pwd)/tools/check-layering"
WORK=$1
rm -rf "$WORK" && mkdir -p "$WORK"
passed=0 failed=0
fail() { echo "$1"; failed=$((failed + 1)); }

# Plants FILE with the one LINE in a tree of its own and runs the checker on it; prints its output.
plant() {
  local tree
  tree=$(mktemp -d "$WORK/case.XXXXXX")
  mkdir -p "$tree/$(dirname "$1")"
  printf '%s\n' "$2" >"$tree/$1"
  "$CHECK" --root "$tree" 2>&1
}

if out=$("$CHECK" 2>&1); then passed=$((passed + 1)); else fail "the repository fails its own check: $out"; fi

# file | include line that must fail
while IFS='|' read -r file line; do
  if out=$(plant "$file" "$line"); then
    fail "$file: $line passed"
  elif ! grep -q "^$file:1: " <<<"$out"; then
    fail "$file: $line failed without naming it: $out"
  else
    passed=$((passed + 1))
  fi
done <<'CASES'
graphics/IControl.cpp|#include "mixer/MixerEngine.h"
controls/IVKnobControl.cpp|#include "mixer/MixerEngine.h"
graphics/svg/SVGParser.cpp|#include "mixer/MixerEngine.h"
host/EditorCommand.cpp|#include "editor/plugin/Qorv.h"
mixer/MixerEngine.cpp|#include "graphics/interface/IGraphicsContext.h"
host/main.cpp|#include <editor/plugin/Qorv.h>
framework/IPlugin.cpp|#include "framework/../editor/plugin/Qorv.h"
framework/IPlugin.cpp|#include "../editor/plugin/Qorv.h"
platform/src/AppKit/NSView.cpp|#include "framework/IParam.h"
graphics/interface/IGraphicsContext.h|#include <AppKit/NSView.h>
newfolder/New.cpp|#include <vector>
CASES

# file | include line that must pass
while IFS='|' read -r file line; do
  if out=$(plant "$file" "$line"); then passed=$((passed + 1)); else fail "$file: $line failed: $out"; fi
done <<'CASES'
mixer/MixerEngine.cpp|#include "framework/IParam.h"
mixer/MixerEngine.cpp|#include "MixerEngine.h"
mixer/MixerEngine.cpp|#include "../framework/au/AUBase.h"
host/main.cpp|#include <AppKit/NSView.h>
host/main.cpp|#include <unistd.h>
editor/plugin/Qorv.cpp|#include <mixer/MixerEngine.h>
tests/host/X.cpp|#include "editor/plugin/Qorv.h"
CASES

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
