#!/usr/bin/env bash
# A composition of many instruments (100,000 by default): how long `load` takes until the log
# says "file loaded!", how long a command then takes until its echo shows, and the CPU use of
# the program afterwards while it plays them, in percent of one core over 10 s.
# Usage: tools/measure/many-instruments.sh [build folder] [instruments]
source "$(dirname "$0")/common.sh"
count="${2:-100000}"

awk -v n="$count" 'BEGIN {
  printf "{\"activeInstruments\": ["
  for (i = 0; i < n; i++) {
    printf "%s{\"mute\": false, \"name\": \"i%d\", \"patternRaw\": \"#-#-#-#-\", \"rand\": 0, \"volume\": 1}", (i ? "," : ""), i
  }
  printf "], \"bpm\": 120, \"name\": \"composition\", \"parts\": {}}\n"
}' > "$work/many.json"

now() { date +%s.%N; }
cpu() { awk '{ print $14 + $15 }' "/proc/$pid/stat"; }
# Wall-clock time, and the CPU time the program used meanwhile (which a busy machine
# does not inflate).
elapsed() {
  awk -v a="$1" -v b="$2" -v c="$3" -v d="$(cpu)" -v hz="$(getconf CLK_TCK)" \
    'BEGIN { printf "%.3f s (%.2f s of CPU)\n", b - a, (d - c) / hz }'
}

startZaffo SDL_AUDIODRIVER=dummy
start="$(now)"; used="$(cpu)"
submit "load many"
waitFor "file loaded!"
printf 'load of %s instruments: ' "$count"; elapsed "$start" "$(now)" "$used"
for line in 'kick #-' 'bpm 130' 'hh #'; do
  start="$(now)"; used="$(cpu)"
  submit "$line"
  waitFor "> $line"
  printf '%-8s answered in ' "$line"; elapsed "$start" "$(now)" "$used"
done
before="$(cpu)"
sleep 10
after="$(cpu)"
awk -v d="$((after - before))" -v hz="$(getconf CLK_TCK)" \
  'BEGIN { printf "CPU while playing them: %.2f %% of one core\n", 100 * d / hz / 10 }'
