// The Couder mask for the mirror typed: its zones designed by the core, drawn
// at actual size, and put into the zone table on request.
import * as pellux from "./pellux.js";
import { drawMask } from "./mask.js";
import { number } from "./mirror_file.js";

const $ = (id) => document.getElementById(id);

// The designed mask for the current diameter, or null (with the reason at
// its field).
function design(state) {
  const d = number(state.diameter.trim());
  const sane = d !== null && d > 0 && (state.units === "mm" ? d / 25.4 : d) <= 400;
  $("mask-note").textContent = sane ? "" : "Type the mirror's diameter (above 0) to see its mask.";
  if (!sane) {
    $("mask-view").innerHTML = "";
    return null;
  }
  const inches = state.units === "mm" ? d / 25.4 : d;
  const zonesInput = $("mask-zones");
  zonesInput.placeholder = String(pellux.suggestedZones(inches));
  const n = zonesInput.value.trim() === "" ? pellux.suggestedZones(inches) : number(zonesInput.value.trim());
  const r0 = number($("mask-obstruction").value.trim() || "0");
  const edgeText = $("mask-edge").value.trim();
  const edgeWidth = edgeText === "" ? 0 : number(edgeText);
  $("mask-zones-error").textContent = n === null || !Number.isInteger(n) || n < 1 || n > 100 ? "A whole number from 1 to 100." : "";
  $("mask-obstruction-error").textContent = r0 === null || r0 < 0 || r0 >= d ? "From 0 to below the diameter." : "";
  $("mask-edge-error").textContent = edgeWidth === null || edgeWidth < 0 || edgeWidth >= (d - (r0 ?? 0)) / 2 ? "Blank, or from 0 to below the radius." : "";
  if ($("mask-zones-error").textContent || $("mask-obstruction-error").textContent || $("mask-edge-error").textContent) {
    $("mask-view").innerHTML = "";
    return null;
  }
  const intermediate = $("mask-intermediate").checked;
  const made = pellux.maskDesign(r0 / 2, d / 2, n, edgeWidth, intermediate);
  if (!made) return null;
  const kind = intermediate ? `The intermediate mask of ${n} zones${edgeWidth > 0 ? " and an edge zone" : ""}: ${made.edges.length - 1} openings straddling its edges`
    : `${n} equal-area zones${zonesInput.value.trim() === "" ? " (the suggested count)" : ""}${edgeWidth > 0 ? " and an edge zone" : ""}`;
  $("mask-note").textContent = `${kind}; edges ${made.edges.map((e) => e.toFixed(state.units === "mm" ? 1 : 3)).join(", ")} ${state.units}.`;
  drawMask($("mask-view"), made.edges, d, state.units);
  return { ...made, intermediate, n };
}

// Draws the mask; `use(zones, what)` replaces the zone table when asked.
export function updateMask(state, use) {
  const made = design(state);
  $("mask-use").disabled = !made;
  if (!made) return;
  const openings = (list, mask) => list.slice(1).map((outer, i) => ({ inner: String(list[i]), outer: String(outer), runs: [], mask }));
  $("mask-use").onclick = () => {
    // A pair's zones are both masks', read in the same runs.
    const zones = made.intermediate ? [...openings(made.first, "1"), ...openings(made.edges, "2")] : openings(made.edges, "");
    use(zones, made.intermediate ? "the zones of the mask pair" : `the zones of the ${made.n}-zone mask`);
  };
}
