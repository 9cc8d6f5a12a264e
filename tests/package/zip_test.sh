#!/bin/sh
# Checks the Windows zip: it holds zahlix.exe and LICENSE.txt in that order, byte for byte the built
# files, each dated SOURCE_DATE_EPOCH and with no owner recorded:
#   zip_test.sh ZIP EPOCH EXE LICENSE_TXT
set -eu

if [ $# -ne 4 ]; then
    echo "usage: zip_test.sh ZIP EPOCH EXE LICENSE_TXT" >&2
    exit 2
fi
zip=$1
epoch=$2
exe=$3
licence=$4

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
trap 'exit 130' INT TERM
fail() {
    echo "zip_test: FAILED: $*" >&2
    exit 1
}

[ -f "$zip" ] || fail "expected the zip $zip, found none (is the target zahlix_zip built?)"
unzip -tq "$zip" >"$tmp/unzip-test.log" 2>&1 ||
    fail "expected an intact zip, unzip -t found: $(cat "$tmp/unzip-test.log")"
entries=$(unzip -Z1 "$zip" | tr '\n' ' ')
[ "$entries" = "zahlix.exe LICENSE.txt " ] ||
    fail "expected the zip to hold zahlix.exe and LICENSE.txt in that order, found: $entries"
for file in "$exe" "$licence"; do
    entry=$(basename "$file")
    unzip -p "$zip" "$entry" >"$tmp/$entry"
    cmp -s "$tmp/$entry" "$file" ||
        fail "expected $entry in the zip to be $file byte for byte, found another file" \
            "($(wc -c <"$tmp/$entry") bytes in the zip, $(wc -c <"$file") built)"
done
# zipinfo -T shows the date as yyyymmdd.hhmmss; the mode and the "ux" owner field come with -v.
expected_stamp=$(TZ=UTC date -d "@$epoch" +%Y%m%d.%H%M%S)
stamps=$(TZ=UTC zipinfo -T "$zip" | awk '/^-/ { print $7 }' | sort -u)
[ "$stamps" = "$expected_stamp" ] || fail "expected every entry dated $expected_stamp, found: $stamps"
modes=$(zipinfo "$zip" | awk '/^-/ { print $1 }' | tr '\n' ' ')
[ "$modes" = "-rwxr-xr-x -rw-r--r-- " ] || fail "expected the modes -rwxr-xr-x and -rw-r--r--, found: $modes"
if zipinfo -v "$zip" | grep -q "UID/GID"; then
    fail "expected no owner in the zip, found a UID/GID field"
fi
grep -q "Copyright (c) 2026 Zahlix developers" "$licence" || fail "expected Zahlix's copyright in LICENSE.txt"
echo "zip_test: $(basename "$zip") holds zahlix.exe ($(wc -c <"$exe") bytes) and LICENSE.txt, dated $expected_stamp"
