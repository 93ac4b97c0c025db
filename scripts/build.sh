#!/usr/bin/env bash
# Configures and builds MP3 Vortan into build/ (Release with debug info).
# VORTAN_WERROR=ON turns compiler warnings into errors.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVORTAN_WERROR="${VORTAN_WERROR:-OFF}" >/dev/null
cmake --build build -j"$(nproc)"
