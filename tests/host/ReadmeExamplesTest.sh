#!/bin/bash
# The README's terminal examples are what the host prints today: every "$ COMMAND" line of a fenced block
# runs (on the demo session that tools/make-panel-demo makes, "../bin/qorv-host" being the host under
# test) and its output must be the lines the README shows under it; the help of `mix` that the README
# quotes must be the host's. Exit 77 (skipped) when the demo cannot be made (no espeak-ng or sox).
# usage: ReadmeExamplesTest.sh HOST WORK
set -u
HOST=$1 WORK=$2
HERE=$(cd "$(dirname "$0")/../.." && pwd)
README=$HERE/README.md
rm -rf "$WORK" && mkdir -p "$WORK/demo" || exit 1
command -v espeak-ng >/dev/null && command -v sox >/dev/null || { echo "skipped: espeak-ng or sox is missing"; exit 77; }
"$HERE/tools/make-panel-demo" "$WORK/demo" >"$WORK/make-demo.log" 2>&1 || { cat "$WORK/make-demo.log"; exit 1; }
export XDG_DATA_HOME=$WORK/data
passed=0 failed=0

# Compares what a command printed ($2, a file) with what the README shows ($3, a file); $1 names it.
compare() {
  if diff -u "$3" "$2" >"$WORK/diff"; then
    passed=$((passed + 1))
  else
    echo "README: \"$1\" prints otherwise than shown (- README, + now):"
    cat "$WORK/diff"
    failed=$((failed + 1))
  fi
}

# Each "$ " line of a fenced block with the lines shown under it, as files cmd-N and shown-N.
awk -v dir="$WORK" '
  /^```/ { fenced = !fenced; current = 0; next }
  fenced && /^\$ / { current = ++n; sub(/^\$ /, ""); print > (dir "/cmd-" n); printf "" > (dir "/shown-" n); next }
  fenced && current { print > (dir "/shown-" current) }
' "$README"
count=$(ls "$WORK" | grep -c '^cmd-')
[ "$count" -gt 0 ] || { echo "README: no examples found"; exit 1; }
cd "$WORK/demo" || exit 1
for i in $(seq "$count"); do
  command=$(cat "$WORK/cmd-$i")
  case $command in
  "cd "*) passed=$((passed + 1)); continue ;; # the demo's folder: here already
  esac
  run=${command//..\/bin\/qorv-host/\"\$HOST\"}
  HOST=$HOST bash -c "$run" >"$WORK/printed-$i" 2>&1
  compare "$command" "$WORK/printed-$i" "$WORK/shown-$i"
done

# The help of mix, as the README quotes it: the block that starts with its usage line.
awk '/^```/ { if (inside) exit; fenced = !fenced; next } fenced && /^usage: qorv-host mix / { inside = 1 } inside' \
  "$README" >"$WORK/mix-help-shown"
"$HOST" mix --help >"$WORK/mix-help-printed" 2>&1
compare "qorv-host mix --help" "$WORK/mix-help-printed" "$WORK/mix-help-shown"

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
