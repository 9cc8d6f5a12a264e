#!/bin/sh
# Builds the program as a user or a distribution builds it, without a preset:
#   build_type_test.sh SOURCE WORK [BUILD_TYPE]       (BUILD_TYPE: Release unless given)
# runs cmake -S SOURCE -B WORK -DCMAKE_BUILD_TYPE=BUILD_TYPE with CMake's default generator, builds
# the target zahlix only, and checks that no -Werror reached the compiler (a new compiler's new
# warning must not break such a build) and that the program runs: without a display it says so and
# ends with 1. The warnings of the build are shown. WORK stays when a check fails.
set -eu

if [ $# -lt 2 ] || [ $# -gt 3 ]; then
    echo "usage: build_type_test.sh SOURCE WORK [BUILD_TYPE]" >&2
    exit 2
fi
source=$1
work=$2
type=${3:-Release}

fail() {
    echo "build_type_test: FAILED: $*" >&2
    exit 1
}

rm -rf "$work"
mkdir -p "$work"
log="$work/../$(basename "$work").log"
start=$(date +%s)
if ! env -u CMAKE_GENERATOR -u CMAKE_BUILD_TYPE -u CMAKE_COMPILE_WARNING_AS_ERROR \
    cmake -S "$source" -B "$work" -DCMAKE_BUILD_TYPE="$type" >"$log" 2>&1; then
    cat "$log" >&2
    fail "expected cmake to configure a $type build without a preset, it failed (its output is above)"
fi
if ! cmake --build "$work" --target zahlix --parallel 2 >>"$log" 2>&1; then
    cat "$log" >&2
    fail "expected the $type build of zahlix without a preset to succeed, it failed (its output is above)"
fi
echo "build_type_test: built zahlix ($type, no preset) in $(($(date +%s) - start)) s"
warnings=$(grep -c "warning:" "$log" || true)
if [ "$warnings" -gt 0 ]; then
    echo "build_type_test: the build warned $warnings times:"
    grep -A3 "warning:" "$log" | head -n 40
fi

if grep -E -e '-Werror( |"|$)' "$work/compile_commands.json" >/dev/null; then
    fail "expected no -Werror without a preset, found: $(grep -m 1 -o -E -e '-Werror( |"|$)' "$work/compile_commands.json")"
fi
grep -q -e '"command":' "$work/compile_commands.json" || fail "expected compile commands in $work, found none"

output=$(env -u DISPLAY "$work/zahlix" 2>&1) && status=0 || status=$?
[ "$status" -eq 1 ] && [ "$output" = "zahlix: cannot open display: DISPLAY is not set" ] ||
    fail "expected the program without a display to say so and end with 1, found exit code $status and: $output"
rm -rf "$work" "$log"
echo "build_type_test: passed"
