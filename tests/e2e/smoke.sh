#!/usr/bin/env bash
# Smoke test on a real X server: starts the viewer under a virtual display, waits for its main window, takes a
# screenshot of the screen and checks that it shows a window (not a blank screen).
#   smoke.sh <orvenna-binary> <workdir> [files to open...]
#   smoke.sh <orvenna-binary> <workdir> --odd-name <make_sample_scenes-binary>
# The second form opens the demo's native scene from the command line under a name that is not UTF-8 and
# under the name "-platform" (a Qt option, were it taken as one), and checks that all their bands were opened
# and drawn.
# Exits 0 when the window appeared and the screenshot has enough distinct colours, 1 otherwise.
set -u

if [ $# -lt 2 ]; then
  echo "usage: $0 <orvenna-binary> <workdir> [files...]" >&2
  exit 1
fi
bin=$(readlink -f "$1")
work=$2
shift 2
mkdir -p "$work"
work=$(readlink -f "$work")
shot="$work/smoke.png"
# What the viewer keeps between starts stays in the work folder, made afresh.
export XDG_CONFIG_HOME="$work/config"
[ "${ORVENNA_SMOKE_INNER:-}" = "1" ] || rm -rf "$XDG_CONFIG_HOME"
expect=""
if [ "${1:-}" = "--odd-name" ] && [ "${ORVENNA_SMOKE_INNER:-}" != "1" ]; then
  "$2" "$work/demo" >/dev/null || exit 1
  odd="$work/$(printf 'sc\xe8ne\xff').vdm"
  cp "$work/demo/native/scene4.vdm" "$odd"
  cp "$work/demo/native/scene4.vdm" "$work/-platform"
  set -- -platform "$odd"
  expect="opened 2 file(s), 8 band(s)"
fi

# Inside the virtual display: start, wait for the window, take the screenshot, stop the viewer.
if [ "${ORVENNA_SMOKE_INNER:-}" = "1" ]; then
  export ORVENNA_BUS_DIR="$work/bus"
  unset QT_QPA_PLATFORM
  cd "$work" || exit 1  # file names relative to the work folder
  ORVENNA_TIMING=1 "$bin" "$@" >"$work/viewer.log" 2>&1 &
  pid=$!
  found=0
  for _ in $(seq 1 150); do
    if ! kill -0 "$pid" 2>/dev/null; then
      echo "smoke: the viewer exited early" >&2
      cat "$work/viewer.log" >&2
      exit 1
    fi
    if xwininfo -root -tree 2>/dev/null | grep -q '"Orvenna"'; then
      found=1
      break
    fi
    sleep 0.2
  done
  if [ "$found" != 1 ]; then
    echo "smoke: no window named Orvenna appeared" >&2
    kill "$pid" 2>/dev/null
    exit 1
  fi
  sleep "${ORVENNA_SMOKE_SETTLE:-2}"  # let the first paint (and any opening) finish
  import -window root "$shot"
  status=$?
  kill "$pid" 2>/dev/null
  wait "$pid" 2>/dev/null
  exit $status
fi

rm -f "$shot"
ORVENNA_SMOKE_INNER=1 xvfb-run -a -s "-screen 0 1280x1024x24" bash "$0" "$bin" "$work" "$@"
status=$?
if [ $status -ne 0 ] || [ ! -s "$shot" ]; then
  echo "smoke: failed (status $status)" >&2
  exit 1
fi

if [ -n "$expect" ] && ! grep -qF "$expect" "$work/viewer.log"; then
  echo "smoke: the viewer did not report: $expect" >&2
  cat "$work/viewer.log" >&2
  exit 1
fi

# A blank screen has one colour; a drawn window with its tool bar, icons and texts has many.
colours=$(convert "$shot" -format %k info: 2>/dev/null || echo 0)
echo "smoke: screenshot $shot with $colours distinct colours"
if [ "${colours:-0}" -lt 16 ]; then
  echo "smoke: the screenshot looks blank" >&2
  exit 1
fi
exit 0
