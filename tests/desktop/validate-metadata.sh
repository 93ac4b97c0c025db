#!/usr/bin/env bash
# Installs the build in BUILD_DIR into a temporary prefix and checks what the desktop reads:
# the desktop entry (desktop-file-validate), the metainfo (appstreamcli, pedantic, and the
# tree it names: launchable, icon), and every icon size. Exits 77 (skipped) when a checking
# tool is missing. Usage: validate-metadata.sh BUILD_DIR
set -euo pipefail
build=$1
for tool in desktop-file-validate appstreamcli; do
  command -v "$tool" >/dev/null || { echo "$tool is not installed"; exit 77; }
done
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
cmake --install "$build" --prefix "$prefix" >/dev/null

desktop-file-validate "$prefix/share/applications/mp3vortan.desktop"
grep -qx 'Exec=mp3vortan %F' "$prefix/share/applications/mp3vortan.desktop"
metainfo="$prefix/share/metainfo/io.github.mp3vortan.mp3vortan.metainfo.xml"
appstreamcli validate --pedantic --no-net --explain "$metainfo"
appstreamcli validate-tree --pedantic --no-net "$prefix"
# Every MIME type the desktop entry opens is one the metainfo says it provides.
for type in $(sed -n 's/^MimeType=//p' "$prefix/share/applications/mp3vortan.desktop" | tr ';' ' '); do
  grep -q "<mediatype>$type</mediatype>" "$metainfo" || { echo "metainfo lacks $type"; exit 1; }
done
for size in 16 24 32 48 64 128 256 512; do
  png="$prefix/share/icons/hicolor/${size}x${size}/apps/mp3vortan.png"
  # The PNG's own width and height (big-endian, at bytes 16 and 20).
  dims=$(od -An -tu1 -j16 -N8 "$png" | awk '{print $3*256+$4 "x" $7*256+$8}')
  [ "$dims" = "${size}x${size}" ] || { echo "$png is $dims"; exit 1; }
done
[ -f "$prefix/share/icons/hicolor/scalable/apps/mp3vortan.svg" ]
echo "desktop entry, metainfo and icons are valid"
