// "From photographs": a series of pictures of the test, decoded by the
// browser, measured by the module, shown for checking by eye, and put into
// the zone table as a run.
import { number as strictNumber } from "./mirror_file.js";
import * as pellux from "./pellux.js";
import { readingsIn } from "./state.js";
import { convertLength } from "./units.js";
import { validate } from "./validate.js";

const $ = (id) => document.getElementById(id);
const LONGEST = 1600; // a phone's picture is measured on a copy this size at most
let pictures = []; // [{name, grey, width, height}]
let measured = null; // { zones, knife, fromTable, units }
let panelUnits = null; // the units the panel's lengths are in

const number = (text) => strictNumber(String(text).trim());

// Grey levels of a picture file, its EXIF orientation honoured, reduced so
// that its longer side is at most LONGEST pixels.
async function decode(file) {
  const bitmap = await createImageBitmap(file, { imageOrientation: "from-image" });
  const scale = Math.min(1, LONGEST / Math.max(bitmap.width, bitmap.height));
  const width = Math.max(1, Math.round(bitmap.width * scale)), height = Math.max(1, Math.round(bitmap.height * scale));
  const canvas = document.createElement("canvas");
  canvas.width = width;
  canvas.height = height;
  const ctx = canvas.getContext("2d", { willReadFrequently: true });
  ctx.drawImage(bitmap, 0, 0, width, height);
  const rgba = ctx.getImageData(0, 0, width, height).data;
  const grey = new Uint8Array(width * height);
  for (let i = 0; i < grey.length; ++i) grey[i] = (77 * rgba[4 * i] + 150 * rgba[4 * i + 1] + 29 * rgba[4 * i + 2] + 128) >> 8;
  return { name: file.name, grey, width, height };
}

// Each picture's knife reading: a list, or a first reading and a step; a
// message when they do not fit the pictures.
function knifeReadings() {
  const list = $("photo-list").value.trim();
  if (list !== "") {
    const values = list.split(/[,;\s]+/).filter((t) => t !== "").map(number);
    if (values.some((v) => v === null)) return "The knife readings must be numbers.";
    if (values.length !== pictures.length) return `${values.length} knife readings for ${pictures.length} pictures: give one a picture.`;
    if (values.every((v) => v === values[0])) return "The knife readings are all the same: move the knife between pictures.";
    return values;
  }
  const start = number($("photo-start").value), step = number($("photo-step").value);
  if (start === null || step === null || step === 0) return "Give the first knife reading and the step (not 0), or one reading a picture.";
  return pictures.map((_, k) => start + k * step);
}

function drawFirst(disc, zones, diameter) {
  const canvas = $("photo-first"), ctx = canvas.getContext("2d");
  const p = pictures[0];
  const scale = Math.min(canvas.width / p.width, canvas.height / p.height);
  const image = new ImageData(p.width, p.height);
  for (let i = 0; i < p.grey.length; ++i) {
    image.data[4 * i] = image.data[4 * i + 1] = image.data[4 * i + 2] = p.grey[i];
    image.data[4 * i + 3] = 255;
  }
  const full = document.createElement("canvas");
  full.width = p.width;
  full.height = p.height;
  full.getContext("2d").putImageData(image, 0, 0);
  ctx.clearRect(0, 0, canvas.width, canvas.height);
  ctx.drawImage(full, 0, 0, p.width * scale, p.height * scale);
  const ring = (r, colour) => {
    ctx.strokeStyle = colour;
    ctx.beginPath();
    ctx.arc(disc.x * scale, disc.y * scale, r * scale, 0, 2 * Math.PI);
    ctx.stroke();
  };
  ring(disc.radius, "#d00");
  for (const z of zones) ring((disc.radius * z.zeff) / (diameter / 2), "#3070ff");
}

function drawPlot(zones, knife, diameter) {
  const canvas = $("photo-plot"), ctx = canvas.getContext("2d");
  const w = canvas.width, h = canvas.height, lo = Math.min(...knife), hi = Math.max(...knife);
  const x = (k) => 10 + ((k - lo) / (hi - lo || 1)) * (w - 20), y = (b) => h / 2 - b * (h / 2 - 10);
  ctx.clearRect(0, 0, w, h);
  ctx.strokeStyle = "#888";
  ctx.beginPath();
  ctx.moveTo(10, h / 2);
  ctx.lineTo(w - 10, h / 2);
  ctx.stroke();
  zones.forEach((z, n) => {
    const rho = z.zeff / (diameter / 2);
    ctx.strokeStyle = `hsl(${230 - (130 * n) / Math.max(1, zones.length - 1)}, 70%, 45%)`;
    ctx.beginPath();
    knife.forEach((k, i) => (i ? ctx.lineTo : ctx.moveTo).call(ctx, x(k), y(pellux.photoBalance(i, rho))));
    ctx.stroke();
    if (z.found) {
      ctx.fillStyle = "#d00";
      ctx.fillRect(x(z.reading) - 2, h / 2 - 2, 4, 4);
    }
  });
}

function showTable(zones, units) {
  const digits = units === "mm" ? 4 : 5;
  const body = $("photo-table").querySelector("tbody");
  body.innerHTML = "";
  zones.forEach((z, n) => {
    const row = document.createElement("tr");
    const cells = [String(n + 1), z.inner.toFixed(digits - 2), z.outer.toFixed(digits - 2), z.zeff.toFixed(digits - 2),
      z.found ? z.reading.toFixed(digits) : "no reading", z.found ? z.spread.toPrecision(2) : "the series does not reach its null"];
    cells.forEach((c, k) => {
      const td = document.createElement("td");
      td.textContent = c;
      if (k === 4 && z.found) td.dataset.value = String(z.reading);
      row.appendChild(td);
    });
    body.appendChild(row);
  });
  $("photo-table").hidden = false;
}

const WHY = ["", "The request cannot be measured: check the mirror's fields and the pictures.", "Give three pictures at least.",
  "no mirror found in it.", "its mirror is more than 5 % larger or smaller than in the others.",
  "No zone's null lies within the knife readings: move the knife across the nulls.", "",
  "The knife never crossed the outer zones' nulls, so its shadow cannot be told from the lighting: carry the knife across every zone's null."];

// mirror(): the mirror as numbers ({units, diameter, radius, moving,
// wavelength, rule, zones: [{inner, outer}]}) or a message; use(result):
// puts the readings into the zone table.
function measure(mirror) {
  const note = $("photo-note");
  $("photo-use").hidden = true;
  $("photo-table").hidden = true;
  $("photo-views").hidden = true;
  measured = null;
  const m = mirror();
  if (typeof m === "string") return (note.textContent = m);
  if (pictures.length === 0) return (note.textContent = "Choose the pictures first.");
  const knife = knifeReadings();
  if (typeof knife === "string") return (note.textContent = knife);
  const fromTable = $("photo-zone-source").value === "table";
  const count = number($("photo-zones").value);
  if (!fromTable && !(Number.isInteger(count) && count >= 1 && count <= 100)) return (note.textContent = "Zones: a whole number from 1 to 100.");
  if (fromTable && !m.zones.length) return (note.textContent = "The zone table has no whole zones (inner and outer edges) to measure.");
  const angle = number($("photo-angle").value), band = number($("photo-band").value), pinhole = number($("photo-pinhole").value);
  if (angle === null || band === null || !(band > 0 && band <= 90) || pinhole === null || pinhole < 0)
    return (note.textContent = "The camera's turn a number, the band above 0° and at most 90°, the source width 0 or more.");
  const t0 = performance.now();
  const r = pellux.measurePhotos(pictures.map((p, k) => ({ ...p, knife: knife[k] })), fromTable ? m.zones : null, count,
    { ...m, perInch: m.units === "mm" ? 25.4 : 1, pinhole, fromLeft: $("photo-side").value === "left", angle, band,
      masked: $("photo-masked").checked });
  if (r.status !== 0 && r.status !== 6) {
    const masked = $("photo-masked").checked;
    note.textContent = r.status === 3 || r.status === 4 ? `${pictures[r.bad].name}: ${WHY[r.status]}` : WHY[r.status];
    if (r.status === 3 && !masked) note.textContent += " Through a Couder mask? Tick it.";
    return;
  }
  measured = { zones: r.zones, knife, fromTable, units: m.units };
  const read = r.zones.filter((z) => z.found).length;
  note.textContent = `${read} of ${r.zones.length} zones read from ${pictures.length} pictures in ${((performance.now() - t0) / 1000).toFixed(1)} s. Check the circle and the nulls by eye.`;
  if (r.status === 6) note.textContent += " Too few zones read to simulate the mirror: these readings are not corrected for diffraction, which moves them by up to 0.01 in.";
  note.dataset.ms = String(performance.now() - t0);
  showTable(r.zones, m.units);
  $("photo-views").hidden = false;
  drawFirst(r.disc, r.zones, m.diameter);
  drawPlot(r.zones, knife, m.diameter);
  $("photo-use").hidden = read === 0;
}

// A change of units converts the panel's lengths as it does the mirror's:
// the knife readings typed, a source width typed, and a measured series,
// so that its readings go into the converted zone table as they should.
// An untyped source width is the units' own (a 0.1 mm or 0.004 in pinhole).
export function photoUnits(units) {
  const pin = $("photo-pinhole");
  if (panelUnits !== null && panelUnits !== units) {
    for (const id of ["photo-start", "photo-step"]) $(id).value = convertLength($(id).value, units);
    const list = $("photo-list").value.trim();
    if (list !== "") $("photo-list").value = list.split(/[,;\s]+/).map((t) => convertLength(t, units)).join(", ");
    if (pin.dataset.typed === "1") pin.value = convertLength(pin.value, units);
    if (measured) {
      const k = units === "mm" ? 25.4 : 1 / 25.4;
      measured.zones = measured.zones.map((z) => ({ ...z, inner: z.inner * k, outer: z.outer * k, zeff: z.zeff * k,
        reading: z.reading * k, spread: z.spread * k }));
      measured.knife = measured.knife.map((x) => x * k);
      measured.units = units;
      showTable(measured.zones, units);
    }
  }
  panelUnits = units;
  if (pin.dataset.typed !== "1") pin.value = units === "mm" ? "0.1" : "0.004";
}

export function wirePhotos(mirror, use) {
  $("photo-pinhole").addEventListener("input", () => ($("photo-pinhole").dataset.typed = "1"));
  // A column pasted from a spreadsheet: a line a reading, which a one-line
  // field would run together.
  $("photo-list").addEventListener("paste", (e) => {
    const text = e.clipboardData.getData("text");
    if (!/[\r\n\t]/.test(text.trim())) return;
    e.preventDefault();
    const field = $("photo-list");
    field.setRangeText(text.trim().split(/\s+/).join(", "), field.selectionStart, field.selectionEnd, "end");
  });
  $("photo-files").addEventListener("change", async (event) => {
    const files = [...event.target.files];
    const note = $("photo-note");
    pictures = [];
    measured = null;
    $("photo-use").hidden = true;
    note.textContent = `Reading ${files.length} pictures…`;
    const read = [];
    for (const f of files) {
      try {
        read.push(await decode(f));
      } catch (e) {
        note.textContent = `${f.name}: not a picture this browser can read.`;
        return;
      }
    }
    pictures = read;
    note.textContent = `${pictures.length} pictures chosen. Give the knife readings and measure.`;
  });
  $("photo-measure").addEventListener("click", () => measure(mirror));
  $("photo-use").addEventListener("click", () => measured && use(measured));
}

// The mirror in hand as numbers for measuring pictures, or what to fix first.
export function photoMirror(state) {
  const v = validate(state);
  if (["diameter", "radius", "wavelength"].some((f) => v.errors[f])) return "Fix the mirror's fields marked in red first: the pictures are measured on that mirror.";
  const m = v.mirror;
  const zones = m.zones.filter((z) => z.inner !== null && z.outer !== null && z.outer > z.inner && z.inner >= 0 && z.outer <= m.diameter / 2);
  return { units: m.units, diameter: m.diameter, radius: m.radius, wavelength: m.wavelength, moving: m.tester === "moving source",
    rule: ["mean", "rms", "carlin"].indexOf(m.zoneRadius), zones };
}

// What a measured series does to the zone table: another run when the
// table holds the same zones, else the table replaced by the series' zones
// (asked first when readings would go). { error } or { what, said,
// question, change(state) }.
export function photoPlan(state, r) {
  const text = (x, digits) => String(Number(x.toPrecision(digits)));
  const same = state.zones.length === r.zones.length && r.zones.every((z, k) =>
    Math.abs(Number(state.zones[k].inner) - z.inner) < 1e-9 && Math.abs(Number(state.zones[k].outer) - z.outer) < 1e-9);
  if (same) {
    let run = 0;
    while (run < state.runs && state.zones.some((z) => (z.runs[run] ?? "").trim() !== "")) ++run;
    if (run >= 10) return { error: "The zone table holds 10 runs already: start a new session for more." };
    return { what: "the photographs' run", said: `Run ${run + 1} now holds the photographs' readings.`, question: null,
      change: (s) => {
        s.runs = Math.max(s.runs, run + 1);
        s.zones.forEach((z, k) => {
          while (z.runs.length < s.runs) z.runs.push("");
          z.runs[run] = r.zones[k].found ? text(r.zones[k].reading, 8) : "";
        });
      } };
  }
  const zones = r.zones.map((z) => ({ inner: text(z.inner, 12), outer: text(z.outer, 12), runs: [z.found ? text(z.reading, 8) : ""], mask: "" }));
  const n = readingsIn(state);
  return { what: "the zone table", said: "The zone table now holds the photographs' zones and their readings as run 1.",
    question: n ? `Replace the zone table with the photographs' ${zones.length} zones? Its ${n} readings go (you can undo).` : null,
    change: (s) => {
      s.zones = zones;
      s.runs = 1;
    } };
}
