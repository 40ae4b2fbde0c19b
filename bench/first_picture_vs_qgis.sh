#!/usr/bin/env bash
# The first picture of a three-band scene, the viewer beside QGIS, run by hand:
#   bench/first_picture_vs_qgis.sh [work-dir [size[:variant,...] ...]]
#     work-dir  default /tmp/orvenna-bench-first; sizes default 2000 8000 16000 32000 (square scenes), each in
#     every variant unless named (32000:overviews)
#   environment: KEEP=1 keeps the scenes (default: deleted at the end), VARIANTS (default "overviews plain"),
#     RUNS (default 3), TIMEOUT seconds for one viewer run (default 300), ORVENNA_BUILD (default build/),
#     VIEW (default 1000x700: the viewer's view, sized as its window maps, as QGIS's picture; "own" keeps the
#     window's own size, a 562 x 488 view)
# For each size it writes a scene of three UInt16 bands as single-band files (b1.tif b2.tif b3.tif, as
# satellite products ship them) in two variants, DEFLATE COGs in 512 x 512 tiles with overviews
# ("overviews") and without ("plain"); files already there are used again. Then, each run a new process with
# nothing dropped from the page cache, median of RUNS:
#   QGIS: the three files as one layer (a VRT of separate bands) with its default multiband colour renderer
#     (cumulative cut 2-98 % on estimated statistics), the whole extent rendered at 1000 x 700; the time from
#     the layer's creation to the finished image, and the process's peak RSS;
#   the viewer: opened on the three files under Xvfb until its first complete redraw (ORVENNA_TIMING), its
#     "histogram?" boxes for files over 100 MB answered with their default (Yes) as soon as they show, and its
#     peak RSS at that moment.
# The first run of each scene leaves both pictures beside its files (qgis.png, orvenna.png: the screen).
# Prints a table; the ratio is QGIS's time over the viewer's. Installs QGIS, GDAL and Xvfb from Debian if
# missing.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${ORVENNA_BUILD:-$root/build}
work=${1:-/tmp/orvenna-bench-first}
shift || true
sizes=("$@")
[ ${#sizes[@]} -gt 0 ] || sizes=(2000 8000 16000 32000)
read -r -a variants <<<"${VARIANTS:-overviews plain}"
runs=${RUNS:-3}
timeout=${TIMEOUT:-300}
view=${VIEW:-1000x700}
helper="$root/bench/first_picture_vs_qgis.py"
py=/usr/bin/python3  # Debian's, which has python3-gdal and python3-qgis

# The variants asked for a size argument ("32000:overviews" or "2000").
variants_of() {
  case $1 in
    *:*) echo "${1#*:}" | tr ',' ' ' ;;
    *) echo "${variants[@]}" ;;
  esac
}

for arg in "${sizes[@]}"; do
  [[ ${arg%%:*} =~ ^[1-9][0-9]*$ ]] || { echo "not a size: $arg" >&2; exit 2; }
  for variant in $(variants_of "$arg"); do
    [[ $variant =~ ^(overviews|plain)$ ]] || { echo "not a variant (overviews, plain): $variant" >&2; exit 2; }
  done
done

need=()
for pkg in python3-qgis gdal-bin python3-gdal python3-numpy python3-xlib xvfb xauth; do
  dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'ok installed' || need+=("$pkg")
done
if [ ${#need[@]} -gt 0 ]; then
  apt-get update -qq
  DEBIAN_FRONTEND=noninteractive apt-get install -y -q "${need[@]}" >/dev/null
fi
[ -x "$build/orvenna" ] || { echo "no viewer at $build/orvenna: run scripts/build first" >&2; exit 1; }

mkdir -p "$work"
work=$(cd "$work" && pwd)
mkdir -p -m 700 "$work/bus"
export ORVENNA_BUS_DIR="$work/bus"  # apart from any other viewer of this user
export GDAL_PAM_ENABLED=NO          # QGIS keeps no statistics beside the files between runs

# Writes $work/SIZE/VARIANT/b1.tif .. b3.tif and each variant's scene.vrt (for QGIS).
make_scene() {
  local size=${1%%:*} dir=$work/${1%%:*} variant b
  local done_all=1 wanted
  read -r -a wanted <<<"$(variants_of "$1")"
  for variant in "${wanted[@]}"; do
    [ -f "$dir/$variant/scene.vrt" ] || done_all=0
  done
  [ $done_all = 1 ] && return 0
  local start=$SECONDS
  mkdir -p "$dir"
  if [ ! -f "$dir/tmp.done" ]; then
    nice -n 10 "$py" "$helper" make "$dir" "$size"
    touch "$dir/tmp.done"
  fi
  for variant in "${wanted[@]}"; do
    [ -f "$dir/$variant/scene.vrt" ] && continue
    mkdir -p "$dir/$variant"
    local extra=()
    [ "$variant" = plain ] && extra=(-co OVERVIEWS=NONE)
    for b in 1 2 3; do
      nice -n 10 gdal_translate -q -of COG -co COMPRESS=DEFLATE -co BLOCKSIZE=512 -co BIGTIFF=IF_NEEDED \
        "${extra[@]}" "$dir/tmp-b$b.tif" "$dir/$variant/b$b.part.tif"
      mv "$dir/$variant/b$b.part.tif" "$dir/$variant/b$b.tif"
    done
    gdalbuildvrt -q -separate "$dir/$variant/scene.vrt" "$dir/$variant"/b{1,2,3}.tif
  done
  rm -f "$dir"/tmp-b?.tif "$dir/tmp.done"
  echo "${size}²: scenes written in $((SECONDS - start)) s ($(du -sh "$dir" | cut -f1))" >&2
}

median() { sort -n | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }

# Prints "MS RSS_KB" of one QGIS render; the first run of a scene saves its picture beside the files.
qgis_once() {
  local vrt=$1 png=$2 ms
  rm -f "$(dirname "$vrt")"/*.aux.xml
  ms=$(/usr/bin/time -v -o "$work/time.txt" env QT_QPA_PLATFORM=offscreen \
    "$py" "$helper" qgis "$vrt" ${png:+"$png"} 2>/dev/null | head -n 1)
  echo "$ms $(awk -F': ' '/Maximum resident set size/ {print $2}' "$work/time.txt")"
}

# Prints "MS RSS_KB BOXES BOX_MS" of one viewer run; the first run of a scene saves a screenshot.
orvenna_once() {
  local dir=$1 shot=$2
  ORVENNA_BENCH_SHOT=$shot ORVENNA_BENCH_VIEW=$view xvfb-run -a -s "-screen 0 1920x1200x24" \
    "$py" "$helper" orvenna "$build/orvenna" "$timeout" "$dir"/b{1,2,3}.tif
}

load=$(cut -d' ' -f1 /proc/loadavg)
if awk -v l="$load" 'BEGIN {exit !(l > 0.5)}'; then
  echo "warning: load average $load before the runs: times will be off" >&2
fi

gen_start=$SECONDS
for size in "${sizes[@]}"; do
  make_scene "$size"
done
echo "generation: $((SECONDS - gen_start)) s" >&2

rows=()
for arg in "${sizes[@]}"; do
  size=${arg%%:*}
  for variant in $(variants_of "$arg"); do
    dir=$work/$size/$variant
    q_ms=() q_rss=() o_ms=() o_rss=() o_box=() boxes=0
    for i in $(seq "$runs"); do
      png=""
      [ "$i" = 1 ] && png=$dir/qgis.png
      read -r ms rss < <(qgis_once "$dir/scene.vrt" "$png") || { echo "QGIS gave no time on $dir" >&2; exit 1; }
      q_ms+=("$ms") q_rss+=("$rss")
    done
    for i in $(seq "$runs"); do
      png=""
      [ "$i" = 1 ] && png=$dir/orvenna.png
      read -r ms rss boxes box_ms < <(orvenna_once "$dir" "$png") ||
        { echo "the viewer gave no time on $dir" >&2; exit 1; }
      o_ms+=("$ms") o_rss+=("$rss") o_box+=("$box_ms")
    done
    qm=$(printf '%s\n' "${q_ms[@]}" | median)
    qr=$(( $(printf '%s\n' "${q_rss[@]}" | median) / 1024 ))
    om=$(printf '%s\n' "${o_ms[@]}" | median)
    orss=$(( $(printf '%s\n' "${o_rss[@]}" | median) / 1024 ))
    ratio=$(awk -v q="$qm" -v o="$om" 'BEGIN {printf "%.2f", (o > 0) ? q / o : 0}')
    echo "${size}² $variant: QGIS ${q_ms[*]} ms, viewer ${o_ms[*]} ms ($boxes boxes answered, up for" \
      "${o_box[*]} ms)" >&2
    rows+=("$(printf '%-7s %-10s %9s %11s %12s %14s %7s' "$size" "$variant" "$qm" "$qr" "$om" "$orss" "$ratio")")
  done
done

printf '%-7s %-10s %9s %11s %12s %14s %7s\n' \
  size variant "QGIS ms" "QGIS RSS MB" "Orvenna ms" "Orvenna RSS MB" ratio
printf '%s\n' "${rows[@]}"

if [ "${KEEP:-0}" != 1 ]; then
  for arg in "${sizes[@]}"; do rm -rf "${work:?}/${arg%%:*}"; done
  rm -rf "$work/bus"
fi
rm -f "$work/time.txt"
[ "${KEEP:-0}" = 1 ] || rmdir "$work" 2>/dev/null || true
