#!/usr/bin/env bash
# Sets everything up on a Debian 12 machine, builds MP3 Vortan and starts it.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/build.sh
exec build/mp3vortan "$@"
