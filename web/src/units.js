// A change of units converts every length typed (25.4 mm an inch), so that
// the mirror stays the mirror.
import { number } from "./mirror_file.js";
import { LENGTH_FIELDS } from "./state.js";

// A length typed in the other unit, as text in `to`; anything that is not
// a number stays as typed.
export function convertLength(text, to) {
  const x = number(text.trim());
  return x === null ? text : String(Number((x * (to === "mm" ? 25.4 : 1 / 25.4)).toPrecision(15)));
}

export function convertUnits(state, to) {
  if (state.units === to) return;
  const convert = (text) => convertLength(text, to);
  // An edge at the mirror's edge stays exactly there.
  const radius = number(state.diameter.trim());
  for (const f of LENGTH_FIELDS) state[f] = convert(state[f]);
  const edge = number(state.diameter.trim());
  const edgeOf = (text) => (radius !== null && edge !== null && number(text.trim()) === radius / 2 ? String(edge / 2) : convert(text));
  for (const z of state.zones) {
    z.inner = edgeOf(z.inner);
    z.outer = edgeOf(z.outer);
    z.runs = z.runs.map((r) => convert(r ?? ""));
  }
  state.units = to;
}

// A reading's centre of curvature in the add-in's mils as a reading in the
// mirror's units: mils of an inch, or micrometres.
export function cocText(mils, mirror) {
  if (!Number.isFinite(mils)) return "check inputs";
  const factor = mirror.tester === "moving source" ? 2 : 1;
  const reading = mils / factor;
  return mirror.units === "mm" ? `${Number((reading * 25.4).toPrecision(4))} µm` : `${Number(reading.toPrecision(4))} mils`;
}
