#!/bin/bash
# The Makefile hands WARNINGS_AS_ERRORS to the configure of every build it runs, and leaves the setting out
# when it is not given, so that the one a build folder's cache keeps stands (README.md, "Other commands").
set -u
cd "$(dirname "$0")/../.."
unset WARNINGS_AS_ERRORS # "without it" below means without it in the environment too
failed=0
# The configure lines that make would run for the checking builds and the release build.
configures() { make -n test-asan test-tsan test-fuzz release "$@" | grep -E '(^|[[:space:]])cmake -S '; }
for value in OFF ON; do
  lines=$(configures WARNINGS_AS_ERRORS=$value)
  if [ "$(grep -c . <<<"$lines")" -ne 4 ]; then
    echo "WARNINGS_AS_ERRORS=$value: expected 4 configures, got: $lines"
    failed=1
  fi
  if grep -v -e "-DCMAKE_COMPILE_WARNING_AS_ERROR=$value\b" <<<"$lines"; then
    echo "WARNINGS_AS_ERRORS=$value does not reach the configure above"
    failed=1
  fi
done
if configures | grep CMAKE_COMPILE_WARNING_AS_ERROR; then
  echo "without WARNINGS_AS_ERRORS the configure above overrides the cached setting"
  failed=1
fi
exit $failed
