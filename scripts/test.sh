#!/usr/bin/env bash
# Sets up, builds the sanitized test build and runs every test.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup.sh
scripts/build.sh test
cd build/test
ctest --output-on-failure -j "${PHOTO_JOBS:-2}" "$@"
