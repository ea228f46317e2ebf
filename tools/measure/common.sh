# Shared by the measuring scripts: a private copy of a build's zaffo and samples, run in a
# detached tmux session on a private server. Source it, then call startZaffo.
set -euo pipefail

build="${1:-build}"
work="$(mktemp -d /tmp/zaffo-measure-XXXXXX)"
socket="zaffo-measure-$$"
cp "$build/zaffo" "$work/"
cp -r "$build/samples" "$work/"
printf 'set -g remain-on-exit on\nset -g default-shell /bin/sh\nset -g default-terminal tmux-256color\n' > "$work/tmux.conf"

t() { env -u TMUX tmux -L "$socket" "$@"; }
cleanup() {
  local path
  path="$(t display-message -p -t m "#{socket_path}" 2>/dev/null || true)"
  t kill-server 2>/dev/null || true
  if [ -n "$path" ]; then rm -f "$path"; fi
  rm -rf "$work"
}
trap cleanup EXIT

# startZaffo NAME=value...: the program replaces the pane's shell, so the pane's pid is its pid.
startZaffo() {
  local settings=()
  for s in LANG=C.UTF-8 LC_ALL=C.UTF-8 "$@"; do settings+=(-e "$s"); done
  t -f "$work/tmux.conf" new-session -d -s m -x 200 -y 50 -c "$work" "${settings[@]}" "exec '$work/zaffo'"
  waitFor "type 'help' for help"
  pid="$(t display-message -p -t m '#{pane_pid}')"
}

waitFor() {
  for _ in $(seq 200); do
    if t capture-pane -p -t m | grep -qF -- "$1"; then return 0; fi
    sleep 0.05
  done
  echo "timed out waiting for: $1" >&2
  return 1
}

submit() { t send-keys -t m -l "$1"; t send-keys -t m Enter; }
