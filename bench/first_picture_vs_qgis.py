#!/usr/bin/python3
# The steps of first_picture_vs_qgis.sh that need Python (Debian's python3-gdal, python3-qgis, python3-xlib,
# numpy):
#   first_picture_vs_qgis.py make DIR SIZE
#       writes DIR/tmp-b1.tif .. tmp-b3.tif: three uncompressed tiled UInt16 bands of SIZE x SIZE, a
#       landscape-like scene (water, vegetation, bare soil over smooth fields, fine texture, sensor noise) in
#       DN 6000..30000, georeferenced in UTM 54N at 10 m; written strip by strip so memory stays small
#   first_picture_vs_qgis.py qgis VRT [PNG]
#       in this process: QGIS's raster layer over VRT with its default renderer (multiband colour, cumulative
#       cut 2-98 % on estimated statistics), rendered whole at 1000 x 700; prints the milliseconds from the
#       layer's creation to the finished image, then saves the image to PNG if given
#   first_picture_vs_qgis.py orvenna VIEWER TIMEOUT FILE...
#       runs the viewer on FILE... (on the X display of $DISPLAY), answers its "histogram?" boxes with their
#       default button (Yes) as they map, waits for its "ms to the first redraw" line, reads its peak RSS and
#       ends it; prints "MS RSS_KB BOXES BOX_MS" (BOX_MS: the boxes' time from map to answer, part of MS);
#       with ORVENNA_BENCH_SHOT=PNG also a screenshot of the display once the picture is drawn; with
#       ORVENNA_BENCH_VIEW=WxH the window is sized, as it maps, so that its view is W x H
import os
import subprocess
import sys
import threading
import time

import numpy as np

LOW_RES = 8        # the smooth fields are made at 1/8 of the scene's size and interpolated
TEXTURE = 1024     # the fine texture repeats every 1024 pixels
STRIP = 512


def fbm(n, slope, rng):
    """An n x n periodic random field whose amplitude falls as frequency^-slope, mean 0, deviation 1."""
    fy = np.fft.fftfreq(n)[:, None]
    fx = np.fft.rfftfreq(n)[None, :]
    f = np.sqrt(fx * fx + fy * fy)
    f[0, 0] = 1.0
    spectrum = (rng.standard_normal(f.shape) + 1j * rng.standard_normal(f.shape)) * f ** -slope
    spectrum[0, 0] = 0
    field = np.fft.irfft2(spectrum, s=(n, n)).astype(np.float32)
    field -= field.mean()
    field /= field.std()
    return field


def upsample_rows(field, y0, h, width):
    """Rows y0..y0+h of the field interpolated bilinearly to the scene's pixels."""
    y = (np.arange(y0, y0 + h, dtype=np.float32) + 0.5) / LOW_RES
    i = np.floor(y).astype(np.int64)
    wy = (y - i)[:, None]
    rows = field[i] * (1 - wy) + field[i + 1] * wy
    x = (np.arange(width, dtype=np.float32) + 0.5) / LOW_RES
    j = np.floor(x).astype(np.int64)
    wx = (x - j)[None, :]
    return rows[:, j] * (1 - wx) + rows[:, j + 1] * wx


def make(folder, size):
    from osgeo import gdal, osr
    gdal.UseExceptions()
    rng = np.random.default_rng(size)
    n = size // LOW_RES + 2
    elevation = fbm(n, 1.5, rng)
    moisture = fbm(n, 1.3, rng)
    texture = fbm(TEXTURE, 0.9, rng)
    # Green, red, near infrared: water, vegetation, bare soil.
    water = np.array([8200, 7000, 6400], np.float32)
    vegetation = np.array([9000, 7800, 23000], np.float32)
    soil = np.array([13500, 15500, 19000], np.float32)
    texture_amp = np.array([500, 700, 1400], np.float32)
    texture_shift = [(0, 0), (331, 517), (709, 83)]

    srs = osr.SpatialReference()
    srs.ImportFromEPSG(32654)
    driver = gdal.GetDriverByName("GTiff")
    outs = []
    for b in range(3):
        ds = driver.Create(os.path.join(folder, "tmp-b%d.tif" % (b + 1)), size, size, 1, gdal.GDT_UInt16,
                           ["TILED=YES", "BLOCKXSIZE=512", "BLOCKYSIZE=512", "BIGTIFF=IF_NEEDED"])
        ds.SetGeoTransform([300000, 10, 0, 4000000, 0, -10])
        ds.SetProjection(srs.ExportToWkt())
        outs.append(ds)

    for y0 in range(0, size, STRIP):
        h = min(STRIP, size - y0)
        e = upsample_rows(elevation, y0, h, size)
        m = upsample_rows(moisture, y0, h, size)
        w = np.clip((-0.9 - e) * 4 + 0.5, 0, 1)  # soft shores
        v = np.clip(m * 1.5 + 0.5, 0, 1) * (1 - w)
        s = 1 - w - v
        bright = 1 + 0.06 * e
        land = 1 - w
        for b in range(3):
            dy, dx = texture_shift[b]
            rows = texture[(np.arange(y0, y0 + h) + dy) % TEXTURE]
            cols = (np.arange(size) + dx) % TEXTURE
            dn = (w * water[b] + v * vegetation[b] + s * soil[b]) * bright
            dn += rows[:, cols] * (texture_amp[b] * land)
            dn += rng.integers(-80, 81, size=dn.shape, dtype=np.int16)
            outs[b].GetRasterBand(1).WriteArray(np.clip(dn, 6000, 30000).astype(np.uint16), 0, y0)
    for ds in outs:
        ds.FlushCache()
    outs.clear()


def run_qgis(vrt, png):
    os.environ.setdefault("QT_QPA_PLATFORM", "offscreen")
    from qgis.core import (QgsApplication, QgsMapRendererSequentialJob, QgsMapSettings,
                           QgsMultiBandColorRenderer, QgsRasterLayer, QgsRasterMinMaxOrigin)
    from qgis.PyQt.QtCore import QSize
    from qgis.PyQt.QtGui import QColor
    app = QgsApplication([], False)
    app.initQgis()

    start = time.perf_counter()
    # The layer's default renderer: multiband colour over bands 1, 2, 3, stretched between the cumulative
    # cut's bounds on the whole raster's estimated histogram (QGIS's defaults).
    layer = QgsRasterLayer(vrt, "scene", "gdal")
    if not layer.isValid():
        sys.exit("QGIS cannot open " + vrt)
    renderer = layer.renderer()
    if not isinstance(renderer, QgsMultiBandColorRenderer):
        sys.exit("QGIS chose another renderer: " + renderer.type())
    origin = renderer.minMaxOrigin()
    if (origin.limits() != QgsRasterMinMaxOrigin.CumulativeCut or
            origin.extent() != QgsRasterMinMaxOrigin.WholeRaster or
            origin.statAccuracy() != QgsRasterMinMaxOrigin.Estimated):
        # Not QGIS's defaults here (a user setting?): set them, so the stretch is computed as usual.
        origin.setLimits(QgsRasterMinMaxOrigin.CumulativeCut)
        origin.setExtent(QgsRasterMinMaxOrigin.WholeRaster)
        origin.setStatAccuracy(QgsRasterMinMaxOrigin.Estimated)
        origin.setCumulativeCutLower(0.02)
        origin.setCumulativeCutUpper(0.98)
        renderer.setMinMaxOrigin(origin)
        layer.setDefaultContrastEnhancement()
    settings = QgsMapSettings()
    settings.setLayers([layer])
    settings.setDestinationCrs(layer.crs())
    settings.setExtent(layer.extent())
    settings.setOutputSize(QSize(1000, 700))
    settings.setBackgroundColor(QColor(255, 255, 255))
    job = QgsMapRendererSequentialJob(settings)
    job.start()
    job.waitForFinished()
    image = job.renderedImage()
    elapsed = (time.perf_counter() - start) * 1000
    print("%.0f" % elapsed)
    if png:
        image.save(png)
        stretch = [renderer.redContrastEnhancement(), renderer.greenContrastEnhancement(),
                   renderer.blueContrastEnhancement()]
        print("stretch " + " ".join("%g..%g" % (c.minimumValue(), c.maximumValue()) for c in stretch),
              file=sys.stderr)
    sys.stdout.flush()
    # QGIS's teardown can crash on layers still held here; the process has done its work.
    os._exit(0)


def peak_rss_kb(pid):
    with open("/proc/%d/status" % pid) as status:
        for line in status:
            if line.startswith("VmHWM:"):
                return int(line.split()[1])
    return 0


# The main window's size beyond its view (tool bar, zoom strip, band panel, scroll and status bars), measured
# on a screenshot of the window at its own size: 900 x 578 around a 562 x 488 view.
WINDOW_EXTRA = (338, 90)


class WindowWatcher:
    """Told by the X server when a window maps (so no polling process competes with the viewer for the CPU):
    sizes the main window so that its view has the given size (there is no option for it; without a window
    manager the window takes the size asked at once, long before the opening's first redraw), and answers the
    size question ("情報", Yes / No, a modal box) with its default button."""

    def __init__(self, view_size):
        self.view_size = view_size
        from Xlib import X, display
        self.X = X
        self.display = display.Display()
        self.root = self.display.screen().root
        self.root.change_attributes(event_mask=X.SubstructureNotifyMask)
        self.name_atom = self.display.intern_atom("_NET_WM_NAME")
        self.utf8 = self.display.intern_atom("UTF8_STRING")
        self.return_key = self.display.keysym_to_keycode(0xFF0D)  # XK_Return
        self.display.sync()
        self.answered = 0
        self.sized = False
        self.seconds = 0.0  # from the box's map to the answer sent

    def wait(self, timeout):
        import select
        from Xlib.ext import xtest
        if not self.display.pending_events():
            select.select([self.display.fileno()], [], [], timeout)
        while self.display.pending_events():
            event = self.display.next_event()
            if event.type != self.X.MapNotify:
                continue
            mapped = time.monotonic()
            try:
                name = event.window.get_full_property(self.name_atom, self.utf8)
            except Exception:  # gone already
                continue
            title = name.value.decode(errors="replace") if name is not None else ""
            if title == "Orvenna" and self.view_size and not self.sized:
                event.window.configure(width=self.view_size[0] + WINDOW_EXTRA[0],
                                       height=self.view_size[1] + WINDOW_EXTRA[1])
                self.display.sync()
                self.sized = True
                continue
            if title != "情報":
                continue
            event.window.set_input_focus(self.X.RevertToParent, self.X.CurrentTime)
            xtest.fake_input(self.display, self.X.KeyPress, self.return_key)
            xtest.fake_input(self.display, self.X.KeyRelease, self.return_key)
            self.display.sync()
            self.answered += 1
            self.seconds += time.monotonic() - mapped


def run_orvenna(viewer, timeout, files):
    view = os.environ.get("ORVENNA_BENCH_VIEW", "")
    view_size = tuple(int(v) for v in view.split("x")) if "x" in view else None
    windows = WindowWatcher(view_size)  # listening before the viewer starts
    env = dict(os.environ, ORVENNA_TIMING="1")
    env.pop("QT_QPA_PLATFORM", None)
    viewer_proc = subprocess.Popen([viewer, "--"] + files, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE,
                                   env=env)
    found = {}
    log = []

    def read_stderr():
        for raw in viewer_proc.stderr:
            line = raw.decode(errors="replace")
            log.append(line)
            if "to the first redraw" in line and "ms" not in found:
                # The peak before anything else happens in the window.
                found["rss"] = peak_rss_kb(viewer_proc.pid)
                found["ms"] = int(line.rsplit(":", 1)[1].split()[0])
                break

    reader = threading.Thread(target=read_stderr, daemon=True)
    reader.start()
    deadline = time.monotonic() + timeout
    while reader.is_alive() and time.monotonic() < deadline and viewer_proc.poll() is None:
        windows.wait(0.05)
    shot = os.environ.get("ORVENNA_BENCH_SHOT")
    if shot and "ms" in found and viewer_proc.poll() is None:
        subprocess.run(["import", "-window", "root", shot], capture_output=True)
    if viewer_proc.poll() is None:
        viewer_proc.kill()
    viewer_proc.wait()
    reader.join(1)
    if "ms" not in found:
        sys.stderr.write("".join(log))
        sys.exit("the viewer gave no time within %g s" % timeout)
    print(found["ms"], found["rss"], windows.answered, round(windows.seconds * 1000))


def main():
    if len(sys.argv) >= 4 and sys.argv[1] == "make":
        make(sys.argv[2], int(sys.argv[3]))
    elif len(sys.argv) in (3, 4) and sys.argv[1] == "qgis":
        run_qgis(sys.argv[2], sys.argv[3] if len(sys.argv) == 4 else None)
    elif len(sys.argv) >= 5 and sys.argv[1] == "orvenna":
        run_orvenna(sys.argv[2], float(sys.argv[3]), sys.argv[4:])
    else:
        sys.exit("usage: %s make DIR SIZE | qgis VRT [PNG] | orvenna VIEWER TIMEOUT FILE..." % sys.argv[0])


if __name__ == "__main__":
    main()
