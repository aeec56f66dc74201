# Sourced by the tests that run processes: every wait waits for what it is about (a window, a line of a
# log, a file, a pixel), polling until an overall deadline that a loaded machine with a sanitizer build
# does not reach, never for a fixed time.

# await COMMAND [ARG...]: true once COMMAND succeeds; false when it has not within AWAIT_SECONDS (60).
await() {
  local end=$((SECONDS + ${AWAIT_SECONDS:-60}))
  until "$@"; do
    [ $SECONDS -lt $end ] || return 1
    sleep 0.05
  done
}
# logged PATTERN FILE: FILE has a line that matches.
logged() { grep -q -- "$1" "$2" 2>/dev/null; }
