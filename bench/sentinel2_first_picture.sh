#!/usr/bin/env bash
# The viewer's first picture of a Sentinel-2-like scene whose bands come in two pixel sizes, run by hand:
#   bench/sentinel2_first_picture.sh [work-dir]
#     work-dir  default /tmp/orvenna-bench-s2 (the scene is kept there for the next run)
#   environment: FORMAT jp2 (default: lossless JPEG 2000, 1024 x 1024 tiles, its resolution levels) or cog
#     (DEFLATE COGs with overviews, 512 x 512 tiles), RUNS (default 3), TIMEOUT seconds for one viewer run
#     (default 300), ORVENNA_BUILD (default build/), VIEW (default 1000x700, the viewer's view as
#     first_picture_vs_qgis.sh sizes it)
# The scene: four 10980 x 10980 UInt16 bands at 10 m (B02 B03 B04 B08) and four 5490 x 5490 at 20 m (B05 B8A
# B11 B12) over the same square in UTM 54N, made with gdal_translate from the landscape-like bands
# first_picture_vs_qgis.py writes (the 20 m ones averaged down). Then, each run a new process with nothing
# dropped from the page cache, the runs of the two openings taken in turn, median of RUNS:
#   the viewer opened on the four 10 m bands, and on all eight (the 20 m ones placed on the 10 m grid), under
#   Xvfb until its first complete redraw (ORVENNA_TIMING; the first view shows the whole scene): the time
#   from the process's start to its first "redraw" line, the viewer's own "ms to the first redraw" (from the
#   start of the opening) and its peak RSS then. The aim: all eight within the four alone + 30 %.
#   orvenna-render on the eight: the SWIR composite (B12, B8A, B04 as red, green, blue; the letters of the
#   eight in natural order) at --step 7 into a PNG, its wall time.
# Installs GDAL, Xvfb and the Python modules it needs from Debian if missing.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${ORVENNA_BUILD:-$root/build}
work=${1:-/tmp/orvenna-bench-s2}
format=${FORMAT:-jp2}
runs=${RUNS:-3}
timeout=${TIMEOUT:-300}
view=${VIEW:-1000x700}
helper="$root/bench/first_picture_vs_qgis.py"
py=/usr/bin/python3  # Debian's, which has python3-gdal
[[ $format =~ ^(jp2|cog)$ ]] || { echo "FORMAT is jp2 or cog: $format" >&2; exit 2; }

need=()
for pkg in gdal-bin python3-gdal python3-numpy python3-xlib xvfb xauth; do
  dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'ok installed' || need+=("$pkg")
done
if [ ${#need[@]} -gt 0 ]; then
  apt-get update -qq
  DEBIAN_FRONTEND=noninteractive apt-get install -y -q "${need[@]}" >/dev/null
fi
for tool in orvenna orvenna-render; do
  [ -x "$build/$tool" ] || { echo "no $build/$tool: run scripts/build first" >&2; exit 1; }
done

mkdir -p "$work"
work=$(cd "$work" && pwd)
mkdir -p -m 700 "$work/bus"
export ORVENNA_BUS_DIR="$work/bus"  # apart from any other viewer of this user
scene=$work/$format
ext=$([ "$format" = jp2 ] && echo jp2 || echo tif)
ten=(B02 B03 B04 B08)
twenty=(B05 B8A B11 B12)

# The band each file is made from (tmp-b1 green-like, tmp-b2 red-like, tmp-b3 near-infrared-like) and the
# stretch that sets it apart from the others made from the same one.
declare -A source=([B02]=1 [B03]=1 [B04]=2 [B08]=3 [B05]=2 [B8A]=3 [B11]=1 [B12]=2)
declare -A scale=([B02]="6000 30000 5000 22000" [B11]="6000 30000 9000 32000" [B12]="6000 30000 7000 26000")

make_scene() {
  local b done_all=1 start=$SECONDS
  for b in "${ten[@]}" "${twenty[@]}"; do
    [ -f "$scene/T54SUE_$b.$ext" ] || done_all=0
  done
  [ $done_all = 1 ] && return 0
  if [ ! -f "$work/src/tmp-b3.tif" ] || [ ! -f "$work/src/made" ]; then
    mkdir -p "$work/src"
    nice -n 10 "$py" "$helper" make "$work/src" 10980
    touch "$work/src/made"
  fi
  mkdir -p "$scene"
  local co=()
  if [ "$format" = jp2 ]; then
    co=(-of JP2OpenJPEG -co QUALITY=100 -co REVERSIBLE=YES -co BLOCKXSIZE=1024 -co BLOCKYSIZE=1024)
  else
    co=(-of COG -co COMPRESS=DEFLATE -co BLOCKSIZE=512)
  fi
  for b in "${ten[@]}" "${twenty[@]}"; do
    local out=$scene/T54SUE_$b.$ext extra=()
    [ -f "$out" ] && continue
    [ -n "${scale[$b]:-}" ] && read -r -a extra <<<"-scale ${scale[$b]}"
    [[ " ${twenty[*]} " == *" $b "* ]] && extra+=(-outsize 5490 5490 -r average)
    nice -n 10 gdal_translate -q -ot UInt16 "${extra[@]}" "${co[@]}" "$work/src/tmp-b${source[$b]}.tif" \
      "$scene/part.$ext"
    mv "$scene/part.$ext" "$out"
  done
  rm -f "$scene"/*.aux.xml
  echo "scene ($format) written in $((SECONDS - start)) s ($(du -sh "$scene" | cut -f1))" >&2
}

# Prints "WALL_MS OPEN_MS RSS_KB" of one viewer run on the files given: the time from the process's start
# to its first complete redraw line, the viewer's own time from the opening's start, its peak RSS then.
viewer_once() {
  ORVENNA_BENCH_VIEW=$view xvfb-run -a -s "-screen 0 1920x1200x24" "$py" - "$helper" "$build/orvenna" \
    "$timeout" "$@" <<'EOF'
import importlib.util, os, subprocess, sys, threading, time
spec = importlib.util.spec_from_file_location("first_picture", sys.argv[1])
fp = importlib.util.module_from_spec(spec)
spec.loader.exec_module(fp)
viewer, timeout, files = sys.argv[2], float(sys.argv[3]), sys.argv[4:]
view = os.environ.get("ORVENNA_BENCH_VIEW", "")
windows = fp.WindowWatcher(tuple(int(v) for v in view.split("x")) if "x" in view else None)
env = dict(os.environ, ORVENNA_TIMING="1")
env.pop("QT_QPA_PLATFORM", None)
start = time.monotonic()
proc = subprocess.Popen([viewer, "--"] + files, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, env=env)
found, log = {}, []

def read_stderr():
    for raw in proc.stderr:
        line = raw.decode(errors="replace")
        log.append(line)
        if "to the first redraw" in line:
            found["open_ms"] = int(line.rsplit(":", 1)[1].split()[0])
        elif line.startswith("orvenna: redraw ") and "open_ms" in found:
            found["wall_ms"] = round((time.monotonic() - start) * 1000)
            found["rss"] = fp.peak_rss_kb(proc.pid)
            break

reader = threading.Thread(target=read_stderr, daemon=True)
reader.start()
deadline = time.monotonic() + timeout
while reader.is_alive() and time.monotonic() < deadline and proc.poll() is None:
    windows.wait(0.05)
if proc.poll() is None:
    proc.kill()
proc.wait()
reader.join(1)
if "wall_ms" not in found:
    sys.stderr.write("".join(log))
    sys.exit("the viewer gave no time within %g s" % timeout)
sys.stderr.write("".join(l for l in log if l.startswith("orvenna: ")))
print(found["wall_ms"], found["open_ms"], found["rss"])
EOF
}

median() { sort -n | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }

load=$(cut -d' ' -f1 /proc/loadavg)
if awk -v l="$load" 'BEGIN {exit !(l > 0.5)}'; then
  echo "warning: load average $load before the runs: times will be off" >&2
fi
make_scene

four=() eight=()
for b in "${ten[@]}"; do four+=("$scene/T54SUE_$b.$ext"); done
eight=("${four[@]}")
for b in "${twenty[@]}"; do eight+=("$scene/T54SUE_$b.$ext"); done

declare -A wall open rss
for set in four eight; do wall[$set]="" open[$set]="" rss[$set]=""; done
for i in $(seq "$runs"); do
  for set in four eight; do
    declare -n files=$set
    read -r w o r < <(viewer_once "${files[@]}") || { echo "the viewer gave no time ($set)" >&2; exit 1; }
    echo "run $i, $set bands: ${w} ms from start, ${o} ms from the opening, $((r / 1024)) MB" >&2
    wall[$set]+="$w " open[$set]+="$o " rss[$set]+="$r "
    unset -n files
  done
done

# The SWIR composite from the render command; natural order letters the eight a B02, b B03, c B04, d B05,
# e B08, f B8A, g B11, h B12.
start_ns=$(date +%s%N)
"$build/orvenna-render" -q -r h -g f -b c --step 7 -o "$work/swir-$format.png" "${eight[@]}"
render_ms=$(( ($(date +%s%N) - start_ns) / 1000000 ))

printf '%-28s %14s %14s %8s\n' "opening ($format)" "ms from start" "ms from open" "RSS MB"
for set in four eight; do
  label=$([ $set = four ] && echo "4 x 10 m" || echo "4 x 10 m + 4 x 20 m")
  printf '%-28s %14s %14s %8s\n' "$label" "$(tr ' ' '\n' <<<"${wall[$set]}" | grep . | median)" \
    "$(tr ' ' '\n' <<<"${open[$set]}" | grep . | median)" \
    "$(( $(tr ' ' '\n' <<<"${rss[$set]}" | grep . | median) / 1024 ))"
done
w4=$(tr ' ' '\n' <<<"${wall[four]}" | grep . | median)
w8=$(tr ' ' '\n' <<<"${wall[eight]}" | grep . | median)
echo "eight / four (from start): $(awk -v a="$w8" -v b="$w4" 'BEGIN {printf "%.2f", a / b}') (aim: at most 1.30)"
echo "runs (ms from start): four ${wall[four]}; eight ${wall[eight]}"
echo "SWIR composite (h, f, c) at step 7 with orvenna-render: $render_ms ms -> $work/swir-$format.png"
