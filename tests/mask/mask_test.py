"""pellux-mask as a user runs it: the PDF's page size and tiles, the 100 mm
bar measured in a rendering at 254 dpi, the SVG's units and outline, the
mirror file through pellux-reduction, and every bad request refused with
status 2 and no file.

    mask_test.py PELLUX_MASK PELLUX_REDUCTION WORK_DIR"""
import math
import os
import re
import shutil
import subprocess
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), os.pardir))
from checks import Checks  # noqa: E402

mask, reduction, work = sys.argv[1:4]
check = Checks()


def run(*args):
    return subprocess.run([mask] + list(args), cwd=work, capture_output=True, text=True)


def pdf_info(path):
    out = subprocess.run(["pdfinfo", path], capture_output=True, text=True, check=True).stdout
    pages = int(re.search(r"^Pages:\s+(\d+)", out, re.M).group(1))
    size = re.search(r"^Page size:\s+([\d.]+) x ([\d.]+) pts", out, re.M)
    return pages, float(size.group(1)), float(size.group(2))


def gray_rows(path, page, dpi, x, y, w, h):
    """Rows of a crop of one page rendered in grey (pixels, top-left x, y)."""
    stem = os.path.join(work, "crop")
    subprocess.run(["pdftoppm", "-gray", "-r", str(dpi), "-f", str(page), "-l", str(page),
                    "-x", str(x), "-y", str(y), "-W", str(w), "-H", str(h), "-singlefile",
                    path, stem], check=True)
    data = open(stem + ".pgm", "rb").read()
    magic, width, height, depth, pixels = re.match(rb"(P5)\s+(\d+)\s+(\d+)\s+(\d+)\s(.*)", data, re.S).groups()
    width, height = int(width), int(height)
    return [pixels[r * width:(r + 1) * width] for r in range(height)]


def longest_dark_runs(rows):
    runs = set()
    for row in rows:
        best = length = 0
        for p in row:
            length = length + 1 if p < 128 else 0
            best = max(best, length)
        runs.add(best)
    return runs


shutil.rmtree(work, ignore_errors=True)
os.makedirs(work)

# Page sizes, and tiles: a 6-inch mask fits one A4 sheet, a 400 mm one not.
for paper, width, height in (("a4", 595.276, 841.89), ("letter", 612, 792)):
    r = run("--diameter", "6", "--units", "in", "--paper", paper, "m6_%s.pdf" % paper)
    check(r.returncode == 0, "6 in on %s: %s" % (paper, r.stderr))
    pages, w, h = pdf_info(os.path.join(work, "m6_%s.pdf" % paper))
    check(pages == 1 and abs(w - width) < 0.01 and abs(h - height) < 0.01,
          "6 in on %s: %d pages of %s x %s pt" % (paper, pages, w, h))
r = run("--diameter", "400", "--units", "mm", "big.pdf")
pages = pdf_info(os.path.join(work, "big.pdf"))[0] if r.returncode == 0 else 0
check(pages > 1, "400 mm on A4: %d pages (%s)" % (pages, r.stderr))

# At 254 dpi (10 pixels a millimetre) the 100 mm bar is 1000 pixels long and
# the 4 in bar 1016, on every sheet of a tiled mask.
for name, pdf_pages in (("m6_a4.pdf", [1]), ("big.pdf", [1, pages]), ("m6_letter.pdf", [1])):
    path = os.path.join(work, name)
    _, w_pt, h_pt = pdf_info(path)
    w_px, h_px = round(w_pt / 72 * 254), round(h_pt / 72 * 254)
    for page in pdf_pages:
        runs = longest_dark_runs(gray_rows(path, page, 254, 0, h_px - 600, w_px, 600))
        check(any(abs(n - 1000) <= 2 for n in runs), "%s page %d: no 100 mm bar in %s" % (name, page, sorted(runs)[-5:]))
        check(any(abs(n - 1016) <= 2 for n in runs), "%s page %d: no 4 in bar" % (name, page))

# SVG: millimetres, one user unit each; the outline a circle of the mirror's
# radius (every point of the path on it), cut in red, labels in blue.
r = run("--diameter", "200", "--units", "mm", "--zones", "7", "m200.svg")
check(r.returncode == 0, "svg: " + r.stderr)
svg = open(os.path.join(work, "m200.svg")).read()
size = re.search(r'width="([\d.]+)mm" height="([\d.]+)mm" viewBox="0 0 ([\d.]+) ([\d.]+)"', svg)
check(size is not None and size.group(1) == size.group(3) and size.group(2) == size.group(4),
      "svg size not in mm with a matching viewBox")
red = re.findall(r'<path style="fill:none;stroke-width:([\d.]+);[^"]*stroke:rgb\(100%,0%,0%\)[^"]*" d="([^"]+)"', svg)
check(len(red) == 1 + 2 * 7, "svg: %d red paths, expected the outline and 14 windows" % len(red))
outline = red[0][1]
points = [(float(x), float(y)) for x, y in re.findall(r"([-\d.]+) ([-\d.]+)(?= [A-Z]|\s*$| Z)", outline)]
xs, ys = [p[0] for p in points], [p[1] for p in points]
cx, cy = (max(xs) + min(xs)) / 2, (max(ys) + min(ys)) / 2
radii = [math.hypot(x - cx, y - cy) for x, y in points]
check(len(points) >= 4 and all(abs(r - 100) < 0.01 for r in radii),
      "svg outline radius %s..%s, expected 100 mm" % (min(radii), max(radii)))
check(all(float(w) <= 0.1 for w, _ in red), "svg cut lines are not hairlines")
check("rgb(0%,0%,100%)" in svg, "svg labels are not blue")

# The mirror file: pellux-reduction refuses it until readings are typed, then
# takes it unchanged; --from reads the edges back exactly.
r = run("--diameter", "8", "--units", "in", "--radius-of-curvature", "64", "--mirror", "m8.csv", "m8.pdf")
check(r.returncode == 0, "mirror file: " + r.stderr)
text = open(os.path.join(work, "m8.csv")).read()
edges = re.findall(r"^([\d.]+),([\d.]+),,,$", text, re.M)
check(len(edges) == 7, "mirror file: %d zones, expected the suggested 7" % len(edges))
blank = subprocess.run([reduction, "--mirror", "m8.csv", "blank.xlsx"], cwd=work, capture_output=True, text=True)
check(blank.returncode == 2 and "no reading" in blank.stderr, "reduction took a file without readings")
filled = re.sub(r"^([\d.]+,[\d.]+),,,$", lambda m: m.group(1) + ",0.01,0.012,", text, flags=re.M)
open(os.path.join(work, "m8_read.csv"), "w").write(filled)
ok = subprocess.run([reduction, "--mirror", "m8_read.csv", "m8.xlsx"], cwd=work, capture_output=True, text=True)
check(ok.returncode == 0 and os.path.getsize(os.path.join(work, "m8.xlsx")) > 0, "reduction: " + ok.stderr)
r = run("--from", "m8.csv", "--mirror", "again.csv", "again.svg")
again = open(os.path.join(work, "again.csv")).read() if r.returncode == 0 else ""
check(re.findall(r"^([\d.]+),([\d.]+),,,$", again, re.M) == edges, "--from: edges differ " + r.stderr)

# An edge zone: 3 % of the radius where that can be cut (10 in: 5 mm is
# more), the given width otherwise; its effective radius within 2 % of the edge.
for args, width in ((["--diameter", "10", "--units", "in"], 5 / 25.4 * (1 + 1e-9)),
                    (["--diameter", "400", "--units", "mm", "--edge-zone", "6"], 6)):
    if "--edge-zone" not in args:
        args = args + ["--edge-zone"]
    r = run(*(args + ["--radius-of-curvature", "100", "--mirror", "edge.csv", "edge.pdf"]))
    rows = [tuple(map(float, m)) for m in re.findall(r"^([\d.]+),([\d.]+),,,$", open(os.path.join(work, "edge.csv")).read(), re.M)]
    radius = float(args[1]) / 2
    check(r.returncode == 0 and abs(rows[-1][0] - (radius - max(width, 0.03 * radius))) < 1e-12 and rows[-1][1] == radius,
          "edge zone %s: %s %s" % (args, rows[-2:], r.stderr))
    check(radius - (rows[-1][0] + rows[-1][1]) / 2 <= 0.02 * radius, "edge zone %s: unmeasured band" % args)

# The intermediate mask straddles every edge of the first, and its mirror file
# holds both masks' openings, which pellux-reduction takes once read.
r = run("--diameter", "8", "--units", "in", "--zones", "5", "--radius-of-curvature", "96", "--intermediate",
        "--mirror", "pair.csv", "pair.pdf")
pair = open(os.path.join(work, "pair.csv")).read()
first = [tuple(map(float, m)) for m in re.findall(r"^([\d.]+),([\d.]+),1,,,$", pair, re.M)]
second = [tuple(map(float, m)) for m in re.findall(r"^([\d.]+),([\d.]+),2,,,$", pair, re.M)]
check(r.returncode == 0 and len(first) == 5 and len(second) == 6, "intermediate: %s %s" % (r.stderr, pair))
check(all(any(a < edge < b for a, b in second) for _, edge in first[:-1]), "intermediate: an edge not straddled")
check(second[0][0] == 0 and second[-1][1] == 4, "intermediate: the pair covers the mirror")
filled = re.sub(r"^([\d.]+,[\d.]+,[12]),,,$", lambda m: m.group(1) + ",0.01,0.012,", pair, flags=re.M)
open(os.path.join(work, "pair_read.csv"), "w").write(filled)
ok = subprocess.run([reduction, "--mirror", "pair_read.csv", "pair.xlsx"], cwd=work, capture_output=True, text=True)
check(ok.returncode == 0, "reduction of the pair: " + ok.stderr)

# Bad requests: status 2, a message, no file.
bad = [
    (["--diameter", "0", "--units", "in"], "above 0"),
    (["--diameter", "-6", "--units", "in"], "above 0"),
    (["--diameter", "6", "--units", "in", "--zones", "0"], "at least 1 zone"),
    (["--diameter", "6", "--units", "cm"], "unknown unit"),
    (["--diameter", "6", "--units", "in", "--paper", "a3"], "unknown paper"),
    (["--diameter", "6", "--units", "in", "--obstruction", "6"], "as wide as the mirror"),
    (["--diameter", "6", "--units", "in", "--zones", "40"], "narrower than"),
    (["--diameter", "6", "--units", "in", "--min-width", "40"], "narrower than"),
    (["--diameter", "6"], "--units"),
    (["--units", "in"], "--diameter"),
    (["--diameter", "six", "--units", "in"], "takes a number"),
    (["--diameter", "6", "--units", "in", "--mirror", "x.csv"], "radius-of-curvature"),
    (["--from", "broken.csv"], "broken.csv:2:"),
    (["--from", "missing.csv"], "cannot read"),
    (["--from", "m8.csv", "--diameter", "6"], "leave out"),
    (["--from", "m8.csv", "--edge-zone"], "leave out --edge-zone"),
    (["--diameter", "6", "--units", "in", "--edge-zone", "3"], "narrower than the mirror's radius"),
    (["--diameter", "6", "--units", "in", "--edge-zone", "0.05"], "narrower than"),
]
open(os.path.join(work, "broken.csv"), "w").write("units,in\ndiameter,six\n")
for k, (args, message) in enumerate(bad):
    out = "bad%d.pdf" % k
    r = run(*(args + [out]))
    check(r.returncode == 2 and message in r.stderr and not os.path.exists(os.path.join(work, out))
          and not os.path.exists(os.path.join(work, "x.csv")),
          "%s: status %d, %r" % (" ".join(args), r.returncode, r.stderr.splitlines()[:1]))
r = run("--diameter", "6", "--units", "in", "mask.png")
check(r.returncode == 2 and "must end in .pdf or .svg" in r.stderr, "png output accepted")

check.finish()
