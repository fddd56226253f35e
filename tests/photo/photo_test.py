"""pellux-photo: a simulated series of a paraboloid, as JPEG of quality 75,
read to within a thousandth of an inch inside 0.86 of the radius, a mirror
file that pellux-reduction takes unchanged, a report picture; a series
through a Couder mask read zone by zone; and every bad request refused
with status 2, a message and no file.

    photo_test.py PELLUX-PHOTO PELLUX-SIMULATE PELLUX-REDUCTION WORK
"""
import math
import os
import shutil
import struct
import subprocess
import sys
import zlib

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), os.pardir))
from checks import Checks  # noqa: E402

photo, simulate, reduction, work = sys.argv[1:5]
shutil.rmtree(work, ignore_errors=True)
os.makedirs(work)
check = Checks()


def run(tool, *args):
    return subprocess.run([tool] + list(args), cwd=work, capture_output=True, text=True)


# An 8 in f/6 paraboloid, moving source, its zones' nulls from 0.002 to 0.079 in.
knife = [-0.006 + 0.004 * k for k in range(24)]
r = run(simulate, "--diameter", "8", "--units", "in", "--radius-of-curvature", "96", "--conic", "-1",
        "--tester", "moving", "--source-width", "0.004", "--size", "300",
        "--quality", "75", "--knife", ",".join("%.3f" % k for k in knife), "s.jpg")
check(r.returncode == 0, "simulate: " + r.stderr)
pictures = sorted(f for f in os.listdir(work) if f.startswith("s-"))
base = ["--diameter", "8", "--units", "in", "--radius-of-curvature", "96", "--tester", "moving"]

r = run(photo, *base, "--knife", "-0.006,0.004", "--zones", "10", "--mirror", "m.csv", "--report", "r.png",
        *pictures)
check(r.returncode == 0, "photo: " + r.stderr)
edges = [4 * math.sqrt(k / 10) for k in range(11)]
errors = []
for k, line in enumerate(r.stdout.splitlines()):
    reading = float(line.split(": ")[2].split(" ")[0])
    zeff = (edges[k] + edges[k + 1]) / 2
    if zeff <= 0.86 * 4:
        errors.append(reading - zeff * zeff / 192)
offset = sorted(errors)[len(errors) // 2]
rms = math.sqrt(sum((e - offset) ** 2 for e in errors) / len(errors))
print("RMS error within 0.86: %.5f in, offset %+.5f in" % (rms, offset))
check(len(r.stdout.splitlines()) == 10, "a line per zone")
check(rms <= 0.001 and abs(offset) <= 0.005, "readings within a thousandth")
check(open(os.path.join(work, "r.png"), "rb").read(4) == b"\x89PNG", "the report is a PNG")
r = run(reduction, "--mirror", "m.csv", "red.xlsx")
check(r.returncode == 0 and os.path.exists(os.path.join(work, "red.xlsx")), "reduction takes the file: " + r.stderr)

# The same series named by a knife list, and from a mirror file's zones.
r = run(photo, "--knife-list", ",".join("%.3f" % k for k in knife), "--from", "m.csv", *pictures)
check(r.returncode == 0 and len(r.stdout.splitlines()) == 10, "knife list and --from: " + r.stderr)

open(os.path.join(work, "notes.png"), "w").write("not a picture")
bad = [
    ("two photographs", ["--knife", "0,0.004", *pictures[:2]], "three"),
    ("a knife list too short", ["--knife-list", "0,0.004,0.008", *pictures], "photographs"),
    ("a file that is not an image", ["--knife", "0,0.004", "notes.png", *pictures[:3]], "notes.png"),
    ("a missing file", ["--knife", "0,0.004", "gone.jpg", *pictures[:3]], "gone.jpg"),
    ("no knife", [*pictures], "knife"),
    ("a knife that does not move", ["--knife", "0.01,0", *pictures], "move the knife"),
    ("an unknown option", ["--knife", "0,0.004", "--colour", "red", *pictures], "--colour"),
]
for what, args, says in bad:
    r = run(photo, *base, "--mirror", "bad.csv", *args)
    check(r.returncode == 2 and says in r.stderr and not os.path.exists(os.path.join(work, "bad.csv")),
          "%s: status %d, %s" % (what, r.returncode, r.stderr.strip()[:120]))


def readings(stdout):
    return [float(line.split(": ")[2].split(" ")[0]) for line in stdout.splitlines()]


def offset_and_rms(errors):
    offset = sorted(errors)[len(errors) // 2]
    return offset, math.sqrt(sum((e - offset) ** 2 for e in errors) / len(errors))


# Through a 6-window Couder mask, as pellux-mask cuts it: every zone.
mask_knife = ",".join("%.3f" % (-0.02 + 0.005 * k) for k in range(24))
r = run(simulate, "--diameter", "8", "--units", "in", "--radius-of-curvature", "96", "--conic", "-1",
        "--tester", "moving", "--source-width", "0.004", "--size", "300", "--mask", "6", "--quality", "75",
        "--knife", mask_knife, "masked.jpg")
check(r.returncode == 0, "simulate a mask: " + r.stderr)
masked = sorted(f for f in os.listdir(work) if f.startswith("masked-"))
r = run(photo, *base, "--knife", "-0.02,0.005", "--zones", "6", "--mask", *masked)
check(r.returncode == 0, "photo through a mask: " + r.stderr)
if r.returncode == 0:
    edges = [4 * math.sqrt(k / 6) for k in range(7)]
    truth = [((edges[k] + edges[k + 1]) / 2) ** 2 / 192 for k in range(6)]
    offset, rms = offset_and_rms([a - b for a, b in zip(readings(r.stdout), truth)])
    print("through a mask: RMS error %.5f in, offset %+.5f in" % (rms, offset))
    check(len(truth) == len(readings(r.stdout)) and rms <= 0.001 and abs(offset) <= 0.005,
          "masked readings within a thousandth")


def black_png(name, size):
    rows = b"".join(b"\0" + bytes(size) for _ in range(size))
    chunk = lambda kind, data: struct.pack(">I", len(data)) + kind + data + struct.pack(
        ">I", zlib.crc32(kind + data) & 0xFFFFFFFF)
    with open(os.path.join(work, name), "wb") as f:
        f.write(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", size, size, 8, 0, 0, 0, 0)) +
                chunk(b"IDAT", zlib.compress(rows)) + chunk(b"IEND", b""))


# No mirror at all; a dark picture of another size; a mirror 10 % larger.
for k in range(3):
    black_png("dark-%d.png" % k, 300)
black_png("dark-big.png", 400)
r = run(simulate, "--diameter", "8", "--units", "in", "--radius-of-curvature", "96", "--conic", "-1",
        "--tester", "moving", "--size", "330", "--knife", "0.02", "big.png")
check(r.returncode == 0, "simulate a larger picture: " + r.stderr)
refused = [
    ("no mirror in any picture", ["dark-0.png", "dark-1.png", "dark-2.png"], "no mirror found"),
    ("a dark picture of another size", [*pictures[:3], "dark-big.png"], "dark-big.png: no mirror found"),
    ("a mirror 10 % larger", [*pictures[:3], "big.png"], "big.png: the mirror is more than 5 %"),
    ("a series short of the outer zones' nulls", pictures[:4], "carry the knife across"),
]
for what, names, says in refused:
    r = run(photo, *base, "--knife", "0,0.004", "--mirror", "bad.csv", *names)
    check(r.returncode == 2 and says in r.stderr and not os.path.exists(os.path.join(work, "bad.csv")),
          "%s: status %d, %s" % (what, r.returncode, r.stderr.strip()[:120]))

check.finish()
