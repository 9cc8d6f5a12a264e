#!/usr/bin/env bash
# Runs `make test`, or a newcomer's first `make run`, on a minimal Debian of the given release:
#
#     tools/check-on-debian.sh SUITE [DIR]              DIR: /var/tmp/zahlix-SUITE
#     tools/check-on-debian.sh --first-run SUITE [DIR]  DIR: /var/tmp/zahlix-first-SUITE
#
# SUITE is bookworm or trixie. DIR is made with debootstrap (--variant=minbase) and make, git and
# ca-certificates; its sources list has the release, its updates and its security archive, as an
# installed Debian has them. Into DIR goes a clone of this tree's committed HEAD, or of the
# commit that ZAHLIX_REV names (any revision this repository knows, e.g. ZAHLIX_REV=main).
# Needs root.
#
# Without --first-run: DIR is made unless it holds a system already; `make deps` runs there with
# the host's network and then `make test` without it (so that its X displays and buses stay apart
# from the host's), and it says how long each took. About 30 minutes on two cores.
#
# With --first-run: DIR is made anew every time (an old DIR is removed only if this mode made it
# and nothing is mounted in it), and `make run` runs there on a virtual display until the window
# "Zahlix" shows, for at most 40 minutes. Then it prints how many packages make run installed,
# how many MiB apt downloaded for it, and the seconds from make run's start to the window, and
# presses Escape, which ends the program. The display (Xvfb, on a free display number) and the
# window search (xdotool) are the check's own: they run on the host, installed there if missing,
# and DIR sees the display only through /tmp/.X11-unix. Exits with 0 only if the window showed.
# make run's output stays in DIR/root/make-run.log.
#
# /proc, /sys, /dev, /dev/pts (and /tmp/.X11-unix) are bound into DIR only in a mount namespace of
# this script's own: they go when it ends, however it ends. A bind mount left inside DIR would
# take the host's /dev with it when DIR is later removed with rm -rf.
set -euo pipefail

if [ "${1:-}" = --inside ] || [ "${1:-}" = --inside-x11 ]; then
    # In the private mount namespace: bind the host's file systems, run one command in DIR.
    binds=(proc sys dev dev/pts)
    x11_env=()
    if [ "$1" = --inside-x11 ]; then
        binds+=(tmp/.X11-unix)
        x11_env=("DISPLAY=$DISPLAY")
    fi
    dir=$2
    shift 2
    # shellcheck disable=SC2317 # called by the trap below
    unbind() {
        local i
        for ((i = ${#binds[@]} - 1; i >= 0; i--)); do
            if mountpoint -q "$dir/${binds[i]}"; then umount "$dir/${binds[i]}"; fi
        done
        return 0
    }
    trap unbind EXIT
    for fs in "${binds[@]}"; do
        mkdir -p "$dir/$fs"
        mount --bind "/$fs" "$dir/$fs"
    done
    chroot "$dir" /usr/bin/env -i HOME=/root TERM=dumb LANG=C.UTF-8 PATH=/usr/sbin:/usr/bin:/sbin:/bin \
        "${x11_env[@]}" "$@"
    exit
fi

first_run=false
if [ "${1:-}" = --first-run ]; then
    first_run=true
    shift
fi
case ${1:-} in
bookworm | trixie) suite=$1 ;;
*)
    echo "usage: tools/check-on-debian.sh [--first-run] bookworm|trixie [DIR]" >&2
    exit 2
    ;;
esac
if $first_run; then default_dir=/var/tmp/zahlix-first-$suite; else default_dir=/var/tmp/zahlix-$suite; fi
dir=$(realpath -m "${2:-$default_dir}")
tree=$(git -C "$(dirname "$0")" rev-parse --show-toplevel)
rev=$(git -C "$tree" rev-parse --verify --quiet "${ZAHLIX_REV:-HEAD}^{commit}") ||
    { echo "check-on-debian.sh: this repository knows no commit ${ZAHLIX_REV:-HEAD}" >&2; exit 2; }
[ "$(id -u)" = 0 ] || { echo "check-on-debian.sh: needs root (debootstrap, chroot, mount)" >&2; exit 2; }
case $dir/ in
"$tree"/* | //) echo "check-on-debian.sh: $dir is / or inside the tree; give a folder outside it" >&2; exit 2 ;;
esac

# Installs host packages for the check itself. Another apt may hold the locks: dpkg's is waited
# for, and apt-get update, which may not wait for the lists' lock, is tried again.
host_install() {
    local try
    for try in $(seq 40); do
        apt-get -o DPkg::Lock::Timeout=1200 update && break
        [ "$try" -lt 40 ] || return 1
        echo "check-on-debian.sh: apt-get update failed; trying again in 30 s" >&2
        sleep 30
    done
    DEBIAN_FRONTEND=noninteractive apt-get -o DPkg::Lock::Timeout=1200 install -y --no-install-recommends "$@"
}
command -v debootstrap >/dev/null || host_install debootstrap

seconds() { date +%s; }
took() { echo "check-on-debian.sh: $1 took $(( ($(seconds) - $2) / 60 )) min $(( ($(seconds) - $2) % 60 )) s"; }
inside() { unshare --mount --propagation private "$0" --inside "$dir" "$@"; }
# The release, its updates and its security archive, as the installer writes them.
sources() {
    cat >"$dir/etc/apt/sources.list" <<SOURCES
deb http://deb.debian.org/debian $suite main
deb http://deb.debian.org/debian $suite-updates main
deb http://security.debian.org/debian-security $suite-security main
SOURCES
}
minbase() {
    local step
    step=$(seconds)
    debootstrap --variant=minbase --include=make,git,ca-certificates "$suite" "$dir"
    took "debootstrap of $suite" "$step"
}
clone() {
    local clone=$dir/root/zahlix
    cp /etc/resolv.conf "$dir/etc/resolv.conf"
    rm -rf "$clone"
    git clone -q --no-hardlinks --no-checkout "$tree" "$clone"
    git -C "$clone" cat-file -e "$rev^{commit}" 2>/dev/null || git -C "$clone" fetch -q origin "$rev"
    git -C "$clone" checkout -q --detach "$rev"
    echo "check-on-debian.sh: $suite, $(git -C "$clone" log -1 --format='%h %s')"
}

start=$(seconds)
if ! $first_run; then
    [ -x "$dir/usr/bin/apt-get" ] || minbase
    grep -q "^VERSION_CODENAME=$suite$" "$dir/etc/os-release" ||
        { echo "check-on-debian.sh: $dir holds another release than $suite" >&2; exit 1; }
    sources
    clone

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
fi

# --first-run from here on.
command -v Xvfb >/dev/null || host_install xvfb
command -v xdotool >/dev/null || host_install xdotool

# A fresh DIR. An old one goes only if this mode made it (its marker is there) and nothing is
# mounted at or under it: rm -rf would go down into a bind mount of the host's own folders.
marker=.made-by-check-on-debian-first-run
if [ -e "$dir" ]; then
    if [ ! -d "$dir" ]; then echo "check-on-debian.sh: $dir is not a folder" >&2; exit 1; fi
    if findmnt -rn -o TARGET | awk -v d="$dir" '$0 == d || index($0, d "/") == 1 { found = 1 } END { exit !found }'; then
        echo "check-on-debian.sh: something is mounted in $dir; unmount it first (findmnt | grep $dir)" >&2
        exit 1
    fi
    if [ ! -e "$dir/$marker" ] && [ -n "$(ls -A "$dir")" ]; then
        echo "check-on-debian.sh: $dir was not made by --first-run; remove it yourself or give another DIR" >&2
        exit 1
    fi
    rm -rf --one-file-system "$dir"
fi
mkdir -p "$dir"
echo "made by tools/check-on-debian.sh --first-run, which removes it when it runs again" >"$dir/$marker"
minbase
sources
clone

work=$(mktemp -d)
xvfb=""
run=""
# shellcheck disable=SC2317 # called by the trap below
finish() {
    if [ -n "$run" ]; then kill -- "-$run" 2>/dev/null || true; fi
    if [ -n "$xvfb" ]; then kill "$xvfb" 2>/dev/null || true; wait "$xvfb" 2>/dev/null || true; fi
    rm -rf "$work"
}
trap finish EXIT
trap 'exit 130' INT TERM

Xvfb -displayfd 3 -nolisten tcp -screen 0 1280x1024x24 -dpi 96 3>"$work/display" >"$work/xvfb.log" 2>&1 &
xvfb=$!
for _ in $(seq 100); do
    [ -s "$work/display" ] && break
    kill -0 "$xvfb" 2>/dev/null || break
    sleep 0.1
done
[ -s "$work/display" ] || { echo "check-on-debian.sh: Xvfb did not start: $(cat "$work/xvfb.log")" >&2; exit 1; }
display=:$(head -n 1 "$work/display")
echo "check-on-debian.sh: Xvfb on $display"

# What make run adds: the installed packages, and the bytes of the .deb files apt keeps.
packages() { dpkg-query --admindir="$dir/var/lib/dpkg" -W -f='${db:Status-Abbrev} ${binary:Package}\n' | awk '$1 == "ii" { print $2 }' | sort; }
deb_bytes() { find "$dir/var/cache/apt/archives" -maxdepth 1 -name '*.deb' -printf '%s\n' | awk '{ n += $1 } END { print n + 0 }'; }
# The sum, in MiB, of the sizes that apt printed after the words $1 ("Need to get", "Fetched").
apt_mib() {
    { grep -o "$1 [0-9.,]* [kMG]*B" "$log" || true; } |
        awk '{ n = $(NF - 1); gsub(",", "", n); u = $NF
               s += n * (u == "kB" ? 1e3 : u == "MB" ? 1e6 : u == "GB" ? 1e9 : 1) }
             END { printf "%.1f", s / 1048576 }'
}
say() { echo "check-on-debian.sh: first run on $suite: $*"; }
# Says what make run has added so far, also when it failed: the packages, and apt's downloads.
say_added() {
    local cached apt_said
    packages >"$work/after"
    cached=$(awk -v a="$bytes_before" -v b="$(deb_bytes)" 'BEGIN { printf "%.1f", (b - a) / 1048576 }')
    apt_said=$(grep -E '^[0-9]+ upgraded, [0-9]+ newly installed' "$log" | paste -sd ';' || true)
    say "make run installed $(comm -13 "$work/before" "$work/after" | wc -l) packages (apt: ${apt_said:-nothing})"
    say "apt downloaded $(apt_mib 'Need to get') MiB of packages ($cached MiB of them kept in /var/cache/apt/archives)" \
        "and $(apt_mib Fetched) MiB in all, with the package lists"
}
packages >"$work/before"
bytes_before=$(deb_bytes)

log=$dir/root/make-run.log
limit=$((40 * 60))
deadline=$(($(seconds) + limit))
run_start=$(date +%s.%N)
# setsid: make run and all that it starts are one process group, to be ended at once if need be.
DISPLAY=$display setsid unshare --mount --propagation private "$0" --inside-x11 "$dir" \
    sh -c 'cd /root/zahlix && exec make run' >"$log" 2>&1 &
run=$!
echo "check-on-debian.sh: make run started (output in $log)"

window=""
until window=$(DISPLAY=$display xdotool search --onlyvisible --name '^Zahlix$' 2>/dev/null | head -n 1) && [ -n "$window" ]; do
    failed=""
    if ! kill -0 "$run" 2>/dev/null; then
        status=0
        wait "$run" || status=$?
        run=""
        failed="make run ended with $status, $(($(seconds) - ${run_start%.*})) s after it started, before the window showed"
    elif [ "$(seconds)" -ge "$deadline" ]; then
        failed="no window \"Zahlix\" $((limit / 60)) min after make run started"
    fi
    if [ -n "$failed" ]; then
        echo "check-on-debian.sh: $failed; the last lines of its output:" >&2
        tail -n 30 "$log" >&2
        say_added
        took "the whole first run on $suite" "$start"
        exit 1
    fi
    sleep 0.5
done
to_window=$(awk -v a="$run_start" -v b="$(date +%s.%N)" 'BEGIN { printf "%.1f", b - a }')
say_added
say "the window showed $to_window s after make run started"

# Escape ends the program; with no window manager the window takes the focus itself first.
DISPLAY=$display timeout 10 xdotool windowfocus --sync "$window" key Escape || true
ended=""
for _ in $(seq 40); do
    if ! kill -0 "$run" 2>/dev/null; then
        status=0
        wait "$run" || status=$?
        ended="on Escape, with $status"
        run=""
        break
    fi
    sleep 0.5
done
if [ -z "$ended" ]; then
    kill -- "-$run" 2>/dev/null || true
    wait "$run" 2>/dev/null || true
    run=""
    ended="only when killed, 20 s after Escape"
fi
say "make run ended $ended"
took "the whole first run on $suite" "$start"
