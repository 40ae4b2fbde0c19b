#!/usr/bin/env bash
# The render command on a scene on a server against the same file on disk, run by hand:
#   bench/remote_render.sh [build-dir] [work-dir]
# Makes a 16000 x 16000 UInt16 Cloud-Optimised GeoTIFF (DEFLATE, overviews) from the sample landscape, serves
# it on 127.0.0.1 with tests/support/range_server.py, and times orvenna-render of the whole scene at step 9
# (1/16: 1000 x 1000 pixels) from the URL and from the file. Prints the wall times and the bytes served as a
# share of the file's size (target: under 10 %, at most twice the local time). The COG is deleted afterwards.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build}
work=${2:-$build/bench-remote}
mkdir -p "$work/served" "$work/state"
cd "$work"
server_pid=
cleanup() {
  if [ -n "$server_pid" ]; then kill "$server_pid" 2>/dev/null || true; fi
  rm -f served/scene.tif scene.vdm scene.raw scene.hdr out-*.png
}
trap cleanup EXIT

# The sample landscape as one 8-bit band (ENVI header over the native file's 512-byte header), widened to
# 16 bits.
"$build/make_sample_scenes" --large scene.vdm 16000 16000 1 >/dev/null
ln -sf scene.vdm scene.raw
printf 'ENVI\nsamples = 16000\nlines = 16000\nbands = 1\nheader offset = 512\nfile type = ENVI Standard\ndata type = 1\ninterleave = bsq\nbyte order = 1\n' >scene.hdr
GDAL_PAM_ENABLED=NO gdal_translate -q -of COG -ot UInt16 -scale 0 255 0 65535 -co COMPRESS=DEFLATE \
  -co BLOCKSIZE=512 scene.raw served/scene.tif
rm -f scene.vdm scene.raw scene.hdr
size=$(stat -c %s served/scene.tif)

python3 "$root/tests/support/range_server.py" served state &
server_pid=$!
for _ in $(seq 100); do [ -s state/port ] && break; sleep 0.1; done
url="http://127.0.0.1:$(cat state/port)/scene.tif"

millis() {  # wall time of the command, in milliseconds
  local start end
  start=$(date +%s%N)
  "$@" >/dev/null 2>&1
  end=$(date +%s%N)
  echo $(((end - start) / 1000000))
}
args=(-q --step 9 -r a -g a -b a)
local_ms=$(millis "$build/orvenna-render" "${args[@]}" -o out-local.png served/scene.tif)
before=$(cat state/served)
remote_ms=$(millis "$build/orvenna-render" "${args[@]}" -o out-remote.png "$url")
served=$(($(cat state/served) - before))
cmp -s out-local.png out-remote.png && same=yes || same=no

printf 'COG: %d bytes (16000 x 16000 UInt16, DEFLATE, 512 x 512 tiles, overviews)\n' "$size"
awk -v l="$local_ms" -v r="$remote_ms" -v s="$served" -v z="$size" 'BEGIN {
  printf "local file: %.2f s\n", l / 1000
  printf "URL:        %.2f s (%.2f x the local time)\n", r / 1000, r / l
  printf "served:     %d bytes, %.2f %% of the file\n", s, 100 * s / z
}'
printf 'same picture bytes: %s\n' "$same"
