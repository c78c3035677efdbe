#!/usr/bin/env bash
# Configures and builds; shows the build's progress and prints the build directory last, on
# standard output alone, so that callers can take it with $(...).
#   --sanitize      a Debug build with AddressSanitizer and UndefinedBehaviorSanitizer, into
#                   build-sanitize/ instead of build/
#   --werror        compiler warnings stop the build (tests and CI); without it they do not,
#                   so that a newer compiler cannot keep the program from being built.
#                   Switching between the two rebuilds what the switch affects.
#   --target NAME   build only NAME (repeatable); without it, everything
set -euo pipefail
cd "$(dirname "$0")/.."

dir=build
args=(-DCMAKE_BUILD_TYPE=RelWithDebInfo)
werror=OFF
targets=()
while [ $# -gt 0 ]; do
    case "$1" in
    --sanitize)
        dir=build-sanitize
        args=(-DCMAKE_BUILD_TYPE=Debug -DKVT_SANITIZE=ON -DKVT_BENCH=OFF)
        ;;
    --werror) werror=ON ;;
    --target)
        [ $# -ge 2 ] || { echo "build.sh: --target needs a name" >&2; exit 2; }
        targets+=(--target "$2")
        shift
        ;;
    *)
        sed -n '2,10p' "$0" >&2
        exit 2
        ;;
    esac
    shift
done

# Progress goes to the terminal (standard error); only the directory goes to the caller.
{
    [ -f "$dir/CMakeCache.txt" ] || echo "First build into $dir/: this takes a few minutes."
    cmake -S . -B "$dir" -G Ninja "${args[@]}" -DKVT_WERROR="$werror" --log-level=WARNING
    cmake --build "$dir" --parallel "$(nproc)" "${targets[@]}"
} >&2
echo "$dir"
