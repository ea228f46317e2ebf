#!/usr/bin/env bash
# CPU use of zaffo, in percent of one core, over 30 s each: eight instruments playing at
# 120 bpm, the clock running with no instrument, and the clock stopped.
# Usage: tools/measure/cpu-use.sh [build folder]
source "$(dirname "$0")/common.sh"
seconds="${SECONDS_PER_CASE:-30}"

cpuTicks() { awk '{ print $14 + $15 }' "/proc/$pid/stat"; }

measure() {
  local before after
  before="$(cpuTicks)"
  sleep "$seconds"
  after="$(cpuTicks)"
  awk -v d="$((after - before))" -v hz="$(getconf CLK_TCK)" -v s="$seconds" \
    'BEGIN { printf "%.2f %% of one core\n", 100 * d / hz / s }'
}

startZaffo SDL_AUDIODRIVER=dummy
sleep 2
printf 'clock running, no instrument: '; measure
for line in 'kick #---#---' 'snare --#---#-' 'hh #' 'oh -#' 'clap ---#' 'rim #--#--#-' 'tom -#5-#-3' 'percy --#2-'; do
  submit "$line"
done
waitFor "> percy"
printf 'eight instruments playing:    '; measure
submit '.'
sleep 1
printf 'clock stopped:                '; measure
