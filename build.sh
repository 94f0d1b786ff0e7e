#!/usr/bin/env bash
# ./build.sh run [ARGS...]  installs what is missing, builds, starts zr48pm on the ZR48 attached to
#                           USB, or on the built-in simulator (its card kept between runs) when none is
# ./build.sh test           installs what is missing, builds, runs every test through CTest
# ./build.sh sanitize       builds the core tests with AddressSanitizer and UBSan and runs them
# ./build.sh fuzz [SECONDS]  builds the fuzz targets with clang-14, libFuzzer, ASan and UBSan, and runs
#                           each for SECONDS (default 30), one after another; see fuzz/README.md
# ./build.sh package        installs what is missing, builds, makes the Debian package build/zr48_*.deb
#                           and checks it with lintian
# ./build.sh windows        installs MinGW-w64 and Wine, cross-compiles the core, zr48.exe and the core
#                           tests for 64-bit Windows into build-windows/ and runs the tests under Wine
set -euo pipefail
cd "$(dirname "$0")"
mode="${1:-run}"
[ $# -gt 0 ] && shift

timed() { # timed STEP COMMAND...: runs the command, then says how long the step took
    local step="$1" started=$SECONDS
    shift
    "$@"
    echo "build.sh $mode: $step took $((SECONDS - started)) s" >&2
}

# What building and running the programs needs, and on top of it what the command needs.
lists=(scripts/packages.txt)
case "$mode" in
test | sanitize) lists+=(scripts/packages-test.txt) ;;
package) lists+=(scripts/packages-test.txt scripts/packages-package.txt) ;;
fuzz | windows) lists+=("scripts/packages-$mode.txt") ;;
esac
timed "installing the packages" scripts/install-packages.sh "${lists[@]}"

configure() { # configure BUILD_DIR [CMAKE OPTIONS...]
    local dir="$1"
    shift
    if [ ! -f "$dir/build.ninja" ]; then
        cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@"
    fi
}
# The folder build/ serves both: the programs alone for running them, everything for the tests and
# the package. A change of what it builds keeps every object already compiled.
configure_build() { # configure_build ON|OFF: with the tests, benchmarks and package or without
    local all="$1"
    local options=(-DZR48_TESTS="$all" -DZR48_BENCHMARKS="$all" -DZR48_PACKAGING="$all")
    if [ -f build/build.ninja ]; then
        grep -qx "ZR48_TESTS:BOOL=$all" build/CMakeCache.txt || cmake -S . -B build "${options[@]}"
    else
        configure build "${options[@]}"
    fi
}

case "$mode" in
run)
    timed configuring configure_build OFF
    # The programs and the data they read at run time (the firmware file; the examples and the
    # device database are links into the source tree).
    timed building cmake --build build --target zr48pm zr48 zr48-sim firmware_image
    if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
        echo "No desktop session (DISPLAY is not set): zr48pm needs one to show its window."
        echo "The command-line tool is built: build/bin/zr48 --help"
        echo "(try the simulated ZR48: build/bin/zr48 --link sim status)"
        exit 0
    fi
    # A ZR48 on USB is used as it is; without one the simulator stands in.
    if grep -qsx "KELDO ZR48-USB Link" /sys/bus/usb/devices/*/product; then
        exec build/bin/zr48pm --link auto "$@"
    fi
    card_dir="${XDG_DATA_HOME:-$HOME/.local/share}/KELDO/ZR48"
    mkdir -p "$card_dir"
    echo "No ZR48 on USB: zr48pm talks to the built-in simulator (card kept in $card_dir)."
    exec build/bin/zr48pm --link "sim:$card_dir/simulator-card.zr48" "$@"
    ;;
test)
    timed configuring configure_build ON
    timed building cmake --build build
    timed testing ctest --test-dir build --output-on-failure -j "$(nproc)"
    ;;
sanitize)
    configure build-sanitize -DZR48_CORE_ONLY=ON -DZR48_SANITIZE=ON -DZR48_BENCHMARKS=OFF
    cmake --build build-sanitize
    ctest --test-dir build-sanitize --output-on-failure -j "$(nproc)"
    ;;
fuzz)
    seconds="${1:-30}"
    configure build-fuzz -DCMAKE_CXX_COMPILER=clang++-14 -DZR48_FUZZ=ON -DZR48_CORE_ONLY=ON -DZR48_TESTS=OFF \
        -DZR48_BENCHMARKS=OFF
    # One line per target: its name, then its seed folders (the corpus folder first).
    targets=()
    declare -A seeds
    while read -r name folders; do
        targets+=("$name")
        seeds[$name]="$folders"
    done < build-fuzz/fuzz/targets.txt
    cmake --build build-fuzz --target "${targets[@]/#/fuzz_}"
    # Inputs that find something new go to build-fuzz/corpus (the seeds in fuzz/corpus stay as they
    # are); a finding is written to build-fuzz/findings/NAME/. Scratch files go to memory if it can.
    scratch="$(mktemp -d "$([ -d /dev/shm ] && echo /dev/shm || echo "${TMPDIR:-/tmp}")/zr48-fuzz.XXXXXX")"
    trap 'rm -rf "$scratch"' EXIT
    failed=()
    for name in "${targets[@]}"; do
        mkdir -p "build-fuzz/corpus/$name" "build-fuzz/findings/$name"
        echo "== $name: $seconds s"
        dictionary=()
        [ -f "fuzz/dict/$name.dict" ] && dictionary=(-dict="fuzz/dict/$name.dict")
        if ! TMPDIR="$scratch" build-fuzz/fuzz/"fuzz_$name" -max_total_time="$seconds" -print_final_stats=1 "${dictionary[@]}" \
            -artifact_prefix="build-fuzz/findings/$name/" "build-fuzz/corpus/$name" ${seeds[$name]} \
            2> "build-fuzz/findings/$name.log"; then
            failed+=("$name")
        fi
        grep -E '^stat::number_of_executed_units|^==[0-9]+==|^SUMMARY' "build-fuzz/findings/$name.log" || true
    done
    if [ ${#failed[@]} -gt 0 ]; then
        echo "Findings in: ${failed[*]} (inputs in build-fuzz/findings/, logs beside them)" >&2
        exit 1
    fi
    echo "No findings."
    ;;
package)
    configure_build ON
    cmake --build build
    rm -f build/zr48_*.deb
    (cd build && cpack -G DEB)
    deb="$(ls build/zr48_*.deb)"
    lintian --fail-on error,warning "$deb"
    echo "Made $deb: install it with 'sudo apt install ./$deb' (or dpkg -i)."
    ;;
windows)
    started=$SECONDS
    configure build-windows -DCMAKE_TOOLCHAIN_FILE=cmake/MinGW64.cmake -DZR48_CORE_ONLY=ON -DZR48_BENCHMARKS=OFF
    cmake --build build-windows
    # Wine in a prefix of the build folder's own, quiet; one server for the whole run.
    export WINEPREFIX="$PWD/build-windows/wine" WINEDEBUG=-all
    wine=/usr/lib/wine/wine64 # Debian's wine64 keeps its programs out of the PATH
    wineserver=/usr/lib/wine/wineserver64
    "$wineserver" -p 2> /dev/null || true # kept for the whole run (one may be running already)
    trap '"$wineserver" -k 2> /dev/null || true' EXIT
    # A new prefix is made once; without 32-bit Wine its 32-bit part fails, which 64-bit programs
    # do not need.
    "$wine" wineboot --init > /dev/null 2>&1 || true
    rm -f build-windows/test-reports/*.xml
    ctest --test-dir build-windows --output-on-failure -j "$(nproc)"
    # Each test program writes a report: add up its cases.
    cat build-windows/test-reports/*.xml | awk '
        /<testcase / { cases++ }
        /<testcase .*result="skipped"/ { skipped++ }
        /<failure / { failed++ }
        END { printf "Under Wine: %d test cases, %d of them skipped, %d failed", cases, skipped, failed }'
    echo " ($((SECONDS - started)) s for the build and the tests)."
    echo "The Windows programs: build-windows/bin/zr48.exe (try: $wine build-windows/bin/zr48.exe --link sim status)"
    ;;
*)
    echo "usage: ./build.sh run [ARGS...] | test | sanitize | fuzz [SECONDS] | package | windows" >&2
    exit 64
    ;;
esac
