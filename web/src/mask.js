// The Couder mask as SVG at actual size (millimetres, one user unit a
// millimetre), its windows as the core lays them out (the same as
// pellux-mask's), with the 100 mm and 4 in scale bars and the note on
// printing; and the mask laid out on sheets for printing, tiled as the core
// says. Cut lines red, text blue (black on paper).
import * as pellux from "./pellux.js";

const f = (x) => Number(x.toFixed(4));
export const OVERLAP = 15; // mm that neighbouring printed sheets share
const LABEL_ROOM = 3;

// One window right of the centre and above the diameter (y up), along the
// core's outline, as SVG path data in a frame where y runs down; sx, sy
// mirror it.
function windowPath(w, sx, sy) {
  const p = (x, y) => `${f(sx * x)} ${f(-sy * y)}`;
  const sweepOut = sx * sy > 0 ? 0 : 1; // counter-clockwise in the y-up frame
  const arc = (r, sweep, x, y) => ` A ${f(r)} ${f(r)} 0 0 ${sweep} ${p(x, y)}`;
  let d = `M ${p(w.outer0, w.y0)}${arc(w.outer, sweepOut, w.outer1, w.y1)} L ${p(w.inner1, w.y1)}`;
  if (w.innerKind === 0) d += arc(w.inner, 1 - sweepOut, w.inner0, w.y0);
  else if (w.innerKind === 1) d += ` L ${p(0, w.inner)}${arc(w.inner, 1 - sweepOut, w.inner0, w.y0)}`;
  else d += ` L ${p(0, w.y0)}`;
  return d + " Z";
}

// The drawing of the mask about its centre: outline, windows, numbers, centre.
// `cut` is the line width in mm (0.1 for a cutter; thicker to see and print).
function drawing(edgesMm, radius, cut, colours) {
  const [line, text] = colours;
  let body = `<circle cx="0" cy="0" r="${f(radius)}" fill="none" stroke="${line}" stroke-width="${cut}"/>`;
  pellux.maskWindows(edgesMm).forEach((w, k) => {
    for (const side of [1, -1]) {
      body += `<path d="${windowPath(w, side, side * w.up)}" fill="none" stroke="${line}" stroke-width="${cut}"/>`;
      body += `<text x="${f((side * (w.inner + w.outer)) / 2)}" y="${f(-side * w.up * (w.y1 + 2.5))}" font-size="3.2" fill="${text}" text-anchor="middle" dominant-baseline="middle">${k + 1}</text>`;
    }
  });
  return body + `<path d="M -2 0 H 2 M 0 -2 V 2" stroke="${text}" stroke-width="0.15"/>`;
}

// The note and the scale bars, as pellux-mask prints them, from (x, y) mm.
function footer(x, y, colour) {
  const bar = (dy, length, label) =>
    `<rect x="${x}" y="${y + dy}" width="${length}" height="2.5" fill="#000"/>` +
    `<text x="${x + length + 3}" y="${y + dy + 2.4}" font-size="3.2" font-weight="bold" fill="${colour}">${label}</text>`;
  return `<text x="${x}" y="${y + 4}" font-size="4" font-weight="bold" fill="${colour}">Print at actual size (100 %), not fit to page</text>` +
    `<text x="${x}" y="${y + 8.5}" font-size="2.8" fill="${colour}">Check both bars with a ruler before cutting; cut along the lines.</text>` +
    bar(13, 100, "100 mm") + bar(21, 101.6, "4 in");
}

const toMm = (units) => (units === "mm" ? 1 : 25.4);

// One SVG of the whole mask for a cutter: the drawing, then the note and bars.
export function maskSvg(edges, diameter, units) {
  const mm = toMm(units);
  const R = (diameter / 2) * mm, size = 2 * (R + LABEL_ROOM) + 10, width = Math.max(size, 130);
  const body = `<g transform="translate(${f(width / 2)} ${f(size / 2)})">${drawing(edges.map((e) => e * mm), R, 0.1, ["#ff0000", "#0000ff"])}</g>` +
    footer(5, size + 2, "#0000ff");
  return `<svg xmlns="http://www.w3.org/2000/svg" width="${f(width)}mm" height="${f(size + 32)}mm" viewBox="0 0 ${f(width)} ${f(size + 32)}">${body}</svg>`;
}

// On screen: thicker lines and larger text, so the mask can be read.
export function drawMask(element, edges, diameter, units) {
  const mm = toMm(units);
  const R = (diameter / 2) * mm, size = 2 * (R + LABEL_ROOM) + 4;
  element.innerHTML = `<svg xmlns="http://www.w3.org/2000/svg" viewBox="${f(-size / 2)} ${f(-size / 2)} ${f(size)} ${f(size)}" role="img" aria-label="the Couder mask">` +
    drawing(edges.map((e) => e * mm), R, Math.max(0.6, R / 150), ["#c00000", "#1f3864"]).replace(/font-size="3.2"/g, `font-size="${f(Math.max(3.2, R / 18))}"`) +
    "</svg>";
}

// The mask on sheets of paper (width x height mm) printed with the
// browser's own margins (about 10 mm): the core tiles it, each sheet with its
// title, its part of the drawing at actual size, and the note and bars.
export function maskSheets(edges, diameter, units, paper, title) {
  const mm = toMm(units);
  const R = (diameter / 2) * mm, extent = 2 * (R + LABEL_ROOM);
  const edgesMm = edges.map((e) => e * mm);
  const band = Math.max(...pellux.maskWindows(edgesMm).map((w) => w.y1));
  const head = 12, foot = 32, room = { width: paper.width - 24, height: paper.height - 24 - head - foot };
  const t = pellux.maskTiles(extent, band, OVERLAP, room.width, room.height);
  if (!t) return "";
  const art = drawing(edgesMm, R, 0.25, ["#000", "#000"]);
  const sheets = [];
  for (let row = 0; row < t.rows; ++row)
    for (let col = 0; col < t.columns; ++col) {
      const x0 = t.x0 + col * (t.width - OVERLAP), y0 = t.y0 + row * (t.height - OVERLAP);
      const n = row * t.columns + col + 1, count = t.rows * t.columns;
      const tile = count > 1 ? ` Tile ${n} of ${count} (row ${row + 1}, column ${col + 1}): overlap the neighbours by ${OVERLAP} mm.` : "";
      const svg = `<svg xmlns="http://www.w3.org/2000/svg" width="${f(room.width)}mm" height="${f(room.height + head + foot)}mm" viewBox="0 0 ${f(room.width)} ${f(room.height + head + foot)}">` +
        `<text x="0" y="5" font-size="4" font-weight="bold">${title}</text><text x="0" y="9.5" font-size="2.8">${tile}</text>` +
        `<svg x="0" y="${head}" width="${f(room.width)}" height="${f(room.height)}" viewBox="${f(x0)} ${f(y0)} ${f(t.width)} ${f(t.height)}">` +
        `<g transform="${t.turned ? "rotate(90)" : ""}">${art}</g></svg>` +
        (count > 1 ? `<rect x="0" y="${head}" width="${f(room.width)}" height="${f(room.height)}" fill="none" stroke="#999" stroke-width="0.15" stroke-dasharray="1.5 1.5"/>` : "") +
        footer(0, head + room.height + 1, "#000") + "</svg>";
      sheets.push(`<div class="sheet">${svg}</div>`);
    }
  return sheets.join("");
}
