#!/usr/bin/env bash
# Builds the release twice, each time in a clean folder of its own, and
# compares every file it ships byte by byte: two builds of one commit must
# be the same bytes.
#   reproducible_test.sh SOURCE_DIR TOOLCHAIN_FILE
set -uo pipefail
root="$1" toolchain="$2"
# Beside the other build folders, at their depth, so the compiler cache
# (where there is one) serves these builds from theirs.
builds=("$root/build/repro-a" "$root/build/repro-b")
launcher=()
if command -v ccache >/dev/null; then
    export CCACHE_BASEDIR="$root"
    launcher=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi
for dir in "${builds[@]}"; do
    # The clock moves on between the two builds: the second starts at least
    # two seconds (a zip file's step) after the first did.
    if [ -n "${first_started:-}" ]; then
        while [ $(($(date +%s) - first_started)) -lt 3 ]; do sleep 0.1; done
    fi
    first_started="${first_started:-$(date +%s)}"
    rm -rf "$dir"
    if ! cmake -S "$root" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
            "${launcher[@]}" >"$dir.log" 2>&1 ||
       ! cmake --build "$dir" --target quellar_release >>"$dir.log" 2>&1; then
        tail -20 "$dir.log"
        echo "the build in $dir failed"
        exit 1
    fi
done
failures=0
shipped=(quellar.exe quellarc.exe QLRHelp.chm Ping.wav low-memory.wav)
for f in "${shipped[@]}" $(cd "${builds[0]}" && ls Quellar-*-setup.exe Quellar-*.zip); do
    if cmp -s "${builds[0]}/$f" "${builds[1]}/$f"; then
        echo "same bytes: $f ($(sha256sum < "${builds[0]}/$f" | cut -c1-16))"
    else
        echo "FAIL: $f differs between two builds of one commit"
        cmp -l "${builds[0]}/$f" "${builds[1]}/$f" | head -5
        failures=$((failures + 1))
    fi
done
[ "$failures" -eq 0 ] && rm -rf "${builds[@]}" "${builds[0]}.log" "${builds[1]}.log"
echo "$failures failed"
[ "$failures" -eq 0 ]
