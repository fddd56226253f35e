// The Couder mask for the mirror typed: its zones designed by the core, drawn
// at actual size, and put into the zone table on request.
import * as pellux from "./pellux.js";
import { drawMask, maskSheets, maskSvg } from "./mask.js";
import { number } from "./mirror_file.js";

const $ = (id) => document.getElementById(id);

// The designed mask for the current diameter, or null (with the reason at
// its field).
function design(state) {
  const d = number(state.diameter.trim());
  // Absurd diameters (a slip of units, a stray digit) get no mask.
  const inches = d === null ? 0 : state.units === "mm" ? d / 25.4 : d;
  const sane = d !== null && inches >= 0.5 && inches <= 100;
  $("mask-note").textContent = sane ? "" : "Type the mirror's diameter (from 0.5 to 100 in, 13 to 2540 mm) to see its mask.";
  if (!sane) {
    $("mask-view").innerHTML = "";
    return null;
  }
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
const PAPERS = { a4: { width: 210, height: 297, name: "A4" }, letter: { width: 215.9, height: 279.4, name: "Letter" } };

export function updateMask(state, use) {
  const made = design(state);
  for (const id of ["mask-use", "mask-print", "mask-svg"]) $(id).disabled = !made;
  if (!made) return;
  const d = number(state.diameter.trim());
  const title = `Couder mask: ${d} ${state.units} mirror, ${made.edges.length - 1} openings`;
  $("mask-svg").onclick = () => {
    const a = document.createElement("a");
    a.href = URL.createObjectURL(new Blob([maskSvg(made.edges, d, state.units)], { type: "image/svg+xml" }));
    a.download = "couder-mask.svg";
    document.body.appendChild(a);
    a.click();
    a.remove();
  };
  // Printing: the sheets laid out by the core for the paper chosen, shown
  // only on paper; the page as it was once printing is done.
  $("mask-print").onclick = () => {
    $("mask-sheets").innerHTML = maskSheets(made.edges, d, state.units, PAPERS[$("mask-paper").value], title);
    document.body.classList.add("printing-mask");
    // The paper the browser prints on, never a size of the report's: a
    // sheet laid out for A4 and printed on Letter would shrink the mask.
    if (!$("mask-page")) {
      const style = document.createElement("style");
      style.id = "mask-page";
      style.textContent = "@page { size: auto; margin: 10mm; }";
      document.head.appendChild(style);
    }
    window.print();
  };
  const openings = (list, mask) => list.slice(1).map((outer, i) => ({ inner: String(list[i]), outer: String(outer), runs: [], mask }));
  $("mask-use").onclick = () => {
    // A pair's zones are both masks', read in the same runs.
    const zones = made.intermediate ? [...openings(made.first, "1"), ...openings(made.edges, "2")] : openings(made.edges, "");
    use(zones, made.intermediate ? "the zones of the mask pair" : `the zones of the ${made.n}-zone mask`);
  };
}
