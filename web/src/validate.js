// What the page computes from: what the mirror-file reader would take, and
// nothing else. Each field that cannot be used says why, with the reader's
// words; a mirror that reads but looks like a slip (a focal ratio or a
// wavelength no telescope has) gets a warning that names the likely slip.
import { number } from "./mirror_file.js";
import { CHOICE_FIELDS, NUMBER_FIELDS } from "./state.js";

const LABELS = {
  diameter: "diameter", radius: "radius of curvature", wavelength: "wavelength nm", readingUncertainty: "reading uncertainty",
  fittol: "search tolerance", coc: "your centre of curvature", secondary: "secondary", focalLength: "focal length",
  secondaryToFocus: "secondary to focus", fieldStop: "field stop mm",
};

function numberOf(text, optional, errors, field) {
  const t = text.trim();
  if (t === "" && optional) return null;
  const x = number(t);
  if (x === null)
    errors[field] = t === "" ? "Required." : /\d,\d/.test(t) ? "Not a number: use a decimal point, not a comma." : "Not a number.";
  else if (field !== "coc" && !(x > 0)) errors[field] = `'${LABELS[field]}' must be above 0`;
  return x;
}

// Sizes no mirror has: refused. Sizes that look like a slip: warned.
function plausibility(m, errors, warnings) {
  const other = m.units === "mm" ? "inches" : "millimetres";
  const inches = m.units === "mm" ? m.diameter / 25.4 : m.diameter;
  if (!errors.diameter && inches > 400) errors.diameter = `A ${m.diameter} ${m.units} mirror is beyond any telescope's: did you mean ${other}?`;
  if (!errors.wavelength && (m.wavelength < 100 || m.wavelength > 20000))
    errors.wavelength = `${m.wavelength} nm is not light a tester uses: ${m.wavelength < 100 ? "did you mean " + m.wavelength * 1000 + " nm?" : "type nanometres"}`;
  if (errors.diameter || errors.radius) return;
  const f = m.radius / 2 / m.diameter;
  if (!(f >= 0.5 && f <= 200)) {
    errors.radius = `R = ${m.radius} ${m.units} for a ${m.diameter} ${m.units} mirror is f/${Number(f.toPrecision(3))}: no telescope mirror.`;
    return;
  }
  if (f < 1.5 || f > 30)
    warnings.radius = `R = ${m.radius} ${m.units} for a ${m.diameter} ${m.units} mirror is f/${Number(f.toPrecision(3))}: is every length in ${m.units}?`;
  if (m.units === "mm" && m.diameter < 40)
    warnings.diameter = `A ${m.diameter} mm mirror, with R = ${m.radius} mm: did you mean inches?`;
  else if (m.units === "in" && m.diameter > 40)
    warnings.diameter = `A ${m.diameter} in mirror, with R = ${m.radius} in: did you mean millimetres?`;
  if (!errors.wavelength && (m.wavelength < 300 || m.wavelength > 1100))
    warnings.wavelength = `${m.wavelength} nm is outside 300 to 1100 nm: is it the test light's wavelength in nanometres?`;
}

// { mirror, errors (by field), rows (by zone), warnings (by field) }.
export function validate(s) {
  const errors = {}, rows = {}, warnings = {};
  const m = { runs: s.runs, zones: [] };
  for (const f of NUMBER_FIELDS) m[f] = numberOf(s[f], f === "focalLength", errors, f);
  for (const f of CHOICE_FIELDS) m[f] = s[f];
  if (!errors.diameter && !errors.radius && !errors.wavelength) plausibility(m, errors, warnings);
  // Each mask's openings follow each other outward; two masks' may overlap.
  const previous = new Map();
  const edge = errors.diameter ? Infinity : m.diameter / 2;
  s.zones.forEach((z, i) => {
    const mask = typeof z.mask === "string" ? z.mask : "";
    const inner = number(z.inner.trim()), outer = number(z.outer.trim());
    const runs = [];
    const problems = [];
    if (inner === null || outer === null) problems.push("radii must be numbers");
    else if (!(outer > inner) || inner < 0 || (previous.has(mask) && inner < previous.get(mask))) problems.push("edges do not increase");
    else if (outer > edge) problems.push(`beyond the mirror's edge (${edge} ${m.units})`);
    for (let k = 0; k < s.runs; ++k) {
      const text = (z.runs[k] ?? "").trim();
      if (text === "") runs.push(null);
      else {
        const x = number(text);
        if (x === null) problems.push(`run ${k + 1}: not a number${/\d,\d/.test(text) ? " (use a decimal point, not a comma)" : ""}`);
        runs.push(x);
      }
    }
    if (!problems.length && runs.every((r) => r === null)) problems.push("no reading");
    if (problems.length) rows[i] = `zone ${i + 1}: ${problems.join("; ")}`;
    previous.set(mask, outer);
    m.zones.push({ inner, outer, runs, mask });
  });
  if (s.zones.length < 2) errors.zones = "At least 2 zones.";
  return { mirror: m, errors, rows, warnings };
}
