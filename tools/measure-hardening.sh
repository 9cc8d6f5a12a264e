#!/bin/sh
# Measures what Debian's hardening flags cost the Linux program's start-up: builds the program
# three times, with no hardening (as before it had any), with Debian's default set and with bind
# now added (build/hardening-none, -default, -bindnow; the linux preset otherwise), and times the
# stripped programs from start to the mapped window, interleaved, as medians over RUNS rounds, on
# a virtual display of its own without a window manager (tests/bench/linux/startup_probe). A busy
# machine blurs those times; the dynamic loader's own count of the cycles it spends (LD_DEBUG=
# statistics, over 10 x RUNS interleaved starts without a display) shows the cost of bind now alone.
#
#     tools/measure-hardening.sh [RUNS]      (from the top of the tree; default and least 11 runs)
#
# The three lines of the probe's output are in that order: none, default, bindnow.
set -eu
runs=${1:-11}
[ "$runs" -ge 11 ] 2>/dev/null || { echo "measure-hardening.sh: RUNS must be a number of at least 11" >&2; exit 2; }
cd "$(dirname "$0")/.."

cmake --preset linux >/dev/null
cmake --build --preset linux --target startup_probe >/dev/null
stripped=$(mktemp -d)
trap 'sh tests/x-display.sh stop :74; rm -rf "$stripped"' EXIT
trap 'exit 1' INT TERM
for variant in none:hardening=-all default: bindnow:hardening=+bindnow; do
    name=${variant%%:*}
    cmake --preset linux -B "build/hardening-$name" -DBUILD_TESTING=OFF "-DZAHLIX_HARDENING=${variant#*:}" |
        grep "Hardening flags"
    cmake --build "build/hardening-$name" --target zahlix >/dev/null
    strip -o "$stripped/$name" "build/hardening-$name/zahlix"
    echo "$name: $(stat -c %s "$stripped/$name") bytes stripped"
done

sh tests/x-display.sh start :74
DISPLAY=:74 build/linux/tests/bench/linux/startup_probe --warmup 2 "$runs" Zahlix "$stripped/none" \
    Zahlix "$stripped/default" Zahlix "$stripped/bindnow"

# The loader's cycles and the relocations it made, as medians; each start ends at once for want
# of a display.
for round in $(seq $((runs * 10))); do
    for name in none default bindnow; do
        env -u DISPLAY LD_DEBUG=statistics "$stripped/$name" 2>&1 | awk -v name="$name" '
            /total startup time in dynamic loader:/ { cycles = $(NF - 1) }
            /final number of relocations:/ { relocations = $NF }
            END { print name, cycles, relocations }'
    done
done | sort -k1,1 -k2,2n | awk '
    { cycles[$1, ++count[$1]] = $2; relocations[$1] = $3 }
    END {
        for (i = 1; i <= 3; ++i) {
            name = i == 1 ? "none" : i == 2 ? "default" : "bindnow"
            printf "%s: dynamic loader median %d cycles over %d starts, %d relocations\n", name,
                cycles[name, int((count[name] + 1) / 2)], count[name], relocations[name]
        }
    }'
