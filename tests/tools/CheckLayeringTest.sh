#!/bin/bash
# tools/check-layering on this repository passes; each include that its table forbids, planted alone in a
# small tree, fails it with a message naming the file; the allowed ones pass; the table says what the
# subsystem libraries link in CMakeLists.txt.
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
host/EditorCommand.cpp|#include "framework/au/AUCocoaViewFactory.h"
controls/IVKnobControl.cpp|#include "framework/au/IPluginAU.h"
mixer/MixerEngine.cpp|#include "../framework/au/AUBase.h"
CASES

# file | include line that must pass
while IFS='|' read -r file line; do
  if out=$(plant "$file" "$line"); then passed=$((passed + 1)); else fail "$file: $line failed: $out"; fi
done <<'CASES'
mixer/MixerEngine.cpp|#include "framework/IParam.h"
mixer/MixerEngine.cpp|#include "MixerEngine.h"
host/main.cpp|#include <AppKit/NSView.h>
host/main.cpp|#include <unistd.h>
host/main.cpp|#include "framework/AtomicFile.h"
editor/plugin/Qorv.cpp|#include <mixer/MixerEngine.h>
editor/plugin/Qorv.cpp|#include "framework/au/IPluginAU.h"
tests/host/X.cpp|#include "editor/plugin/Qorv.h"
CASES

# The table mirrors the links of the subsystem libraries (qorv_add_library in CMakeLists.txt): each folder
# may include exactly the folders of the libraries its library names, its own library's other folders
# aside (framework/au may include framework; not the other way).
ROOT="$(dirname "$CHECK")/.."
table=$(sed -n "/^allowed='/,/^'/p" "$CHECK" | grep ':')
mismatch=$(
  { echo "$table" | sed 's/^/T /'; tr '\n' ' ' <"$ROOT/CMakeLists.txt" | grep -o 'qorv_add_library([^)]*)' | sed 's/^/C /'; } |
    awk '
      $1 == "T" { f = $2; sub(/:$/, "", f); table[f] = " " substr($0, index($0, ":") + 1) " "; next }
      {
        sub(/^C qorv_add_library\(/, ""); sub(/\)$/, "")
        n = split($0, w, /[ \t]+/); name = w[1]; mode = ""; dirs = ""; deps = ""
        for (i = 2; i <= n; ++i) {
          if (w[i] == "DIRS" || w[i] == "DEPS") { mode = w[i]; continue }
          if (mode == "DIRS") dirs = dirs " " w[i]; else if (mode == "DEPS") deps = deps " " w[i]
        }
        libDirs[name] = dirs; libDeps[name] = deps; libs[++count] = name
      }
      END {
        libDirs["qorv_platform"] = " platform"
        for (k = 1; k <= count; ++k) {
          name = libs[k]
          nd = split(libDirs[name], own, " ")
          want = " "
          nl = split(libDeps[name], linked, " ")
          for (j = 1; j <= nl; ++j) want = want libDirs[linked[j]] " "
          for (i = 1; i <= nd; ++i) {
            d = own[i]
            if (!(d in table)) { print d ": no entry"; continue }
            m = split(want, w2, " ")
            for (j = 1; j <= m; ++j) if (index(table[d], " " w2[j] " ") == 0) print d ": links " w2[j] " but may not include it"
            m = split(table[d], t2, " ")
            for (j = 1; j <= m; ++j) if (index(want, " " t2[j] " ") == 0 && index(libDirs[name] " ", " " t2[j] " ") == 0) print d ": may include " t2[j] " but does not link it"
          }
        }
      }' 2>&1
)
if [ -z "$mismatch" ]; then passed=$((passed + 1)); else fail "the table and CMakeLists.txt differ: $mismatch"; fi

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
