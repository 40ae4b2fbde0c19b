#!/usr/bin/env bash
# The render command beside gdal_calc.py (python3-gdal), run by hand:
#   bench/render_vs_gdal_calc.sh [build-dir] [work-dir]
# Makes a Landsat-sized scene of two UInt16 bands (b3_red.tif, b4_nir.tif: letters a and b in the natural order
# the command opens files in) as tiled DEFLATE COGs (512 x 512, with overviews), as archives ship them, then
# times, each as a whole process:
#   1. NDVI of the stored values to a DEFLATE GeoTIFF with both ranges given (so no histogram pass):
#      orvenna-render --preset ndvi against gdal_calc.py computing the same bytes from the same files with the
#      same write options (DEFLATE level 1, tiled, all cores; the bytes are compared first);
#   2. the thermography preset on the same scene, against the NDVI time;
#   3. pixel-independent renders on one core against two (--threads 1 / 2): NDVI, whose time is mostly reading
#      and writing, and the thermography preset, whose time is mostly drawing.
# Prints the median wall times and their ratios. Needs gdal-bin and python3-gdal (installed when missing).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build}
work=${2:-/tmp/orvenna-bench-render}
mkdir -p "$work"
cd "$work"
command -v gdal_calc.py >/dev/null || apt-get install -y gdal-bin python3-gdal >/dev/null

if [ ! -f b3_red.tif ] || [ ! -f b4_nir.tif ]; then
  # Smooth fields with fine noise in 6000..30000, written a block of rows at a time.
  /usr/bin/python3 - <<'PY'
import numpy
from osgeo import gdal
w, h = 7801, 7921
for name, shift in (("b3_red", 0.0), ("b4_nir", 1.3)):
    mem = gdal.GetDriverByName("GTiff").Create(name + ".src.tif", w, h, 1, gdal.GDT_UInt16, ["TILED=YES"])
    x = numpy.arange(w)
    for y0 in range(0, h, 512):
        y = numpy.arange(y0, min(h, y0 + 512))[:, None]
        field = 0.5 + 0.25 * numpy.sin(x / 310.0 + shift) + 0.25 * numpy.cos(y / 190.0 - shift)
        noise = ((x * 2654435761 ^ y * 2246822519) >> 8) & 255
        mem.GetRasterBand(1).WriteArray((6000 + 23000 * field + noise).astype(numpy.uint16), 0, y0)
    mem = None
    gdal.Translate(name + ".tif", name + ".src.tif", format="COG", creationOptions=["COMPRESS=DEFLATE", "BLOCKSIZE=512"])
    gdal.Unlink(name + ".src.tif")
PY
fi

render="$build/orvenna-render"
ranges=(--range a=6000:28000 --range b=6000:28000)
# The NDVI of the stored values, (n - r) / (n + r) * 128 + 128 truncated into 0..255; a zero denominator gives
# 128 (the preset's division by zero gives 0).
calc="numpy.clip(numpy.trunc(numpy.where((A.astype(float)+B)==0, 0, (B.astype(float)-A)/(A.astype(float)+B))*128+128),0,255)"
options=(--co=COMPRESS=DEFLATE --co=ZLEVEL=1 --co=NUM_THREADS=ALL_CPUS --co=TILED=YES --co=BLOCKXSIZE=256
  --co=BLOCKYSIZE=256)

"$render" -q --preset ndvi:a,b "${ranges[@]}" -o ours.tif b3_red.tif b4_nir.tif
gdal_calc.py --quiet --overwrite -A b3_red.tif -B b4_nir.tif --outfile=theirs.tif --type=Byte "${options[@]}" \
  --calc="$calc" >/dev/null 2>&1
/usr/bin/python3 - <<'EOF'
from osgeo import gdal
import numpy
ours_ds, theirs_ds = gdal.Open("ours.tif"), gdal.Open("theirs.tif")  # a band lives only with its dataset
ours = ours_ds.GetRasterBand(1).ReadAsArray()
theirs = theirs_ds.GetRasterBand(1).ReadAsArray()
print("NDVI bytes identical:", bool(numpy.array_equal(ours, theirs)), "bands:", ours_ds.RasterCount,
      "size: ours %d, theirs %d bytes" % (gdal.VSIStatL("ours.tif").size, gdal.VSIStatL("theirs.tif").size))
EOF

median() { sort -n | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }
time_runs() {  # prints the median wall seconds of 5 runs
  for _ in 1 2 3 4 5; do
    /usr/bin/time -f %e "$@" 2>&1 >/dev/null | tail -n 1
  done | median
}

ndvi=$(time_runs "$render" -q --preset ndvi:a,b "${ranges[@]}" -o ours.tif b3_red.tif b4_nir.tif)
peer=$(time_runs gdal_calc.py --quiet --overwrite -A b3_red.tif -B b4_nir.tif --outfile=theirs.tif --type=Byte \
  "${options[@]}" --calc="$calc")
thermo=$(time_runs "$render" -q --preset thermography:b -o thermo.tif b3_red.tif b4_nir.tif)
one=$(time_runs "$render" -q --threads 1 --preset ndvi:a,b -o cores.bmp b3_red.tif b4_nir.tif)
two=$(time_runs "$render" -q --threads 2 --preset ndvi:a,b -o cores.bmp b3_red.tif b4_nir.tif)
thermo_one=$(time_runs "$render" -q --threads 1 --preset thermography:b -o cores.bmp b3_red.tif b4_nir.tif)
thermo_two=$(time_runs "$render" -q --threads 2 --preset thermography:b -o cores.bmp b3_red.tif b4_nir.tif)
echo "NDVI to DEFLATE GeoTIFF: orvenna-render ${ndvi} s, gdal_calc.py ${peer} s, ratio $(echo "$peer / $ndvi" | bc -l | cut -c1-5)x faster"
echo "thermography preset: ${thermo} s, $(echo "$thermo / $ndvi" | bc -l | cut -c1-5) x the NDVI time"
echo "NDVI to BMP, 1 core ${one} s, 2 cores ${two} s: $(echo "$two / $one" | bc -l | cut -c1-5) x"
echo "thermography to BMP, 1 core ${thermo_one} s, 2 cores ${thermo_two} s: $(echo "$thermo_two / $thermo_one" | bc -l | cut -c1-5) x"
