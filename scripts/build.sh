#!/usr/bin/env bash
# Configures and builds MP3 Vortan into build/ (Release with debug info).
# VORTAN_WERROR=ON turns compiler warnings into errors.
set -euo pipefail
cd "$(dirname "$0")/.."
# A compiler cache, when the machine has one, makes rebuilds of other checkouts cheap.
launcher=$(command -v ccache || true)
# The libraries' headers are precompiled: the cache takes such compilations only when told
# that the precompiled header's definitions and time stamps may be trusted.
export CCACHE_SLOPPINESS=pch_defines,time_macros,include_file_mtime,include_file_ctime
# Debug information as line tables (-g1): what stack traces in a debugger, a core file or a
# sanitizer report need, at about three quarters of the compile time of the full information
# and a fraction of its size. For a debugger's view of variables, configure a build folder
# of your own with -DCMAKE_BUILD_TYPE=Debug.
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVORTAN_WERROR="${VORTAN_WERROR:-OFF}" \
  -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O2 -g1 -DNDEBUG" -DCMAKE_C_FLAGS_RELWITHDEBINFO="-O2 -g1 -DNDEBUG" \
  -DCMAKE_CXX_COMPILER_LAUNCHER="$launcher" -DCMAKE_C_COMPILER_LAUNCHER="$launcher" >/dev/null
cmake --build build -j"$(nproc)"
