#!/usr/bin/env bash
# Builds the Debian package of MP3 Vortan (the window program, the command-line converter,
# help pages, translations, desktop entry, icons, metainfo and manual pages) with CPack, then checks it with
# lintian when that is installed. The package lands in build/package/; its dependencies are
# computed from the programs' libraries (dpkg-shlibdeps, from dpkg-dev).
# The programs are built in build-package/ with Debian's hardening flags (dpkg-buildflags with
# every hardening feature: fortified functions, stack protector, read-only relocations bound
# at start), without the tests and benchmarks.
# Usage: scripts/package-deb.sh   (VORTAN_WERROR=ON as for scripts/build.sh)
set -euo pipefail
cd "$(dirname "$0")/.."
command -v dpkg-shlibdeps >/dev/null || { echo "dpkg-shlibdeps is missing: install dpkg-dev" >&2; exit 1; }

export DEB_BUILD_MAINT_OPTIONS=hardening=+all
cppflags=$(dpkg-buildflags --get CPPFLAGS)
launcher=$(command -v ccache || true)
export CCACHE_SLOPPINESS=pch_defines,time_macros,include_file_mtime,include_file_ctime
build=build-package
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=None -DVORTAN_TESTS=OFF -DVORTAN_BENCH=OFF \
  -DVORTAN_WERROR="${VORTAN_WERROR:-OFF}" \
  -DCMAKE_C_FLAGS="$cppflags $(dpkg-buildflags --get CFLAGS)" \
  -DCMAKE_CXX_FLAGS="$cppflags $(dpkg-buildflags --get CXXFLAGS)" \
  -DCMAKE_EXE_LINKER_FLAGS="$(dpkg-buildflags --get LDFLAGS)" \
  -DCMAKE_CXX_COMPILER_LAUNCHER="$launcher" -DCMAKE_C_COMPILER_LAUNCHER="$launcher" >/dev/null
cmake --build "$build" -j"$(nproc)"
out=$build/package
rm -rf "$out"
cpack --config "$build/CPackConfig.cmake" -G DEB -B "$out"
deb=$(find "$out" -maxdepth 1 -name '*.deb' -print -quit)
[ -n "$deb" ] || { echo "cpack made no package" >&2; exit 1; }
echo "Package: $deb"
dpkg-deb --field "$deb" Package Version Architecture Depends Recommends
# The programs speak German from the compiled translation the package carries.
dpkg-deb --contents "$deb" | grep '/usr/share/mp3vortan/translations/mp3vortan_de\.qm$' >/dev/null ||
  { echo "the package carries no German translation (mp3vortan_de.qm)" >&2; exit 1; }

if command -v lintian >/dev/null; then
  # Errors fail the script; warnings and notes are shown.
  lintian --fail-on error --display-info "$deb"
else
  echo "lintian is not installed: the package was not checked" >&2
fi
