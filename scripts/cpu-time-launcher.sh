#!/usr/bin/env bash
# A compiler launcher that records what each compile costs: one line per compile with its user and
# system CPU seconds, its wall-clock seconds and its output, added to the file ZR48_CPU_LOG names
# (cpu-times.log in the build folder when unset). CPU seconds stay comparable on a busy machine,
# where wall-clock seconds do not. Use it, alone or before ccache, as the compiler launcher:
#   cmake -S . -B build -G Ninja -DCMAKE_CXX_COMPILER_LAUNCHER="$PWD/scripts/cpu-time-launcher.sh"
#   cmake --build build
#   awk '{ cpu += $1 + $2 } END { print cpu " CPU seconds" }' build/cpu-times.log
set -euo pipefail
output=unknown
previous=""
for argument in "$@"; do
    [ "$previous" = -o ] && output="$argument"
    previous="$argument"
done
exec /usr/bin/time -a -o "${ZR48_CPU_LOG:-cpu-times.log}" -f "%U %S %e $output" "$@"
