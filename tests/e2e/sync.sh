#!/usr/bin/env bash
# Two viewers on a real X server, linked through the viewer bus:
#   1. messages posted into the bus from outside (a small Perl sender bound in the bus folder) move both;
#   2. a real pan in viewer A, with its sync button pressed, moves B to the same centre pixel;
#   3. B is killed (-9) and leaves its socket behind; A's next broadcast removes it.
# Prints the latency from A's post of the draw message to B's receipt (both from the bus trace).
#   sync.sh <orvenna-binary> <make_sample_scenes-binary> <workdir>
set -u

if [ $# -lt 3 ]; then
  echo "usage: $0 <orvenna-binary> <make_sample_scenes-binary> <workdir>" >&2
  exit 1
fi
bin=$(readlink -f "$1")
samples=$(readlink -f "$2")
mkdir -p "$3"
work=$(readlink -f "$3")

# Window-relative places of the tool bar's sync button and of a point in the view (the layout is fixed: the
# tool buttons are 33 pixels wide, the view starts right of the 40-pixel zoom strip).
SYNC_BUTTON_X=196
SYNC_BUTTON_Y=36

fail() {
  echo "e2e_sync: $*" >&2
  [ -f "$work/trace.txt" ] && tail -20 "$work/trace.txt" >&2
  exit 1
}

# Waits until `grep -E pattern trace` finds a line (10 s at most).
wait_trace() {
  for _ in $(seq 1 100); do
    grep -qE "$1" "$work/trace.txt" 2>/dev/null && return 0
    sleep 0.1
  done
  return 1
}

if [ "${ORVENNA_E2E_INNER:-}" = "1" ]; then
  export ORVENNA_BUS_DIR="$work/bus"
  export ORVENNA_BUS_TRACE="$work/trace.txt"
  unset QT_QPA_PLATFORM
  rm -rf "$ORVENNA_BUS_DIR" "$ORVENNA_BUS_TRACE"
  "$samples" --large "$work/scene.bil" 1200 900 1 >/dev/null || fail "cannot write the scene"

  # Each viewer keeps what it keeps between starts in a folder of its own, made afresh.
  rm -rf "$work/config-a" "$work/config-b"
  XDG_CONFIG_HOME="$work/config-a" "$bin" "$work/scene.bil" >"$work/a.log" 2>&1 &
  pa=$!
  XDG_CONFIG_HOME="$work/config-b" "$bin" "$work/scene.bil" >"$work/b.log" 2>&1 &
  pb=$!
  trap 'kill $pa $pb 2>/dev/null' EXIT
  wa=$(timeout 20 xdotool search --sync --all --pid "$pa" --name '^Orvenna$' | head -1)
  wb=$(timeout 20 xdotool search --sync --all --pid "$pb" --name '^Orvenna$' | head -1)
  [ -n "$wa" ] && [ -n "$wb" ] || fail "the two windows did not appear"
  xdotool windowmove "$wa" 0 0
  xdotool windowmove "$wb" 950 0
  sleep "${ORVENNA_E2E_SETTLE:-2}"  # opening and first redraw
  [ "$(ls "$ORVENNA_BUS_DIR" | grep -c '^viewer-.*\.sock$')" = 2 ] || fail "expected two sockets in the bus"

  # 1. Posted from outside the viewers, like a third viewer would: 1:1 (they open fitted) at 400, 300.
  perl -MSocket -e '
    my ($dir, @pairs) = @ARGV;
    open(my $t, "<", "$dir/messages") or die "no message table";
    my %num; while (<$t>) { chomp; my ($n, $v) = split / /; $num{$n} = $v; }
    socket(my $s, AF_UNIX, SOCK_DGRAM, 0) or die "socket: $!";
    my $name = "viewer-e2e-$$.sock";
    bind($s, pack_sockaddr_un("$dir/$name")) or die "bind: $!";
    opendir(my $d, $dir); my @peers = grep { /^viewer-.*\.sock$/ && $_ ne $name } readdir $d;
    for my $p (@pairs) {
      my ($msg, $w) = split /=/, $p;
      for my $peer (@peers) { send($s, pack("L l", $num{$msg}, $w), MSG_DONTWAIT, pack_sockaddr_un("$dir/$peer")); }
    }
    unlink "$dir/$name";' "$ORVENNA_BUS_DIR" PELLORANDE_SCR_MAG_9145=5 PELLORANDE_SCR_X_9145=400 PELLORANDE_SCR_Y_9145=300 \
    PELLORANDE_DRAW_9145=300 || fail "the Perl sender failed"
  wait_trace "^apply $pa [0-9]+ 400 300$" || fail "viewer A did not follow the posted position"
  wait_trace "^apply $pb [0-9]+ 400 300$" || fail "viewer B did not follow the posted position"
  echo "e2e_sync: both viewers moved to 400, 300 on messages from outside"

  # 2. A real gesture: sync button in A, then a left-button pan of (-100, -50) in A's view.
  xdotool mousemove $((SYNC_BUTTON_X)) $((SYNC_BUTTON_Y)) click 1
  sleep 0.3
  xdotool mousemove 400 300 mousedown 1
  sleep 0.1
  xdotool mousemove 360 280
  sleep 0.1
  xdotool mousemove 300 250
  sleep 0.1
  xdotool mouseup 1
  wait_trace "^post $pa [0-9]+ [0-9]+ 350$" ||
    fail "viewer A sent nothing after the pan (is the sync button at $SYNC_BUTTON_X, $SYNC_BUTTON_Y?)"
  wait_trace "^apply $pb [0-9]+ 500 350$" || fail "viewer B did not follow A's pan"
  wait_trace "^apply $pa [0-9]+ 500 350$" || fail "viewer A did not apply its own broadcast"
  echo "e2e_sync: a pan in A moved B to the same centre pixel 500, 350"
  # Latency: A's post of the draw message to B's receipt of it.
  draw=$(awk '$1 == "PELLORANDE_DRAW_9145" { print $2 }' "$ORVENNA_BUS_DIR/messages")
  awk -v pa="$pa" -v pb="$pb" -v draw="$draw" '
    $1 == "post" && $2 == pa && $4 == draw { sent = $3 }
    $1 == "recv" && $2 == pb && $4 == draw && sent { printf "e2e_sync: bus latency A post -> B hook %.3f ms\n", ($3 - sent) / 1e6; sent = 0 }
  ' "$work/trace.txt"

  # 3. B dies without cleaning up; A's next broadcast removes its socket.
  bsock=$(ls "$ORVENNA_BUS_DIR" | grep "^viewer-$pb-")
  kill -9 "$pb"
  wait "$pb" 2>/dev/null
  [ -S "$ORVENNA_BUS_DIR/$bsock" ] || fail "the killed viewer's socket should still be there"
  xdotool mousemove 400 300 mousedown 1 mousemove 380 300 mouseup 1
  for _ in $(seq 1 50); do
    [ -e "$ORVENNA_BUS_DIR/$bsock" ] || break
    sleep 0.1
  done
  [ -e "$ORVENNA_BUS_DIR/$bsock" ] && fail "the dead viewer's socket was not removed"
  echo "e2e_sync: the killed viewer's socket was removed by the next broadcast"
  kill "$pa" 2>/dev/null
  wait "$pa" 2>/dev/null
  exit 0
fi

ORVENNA_E2E_INNER=1 timeout 80 xvfb-run -a -s "-screen 0 1920x1080x24" bash "$0" "$bin" "$samples" "$work"
