// The Pellux module in the page: the worksheet functions under their
// worksheet names and argument order, and the reduction of a mirror. Every
// number comes from the WebAssembly module built from the add-in's core;
// this file only moves numbers in and out.
import { parseMirror } from "./mirror_file.js";

// The module's result fields and the workbook's labels, in the module's order.
export const RESULT_LABELS = [
  "Centre of curvature of the least P-V",
  "Peak-to-valley wavefront error, whole mirror (waves)",
  "Centre of curvature of the least RMS",
  "RMS wavefront error (waves)",
  "Strehl ratio",
  "RMS surface error (nm)",
  "Peak-to-valley surface error (nm)",
  "Correction (%)",
  "Best-fit conic constant",
  "Peak-to-valley wavefront error uncertainty (waves)",
  "RMS wavefront error uncertainty (waves)",
  "Strehl ratio uncertainty",
  "Correction uncertainty (%)",
  "Best centre of curvature",
  "Largest |TA| there",
  "That centre of curvature as a reading",
  "Its centre of curvature",
  "Zonal peak-to-valley, without the centre",
  "Its search window: from",
  "to",
  "Largest |TA|",
  "Zonal peak-to-valley (CalcWFE)",
  "Light loss at the edge of the field",
  "Light reaching the edge of the field",
  "Its peak-to-valley",
  "P-V less the noise's bias (waves)",
  "RMS less the noise's bias (waves)",
  "Strehl ratio less the noise's bias",
  "Probability within 1/4 wave",
  "Probability of a Strehl ratio of 0.8 or more",
  "Scatter of one reading",
  "First effective radius (in)",
  "Last effective radius (in)",
  "Unmeasured band at the edge (fraction of the radius)",
  "The innermost zone's part of the P-V",
];
const WINDOW_END = RESULT_LABELS.length;

// The mirror's inputs in the module's order.
const INPUT_FIELDS = [
  "millimetres", "diameter", "radius", "wavelength_nm", "moving_source", "zone_rule", "fittol",
  "coc", "reading_sigma", "secondary", "focal_length", "to_focus", "field_stop_mm", "zones", "runs",
];
// Zone table fields in the module's order.
export const ZONE_FIELDS = ["zeff", "zwidth", "reading", "ideal", "tol", "sem", "ta", "taSd", "profileWaves", "edge"];

let wasm = null;

function decode(base64) {
  const text = atob(base64);
  const bytes = new Uint8Array(text.length);
  for (let i = 0; i < text.length; ++i) bytes[i] = text.charCodeAt(i);
  return bytes;
}

export async function load(base64) {
  // The C++ library's vectors bring in its abort message's writes; the
  // module has no files, so they are refused (an abort then traps).
  const refused = () => 52;
  const wasi = { fd_close: refused, fd_seek: refused, fd_write: refused };
  const { instance } = await WebAssembly.instantiate(decode(base64), { wasi_snapshot_preview1: wasi });
  wasm = instance.exports;
  return wasm;
}

// NaN's sign and payload differ between machines; the worksheet shows #NUM!.
function plain(x) {
  return Number.isNaN(x) ? NaN : x;
}

// A range: an array of numbers (nested arrays are read row by row) or a
// typed array. Anything else in it is #VALUE!, as a host refuses text in a
// "K" argument.
function flatten(range) {
  if (ArrayBuffer.isView(range)) return range;
  const out = [];
  const walk = (x) => {
    if (Array.isArray(x)) x.forEach(walk);
    else out.push(x);
  };
  walk(range);
  return out;
}

// A flat list of numbers as it stands, else its flattened copy.
function numbersOf(range) {
  if (ArrayBuffer.isView(range) && !(range instanceof DataView)) return range;
  if (Array.isArray(range)) {
    let flat = true;
    for (let i = 0; i < range.length && flat; ++i) flat = typeof range[i] === "number";
    if (flat) return range;
  }
  return flatten(Array.isArray(range) ? range : [range]);
}

// The ranges into the module's buffers: their lengths, or the error a host
// gives (#VALUE! for anything but numbers, #NUM! past the zone limit).
function putVectors(ranges) {
  const values = ranges.map(numbersOf);
  for (const v of values) {
    if (ArrayBuffer.isView(v)) continue;
    for (let i = 0; i < v.length; ++i) if (typeof v[i] !== "number") return "#VALUE!";
  }
  if (values.some((v) => v.length > 32767)) return "#NUM!";
  values.forEach((v, k) => new Float64Array(wasm.memory.buffer, wasm.pellux_vector(k), v.length).set(v));
  return values.map((v) => v.length);
}

function scalars(values) {
  return values.every((v) => typeof v === "number") ? values : null;
}

// Calls one entry point: "#VALUE!" for arguments that are not numbers,
// "#NUM!" for those the function refuses, else a number or an array of them.
function call(name, ranges, args, count) {
  const lengths = putVectors(ranges);
  if (typeof lengths === "string") return lengths;
  if (scalars(args) === null) return "#VALUE!";
  if (wasm[name](...lengths, ...args) !== 0) return "#NUM!";
  return answers(count);
}

function answers(count) {
  const out = new Float64Array(wasm.memory.buffer, wasm.pellux_out(), count);
  return count === 1 ? plain(out[0]) : Array.from(out, plain);
}

// A range's rows and columns: nested arrays are rows, a flat array a column.
function shape(range) {
  if (!Array.isArray(range)) return [1, 1];
  if (range.length > 0 && Array.isArray(range[0])) return [range.length, range[0].length];
  return [range.length, 1];
}

// MirrorFigures: the runs block and its "present" block of one shape, the
// effective radii as a column (flat array) or a row ([[...]]).
function mirrorFigures(runs, present, Zeff, ...args) {
  const [rows, columns] = shape(runs), [pr, pc] = shape(present), [zr, zc] = shape(Zeff);
  const blocks = [runs, present].map(flatten);
  const radii = flatten(Zeff);
  if ([...blocks[0], ...blocks[1], ...radii].some((x) => typeof x !== "number")) return "#VALUE!";
  if (scalars(args) === null) return "#VALUE!";
  if (pr !== rows || pc !== columns || blocks[0].length !== rows * columns || rows * columns > 100000 ||
      radii.length > 32767) return "#NUM!";
  blocks.forEach((b, k) => new Float64Array(wasm.memory.buffer, wasm.pellux_runs(k), b.length).set(b));
  new Float64Array(wasm.memory.buffer, wasm.pellux_vector(0), radii.length).set(radii);
  if (wasm.mirror_figures(rows, columns, zr, zc, ...args) !== 0) return "#NUM!";
  return answers(21);
}

export const functions = {
  CalcMaxAbsTA: (data, ideal, tol, COC) => call("calc_max_abs_ta", [data, ideal, tol], [COC], 1),
  MinimizeMaxAbsTA: (data, ideal, tol, fittol) => call("minimize_max_abs_ta", [data, ideal, tol], [fittol], 2),
  CalcWFE: (data, ideal, tol, Zeff, Zwidth, Rcurve, COC, wvl) =>
    call("calc_wfe", [data, ideal, tol, Zeff, Zwidth], [Rcurve, COC, wvl], 1),
  MinimizeWFE: (data, ideal, tol, Zeff, Zwidth, Rcurve, wvl, fittol) =>
    call("minimize_wfe", [data, ideal, tol, Zeff, Zwidth], [Rcurve, wvl, fittol], 2),
  Vignetting: (D, N, F, L, Dstop) => call("vignetting", [], [D, N, F, L, Dstop], 1),
  WholeMirrorPV: (data, ideal, Zeff, Zwidth, Rcurve, wvl) =>
    call("whole_mirror_pv", [data, ideal, Zeff, Zwidth], [Rcurve, wvl], 2),
  WholeMirrorRMS: (data, ideal, Zeff, Zwidth, Zouter, Rcurve, wvl) =>
    call("whole_mirror_rms", [data, ideal, Zeff, Zwidth, Zouter], [Rcurve, wvl], 2),
  StrehlRatio: (RMS) => call("strehl_ratio", [], [RMS], 1),
  Correction: (data, ideal) => call("correction", [data, ideal], [], 2),
  FigureUncertainty: (data, ideal, sem, Zeff, Zwidth, Zouter, Rcurve, wvl) =>
    call("figure_uncertainty", [data, ideal, sem, Zeff, Zwidth, Zouter], [Rcurve, wvl], 4),
  MirrorFigures: mirrorFigures,
};

// A mirror record (as parseMirror gives it) through the module: the results
// by label, the zone table, and whether MinimizeWFE ended at its window.
export function reduceMirror(mirror) {
  const input = {
    millimetres: mirror.units === "mm" ? 1 : 0,
    diameter: mirror.diameter,
    radius: mirror.radius,
    wavelength_nm: mirror.wavelength,
    moving_source: mirror.tester === "moving source" ? 1 : 0,
    zone_rule: ["mean", "rms", "carlin"].indexOf(mirror.zoneRadius),
    fittol: mirror.fittol,
    coc: mirror.coc,
    reading_sigma: mirror.readingUncertainty,
    secondary: mirror.secondary,
    focal_length: mirror.focalLength ?? NaN,
    to_focus: mirror.secondaryToFocus,
    field_stop_mm: mirror.fieldStop,
    zones: mirror.zones.length,
    runs: mirror.runs,
  };
  INPUT_FIELDS.forEach((name, k) => wasm.mirror_set(k, input[name]));
  mirror.zones.forEach((z, i) => {
    wasm.mirror_zone(i, z.inner, z.outer);
    for (let k = 0; k < mirror.runs; ++k) wasm.mirror_reading(i, k, z.runs[k] ?? NaN);
  });
  if (wasm.reduce() !== 0) throw new Error("the mirror has too many zones or runs");
  const results = {};
  RESULT_LABELS.forEach((label, k) => (results[label] = plain(wasm.reduction_result(k))));
  const zones = mirror.zones.map((_, i) => {
    const row = {};
    ZONE_FIELDS.forEach((name, k) => (row[name] = plain(wasm.reduction_zone(k, i))));
    return row;
  });
  const start = { profileWaves: wasm.reduction_zone(8, -1), edge: wasm.reduction_zone(9, -1) };
  return { results, zones, start, windowEnd: wasm.reduction_result(WINDOW_END) === 1 };
}

// Two sessions' mirrors compared: each figure's change with its noise, and
// the shapes point by point; null when either does not reduce.
export function compareMirrors(before, after) {
  reduceMirror(before);
  wasm.mirror_keep();
  reduceMirror(after);
  if (wasm.compare() !== 0) return null;
  const v = (k) => plain(wasm.comparison_result(k));
  const change = (f) => ({ before: v(8 * f), after: v(8 * f + 1), beforeSpread: v(8 * f + 2), afterSpread: v(8 * f + 3),
    change: v(8 * f + 4), spread: v(8 * f + 5), real: v(8 * f + 6) === 1 });
  const points = Array.from({ length: 41 }, (_, j) => ({
    radius: v(32 + 5 * j), before: v(33 + 5 * j), after: v(34 + 5 * j), difference: v(35 + 5 * j), band: v(36 + 5 * j) }));
  return { pv: change(0), rms: change(1), strehl: change(2), correction: change(3), points };
}

// Pellux.reduce(mirrorFileText[, fileName]): the workbook's results by
// label; a file that does not read throws "NAME:LINE: why".
export function reduce(text, name = "mirror file") {
  const parsed = parseMirror(text, name);
  if (parsed.error) throw new Error(parsed.error);
  return reduceMirror(parsed.mirror).results;
}

// The last reduced mirror's Foucaultgram (knife at a reading, a source of a
// width, both in the mirror's units) or Ronchigram: size x size grey levels,
// or null.
export function foucaultgram(size, reading, sourceWidth) {
  if (wasm.sim_foucault(size, reading, sourceWidth) !== 0) return null;
  return new Uint8Array(wasm.memory.buffer, wasm.pellux_picture(), size * size).slice();
}

export function ronchigram(size, linesPerInch, offset) {
  if (wasm.sim_ronchi(size, linesPerInch, offset) !== 0) return null;
  return new Uint8Array(wasm.memory.buffer, wasm.pellux_picture(), size * size).slice();
}

// A designed mask's edges (and, for the second mask of a pair, the first's),
// or null.
export function maskDesign(r0, R, zones, edgeWidth, intermediate) {
  const openings = wasm.mask_design(r0, R, zones, edgeWidth, intermediate ? 1 : 0);
  if (openings < 1) return null;
  const read = (k, n) => Array.from(new Float64Array(wasm.memory.buffer, wasm.pellux_vector(k), n));
  return { edges: read(0, openings + 1), first: intermediate ? read(1, openings) : null };
}

// The windows of openings with these edges (mm), from the core.
export function maskWindows(edgesMm) {
  const n = edgesMm.length - 1;
  new Float64Array(wasm.memory.buffer, wasm.pellux_vector(0), edgesMm.length).set(edgesMm);
  if (wasm.mask_windows_of(n) !== 0) return [];
  const v = new Float64Array(wasm.memory.buffer, wasm.pellux_vector(1), 10 * n);
  return Array.from({ length: n }, (_, k) => {
    const o = v.subarray(10 * k, 10 * k + 10);
    return { inner: o[0], outer: o[1], y0: o[2], y1: o[3], up: o[4], outer0: o[5], outer1: o[6], inner1: o[7], inner0: o[8], innerKind: o[9] };
  });
}

// The printed mask's tiles, from the core.
export function maskTiles(extent, band, overlap, width, height) {
  if (wasm.mask_tiles(extent, band, overlap, width, height) !== 0) return null;
  const o = new Float64Array(wasm.memory.buffer, wasm.pellux_out(), 7);
  return { columns: o[0], rows: o[1], width: o[2], height: o[3], x0: o[4], y0: o[5], turned: o[6] === 1 };
}

export function suggestedZones(diameterInches) {
  return wasm.mask_suggested_zones(diameterInches);
}

// Readings from photographs: pictures [{grey, width, height, knife}] (knife
// readings in the mirror's units), zones' edges (or null and a count for
// equal-area zones to the edge) and the mirror. Answers { status, bad,
// zones: [{inner, outer, zeff, reading, spread, found}], disc }; status 0 is
// measured, 1 a bad request, 2 too few pictures, 3 a picture with no
// mirror, 4 one of another size (bad: which), 5 no zone read.
export function measurePhotos(pictures, edges, count, m) {
  if (wasm.photo_series(pictures.length) !== 0) return { status: 1 };
  for (let k = 0; k < pictures.length; ++k) {
    const p = pictures[k];
    const at = wasm.photo_picture(k, p.width, p.height, p.knife);
    if (!at) return { status: 1 };
    new Uint8Array(wasm.memory.buffer, at, p.width * p.height).set(p.grey);
  }
  const Z = 100;
  if (edges) {
    if (edges.length < 1 || edges.length > Z) return { status: 1 };
    const b = new Float64Array(wasm.memory.buffer, wasm.photo_zones(), 6 * Z + 3);
    edges.forEach((e, z) => { b[z] = e.inner; b[Z + z] = e.outer; });
    count = edges.length;
  } else if (wasm.photo_equal_area(m.diameter / 2, count) !== 0) return { status: 1 };
  const status = wasm.photo_measure(count, m.rule, m.perInch, m.diameter, m.radius, m.moving ? 1 : 0, m.wavelength,
    m.pinhole, m.fromLeft ? 1 : 0, m.angle, m.band, m.masked ? 1 : 0);
  const b = new Float64Array(wasm.memory.buffer, wasm.photo_zones(), 6 * Z + 3);
  const zones = Array.from({ length: count }, (_, z) => ({ inner: b[z], outer: b[Z + z], reading: b[2 * Z + z], spread: b[3 * Z + z], found: b[4 * Z + z] === 1, zeff: b[5 * Z + z] }));
  return { status, bad: wasm.photo_bad(), zones, disc: { x: b[6 * Z], y: b[6 * Z + 1], radius: b[6 * Z + 2] } };
}

// The balance of the ring at rho (fraction of the radius) in picture k of
// the last measured series.
export function photoBalance(k, rho) {
  return wasm.photo_balance(k, rho);
}
