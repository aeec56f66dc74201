#!/bin/bash
# Every example of the README and of each command's help runs as written, from where it says to run, in a
# tree laid out as a user's after `make demo`: WORK/root/build/release holds the build's bin folder and
# bundles (the host under test) and the demo folder that tools/demo fills there. The README's examples run
# in it while the help's run beside them in a copy of it (WORK/copy), so that no two write one file.
# A README line "$ COMMAND" must print the lines shown under it; the other lines of a fenced block that
# start with "cd " or with a path to qorv-host must succeed. A block that starts with "cd " starts at the
# tree's root, another goes on where the last one left, as a reader's shell would. The help's examples run
# in build/release/demo with the host as ../bin/qorv-host, as the help says. No example may change a file
# the demo made. The help of `mix` that the README quotes must be the host's. An editor example that
# writes nothing opens a window: on a virtual X server, closed as a user closes it (CLOSE, the
# qorv-window-close tool), when Xvfb is there; else headless, where it must say what it needs and exit 2.
# Exit 77 (skipped) when the demo cannot be made (no espeak-ng or sox).
# usage: ReadmeExamplesTest.sh HOST WORK [CLOSE]
set -u
HOST=$1 WORK=$2 CLOSE=${3:-}
HERE=$(cd "$(dirname "$0")/../.." && pwd)
README=$HERE/README.md
rm -rf "$WORK" && mkdir -p "$WORK" || exit 1
command -v espeak-ng >/dev/null && command -v sox >/dev/null || { echo "skipped: espeak-ng or sox is missing"; exit 77; }
BUILD=$(cd "$(dirname "$HOST")/.." && pwd)
ROOT=$WORK/root
RELEASE=$ROOT/build/release
DEMO=$RELEASE/demo
mkdir -p "$RELEASE" || exit 1
for name in bin Qorv.component QorvExample.component; do
  ln -s "$BUILD/$name" "$RELEASE/$name" || exit 1
done
"$HERE/tools/demo" "$RELEASE" >"$WORK/demo.log" 2>&1 || { cat "$WORK/demo.log"; exit 1; }
(cd "$DEMO" && find . -type f -print0 | sort -z | xargs -0 md5sum) >"$WORK/demo-files"
cp -a "$ROOT" "$WORK/copy" || exit 1
passed=0 failed=0
# Each part's own scratch files and plug-in data folder.
TMP=$WORK/readme
mkdir -p "$TMP"
export XDG_DATA_HOME=$TMP/data

fail() {
  echo "$1"
  failed=$((failed + 1))
}

# Compares what a command printed ($2, a file) with what the README shows ($3, a file); $1 names it.
compare() {
  if diff -u "$3" "$2" >"$TMP/diff"; then
    passed=$((passed + 1))
  else
    fail "README: \"$1\" prints otherwise than shown (- README, + now):"
    cat "$TMP/diff"
  fi
}

# run_ok WHERE COMMAND NAME: COMMAND, run by bash in the folder WHERE, exits 0.
run_ok() {
  (cd "$1" && bash -c "$2") >"$TMP/printed" 2>&1 </dev/null
  local status=$?
  if [ $status -eq 0 ]; then passed=$((passed + 1)); else
    fail "$3: \"$2\" exits $status:"
    cat "$TMP/printed"
  fi
}

# run_window WHERE COMMAND NAME: an editor that writes nothing shows a window until it is closed.
run_window() {
  (
    WORK=$WORK/window
    mkdir -p "$WORK" || exit 1
    [ -x "$CLOSE" ] || exit 77
    . "$HERE/tests/host/VirtualDisplay.sh"
    (cd "$1" && exec bash -c "$2") >"$WORK/window.log" 2>&1 </dev/null &
    EDITOR_PID=$!
    find_window Qorv "$WORK/window.log" 'in an X11 window'
    "$CLOSE" "$WID"
    wait $EDITOR_PID
    status=$?
    EDITOR_PID=
    [ $status -eq 0 ] || { cat "$WORK/window.log"; echo "exit $status"; exit 1; }
  )
  case $? in
  0) passed=$((passed + 1)) ;;
  77) # no display to be had: headless, it says what it needs
    (cd "$1" && env -u DISPLAY bash -c "$2") >"$TMP/printed" 2>&1 </dev/null
    local status=$?
    if [ $status -eq 2 ] && grep -q "headless, it needs --png OUT.png" "$TMP/printed"; then
      passed=$((passed + 1))
    else
      fail "$3: \"$2\" without a display exits $status:"
      cat "$TMP/printed"
    fi
    ;;
  *) fail "$3: \"$2\" in a window failed" ;;
  esac
}

# Each command's help: its examples, in the copy's demo folder, the host as ../bin/qorv-host; run in the
# background beside the README's, with its own scratch files and data folder, ending with its counts.
help_examples() {
  TMP=$WORK/help
  mkdir -p "$TMP"
  export XDG_DATA_HOME=$TMP/data
  local demo=$WORK/copy/build/release/demo commands name examples example command
  commands=$("$HOST" --help | awk '/^Commands:/ { inside = 1; next } inside && /^$/ { exit }
                                   inside { print substr($0, 3, 15) }' | sed 's/ *$//')
  [ -n "$commands" ] || fail "the program's help lists no commands"
  while read -r name; do
    # shellcheck disable=SC2086 # "preset export" is two words
    "$HOST" $name --help >"$TMP/help" || { fail "$name --help fails"; continue; }
    grep -q '^Examples, run in build/release/demo, ' "$TMP/help" || fail "$name --help: no word of where its examples run"
    examples=$(awk '/^Examples, run in / { inside = 1; next } inside && /^$/ { exit }
                    inside && /^  qorv-host / { print }' "$TMP/help")
    [ -n "$examples" ] || { fail "$name --help shows no examples"; continue; }
    while read -r example; do
      command=../bin/${example#  }
      case $command in
      *" editor"*--png* | *" editor"*--script* | *" editor"*--window-png* | *" editor"*--seconds*)
        run_ok "$demo" "$command" "$name --help" ;;
      *" editor"*) run_window "$demo" "$command" "$name --help" ;;
      *) run_ok "$demo" "$command" "$name --help" ;;
      esac
    done <<<"$examples"
  done <<<"$commands"
  # What the demo made is as it made it.
  demo_unchanged "$demo" "the help's examples"
  echo "$passed $failed" >"$TMP/counts"
}

# demo_unchanged DEMO WHOSE: the demo's files in DEMO are as tools/demo made them.
demo_unchanged() {
  if (cd "$1" && md5sum --quiet -c "$WORK/demo-files") >"$TMP/changed" 2>&1; then passed=$((passed + 1)); else
    fail "$2 changed what the demo made:"
    cat "$TMP/changed"
  fi
}

help_examples >"$WORK/help.log" 2>&1 &
HELP=$!
trap 'kill $HELP 2>/dev/null' EXIT

# The README's fenced blocks: "$ " lines as files cmd-N with the lines shown under them as shown-N, the
# commands shown without output as run-N; block-N holds the block each belongs to.
awk -v dir="$TMP" '
  /^```/ { fenced = !fenced; current = 0; block++; next }
  fenced && /^\$ / { current = ++n; sub(/^\$ /, ""); print > (dir "/cmd-" n); print block > (dir "/block-" n)
                     printf "" > (dir "/shown-" n); next }
  fenced && /^(cd |[^ ]*qorv-host )/ { current = 0; ++n; print > (dir "/run-" n); print block > (dir "/block-" n)
                     next }
  fenced && current { print > (dir "/shown-" current) }
' "$README"
count=$(ls "$TMP" | grep -c '^block-')
[ "$count" -gt 2 ] || fail "README: too few examples found ($count)"
where=$ROOT lastBlock=
for i in $(seq "$count"); do
  block=$(cat "$TMP/block-$i")
  command=$(cat "$TMP/cmd-$i" "$TMP/run-$i" 2>/dev/null)
  # A block that starts by going somewhere starts at the tree's root; another goes on where the last left.
  [ "$block" = "$lastBlock" ] || [ "${command#cd }" = "$command" ] || where=$ROOT
  lastBlock=$block
  case $command in
  "cd "*)
    if next=$(cd "$where" && eval "$command" && pwd); then where=$next; passed=$((passed + 1)); else
      fail "README: \"$command\" from $where fails"
    fi
    continue ;;
  esac
  if [ -f "$TMP/cmd-$i" ]; then
    (cd "$where" && bash -c "$command") >"$TMP/printed-$i" 2>&1 </dev/null
    compare "$command" "$TMP/printed-$i" "$TMP/shown-$i"
  else
    run_ok "$where" "$command" "README"
  fi
done
demo_unchanged "$DEMO" "the README's examples"

# The host found on PATH, by its bare name, still finds the bundle of its build.
(cd "$WORK" && PATH=$RELEASE/bin:$PATH qorv-host --version) >"$TMP/printed" 2>&1 </dev/null ||
  { fail "qorv-host on PATH, run by its name, finds no bundle:"; cat "$TMP/printed"; }

# The help of mix, as the README quotes it: the block that starts with its usage line.
awk '/^```/ { if (inside) exit; fenced = !fenced; next } fenced && /^usage: qorv-host mix / { inside = 1 } inside' \
  "$README" >"$TMP/mix-help-shown"
"$HOST" mix --help >"$TMP/mix-help-printed" 2>&1
compare "qorv-host mix --help" "$TMP/mix-help-printed" "$TMP/mix-help-shown"

wait $HELP
cat "$WORK/help.log"
if read -r helpPassed helpFailed <"$WORK/help/counts"; then
  passed=$((passed + helpPassed)) failed=$((failed + helpFailed))
else
  fail "the help's examples did not finish"
fi
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
