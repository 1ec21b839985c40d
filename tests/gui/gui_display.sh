# Sourced by the window's Xvfb scripts: a display of their own, and the end of everything
# they started.
# Processes started by the script: ended (and waited for) when it exits, so the next
# script's Xvfb never meets this one's sockets or lock files on the way out.
pids=()
cleanup() {
  local p
  for p in "${pids[@]}"; do kill "$p" 2> /dev/null || true; done
  for p in "${pids[@]}"; do
    for _ in $(seq 50); do kill -0 "$p" 2> /dev/null || break; sleep 0.1; done
  done
}
trap cleanup EXIT
# Starts Xvfb (it reports its display number once it listens) and returns once the display
# answers a client; its log is WORK/xvfb.log. Exit 77 (skipped) when Xvfb does not start.
start_display() {
  exec 3< <(exec Xvfb -displayfd 1 -screen 0 1400x900x24 -nolisten tcp 2> "$1/xvfb.log")
  pids+=($!)
  local display
  read -r -t 20 display <&3 || { echo "skipped: Xvfb did not start"; exit 77; }
  export DISPLAY=":$display"
  for _ in $(seq 100); do xdotool getdisplaygeometry > /dev/null 2>&1 && return 0; sleep 0.1; done
  echo "FAIL: the display $DISPLAY does not answer"
  sed 's/^/  xvfb: /' "$1/xvfb.log"
  exit 1
}
