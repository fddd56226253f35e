// The Couder mask as an SVG at actual size (millimetres, one user unit a
// millimetre), from the module's equal-area edges and the windows of
// pellux-mask: each 0.4 of the zone's mean radius high, 1 mm clear of the
// horizontal diameter, even zones above it on the right and below on the
// left, odd zones the other way round. Red hairlines are cut, blue is text.
const CLEAR = 1;
const HEIGHT = 0.4;

const f = (x) => Number(x.toFixed(4));

// One window right of the centre and above the diameter (y up), as SVG path
// data in a frame where y runs down; sx, sy mirror it.
function windowPath(ri, ro, y0, y1, sx, sy) {
  const p = (x, y) => `${f(sx * x)} ${f(-sy * y)}`;
  const sweepOut = sx * sy > 0 ? 0 : 1; // counter-clockwise in the y-up frame
  let d = `M ${p(Math.sqrt(ro * ro - y0 * y0), y0)} A ${f(ro)} ${f(ro)} 0 0 ${sweepOut} ${p(Math.sqrt(ro * ro - y1 * y1), y1)}`;
  if (ri > y1) {
    d += ` L ${p(Math.sqrt(ri * ri - y1 * y1), y1)} A ${f(ri)} ${f(ri)} 0 0 ${1 - sweepOut} ${p(Math.sqrt(ri * ri - y0 * y0), y0)}`;
  } else if (ri > y0) {
    d += ` L ${p(0, y1)} L ${p(0, ri)} A ${f(ri)} ${f(ri)} 0 0 ${1 - sweepOut} ${p(Math.sqrt(ri * ri - y0 * y0), y0)}`;
  } else {
    d += ` L ${p(0, y1)} L ${p(0, y0)}`;
  }
  return d + " Z";
}

export function maskSvg(edges, diameter, units) {
  const mm = units === "mm" ? 1 : 25.4;
  const R = (diameter / 2) * mm;
  const size = 2 * R + 20;
  let body = `<circle cx="0" cy="0" r="${f(R)}" fill="none" stroke="#ff0000" stroke-width="0.1"/>`;
  for (let k = 0; k + 1 < edges.length; ++k) {
    const ri = edges[k] * mm, ro = edges[k + 1] * mm;
    const y0 = CLEAR, y1 = y0 + (HEIGHT * (ri + ro)) / 2;
    const up = k % 2 === 0 ? 1 : -1;
    for (const side of [1, -1]) {
      body += `<path d="${windowPath(ri, ro, y0, y1, side, side * up)}" fill="none" stroke="#ff0000" stroke-width="0.1"/>`;
      body += `<text x="${f((side * (ri + ro)) / 2)}" y="${f(-side * up * (y1 + 2.5))}" font-size="3" fill="#0000ff" text-anchor="middle" dominant-baseline="middle">${k + 1}</text>`;
    }
  }
  body += `<path d="M -2 0 H 2 M 0 -2 V 2" stroke="#0000ff" stroke-width="0.15"/>`;
  return `<svg xmlns="http://www.w3.org/2000/svg" width="${f(size)}mm" height="${f(size)}mm" viewBox="${f(-size / 2)} ${f(-size / 2)} ${f(size)} ${f(size)}">${body}</svg>`;
}

export function drawMask(element, edges, diameter, units) {
  element.innerHTML = maskSvg(edges, diameter, units);
}
