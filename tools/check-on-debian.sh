#!/usr/bin/env bash
# Runs `make test` on a minimal Debian of the given release, as on a new user's machine:
#
#     tools/check-on-debian.sh SUITE [DIR]        SUITE: bookworm or trixie; DIR: /var/tmp/zahlix-SUITE
#
# Makes DIR with debootstrap (--variant=minbase) unless it holds a system already; its sources list
# has the release, its updates and its security archive, as an installed Debian has them. Clones
# this tree's committed HEAD into it, or the commit that ZAHLIX_REV names (any revision this
# repository knows, e.g. ZAHLIX_REV=main), runs `make deps` there with the host's network and then
# `make test` without it (so that its X displays and buses stay apart from the host's), and says
# how long each took. Needs root. About 30 minutes on two cores, most of it `make test`.
#
# /proc, /sys, /dev and /dev/pts are bound into DIR only in a mount namespace of this script's
# own: they go when it ends, however it ends. A bind mount left inside DIR would take the host's
# /dev with it when DIR is later removed with rm -rf.
set -euo pipefail

if [ "${1:-}" = --inside ]; then
    # In the private mount namespace: bind the host's file systems, run one command in DIR.
    dir=$2
    shift 2
    # shellcheck disable=SC2317 # called by the trap below
    unbind() {
        for fs in dev/pts dev sys proc; do
            mountpoint -q "$dir/$fs" && umount "$dir/$fs"
        done
        return 0
    }
    trap unbind EXIT
    for fs in proc sys dev dev/pts; do
        mount --bind "/$fs" "$dir/$fs"
    done
    chroot "$dir" /usr/bin/env -i HOME=/root TERM=dumb LANG=C.UTF-8 PATH=/usr/sbin:/usr/bin:/sbin:/bin "$@"
    exit
fi

case ${1:-} in
bookworm | trixie) suite=$1 ;;
*)
    echo "usage: tools/check-on-debian.sh bookworm|trixie [DIR]" >&2
    exit 2
    ;;
esac
dir=$(realpath -m "${2:-/var/tmp/zahlix-$suite}")
tree=$(git -C "$(dirname "$0")" rev-parse --show-toplevel)
rev=$(git -C "$tree" rev-parse --verify --quiet "${ZAHLIX_REV:-HEAD}^{commit}") ||
    { echo "check-on-debian.sh: this repository knows no commit ${ZAHLIX_REV:-HEAD}" >&2; exit 2; }
[ "$(id -u)" = 0 ] || { echo "check-on-debian.sh: needs root (debootstrap, chroot, mount)" >&2; exit 2; }
case $dir/ in
"$tree"/*) echo "check-on-debian.sh: $dir is inside the tree; give a folder outside it" >&2; exit 2 ;;
esac
command -v debootstrap >/dev/null || { apt-get update && apt-get install -y --no-install-recommends debootstrap; }

seconds() { date +%s; }
took() { echo "check-on-debian.sh: $1 took $(( ($(seconds) - $2) / 60 )) min $(( ($(seconds) - $2) % 60 )) s"; }
inside() { unshare --mount --propagation private "$0" --inside "$dir" "$@"; }

start=$(seconds)
if [ ! -x "$dir/usr/bin/apt-get" ]; then
    debootstrap --variant=minbase --include=make,git,ca-certificates "$suite" "$dir"
    took "debootstrap of $suite" "$start"
fi
grep -q "^VERSION_CODENAME=$suite$" "$dir/etc/os-release" ||
    { echo "check-on-debian.sh: $dir holds another release than $suite" >&2; exit 1; }
# The release, its updates and its security archive, as the installer writes them.
cat >"$dir/etc/apt/sources.list" <<SOURCES
deb http://deb.debian.org/debian $suite main
deb http://deb.debian.org/debian $suite-updates main
deb http://security.debian.org/debian-security $suite-security main
SOURCES
cp /etc/resolv.conf "$dir/etc/resolv.conf"
rm -rf "$dir/root/zahlix"
git clone -q --no-hardlinks --no-checkout "$tree" "$dir/root/zahlix"
git -C "$dir/root/zahlix" cat-file -e "$rev^{commit}" 2>/dev/null || git -C "$dir/root/zahlix" fetch -q origin "$rev"
git -C "$dir/root/zahlix" checkout -q --detach "$rev"
echo "check-on-debian.sh: $suite, $(git -C "$dir/root/zahlix" log -1 --format='%h %s')"

step=$(seconds)
inside sh -c 'cd /root/zahlix && make deps'
took "make deps" "$step"

step=$(seconds)
status=0
unshare --net sh -c 'ip link set lo up 2>/dev/null || true; exec "$@"' sh \
    unshare --mount --propagation private "$0" --inside "$dir" sh -c 'cd /root/zahlix && make test' || status=$?
took "make test" "$step"
took "the whole check on $suite" "$start"
exit $status
