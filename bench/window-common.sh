# What the real-window benchmarks share, sourced by them: an X server of their own, the program
# in a window at scale 2 writing its latency trace, and clicks on device-screen points.
# Sets work, program, window; cleans up on exit.

root=$(cd "$(dirname "$0")/.." && pwd)
exe=$root/build/app/brelvo
[ -x "$exe" ] || { echo "$(basename "$0"): build first (scripts/build build)" >&2; exit 1; }

work=$(mktemp -d)
cleanup() {
  [ -n "${program:-}" ] && kill "$program" 2>/dev/null || true
  [ -n "${server:-}" ] && kill "$server" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

exec 3<> "$work/displayfd" # the server writes its display number here
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
server=$!
for _ in $(seq 100); do
  number=$(tr -dc 0-9 <"$work/displayfd" || true)
  [ -n "$number" ] && break
  sleep 0.05
done
export DISPLAY=":$number" SDL_VIDEODRIVER=x11
export XDG_RUNTIME_DIR=$work XDG_CONFIG_HOME=$work

# start_program ARGS...: the program with its trace in $work/trace, once its window is there.
start_program() {
  BRELVO_LATENCY_TRACE=$work/trace "$exe" --scale 2 "$@" >"$work/brelvo.log" 2>&1 &
  program=$!
  # The title names the picture once one is open: "photo.jpg - Brelvo".
  window=$(xdotool search --sync --name 'Brelvo$' | head -1)
  sleep 2.5 # the start-up picture
}

# Screen points are device pixels; the window shows each as a 2x2 square.
at() { echo $(($1 * 2 + 1)) $(($2 * 2 + 1)); }
click() { xdotool mousemove --window "$window" $(at "$1" "$2") click 1; sleep "$3"; }
