// The page: collects what is typed, hands it to the module, shows the
// results. What was typed is kept as typed (and in local storage), so a bad
// entry loses nothing; it is marked at its field and nothing is computed
// from it.
import * as pellux from "./pellux.js";
import { drawCharts } from "./charts.js";
import { clearMirror, showMirror, wireSee } from "./see.js";
import { drawMask } from "./mask.js";
import { defaultReadingUncertainty, number, parseMirror, writeMirror } from "./mirror_file.js";
import EXAMPLE from "../../tools/reduction/examples/example.csv";

const NUMBER_FIELDS = ["diameter", "radius", "wavelength", "readingUncertainty", "fittol", "coc",
  "secondary", "focalLength", "secondaryToFocus", "fieldStop"];
const CHOICE_FIELDS = ["units", "tester", "zoneRadius"];
const STORE = "pellux.mirror";
const $ = (id) => document.getElementById(id);

let state = null; // everything as typed: texts, not numbers

function stateFromMirror(m) {
  const text = (x) => (x === null || x === undefined ? "" : String(x));
  const s = { runs: m.runs, zones: m.zones.map((z) => ({ inner: text(z.inner), outer: text(z.outer), runs: z.runs.map(text), mask: z.mask || "" })) };
  for (const f of NUMBER_FIELDS) s[f] = text(m[f]);
  for (const f of CHOICE_FIELDS) s[f] = m[f];
  return s;
}

function loadExample() {
  return stateFromMirror(parseMirror(EXAMPLE, "example.csv").mirror);
}

// ------------------------------------------------------------------ the form

function unitLabels() {
  document.querySelectorAll("[data-unit]").forEach((e) => (e.textContent = state.units));
}

function zoneTable() {
  const t = $("zone-table");
  const head = ["Zone", "Inner", "Outer", ...Array.from({ length: state.runs }, (_, k) => `Run ${k + 1}`), ""];
  t.innerHTML = "<thead><tr>" + head.map((h) => `<th>${h}</th>`).join("") + "</tr></thead>";
  const body = document.createElement("tbody");
  state.zones.forEach((z, i) => {
    const tr = document.createElement("tr");
    tr.innerHTML = `<td class="no">${i + 1}</td>`;
    const cells = [z.inner, z.outer, ...Array.from({ length: state.runs }, (_, k) => z.runs[k] ?? "")];
    cells.forEach((v, c) => {
      const td = document.createElement("td");
      const input = document.createElement("input");
      input.value = v;
      input.inputMode = "decimal";
      input.dataset.row = i;
      input.dataset.col = c;
      input.setAttribute("aria-label", `zone ${i + 1}, ${head[c + 1].toLowerCase()}`);
      td.appendChild(input);
      tr.appendChild(td);
    });
    const note = document.createElement("td");
    note.className = "row-error";
    tr.appendChild(note);
    body.appendChild(tr);
  });
  t.appendChild(body);
  const runs = $("runs");
  runs.innerHTML = Array.from({ length: 10 }, (_, k) => `<option>${k + 1}</option>`).join("");
  runs.value = String(state.runs);
}

function fillForm() {
  for (const f of [...NUMBER_FIELDS, ...CHOICE_FIELDS]) $(f).value = state[f];
  unitLabels();
  zoneTable();
}

function readCell(input) {
  const z = state.zones[+input.dataset.row];
  const c = +input.dataset.col;
  if (c === 0) z.inner = input.value;
  else if (c === 1) z.outer = input.value;
  else z.runs[c - 2] = input.value;
}

// ------------------------------------------------------------- validation

// The mirror as numbers, with a message for each field or zone that is not.
function validate(s) {
  const errors = {};
  const rows = {};
  const value = (field, optional) => {
    const text = s[field].trim();
    if (text === "" && optional) return null;
    const x = number(text);
    if (x === null) errors[field] = text === "" ? "Required." : /\d,\d/.test(text) ? "Not a number: use a decimal point, not a comma." : "Not a number.";
    return x;
  };
  const m = { runs: s.runs, zones: [] };
  for (const f of NUMBER_FIELDS) m[f] = value(f, f === "focalLength");
  for (const f of CHOICE_FIELDS) m[f] = s[f];
  // Each mask's openings follow each other outward; two masks' may overlap.
  const previous = new Map();
  s.zones.forEach((z, i) => {
    const mask = typeof z.mask === "string" ? z.mask : "";
    const inner = number(z.inner.trim()), outer = number(z.outer.trim());
    const runs = [];
    const problems = [];
    if (inner === null || outer === null) problems.push("radii must be numbers");
    else if (!(outer > inner) || inner < 0 || (previous.has(mask) && inner < previous.get(mask))) problems.push("edges do not increase");
    for (let k = 0; k < s.runs; ++k) {
      const text = (z.runs[k] ?? "").trim();
      if (text === "") runs.push(null);
      else {
        const x = number(text);
        if (x === null) problems.push(`run ${k + 1}: not a number`);
        runs.push(x);
      }
    }
    if (!problems.length && runs.every((r) => r === null)) problems.push("no reading");
    if (problems.length) rows[i] = `zone ${i + 1}: ${problems.join("; ")}`;
    previous.set(mask, outer);
    m.zones.push({ inner, outer, runs, mask });
  });
  if (s.zones.length < 2) errors.zones = "At least 2 zones.";
  return { mirror: m, errors, rows };
}

function showErrors(v) {
  for (const f of NUMBER_FIELDS) $(`${f}-error`).textContent = v.errors[f] || "";
  document.querySelectorAll("#zone-table tbody tr").forEach((tr, i) => {
    tr.classList.toggle("bad", !!v.rows[i]);
    tr.lastChild.textContent = v.rows[i] || "";
  });
}

// ------------------------------------------------------------------ results

const fmt = (x, digits = 4) => (Number.isFinite(x) ? Number(x.toPrecision(digits)).toString() : "check inputs");

function fraction(pv) {
  if (!Number.isFinite(pv)) return "check inputs";
  if (pv <= 0) return "no error";
  return pv < 1 ? `1/${(1 / pv).toFixed(1 / pv >= 100 ? 0 : 1)} wave` : `${pv.toFixed(2)} waves`;
}

function verdict(text, good) {
  return `<div class="${good ? "good" : "poor"}">${text}</div>`;
}

// A probability of at least one half, as the verdicts say it.
function chance(p) {
  return p > 0.99 ? "above 0.99" : p.toFixed(2);
}

// What the readings cannot see, in the mirror's own units.
function blindSpots(r, mirror) {
  const perInch = mirror.units === "mm" ? 25.4 : 1, digits = perInch === 1 ? 2 : 1;
  const len = (inches) => `${(inches * perInch).toFixed(digits)} ${mirror.units}`;
  const first = r["First effective radius (in)"], last = r["Last effective radius (in)"];
  const edge = r["Unmeasured band at the edge (fraction of the radius)"];
  const centre = r["The innermost zone's part of the P-V"];
  if (!Number.isFinite(first)) return "";
  let v = `<div>The readings cover the radii from ${len(first)} to ${len(last)}.</div>`;
  if (edge > 0.02)
    v += `<div class="warn">The outer ${(edge * 100).toFixed(1)} % of the radius (${len(edge * mirror.diameter / 2 / perInch)}) is not measured: a turned edge there would not show. Add a narrow edge zone.</div>`;
  if (centre > 0.5)
    v += `<div class="warn">The innermost zone carries ${(centre * 100).toFixed(0)} % of the P-V: one reading cannot tell a hill's shape. Test the centre again with a narrower opening.</div>`;
  return v;
}

function renderResults(red, mirror) {
  const r = red.results;
  const pv = r["Peak-to-valley wavefront error, whole mirror (waves)"];
  const ta = r["Largest |TA| there"];
  const pq = r["Probability within 1/4 wave"], ps = r["Probability of a Strehl ratio of 0.8 or more"];
  let v = "";
  if (Number.isFinite(pv) && Number.isFinite(pq)) {
    const within = pq >= 0.5;
    v += verdict(`Verdict (Rayleigh: at most 1/4 wave): ${within ? "within" : "beyond"} 1/4 wave (probability ${chance(within ? pq : 1 - pq)})`, within);
    const good = ps >= 0.5;
    v += verdict(`Verdict (Strehl ratio): ${good ? "at least" : "below"} 0.8 (probability ${chance(good ? ps : 1 - ps)})`, good);
    if (pq > 0.05 && pq < 0.95)
      v += `<div class="warn">A retest could land on the other side of 1/4 wave: take more runs.</div>`;
  } else v += `<div class="warn">Verdict: check inputs</div>`;
  if (Number.isFinite(ta)) v += verdict(`Verdict (at most 1 tolerance): ${ta <= 1 ? "within" : "outside"} the Millies-Lacroix tolerance`, ta <= 1);
  if (red.windowEnd)
    v += `<div class="warn">At an end of MinimizeWFE's search window: its P-V is not the mirror's, not even an upper bound. Judge the mirror by the whole-mirror figures.</div>`;
  v += blindSpots(r, mirror);
  $("verdicts").innerHTML = v;

  const unit = mirror.units;
  const groups = [
    ["The whole mirror, from the centre to the edge", [
      ["Peak-to-valley wavefront error, whole mirror (waves)", "waves"],
      ["As a fraction of a wave", null],
      ["P-V less the noise's bias (waves)", "waves"],
      ["Centre of curvature of the least P-V", "mils"],
      ["RMS wavefront error (waves)", "waves"],
      ["Centre of curvature of the least RMS", "mils"],
      ["Strehl ratio", ""],
      ["Strehl ratio less the noise's bias", ""],
      ["RMS surface error (nm)", "nm"],
      ["Peak-to-valley surface error (nm)", "nm"],
      ["Correction (%)", "%"],
      ["Best-fit conic constant", ""]]],
    ["Uncertainty: how much each figure would scatter if you tested again", [
      ["Peak-to-valley wavefront error uncertainty (waves)", "waves"],
      ["RMS wavefront error uncertainty (waves)", "waves"],
      ["Strehl ratio uncertainty", ""],
      ["Correction uncertainty (%)", "%"],
      ["Scatter of one reading", mirror.units]]],
    ["Best fit for the transverse aberration (MinimizeMaxAbsTA)", [
      ["Best centre of curvature", "mils"], ["Largest |TA| there", "tolerances"],
      ["That centre of curvature as a reading", unit]]],
    ["MinimizeWFE: the zones' points only, within its search window", [
      ["Its centre of curvature", "mils"], ["Zonal peak-to-valley, without the centre", "waves"],
      ["Its search window: from", "mils"], ["to", "mils"]]],
    ["At your centre of curvature (CalcMaxAbsTA, CalcWFE)", [
      ["Largest |TA|", "tolerances"], ["Zonal peak-to-valley (CalcWFE)", "waves"]]],
    ["Newtonian (Vignetting)", [
      ["Light loss at the edge of the field", "magnitudes"], ["Light reaching the edge of the field", ""]]],
    ["The charted wavefront profile", [["Its peak-to-valley", "waves"]]],
  ];
  const dl = $("figures");
  dl.innerHTML = "";
  for (const [head, rows] of groups) {
    const dt = document.createElement("dt");
    dt.className = "head";
    dt.textContent = head;
    dl.appendChild(dt);
    for (const [label, u] of rows) {
      const name = document.createElement("dt");
      name.textContent = label;
      const dd = document.createElement("dd");
      if (u === null) dd.textContent = fraction(pv);
      else {
        const x = r[label];
        dd.dataset.label = label;
        dd.dataset.value = String(x);
        dd.textContent = fmt(x) + (u && Number.isFinite(x) ? ` ${u}` : "");
      }
      dl.appendChild(name);
      dl.appendChild(dd);
    }
  }
}

function recompute() {
  localStorage.setItem(STORE, JSON.stringify(state));
  unitLabels();
  const v = validate(state);
  showErrors(v);
  const bad = Object.keys(v.errors).length || Object.keys(v.rows).length;
  if (bad) {
    $("results-note").textContent = "Nothing is computed until the fields marked in red are numbers" +
      (v.errors.zones ? ", and there are at least 2 zones." : ".");
    $("verdicts").innerHTML = "";
    $("figures").innerHTML = "";
    clearMirror();
    return;
  }
  $("results-note").textContent = "";
  const m = v.mirror;
  const red = pellux.reduceMirror(m);
  renderResults(red, m);
  drawCharts(red, m);
  // Each zone's mean reading, in the mirror's units, as a stop of the knife.
  const factor = m.tester === "moving source" ? 2 : 1, perInch = m.units === "mm" ? 25.4 : 1;
  showMirror(m, red.zones.map((z) => (z.reading / 1000 / factor) * perInch));
  updateMask();
}

// ----------------------------------------------------------------- the mask

function updateMask() {
  const d = number(state.diameter.trim());
  if (d === null || !(d > 0)) return;
  const inches = state.units === "mm" ? d / 25.4 : d;
  const zonesInput = $("mask-zones");
  if (zonesInput.value.trim() === "") zonesInput.placeholder = String(pellux.suggestedZones(inches));
  const n = zonesInput.value.trim() === "" ? pellux.suggestedZones(inches) : number(zonesInput.value.trim());
  const r0 = number($("mask-obstruction").value.trim() || "0");
  $("mask-zones-error").textContent = n === null || !Number.isInteger(n) || n < 1 || n > 100 ? "A whole number from 1 to 100." : "";
  $("mask-obstruction-error").textContent = r0 === null || r0 < 0 || r0 >= d ? "From 0 to below the diameter." : "";
  if ($("mask-zones-error").textContent || $("mask-obstruction-error").textContent) return;
  const edgeText = $("mask-edge").value.trim();
  const edgeWidth = edgeText === "" ? 0 : number(edgeText);
  $("mask-edge-error").textContent = edgeWidth === null || edgeWidth < 0 || edgeWidth >= (d - r0) / 2 ? "Blank, or from 0 to below the radius." : "";
  if ($("mask-edge-error").textContent) return;
  const intermediate = $("mask-intermediate").checked;
  const design = pellux.maskDesign(r0 / 2, d / 2, n, edgeWidth, intermediate);
  if (!design) return;
  const edges = design.edges;
  const kind = intermediate ? `The intermediate mask of ${n} zones${edgeWidth > 0 ? " and an edge zone" : ""}: ${edges.length - 1} openings straddling its edges`
    : `${n} equal-area zones${zonesInput.value.trim() === "" ? " (the suggested count)" : ""}${edgeWidth > 0 ? " and an edge zone" : ""}`;
  $("mask-note").textContent = `${kind}; edges ${edges.map((e) => e.toFixed(state.units === "mm" ? 1 : 3)).join(", ")} ${state.units}.`;
  drawMask($("mask-view"), edges, d, state.units);
  const openings = (list, mask) => list.slice(1).map((outer, i) => ({ inner: String(list[i]), outer: String(outer), runs: [], mask }));
  $("mask-use").onclick = () => {
    // A pair's zones are both masks', read in the same runs.
    state.zones = intermediate ? [...openings(design.first, "1"), ...openings(edges, "2")]
      : edges.slice(1).map((outer, i) => ({ inner: String(edges[i]), outer: String(outer), runs: state.zones[i]?.runs ?? [] }));
    zoneTable();
    recompute();
  };
}

// ----------------------------------------------------------------- events

function download(name, text, type) {
  const a = document.createElement("a");
  a.href = URL.createObjectURL(new Blob([text], { type }));
  a.download = name;
  document.body.appendChild(a);
  a.click();
  a.remove();
}

function paste(event) {
  const target = event.target;
  if (!target.dataset || target.dataset.row === undefined) return;
  const text = (event.clipboardData || window.clipboardData).getData("text");
  if (!text.includes("\t") && !text.includes("\n")) return;
  event.preventDefault();
  const rows = text.replace(/\r/g, "").replace(/\n$/, "").split("\n").map((l) => l.split("\t"));
  const row0 = +target.dataset.row, col0 = +target.dataset.col;
  rows.forEach((cells, r) => {
    const i = row0 + r;
    while (state.zones.length <= i && state.zones.length < 100) state.zones.push({ inner: "", outer: "", runs: [] });
    if (i >= state.zones.length) return;
    cells.forEach((v, c) => {
      const col = col0 + c;
      if (col === 0) state.zones[i].inner = v.trim();
      else if (col === 1) state.zones[i].outer = v.trim();
      else if (col - 2 < 10) {
        state.zones[i].runs[col - 2] = v.trim();
        state.runs = Math.max(state.runs, col - 1);
      }
    });
  });
  zoneTable();
  recompute();
}

function openFile(file) {
  file.text().then((text) => {
    const parsed = parseMirror(text, file.name);
    if (parsed.error) {
      $("file-error").textContent = parsed.error;
      return;
    }
    $("file-error").textContent = "";
    state = stateFromMirror(parsed.mirror);
    fillForm();
    recompute();
  });
}

function wire() {
  for (const f of [...NUMBER_FIELDS, ...CHOICE_FIELDS])
    $(f).addEventListener("input", () => {
      state[f] = $(f).value;
      if (f === "units" && state.readingUncertainty.trim() === "") state.readingUncertainty = String(defaultReadingUncertainty(state.units));
      recompute();
    });
  $("zone-table").addEventListener("input", (e) => {
    if (e.target.dataset.row === undefined) return;
    readCell(e.target);
    recompute();
  });
  $("zone-table").addEventListener("paste", paste);
  $("add-zone").onclick = () => {
    if (state.zones.length >= 100) return;
    const last = state.zones[state.zones.length - 1];
    state.zones.push({ inner: last ? last.outer : "0", outer: "", runs: [] });
    zoneTable();
    recompute();
  };
  $("remove-zone").onclick = () => {
    if (state.zones.length > 1) state.zones.pop();
    zoneTable();
    recompute();
  };
  $("runs").onchange = () => {
    state.runs = +$("runs").value;
    zoneTable();
    recompute();
  };
  $("open").addEventListener("change", (e) => e.target.files[0] && openFile(e.target.files[0]));
  $("save").onclick = () => {
    const v = validate(state);
    if (Object.keys(v.errors).length || Object.keys(v.rows).length) {
      $("file-error").textContent = "Fix the fields marked in red first.";
      return;
    }
    $("file-error").textContent = "";
    download("mirror.csv", writeMirror(v.mirror), "text/csv");
  };
  $("example").onclick = () => {
    state = loadExample();
    fillForm();
    recompute();
  };
  for (const id of ["mask-zones", "mask-obstruction", "mask-edge", "mask-intermediate"]) $(id).addEventListener("input", updateMask);
  wireSee();
  $("mask-svg").onclick = () => download("couder-mask.svg", $("mask-view").innerHTML, "image/svg+xml");
}

async function start() {
  await pellux.load(window.PELLUX_WASM);
  window.Pellux = { ...pellux.functions, reduce: pellux.reduce, version: window.PELLUX_VERSION };
  $("version").textContent = `Version ${window.PELLUX_VERSION}.`;
  try {
    state = JSON.parse(localStorage.getItem(STORE));
  } catch (e) {
    state = null;
  }
  if (!state || !Array.isArray(state.zones)) state = loadExample();
  fillForm();
  wire();
  recompute();
  document.body.dataset.ready = "true";
}

start();
