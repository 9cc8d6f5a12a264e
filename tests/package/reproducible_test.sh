#!/bin/sh
# Builds the release files twice from copies of one source tree and checks that they are the same
# bytes: both zahlix.exe (i686 and x86-64), both zips, the Linux program and the .deb.
#   reproducible_test.sh SOURCE WORK
# The copies hold the files that git tracks in SOURCE (everything but build/ when SOURCE is no git
# checkout) and lie in folders of different names and lengths under WORK. The builds run one after
# the other, so at different times, and with different time zones, locales and umasks; each runs
# tools/make-dist.sh, which builds the product targets only. No output may hold the path of its
# copy. The copies stay under WORK when a check fails.
set -eu

if [ $# -ne 2 ]; then
    echo "usage: reproducible_test.sh SOURCE WORK" >&2
    exit 2
fi
source=$(cd "$1" && pwd)
mkdir -p "$2"
work=$(cd "$2" && pwd)
first="$work/first"
second="$work/the-second-copy"

fail() {
    echo "reproducible_test: FAILED: $*" >&2
    echo "reproducible_test: the copies and their builds are in $work" >&2
    exit 1
}

rm -rf "$work"
mkdir -p "$first" "$second"
if git -C "$source" rev-parse --show-toplevel >/dev/null 2>&1; then
    (cd "$source" && git ls-files -z | xargs -0 tar -cf - --) >"$work/source.tar"
else
    (cd "$source" && tar -cf - --exclude=./build .) >"$work/source.tar"
fi
for copy in "$first" "$second"; do
    tar -xf "$work/source.tar" -C "$copy"
done

build() {
    copy=$1
    mask=$2
    shift 2
    echo "reproducible_test: building in $copy (umask $mask, $*)"
    start=$(date +%s)
    (cd "$copy" && umask "$mask" && env "$@" sh tools/make-dist.sh --no-source >"$copy.log" 2>&1) ||
        { cat "$copy.log" >&2; fail "expected tools/make-dist.sh to build in $copy, it failed (its output is above)"; }
    echo "reproducible_test: built in $(($(date +%s) - start)) s"
}
build "$first" 022 TZ=UTC LC_ALL=C.UTF-8
build "$second" 002 TZ=Pacific/Kiritimati LC_ALL=C LANG=C

version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$first/build/release-linux/CMakeCache.txt")
arch=$(dpkg --print-architecture)
outputs="build/release-windows/zahlix.exe
build/release-windows64/zahlix.exe
build/release-linux/zahlix
build/dist/zahlix-$version-win32.zip
build/dist/zahlix-$version-win64.zip
build/dist/zahlix_${version}_$arch.deb"
different=""
for output in $outputs; do
    [ -f "$first/$output" ] || fail "expected $first/$output, found none"
    [ -f "$second/$output" ] || fail "expected $second/$output, found none"
    if cmp -s "$first/$output" "$second/$output"; then
        echo "reproducible_test: same bytes: $(cd "$first" && sha256sum "$output")"
    else
        echo "reproducible_test: different: $output, first bytes that differ (offset, first, second):" >&2
        cmp -l "$first/$output" "$second/$output" | head -n 5 >&2 || true
        different="$different $output"
    fi
    for copy in "$first" "$second"; do
        if grep -q -a -F "$copy" "$copy/$output"; then
            fail "expected no build path in $output, found $copy in it"
        fi
    done
done
# The .deb's program is the one built, so that checking the program checks what users install.
dpkg-deb --fsys-tarfile "$first/build/dist/zahlix_${version}_$arch.deb" | tar -xOf - ./usr/bin/zahlix >"$work/packaged"
strip -o "$work/stripped" "$first/build/release-linux/zahlix"
cmp -s "$work/packaged" "$work/stripped" || fail "expected the .deb's /usr/bin/zahlix to be the built program stripped"
[ -z "$different" ] || fail "expected the same bytes from both builds, found differences in:$different"
rm -rf "$work"
echo "reproducible_test: passed"
