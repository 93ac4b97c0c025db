#!/usr/bin/env bash
# Builds the Debian package of MP3 Vortan (the window program, the command-line converter,
# help pages, translations, desktop entry, icons, metainfo and manual pages) with CPack, then checks it with
# lintian when that is installed. The package lands in build/package/; its dependencies are
# computed from the programs' libraries (dpkg-shlibdeps, from dpkg-dev).
# Usage: scripts/package-deb.sh   (VORTAN_WERROR=ON as for scripts/build.sh)
set -euo pipefail
cd "$(dirname "$0")/.."
command -v dpkg-shlibdeps >/dev/null || { echo "dpkg-shlibdeps is missing: install dpkg-dev" >&2; exit 1; }

# The package is made from the same build as the tests run on.
scripts/build.sh
out=build/package
rm -rf "$out"
cpack --config build/CPackConfig.cmake -G DEB -B "$out"
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
