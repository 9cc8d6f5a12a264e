#!/bin/sh
# Builds the Windows zip with cpack and checks that it holds zahlix.exe alone, byte for byte the
# built program:
#   zip_test.sh CPACK BUILD_DIR ZIP_NAME EXE
# The zip and cpack's output stay under BUILD_DIR/zip-test.* when a check fails.
set -eu

if [ $# -ne 4 ]; then
    echo "usage: zip_test.sh CPACK BUILD_DIR ZIP_NAME EXE" >&2
    exit 2
fi
cpack=$1
build=$2
name=$3
exe=$4

tmp=$(mktemp -d "$build/zip-test.XXXXXX")
cleanup() {
    status=$?
    if [ "$status" -eq 0 ]; then
        rm -rf "$tmp"
    else
        echo "zip_test: the zip and cpack's output are in $tmp" >&2
    fi
    exit "$status"
}
trap cleanup EXIT
trap 'exit 130' INT TERM
fail() {
    echo "zip_test: FAILED: $*" >&2
    exit 1
}

if ! "$cpack" -G ZIP -B "$tmp" --config "$build/CPackConfig.cmake" >"$tmp/cpack.log" 2>&1; then
    cat "$tmp/cpack.log" >&2
    fail "expected cpack to make the zip, it failed (its output is above)"
fi
zip="$tmp/$name"
[ -f "$zip" ] || fail "expected $zip, found: $(cd "$tmp" && ls -- *.zip 2>/dev/null || echo 'no .zip')"
unzip -tq "$zip" >"$tmp/unzip-test.log" 2>&1 ||
    fail "expected an intact zip, unzip -t found: $(cat "$tmp/unzip-test.log")"
entries=$(unzip -Z1 "$zip")
[ "$entries" = zahlix.exe ] || fail "expected the zip to hold zahlix.exe alone, found:
$entries"
unzip -p "$zip" zahlix.exe >"$tmp/zahlix.exe"
cmp -s "$tmp/zahlix.exe" "$exe" ||
    fail "expected zahlix.exe in the zip to be $exe byte for byte, found another file" \
        "($(wc -c <"$tmp/zahlix.exe") bytes in the zip, $(wc -c <"$exe") built)"
echo "zip_test: $name holds zahlix.exe ($(wc -c <"$exe") bytes), the built program"
