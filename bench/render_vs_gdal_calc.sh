#!/usr/bin/env bash
# The render command beside gdal_calc.py (python3-gdal), run by hand:
#   bench/render_vs_gdal_calc.sh [build-dir] [work-dir]
# Makes a 7801 x 7921 scene of two 8-bit bands (b3_red.tif, b4_nir.tif: letters a and b in the natural order
# the command opens files in) from the sample landscape as TIFFs, then
# times, each as a whole process:
#   1. NDVI to a DEFLATE GeoTIFF: orvenna-render --preset ndvi against gdal_calc.py computing the same bytes
#      (the bytes are compared first);
#   2. the thermography preset on the same scene, against the NDVI time;
#   3. pixel-independent renders on one core against two (--threads 1 / 2): NDVI, whose time is mostly reading
#      and writing, and the thermography preset, whose time is mostly drawing.
# Prints the median wall times and their ratios.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build}
work=${2:-/tmp/orvenna-bench-render}
mkdir -p "$work"
cd "$work"

if [ ! -f b3_red.tif ] || [ ! -f b4_nir.tif ]; then
  # The native file is band-interleaved by line after a 512-byte header: GDAL reads it as ENVI.
  "$build/make_sample_scenes" --large scene.vdm 7801 7921 4 >/dev/null
  cat >scene.hdr <<EOF
ENVI
samples = 7801
lines = 7921
bands = 4
header offset = 512
file type = ENVI Standard
data type = 1
interleave = bil
byte order = 1
EOF
  ln -sf scene.vdm scene.raw
  cp scene.hdr scene.raw.hdr 2>/dev/null || true
  # One row per strip: the viewer's own TIFF reader takes these.
  gdal_translate -q -of GTiff -co BLOCKYSIZE=1 -b 3 scene.raw b3_red.tif
  gdal_translate -q -of GTiff -co BLOCKYSIZE=1 -b 4 scene.raw b4_nir.tif
fi

render="$build/orvenna-render"
# The NDVI text's bytes: (n - r) / (n + r) * 128 + 128, truncated into 0..255; a division by zero gives 0, so
# where both bands are 0 the byte is 128.
calc='numpy.clip(numpy.trunc(numpy.where((A.astype(float)+B)==0, 0, (B.astype(float)-A)/(A.astype(float)+B))*128+128),0,255)'

"$render" -q --preset ndvi:a,b -o ours.tif b3_red.tif b4_nir.tif
gdal_calc.py --quiet --overwrite -A b3_red.tif -B b4_nir.tif --outfile=theirs.tif --type=Byte --co=COMPRESS=DEFLATE \
  --calc="$calc" >/dev/null 2>&1
/usr/bin/python3 - <<'EOF'
from osgeo import gdal
import numpy
ours_ds, theirs_ds = gdal.Open("ours.tif"), gdal.Open("theirs.tif")  # a band lives only with its dataset
ours = ours_ds.GetRasterBand(1).ReadAsArray()
theirs = theirs_ds.GetRasterBand(1).ReadAsArray()
print("NDVI bytes identical:", bool(numpy.array_equal(ours, theirs)))
EOF

median() { sort -n | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }
time_runs() {  # prints the median wall seconds of 5 runs
  for _ in 1 2 3 4 5; do
    /usr/bin/time -f %e "$@" 2>&1 >/dev/null | tail -n 1
  done | median
}

ndvi=$(time_runs "$render" -q --preset ndvi:a,b -o ours.tif b3_red.tif b4_nir.tif)
peer=$(time_runs gdal_calc.py --quiet --overwrite -A b3_red.tif -B b4_nir.tif --outfile=theirs.tif --type=Byte \
  --co=COMPRESS=DEFLATE --calc="$calc")
thermo=$(time_runs "$render" -q --preset thermography:b -o thermo.tif b3_red.tif b4_nir.tif)
one=$(time_runs "$render" -q --threads 1 --preset ndvi:a,b -o cores.bmp b3_red.tif b4_nir.tif)
two=$(time_runs "$render" -q --threads 2 --preset ndvi:a,b -o cores.bmp b3_red.tif b4_nir.tif)
thermo_one=$(time_runs "$render" -q --threads 1 --preset thermography:b -o cores.bmp b3_red.tif b4_nir.tif)
thermo_two=$(time_runs "$render" -q --threads 2 --preset thermography:b -o cores.bmp b3_red.tif b4_nir.tif)
echo "NDVI to DEFLATE GeoTIFF: orvenna-render ${ndvi} s, gdal_calc.py ${peer} s, ratio $(echo "$peer / $ndvi" | bc -l | cut -c1-5)x faster"
echo "thermography preset: ${thermo} s, $(echo "$thermo / $ndvi" | bc -l | cut -c1-5) x the NDVI time"
echo "NDVI to BMP, 1 core ${one} s, 2 cores ${two} s: $(echo "$two / $one" | bc -l | cut -c1-5) x"
echo "thermography to BMP, 1 core ${thermo_one} s, 2 cores ${thermo_two} s: $(echo "$thermo_two / $thermo_one" | bc -l | cut -c1-5) x"
