#!/usr/bin/env bash
# Installs the Debian packages of the given groups that are not installed yet:
#
#     tools/install-packages.sh "NAME=PACKAGE ..." ...
#
# The Makefile keeps the groups; each target names those it uses. The groups are installed one
# after another, so that one that cannot be installed (a 32-bit list that did not come, say) does
# not take the others down. A package list that fails to download stops nothing while what is
# needed still resolves. A group that fails is tried once more after a fresh `apt-get update`;
# then every group that still fails is named with its packages and what to do, and the script
# ends with status 1. It does nothing, and needs no root, when every package is there.
set -euo pipefail

say() { echo "install-packages: $*"; }

# The group's packages that dpkg does not have installed.
missing_of() {
    local package absent=()
    for package in $1; do
        dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' ||
            absent+=("$package")
    done
    echo "${absent[*]}"
}

names=() wanted=()
for group in "$@"; do
    missing=$(missing_of "${group#*=}")
    [ -n "$missing" ] || continue
    names+=("${group%%=*}")
    wanted+=("$missing")
done
[ ${#names[@]} -gt 0 ] || exit 0

if [ "$(id -u)" = 0 ]; then
    sudo=()
elif command -v sudo >/dev/null && sudo -v; then
    sudo=(sudo)
else
    say "packages are missing (${wanted[*]}), and installing them needs root:"
    say "run this as root, or as a user who may use sudo"
    exit 1
fi
apt_get() { "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get "$@"; }

# Wine's 32-bit half is the only thing that needs the i386 lists; nothing else fetches them.
if [[ " ${wanted[*]} " == *:i386\ * ]] && ! dpkg --print-foreign-architectures | grep -qx i386; then
    say "adding the i386 architecture for 32-bit Wine"
    "${sudo[@]}" dpkg --add-architecture i386
fi

update() {
    say "fetching the package lists"
    apt_get update || say "some package lists did not download; going on with those there are"
}

# Installs each group whose packages are still missing; leaves in failed the indices that failed.
install_groups() {
    local i missing
    failed=()
    for i in "$@"; do
        missing=$(missing_of "${wanted[i]}")
        [ -n "$missing" ] || continue
        say "${names[i]}: installing $missing"
        # shellcheck disable=SC2086 # one word a package
        apt_get install -y --no-install-recommends $missing || failed+=("$i")
    done
}

update
install_groups "${!names[@]}"
if [ ${#failed[@]} -gt 0 ]; then
    update
    install_groups "${failed[@]}"
fi
[ ${#failed[@]} -gt 0 ] || exit 0

echo
left=""
for i in "${failed[@]}"; do
    left+=" $(missing_of "${wanted[i]}")"
    say "could not install the group \"${names[i]}\": $(missing_of "${wanted[i]}")"
done
say "what may help:"
say "  - fetch the package lists again, then repeat: sudo apt-get update"
if [[ "$left " == *:i386\ * ]]; then
    say "  - 32-bit Wine needs the i386 architecture and its lists:"
    say "    sudo dpkg --add-architecture i386 && sudo apt-get update"
fi
say "  - apt-get's own messages above name the package that does not resolve"
exit 1
