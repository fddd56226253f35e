// The results: verdicts with their probabilities, what the readings cannot
// see, and every figure with its label, in the mirror's own units.
import { cocText } from "./units.js";

const $ = (id) => document.getElementById(id);
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

function verdicts(red, mirror) {
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
    if (pq > 0.05 && pq < 0.95) v += `<div class="warn">A retest could land on the other side of 1/4 wave: take more runs.</div>`;
  } else v += `<div class="warn">Verdict: check inputs</div>`;
  if (Number.isFinite(ta)) v += verdict(`Verdict (at most 1 tolerance): ${ta <= 1 ? "within" : "outside"} the Millies-Lacroix tolerance`, ta <= 1);
  if (red.windowEnd)
    v += `<div class="warn">At an end of MinimizeWFE's search window: its P-V is not the mirror's, not even an upper bound. Judge the mirror by the whole-mirror figures.</div>`;
  return v + blindSpots(r, mirror);
}

// Labels with the unit each is shown in: null a fraction of a wave, "coc" a
// centre of curvature as a reading, "length" the mirror's unit, "loss" the
// light lost as a positive number of magnitudes.
function groups(mirror) {
  const unit = mirror.units;
  return [
    ["The whole mirror, from the centre to the edge", [
      ["Peak-to-valley wavefront error, whole mirror (waves)", "waves"], ["As a fraction of a wave", null],
      ["P-V less the noise's bias (waves)", "waves"], ["Centre of curvature of the least P-V", "coc"],
      ["RMS wavefront error (waves)", "waves"], ["Centre of curvature of the least RMS", "coc"], ["Strehl ratio", ""],
      ["Strehl ratio less the noise's bias", ""], ["RMS surface error (nm)", "nm"], ["Peak-to-valley surface error (nm)", "nm"],
      ["Correction (%)", "%"], ["Best-fit conic constant", ""]]],
    ["Uncertainty: how much each figure would scatter if you tested again", [
      ["Peak-to-valley wavefront error uncertainty (waves)", "waves"], ["RMS wavefront error uncertainty (waves)", "waves"],
      ["Strehl ratio uncertainty", ""], ["Correction uncertainty (%)", "%"], ["Scatter of one reading", unit]]],
    ["Best fit for the transverse aberration (MinimizeMaxAbsTA)", [
      ["Best centre of curvature", "coc"], ["Largest |TA| there", "tolerances"], ["That centre of curvature as a reading", unit]]],
    ["MinimizeWFE: the zones' points only, within its search window", [
      ["Its centre of curvature", "coc"], ["Zonal peak-to-valley, without the centre", "waves"],
      ["Its search window: from", "coc"], ["to", "coc"]]],
    ["At your centre of curvature (CalcMaxAbsTA, CalcWFE)", [["Largest |TA|", "tolerances"], ["Zonal peak-to-valley (CalcWFE)", "waves"]]],
    ["Newtonian (Vignetting)", [["Light loss at the edge of the field", "loss"], ["Light reaching the edge of the field", ""]]],
    ["The charted wavefront profile", [["Its peak-to-valley", "waves"]]],
  ];
}

function shown(x, unit, mirror) {
  if (unit === "coc") return cocText(x, mirror);
  if (unit === "loss") return Number.isFinite(x) ? `${fmt(-x === 0 ? 0 : -x)} magnitudes` : "check inputs";
  return fmt(x) + (unit && Number.isFinite(x) ? ` ${unit}` : "");
}

export function renderResults(red, mirror) {
  const r = red.results;
  $("verdicts").innerHTML = verdicts(red, mirror);
  const dl = $("figures");
  dl.innerHTML = "";
  for (const [head, rows] of groups(mirror)) {
    const dt = document.createElement("dt");
    dt.className = "head";
    dt.textContent = head;
    dl.appendChild(dt);
    for (const [label, unit] of rows) {
      const name = document.createElement("dt");
      name.textContent = label;
      const dd = document.createElement("dd");
      if (unit === null) dd.textContent = fraction(r["Peak-to-valley wavefront error, whole mirror (waves)"]);
      else {
        dd.dataset.label = label;
        dd.dataset.value = String(r[label]);
        dd.textContent = shown(r[label], unit, mirror);
      }
      dl.appendChild(name);
      dl.appendChild(dd);
    }
  }
}

export function clearResults(why) {
  $("results-note").textContent = why;
  $("verdicts").innerHTML = "";
  $("figures").innerHTML = "";
}
