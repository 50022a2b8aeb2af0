#!/usr/bin/env bash
# build.sh release|test [cmake targets...]
#   release: optimised build in build/release (photo-host, benchmarks)
#   test:    AddressSanitizer + UndefinedBehaviorSanitizer build in build/test
#   fuzz:    the same sanitizers with clang and the libFuzzer targets, in build/fuzz
set -euo pipefail
cd "$(dirname "$0")/.."

kind=${1:-release}
shift || true
case "$kind" in
    release) dir=build/release; flags=(-DCMAKE_BUILD_TYPE=Release -DPHOTO_SANITIZE=OFF) ;;
    test)    dir=build/test;    flags=(-DCMAKE_BUILD_TYPE=Debug -DPHOTO_SANITIZE=ON) ;;
    fuzz)    dir=build/fuzz;    flags=(-DCMAKE_BUILD_TYPE=Debug -DPHOTO_SANITIZE=ON -DPHOTO_BUILD_FUZZ=ON
                                       -DPHOTO_BUILD_TESTS=OFF -DPHOTO_BUILD_BENCH=OFF
                                       -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++) ;;
    *) echo "usage: $0 release|test|fuzz [targets...]" >&2; exit 2 ;;
esac

jobs=${PHOTO_JOBS:-2}
cmake -S . -B "$dir" -G Ninja "${flags[@]}" >/dev/null
if [ $# -gt 0 ]; then
    cmake --build "$dir" -j "$jobs" --target "$@"
else
    cmake --build "$dir" -j "$jobs"
fi
