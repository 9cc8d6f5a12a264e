#!/bin/sh
# Builds the release files from the tree this script is in and collects them in build/dist/: the
# two Windows zips, the .deb, a source archive of the commit checked out (git archive), BUILDINFO
# with the versions of the toolchain, and SHA256SUMS of them all.
#
#     tools/make-dist.sh [--no-source]      (make dist runs it; --no-source: no source archive,
#                                            for a tree that is no git checkout)
#
# Each package is built by its preset (linux, windows, windows64) in a build folder of its own,
# build/release-PRESET, without the tests. Every build of one source gives the same bytes; see
# README.md for how to check that.
set -eu
source_archive=1
case ${1:-} in
--no-source) source_archive=0 ;;
"") ;;
*) echo "usage: tools/make-dist.sh [--no-source]" >&2; exit 2 ;;
esac
cd "$(dirname "$0")/.."
dist=build/dist
# One umask for every build, as dpkg-buildpackage sets it: cpack gives the members of the .deb the
# modes of the files it writes.
umask 022

if [ "$source_archive" -eq 1 ]; then
    git rev-parse --verify -q HEAD >/dev/null ||
        { echo "make-dist.sh: this tree is no git checkout; use --no-source" >&2; exit 1; }
    if [ -n "$(git status --porcelain --untracked-files=no)" ]; then
        echo "make-dist.sh: warning: the tree has changes that are not committed; the packages hold them," \
            "the source archive (of HEAD) does not" >&2
    fi
fi

for preset in linux windows windows64; do
    echo "make-dist.sh: building the $preset preset in build/release-$preset"
    cmake --preset "$preset" -B "build/release-$preset" -DBUILD_TESTING=OFF >/dev/null
    cmake --build "build/release-$preset" >/dev/null
done
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' build/release-linux/CMakeCache.txt)
epoch=$(sed -n 's/^set(ENV{SOURCE_DATE_EPOCH} \([0-9]*\))$/\1/p' build/release-linux/CPackProject.cmake)
rm -rf build/release-linux/package
cpack -G DEB -B build/release-linux/package --config build/release-linux/CPackConfig.cmake >build/release-linux/cpack.log 2>&1 ||
    { cat build/release-linux/cpack.log >&2; exit 1; }

rm -rf "$dist"
mkdir -p "$dist"
cp build/release-windows/zahlix-"$version"-win32.zip build/release-windows64/zahlix-"$version"-win64.zip \
    build/release-linux/package/zahlix_"$version"_*.deb "$dist"/
if [ "$source_archive" -eq 1 ]; then
    git archive --format=tar.gz --prefix="zahlix-$version/" -o "$dist/zahlix-$version.tar.gz" HEAD
fi

# BUILDINFO: what built the packages, so that anyone can build them again with the same tools.
package_versions() {
    for package in "$@"; do
        dpkg-query -W -f='${binary:Package} ${Version}\n' "$package" 2>/dev/null || echo "$package (not installed)"
    done
}
# The package that holds a program's real file (g++ is a link to g++-12 on Debian 12, say).
owner() { dpkg-query -S "$(readlink -f "$(command -v "$1")")" 2>/dev/null | cut -d: -f1 | head -n 1; }
{
    echo "Zahlix $version"
    if [ "$source_archive" -eq 1 ]; then
        echo "Commit: $(git rev-parse HEAD)"
    fi
    echo "SOURCE_DATE_EPOCH: $epoch ($(TZ=UTC date -d "@$epoch" '+%Y-%m-%d %H:%M:%S UTC'))"
    echo "System: Debian $(cat /etc/debian_version 2>/dev/null || echo unknown), $(dpkg --print-architecture)"
    echo "Packages:"
    package_versions cmake ninja-build "$(owner g++)" binutils dpkg-dev gzip python3 zlib1g libc6 libstdc++6 \
        libgcc-s1 libfltk1.3 libfltk1.3-dev libx11-6 libx11-dev "$(owner i686-w64-mingw32-g++-posix)" \
        "$(owner x86_64-w64-mingw32-g++-posix)" binutils-mingw-w64-i686 binutils-mingw-w64-x86-64 \
        mingw-w64-i686-dev mingw-w64-x86-64-dev | sed 's/^/  /'
    echo "Compilers:"
    for compiler in g++ i686-w64-mingw32-g++-posix x86_64-w64-mingw32-g++-posix; do
        echo "  $compiler: $("$compiler" --version | head -n 1)"
    done
} >"$dist/BUILDINFO"

(cd "$dist" && sha256sum -- * >SHA256SUMS)
echo "make-dist.sh: the release files are in $dist:"
cat "$dist/SHA256SUMS"
