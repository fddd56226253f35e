// Mirror files, as pellux-reduction --mirror reads and pellux-mask writes
// them: the same keys, defaults, limits and messages ("NAME:LINE: why").
const KEYS = {
  units: "units",
  diameter: "diameter",
  "radius of curvature": "radius",
  "wavelength nm": "wavelength",
  tester: "tester",
  "zone radius": "zoneRadius",
  "search tolerance": "fittol",
  "your centre of curvature": "coc",
  secondary: "secondary",
  "focal length": "focalLength",
  "secondary to focus": "secondaryToFocus",
  "field stop mm": "fieldStop",
  "reading uncertainty": "readingUncertainty",
};
const CHOICES = {
  units: ["unit", ["in", "mm"]],
  tester: ["tester", ["fixed source", "moving source"]],
  zoneRadius: ["zone radius", ["mean", "rms", "carlin"]],
};
const MAX_ZONES = 100;
const MAX_RUNS = 10;
const MAX_SESSIONS = 100;

// A finite decimal number and nothing else (a leading "+" allowed).
export function number(text) {
  if (!/^[+-]?(\d+\.?\d*|\.\d+)([eE][+-]?\d+)?$/.test(text)) return null;
  const x = Number(text);
  return Number.isFinite(x) ? x : null;
}

// A text as a message quotes it: at most its first 80 characters.
const quoted = (text) => `'${text.length > 80 ? text.slice(0, 80) + "..." : text}'`;

export function defaultReadingUncertainty(units) {
  return units === "mm" ? 0.05 : 0.002;
}

const newMirror = () => ({
  units: "in", diameter: null, radius: null, wavelength: 550, tester: "fixed source",
  zoneRadius: "mean", fittol: 0.001, coc: 0, readingUncertainty: null, secondary: null,
  focalLength: null, secondaryToFocus: null, fieldStop: 25, runs: 0, zones: [], masks: false,
});
const copySection = (s) => ({ ...s, m: { ...s.m, zones: [...s.m.zones] }, seen: new Set() });

// { project: { sessions: [{ date, note, mirror }] } } or { error:
// "NAME:LINE: why" }. A file without "session" lines is one session; in a
// file of sessions the keys before the first session are every session's,
// and a session's own keys change them for it alone. Readings may be required.
export function parseProject(text, name = "mirror file", needReadings = true) {
  let line = 0;
  const fail = (why) => ({ error: `${name}:${Math.max(line, 1)}: ${why}` });
  // Lines end at CR LF, LF or a lone CR; a final break ends the last line.
  const lines = text.split(/\r\n|\r|\n/);
  if (lines.length && lines[lines.length - 1] === "") lines.pop();
  const trim = (s) => s.replace(/^[ \t\r]+|[ \t\r]+$/g, "");
  // A first line with a semicolon outside its comment: a spreadsheet's file,
  // separated by semicolons, with decimal commas.
  const first = lines.map((l) => trim(l.split("#")[0])).find((l) => l !== "");
  const decimalComma = first !== undefined && first.includes(";");
  const separator = decimalComma ? ";" : ",";
  const read = (t) => {
    const one = decimalComma && !t.includes(".") && t.indexOf(",") === t.lastIndexOf(",");
    return number(one ? t.replace(",", ".") : t);
  };
  const shared = { m: newMirror(), state: "keys", seen: new Set() };
  let current = null; // the open session's section
  let opened = null;
  const sessions = [];
  const finish = () => {
    const m = current.m;
    if (m.diameter === null || m.radius === null)
      return fail(`no '${m.diameter === null ? "diameter" : "radius of curvature"}'`);
    if (current.state !== "zones" || m.zones.length < 2) return fail("fewer than 2 zones");
    if (m.zones.some((z) => z.outer > m.diameter / 2))
      return fail(m.masks ? "a zone reaches beyond the mirror's edge" : "the last zone reaches beyond the mirror's edge");
    if (m.secondary === null) m.secondary = m.diameter * 0.22;
    if (m.secondaryToFocus === null) m.secondaryToFocus = m.diameter * 0.75;
    if (m.readingUncertainty === null) m.readingUncertainty = defaultReadingUncertainty(m.units);
    delete m.masks;
    sessions.push({ ...opened, mirror: m });
    return null;
  };
  for (const raw of lines) {
    ++line;
    const content = trim(raw.split("#")[0]);
    if (content === "") continue;
    const c = content.split(separator).map(trim);
    while (c.length > 1 && c[c.length - 1] === "") c.pop(); // a spreadsheet's empty cells at the end
    if (c[0].toLowerCase() === "session") {
      if (sessions.length === MAX_SESSIONS) return fail("more than 100 sessions");
      if (current) {
        const bad = finish();
        if (bad) return bad;
      } else if (shared.state !== "keys") return fail("a file of sessions gives its zones within each session");
      const one = content.indexOf(separator), two = one < 0 ? -1 : content.indexOf(separator, one + 1);
      const date = trim(one < 0 ? "" : content.slice(one + 1, two < 0 ? undefined : two));
      const note = two < 0 ? "" : trim(content.slice(two + 1));
      if (date !== "" && !/^[0-9]{4}-[0-9]{2}-[0-9]{2}$/.test(date)) return fail(`a session opens with its date, as 2026-11-09, not ${quoted(date)}`);
      if (note.length > 2000) return fail("a session's note is longer than 2,000 characters");
      opened = { date, note };
      current = copySection(shared);
      continue;
    }
    const section = current || shared;
    const m = section.m;
    if (section.state === "keys") {
      const key = c[0].toLowerCase();
      if (key === "zones" && c.length === 1) {
        section.state = "header";
        continue;
      }
      const field = Object.hasOwn(KEYS, key) ? KEYS[key] : null;
      if (!field) return fail(`unknown key ${quoted(c[0])}`);
      if (c.length !== 2) return fail(`${quoted(c[0])} takes one value`);
      if (section.seen.has(field)) return fail(`${quoted(c[0])} given twice`);
      section.seen.add(field);
      if (CHOICES[field]) {
        const [what, list] = CHOICES[field];
        const v = c[1].toLowerCase();
        if (!list.includes(v)) return fail(`unknown ${what} ${quoted(c[1])} (${list.join(", ")})`);
        m[field] = v;
        continue;
      }
      const x = read(c[1]);
      if (x === null) return fail(`${quoted(c[0])} takes a number, not ${quoted(c[1])}`);
      if (field !== "coc" && !(x > 0)) return fail(`${quoted(c[0])} must be above 0`);
      m[field] = x;
    } else if (section.state === "header") {
      m.masks = c.length > 2 && c[2].toLowerCase() === "mask";
      const named = m.masks ? 3 : 2;
      if (c.length <= named || c[0].toLowerCase() !== "inner" || c[1].toLowerCase() !== "outer")
        return fail("the header reads inner,outer, then one name per run");
      if (c.length - named > MAX_RUNS) return fail("more than 10 runs");
      m.runs = c.length - named;
      section.state = "zones";
    } else {
      const firstRun = m.masks ? 3 : 2;
      if (c.length > firstRun + m.runs) return fail("more cells than the header names");
      if (m.zones.length === MAX_ZONES) return fail("more than 100 zones");
      const inner = c.length >= 2 ? read(c[0]) : null;
      const outer = c.length >= 2 ? read(c[1]) : null;
      if (inner === null || outer === null) return fail("a zone starts with its inner and outer radius, as numbers");
      if (inner < 0) return fail("the inner radius is below 0");
      if (!(outer > inner)) return fail("the outer radius is not above the inner radius");
      let mask = "";
      if (m.masks) {
        if (c.length < 3 || c[2] === "") return fail("a zone names its mask after its radii");
        mask = c[2];
      }
      // Openings of one mask follow each other outward; two masks' may overlap.
      const before = m.zones.filter((z) => z.mask === mask).pop();
      if (before && inner < before.outer)
        return fail(m.masks ? "the zone overlaps the one before it in its mask" : "the zone overlaps the one before it");
      const runs = new Array(m.runs).fill(null);
      let any = false;
      for (let k = firstRun; k < c.length; ++k) {
        if (c[k] === "") continue;
        const x = read(c[k]);
        if (x === null) return fail(`run ${k - firstRun + 1} takes a number, not ${quoted(c[k])}`);
        runs[k - firstRun] = x;
        any = true;
      }
      if (!any && needReadings) return fail("the zone has no reading");
      m.zones.push({ inner, outer, runs, mask });
    }
  }
  if (!current) {
    current = shared;
    opened = { date: "", note: "" };
  }
  const bad = finish();
  if (bad) return bad;
  return { project: { sessions } };
}

// { mirror } (the last session's) or { error: "NAME:LINE: why" }.
export function parseMirror(text, name = "mirror file", needReadings = true) {
  const parsed = parseProject(text, name, needReadings);
  return parsed.error ? parsed : { mirror: parsed.project.sessions[parsed.project.sessions.length - 1].mirror };
}

// The shortest text that reads back as the same number.
const text = (x) => String(x);

// A project of several sessions, or of one dated or noted: each session
// after its line, with all its keys; a lone undated session as a mirror file.
export function writeProject(sessions) {
  if (sessions.length === 1 && !sessions[0].date && !sessions[0].note) return writeMirror(sessions[0].mirror);
  const lines = ["# Mirror project of the Pellux page: its sessions in order; pellux-reduction --mirror reads it too."];
  for (const s of sessions) {
    lines.push(`session,${s.date}${s.note ? "," + s.note.replace(/[\r\n#]/g, " ") : ""}`);
    const body = writeMirror(s.mirror).split("\n").slice(1, -1);
    lines.push(...body);
  }
  return lines.join("\n") + "\n";
}

export function writeMirror(m) {
  const lines = [
    "# Mirror file of the Pellux page; pellux-reduction --mirror reads it too.",
    `units,${m.units}`,
    `diameter,${text(m.diameter)}`,
    `radius of curvature,${text(m.radius)}`,
    `wavelength nm,${text(m.wavelength)}`,
    `tester,${m.tester}`,
    `zone radius,${m.zoneRadius}`,
    `search tolerance,${text(m.fittol)}`,
    `your centre of curvature,${text(m.coc)}`,
    `reading uncertainty,${text(m.readingUncertainty)}`,
    `secondary,${text(m.secondary)}`,
  ];
  if (m.focalLength !== null) lines.push(`focal length,${text(m.focalLength)}`);
  lines.push(`secondary to focus,${text(m.secondaryToFocus)}`, `field stop mm,${text(m.fieldStop)}`, "zones");
  const masks = m.zones.some((z) => z.mask);
  lines.push(["inner", "outer", ...(masks ? ["mask"] : []), ...Array.from({ length: m.runs }, (_, k) => `run ${k + 1}`)].join(","));
  for (const z of m.zones)
    lines.push([text(z.inner), text(z.outer), ...(masks ? [z.mask] : []), ...z.runs.map((r) => (r === null ? "" : text(r)))].join(","));
  return lines.join("\n") + "\n";
}
