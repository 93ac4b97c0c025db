#!/usr/bin/env bash
# Sets everything up on a Debian 12 machine, builds MP3 Vortan and runs the whole test
# suite headless. Extra arguments go to ctest (e.g. -L unit, -R formats).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/build.sh
cd build
QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j"$(nproc)" "$@"
