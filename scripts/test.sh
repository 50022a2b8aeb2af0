#!/usr/bin/env bash
# Sets up, builds the sanitized test build and runs every test; then builds
# the fuzz targets with clang and runs each for a bounded time.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup.sh
scripts/build.sh test
(cd build/test && ctest --output-on-failure -j "${PHOTO_JOBS:-2}" "$@")

scripts/build.sh fuzz fuzzers
(cd build/fuzz && ctest --output-on-failure -j "${PHOTO_JOBS:-2}" -L fuzz)
