#!/usr/bin/env bash
# Kills convert --mirror at random points (SIGKILL, SIGTERM or SIGINT, at a random moment of
# a first run or of a run that replaces every output with other settings), ROUNDS times, and
# checks each time that a rerun completes (exit 0) and leaves the destination equal, file for
# file and byte for byte, to a clean run's, with no temporary file left. Not part of ctest.
#
#   bench/mirror/killtest.sh [path/to/mp3vortan-cli] [ROUNDS]     (defaults: build/..., 100)
set -euo pipefail
cli=$(realpath "${1:-build/mp3vortan-cli}")
rounds=${2:-100}
for tool in ffmpeg flac lame oggenc; do
  command -v "$tool" >/dev/null || { echo "killtest: $tool is missing" >&2; exit 1; }
done
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export XDG_CONFIG_HOME=$work/config

# A small library: in each album a FLAC, an MP3 (copied), an Ogg Vorbis, a WAV and a cover.
lib=$work/lib
for a in 1 2 3 4 5 6; do
  d="$lib/Artist $a/Album $a"
  mkdir -p "$d"
  for t in 1 2 3 4; do
    ffmpeg -loglevel error -f lavfi -i "sine=frequency=$((200 + a * 50 + t * 10)):duration=4" \
      -ar 44100 -ac 2 "$d/0$t Song.wav"
  done
  flac -s -o "$d/01 Song.flac" "$d/01 Song.wav" 2>/dev/null && rm "$d/01 Song.wav"
  lame --silent -b 160 "$d/02 Song.wav" "$d/02 Song.mp3" && rm "$d/02 Song.wav"
  oggenc -Q -o "$d/03 Song.ogg" "$d/03 Song.wav" && rm "$d/03 Song.wav"
  ffmpeg -loglevel error -f lavfi -i "color=c=0x$((a * 111111)):s=300x300" -frames:v 1 "$d/cover.jpg"
done

mirror() { # destination bitrate
  "$cli" convert --mirror "$lib" -o "$1" --to mp3 -b "$2" -j 2 >/dev/null 2>>"$work/log"
}

start=$(date +%s%N)
mirror "$work/clean" 128
full_ms=$((($(date +%s%N) - start) / 1000000))
echo "killtest: a clean run takes ${full_ms} ms; $rounds rounds"

dest=$work/dest
signals=(KILL TERM INT)
for round in $(seq 1 "$rounds"); do
  bitrate=128
  if ((RANDOM % 2 == 0)) || [ ! -d "$dest" ]; then
    rm -rf "$dest" # killed during a first run
  else
    bitrate=192 # killed while every conversion is replaced
  fi
  "$cli" convert --mirror "$lib" -o "$dest" --to mp3 -b "$bitrate" -j 2 >/dev/null 2>>"$work/log" &
  pid=$!
  sleep "$(awk -v r=$RANDOM -v t="$full_ms" 'BEGIN { printf "%.3f", r / 32767 * t / 1000 }')"
  signal=${signals[RANDOM % 3]}
  kill -s "$signal" "$pid" 2>/dev/null || true
  { wait "$pid"; } 2>/dev/null || true
  if ! mirror "$dest" 128; then
    echo "killtest: round $round ($signal, -b $bitrate): the rerun failed" >&2
    tail -20 "$work/log" >&2
    exit 1
  fi
  if ! diff -r --exclude=.mp3vortan-mirror "$work/clean" "$dest" >&2; then
    echo "killtest: round $round ($signal, -b $bitrate): the destination differs" >&2
    exit 1
  fi
done
echo "killtest: $rounds rounds, every rerun completed and matched the clean run"
