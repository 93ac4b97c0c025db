#!/usr/bin/env bash
# Installs every Debian package MP3 Vortan needs to build, run, test and benchmark.
# Idempotent: packages already present are left alone. Needs root or sudo.
set -euo pipefail

packages=(
  # toolchain; universal-ctags measures the functions (scripts/structure.py)
  build-essential cmake pkg-config clang-format universal-ctags
  # Qt 6 (Core, Gui, Widgets, Test) and the platform plugins (xcb, offscreen)
  qt6-base-dev qt6-base-dev-tools qt6-qpa-plugins libqt6test6 libgl-dev
  # audio and CD libraries
  libmp3lame-dev libmpg123-dev libcdio-dev libcdio-paranoia-dev libcdio-cdda-dev
  libpulse-dev libfluidsynth-dev timgm6mb-soundfont libasound2-dev
  # volume UUIDs and labels (system information)
  libblkid-dev
  # CRC32 of ripped audio (the extraction log)
  zlib1g-dev
  # MusicBrainz disc IDs from a disc's table of contents
  libdiscid-dev
  # ID3v2 tags on the MP3s written, and their loudness (ReplayGain)
  libtag1-dev libebur128-dev
  # FLAC and Opus encoding (the reference encoders); FLAC decoding with its MD5 check
  libflac-dev libopusenc-dev libopus-dev
  # Ogg Vorbis decoding through the reference decoder (exact lengths)
  libvorbis-dev
  # decoding every other audio format (Ogg Vorbis, Opus, M4A/AAC/ALAC, AIFF, WavPack ...)
  libavformat-dev libavcodec-dev libswresample-dev libavutil-dev
  # test tools: GoogleTest, a PulseAudio server for the audio tests, a headless X server
  googletest libgtest-dev libgmock-dev pulseaudio pulseaudio-utils xvfb xauth
  # reference tools: the benchmarks compare with them; the tests make inputs with them
  lame mpg123 flac opus-tools vorbis-tools ffmpeg
  # the desktop: D-Bus notifications, Wayland (a headless compositor for its test), the
  # AppStream and desktop-file checks, the Debian package and its check, the translation tools
  dbus appstream desktop-file-utils weston qt6-wayland dpkg-dev lintian
  qt6-l10n-tools qt6-tools-dev qt6-translations-l10n
  # the fuzz targets (bench/*fuzz): clang and its libFuzzer runtime
  clang libclang-rt-dev
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done

if [ ${#missing[@]} -eq 0 ]; then
  echo "All packages present."
  exit 0
fi

SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO="sudo"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
