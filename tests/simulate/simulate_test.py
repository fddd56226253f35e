"""pellux-simulate: a knife series and a Ronchigram written as grey PNG of
the size asked, a mirror file's reduced profile, and every bad request
refused with status 2, a message and no file.

    simulate_test.py PELLUX-SIMULATE MIRROR.csv WORK
"""
import os
import shutil
import struct
import subprocess
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), os.pardir))
from checks import Checks  # noqa: E402

tool, example, work = sys.argv[1:4]
shutil.rmtree(work, ignore_errors=True)
os.makedirs(work)
check = Checks()


def run(*args):
    return subprocess.run([tool] + list(args), cwd=work, capture_output=True, text=True)


def png_size(path):
    """Width, height, bit depth and colour type of a PNG, or None."""
    try:
        head = open(path, "rb").read(33)
    except OSError:
        return None
    if head[:8] != b"\x89PNG\r\n\x1a\n" or head[12:16] != b"IHDR":
        return None
    w, h, depth, colour = struct.unpack(">IIBB", head[16:26])
    return w, h, depth, colour


mirror = ["--diameter", "8", "--units", "in", "--radius-of-curvature", "96", "--conic", "-1"]
r = run(*(mirror + ["--tester", "moving", "--source-width", "0.004", "--size", "128",
                    "--knife", "0.005,0.02,0.04", "series.png"]))
names = ["series-%02d.png" % k for k in (1, 2, 3)]
check(r.returncode == 0 and r.stdout.split() == names, "series: %s %s" % (r.stdout, r.stderr))
for name in names:
    check(png_size(os.path.join(work, name)) == (128, 128, 8, 0), "%s is not a 128 px grey PNG" % name)
r = run(*(mirror + ["--size", "64", "--knife", "0", "one.png"]))
check(r.returncode == 0 and png_size(os.path.join(work, "one.png")) == (64, 64, 8, 0), "one knife: " + r.stderr)
r = run(*(mirror + ["--ronchi", "100", "--offset", "0.2", "ronchi.png"]))
check(r.returncode == 0 and png_size(os.path.join(work, "ronchi.png")) == (512, 512, 8, 0), "ronchi: " + r.stderr)
r = run("--from", example, "--size", "96", "--knife", "0.5", "from.png")
check(r.returncode == 0 and png_size(os.path.join(work, "from.png")) == (96, 96, 8, 0), "--from: " + r.stderr)

open(os.path.join(work, "blank.csv"), "w").write("diameter,8\nradius of curvature,96\nzones\ninner,outer,r\n0,2,\n2,4,0.01\n")
bad = [
    (["--knife", "0"], "--diameter"),
    (["--diameter", "8", "--units", "in", "--knife", "0"], "--radius-of-curvature"),
    (["--diameter", "8", "--radius-of-curvature", "96", "--knife", "0"], "--units"),
    (mirror + ["--knife", "0.01,x"], "--knife takes positions"),
    (mirror + ["--knife", ""], "--knife takes positions"),
    (mirror + ["--size", "63", "--knife", "0"], "64 to 4096"),
    (mirror + ["--size", "4097", "--knife", "0"], "64 to 4096"),
    (mirror + ["--size", "big", "--knife", "0"], "--size takes"),
    (mirror, "either --knife"),
    (mirror + ["--knife", "0", "--ronchi", "100", "--offset", "0"], "either --knife"),
    (mirror + ["--ronchi", "100"], "--offset"),
    (mirror + ["--ronchi", "0", "--offset", "0.1"], "above 0"),
    (mirror + ["--tester", "rotating", "--knife", "0"], "unknown tester"),
    (mirror + ["--units", "ft", "--knife", "0"], "unknown unit"),
    (["--diameter", "8", "--units", "in", "--radius-of-curvature", "3", "--knife", "0"], "cannot be simulated"),
    (["--diameter", "-8", "--units", "in", "--radius-of-curvature", "96", "--knife", "0"], "cannot be simulated"),
    (mirror + ["--wavelength", "0", "--knife", "0"], "cannot be simulated"),
    (mirror + ["--obstruction", "9", "--knife", "0"], "cannot be simulated"),
    (["--from", example, "--diameter", "8", "--knife", "0"], "leave out"),
    (["--from", "missing.csv", "--knife", "0"], "cannot read"),
    (["--from", "blank.csv", "--knife", "0"], "blank.csv:5"),
]
for k, (args, message) in enumerate(bad):
    out = "bad%d.png" % k
    r = run(*(args + [out]))
    check(r.returncode == 2 and message in r.stderr and not os.path.exists(os.path.join(work, out)),
          "%s: status %d, %r" % (" ".join(args), r.returncode, r.stderr.splitlines()[:1]))
r = run(*(mirror + ["--knife", "0", "picture.gif"]))
check(r.returncode == 2 and "OUT.png or OUT.jpg" in r.stderr, "a GIF output accepted")
r = run(*(mirror + ["--knife", "0", "--quality", "75", "picture.jpg"]))
check(r.returncode == 0 and open(os.path.join(work, "picture.jpg"), "rb").read(2) == b"\xff\xd8", "a JPEG written")
for args, message in [(["--quality", "0"], "--quality"), (["--mask", "1"], "--mask"),
                      (["--mask", "6", "--ronchi", "100", "--offset", "0"], "--mask")]:
    r = run(*(mirror + args + (["--knife", "0"] if "--ronchi" not in args else []) + ["bad.jpg"]))
    check(r.returncode == 2 and message in r.stderr and not os.path.exists(os.path.join(work, "bad.jpg")),
          "%s: status %d, %r" % (" ".join(args), r.returncode, r.stderr.splitlines()[:1]))

check.finish()
