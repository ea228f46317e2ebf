#!/usr/bin/env bash
# Frames from pressing Enter on "kick" (an audition) to the first sounding frame that SDL's
# disk driver writes. The driver writes in real time, so the file's length at the moment of
# Enter marks the frame where the key arrived. Float stereo frames of 8 bytes.
# Usage: tools/measure/audition-latency.sh [build folder] [repeats]
source "$(dirname "$0")/common.sh"
repeats="${2:-10}"
out="$work/out.raw"

startZaffo SDL_AUDIODRIVER=disk "SDL_DISKAUDIOFILE=$out"
sleep 1
marks=()
for _ in $(seq "$repeats"); do
  t send-keys -t m -l kick
  sleep 0.3
  marks+=("$(stat -c %s "$out")")
  t send-keys -t m Enter
  sleep 1
done

for mark in "${marks[@]}"; do
  first="$(od -A d -t f4 -v -w8 -j "$mark" "$out" | awk '$2 + 0 != 0 || $3 + 0 != 0 { print $1 / 8; exit }' || true)"
  echo "Enter at frame $((mark / 8)), first sound at frame $first: $((first - mark / 8)) frames"
done
