#!/usr/bin/env bash
# `make demo`: the station against tarvik-sim, a virtual positioner on a
# loopback port, so Tarvik can be tried without a camera. The station runs as
# a copy beside its own demo settings file (the settings file is its only
# configuration); the simulator prints every frame it receives and the state
# of its simulated head, and is stopped when the station closes.
set -euo pipefail

root="$(cd "$(dirname "$0")/.." && pwd)"
preset=default
build_dir=
demo_dir=
build=1

usage() {
  cat <<EOF
Usage: scripts/demo.sh [--preset NAME] [--build-dir DIR] [--demo-dir DIR] [--no-build]

Builds tarvik and tarvik-sim, starts tarvik-sim on a free loopback port and
the station connected to it, and prints what to try. Closing the station's
window (or Ctrl+C here) ends the demo.

  --preset NAME    CMake preset to build with (default: default)
  --build-dir DIR  where the preset builds (default: build/NAME)
  --demo-dir DIR   where the station's copy and its settings file live
                   (default: DIR-of-the-build/demo); its settings are kept
                   from one demo to the next, except the connection ones
  --no-build       use what is built already
EOF
}

while [ $# -gt 0 ]; do
  case "$1" in
    --preset) preset="${2:?--preset needs a name}"; shift 2 ;;
    --build-dir) build_dir="${2:?--build-dir needs a folder}"; shift 2 ;;
    --demo-dir) demo_dir="${2:?--demo-dir needs a folder}"; shift 2 ;;
    --no-build) build=0; shift ;;
    -h|--help) usage; exit 0 ;;
    *) echo "demo: unknown option '$1'" >&2; usage >&2; exit 2 ;;
  esac
done
build_dir="${build_dir:-$root/build/$preset}"
demo_dir="${demo_dir:-$build_dir/demo}"

if [ -z "${DISPLAY:-}${WAYLAND_DISPLAY:-}${QT_QPA_PLATFORM:-}" ]; then
  cat >&2 <<EOF
demo: there is no desktop to show the station's window on (neither DISPLAY
nor WAYLAND_DISPLAY is set). Run 'make demo' in a desktop session, or run
the station without a window and drive it from the control page in a
browser on this machine:

    QT_QPA_PLATFORM=offscreen make demo
EOF
  exit 1
fi

if [ "$build" = 1 ]; then
  (cd "$root" && cmake --build --preset "$preset" --target tarvik tarvik-sim)
fi
station="$build_dir/src/tarvik"
sim="$build_dir/tools/tarvik_sim/tarvik-sim"
for program in "$station" "$sim"; do
  if [ ! -x "$program" ]; then
    echo "demo: $program is not built; run 'make demo' or leave out --no-build" >&2
    exit 1
  fi
done

# A port on 127.0.0.1 that nothing answers on, for the station's web server.
free_port() {
  local port
  for port in $(seq 8080 8179) $(shuf -i 20000-60000 -n 50); do
    if ! (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null; then
      echo "$port"
      return 0
    fi
  done
  return 1
}

# The simulator picks its own free port and says which in its first line.
exec {sim_out}< <(exec "$sim" --tcp 127.0.0.1:0 --echo 2>&1)
sim_pid=$!
forward_pid=
stop_simulator() {
  # SIGTERM ends it with its summary; the forwarder ends with its output.
  kill -TERM "$sim_pid" 2>/dev/null || true
  wait "$sim_pid" 2>/dev/null || true
  if [ -n "$forward_pid" ]; then
    wait "$forward_pid" 2>/dev/null || true
  fi
}
trap stop_simulator EXIT

first=
if ! read -r -t 10 -u "$sim_out" first || [[ ! "$first" =~ Listening\ on\ 127\.0\.0\.1:([0-9]+) ]]; then
  echo "demo: tarvik-sim did not start: ${first:-no output}" >&2
  exit 1
fi
sim_port="${BASH_REMATCH[1]}"
http_port="$(free_port)" || { echo "demo: no free loopback port for the web server" >&2; exit 1; }

# The station's own copy, so the settings file beside it is the demo's. The
# operator's changes from an earlier demo stay; only how to reach the
# simulator and the server is written anew.
mkdir -p "$demo_dir"
cp -f "$station" "$demo_dir/tarvik"
ini="$demo_dir/tarvik.ini"
connection_keys=(SocketMode RemoteHost RemotePort Connected ServerHTTPLocalAddress ServerHTTPLocalPort ServerHTTP)
{
  echo "[Settings]"
  if [ -f "$ini" ]; then
    # Keys match without regard to case, as the station reads them.
    pattern="$(IFS='|'; echo "${connection_keys[*]}")"
    grep -v -i -E "^[[:space:]]*(\[|($pattern)[[:space:]]*=)" "$ini" || true
  else
    printf '%s\n' ShowCmd=1 ID=1 PTZSpeed=32 Protocol=0 Authenticate=0 PageControlTopPageIndex=0
  fi
  printf '%s\n' SocketMode=1 RemoteHost=127.0.0.1 "RemotePort=$sim_port" Connected=1 \
    ServerHTTPLocalAddress=127.0.0.1 "ServerHTTPLocalPort=$http_port" ServerHTTP=1
} > "$ini.new"
mv -f "$ini.new" "$ini"

cat <<EOF

Tarvik demo: the virtual positioner listens on 127.0.0.1:$sim_port and the
station connects to it on start ("Connected to: 127.0.0.1:$sim_port." on its
Messages tab). Every frame the station sends appears below as one line: its
bytes, the command, and the simulated head's pan, tilt, zoom, focus and iris.

Try, on the station's Controller tab:
  - press and hold an arrow button: the head moves ("moving: pan +32/s") and
    the station repeats the frame every 250 ms; let go and it stops;
  - drag the knob of the joystick pane; turn the mouse wheel;
  - the zoom, focus and iris buttons left of the arrows;
  - choose "Set" and click a preset number, move away, choose "Goto" and
    click it again: the head jumps back;
  - the Analyzer tab: the simulator echoes every frame, and the analyzer
    decodes it.
Or drive it from a browser on this machine: http://127.0.0.1:$http_port/

The station's files are in $demo_dir.
Close the station's window (it asks first, as its web server runs) or press
Ctrl+C here to end the demo.

EOF

# The simulator's lines, from the first frame to its summary.
cat <&"$sim_out" &
forward_pid=$!
exec {sim_out}<&-

# In the background so that a SIGTERM or SIGHUP to this script reaches the
# station at once; it closes the orderly way and saves its settings. Ctrl+C
# reaches it directly.
(cd "$demo_dir" && exec ./tarvik </dev/null) &
station_pid=$!
trap 'kill -TERM "$station_pid" 2>/dev/null || true' INT TERM HUP
status=0
while :; do
  wait "$station_pid" && status=0 || status=$?
  # A trapped signal ends the wait early (status above 128) while the
  # station is still closing.
  kill -0 "$station_pid" 2>/dev/null || break
done
echo
echo "The station has closed (status $status); stopping the simulator."
exit "$status"
