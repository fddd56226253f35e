// The page's mirror as typed (texts, not numbers), kept in local storage,
// with the states before each action that replaced it, for undo.
import { parseMirror } from "./mirror_file.js";
import EXAMPLE from "../../tools/reduction/examples/example.csv";

export const NUMBER_FIELDS = ["diameter", "radius", "wavelength", "readingUncertainty", "fittol", "coc",
  "secondary", "focalLength", "secondaryToFocus", "fieldStop"];
// Lengths in the mirror's units, which a change of units converts.
export const LENGTH_FIELDS = ["diameter", "radius", "readingUncertainty", "coc", "secondary", "focalLength", "secondaryToFocus"];
export const CHOICES = {
  units: ["in", "mm"],
  tester: ["fixed source", "moving source"],
  zoneRadius: ["mean", "rms", "carlin"],
};
export const CHOICE_FIELDS = Object.keys(CHOICES);
const STORE = "pellux.mirror";
const ASIDE = "pellux.mirror.set-aside";

export const emptyZone = () => ({ inner: "", outer: "", runs: [], mask: "" });

export function stateFromMirror(m, example = false) {
  const text = (x) => (x === null || x === undefined ? "" : String(x));
  const s = { runs: m.runs, example, zones: m.zones.map((z) => ({ inner: text(z.inner), outer: text(z.outer), runs: z.runs.map(text), mask: z.mask || "" })) };
  for (const f of NUMBER_FIELDS) s[f] = text(m[f]);
  for (const f of CHOICE_FIELDS) s[f] = m[f];
  return s;
}

export function exampleState() {
  return stateFromMirror(parseMirror(EXAMPLE, "example.csv").mirror, true);
}

const isText = (x) => typeof x === "string" && x.length <= 200;

// A stored state that is whole: every field a text of its kind, 1 to 100
// zones, 1 to 10 runs; null for anything else.
export function checkState(raw) {
  if (!raw || typeof raw !== "object" || Array.isArray(raw)) return null;
  if (!Number.isInteger(raw.runs) || raw.runs < 1 || raw.runs > 10) return null;
  if (!Array.isArray(raw.zones) || raw.zones.length < 1 || raw.zones.length > 100) return null;
  const zones = [];
  for (const z of raw.zones) {
    if (!z || typeof z !== "object" || !isText(z.inner) || !isText(z.outer) || !Array.isArray(z.runs) || z.runs.length > 10) return null;
    if (!z.runs.every((r) => r === null || isText(r)) || (z.mask !== undefined && !isText(z.mask))) return null;
    zones.push({ inner: z.inner, outer: z.outer, runs: z.runs.map((r) => r ?? ""), mask: z.mask ?? "" });
  }
  const s = { runs: raw.runs, zones, example: raw.example === true };
  for (const f of NUMBER_FIELDS) {
    if (!isText(raw[f])) return null;
    s[f] = raw[f];
  }
  for (const f of CHOICE_FIELDS) {
    if (!CHOICES[f].includes(raw[f])) return null;
    s[f] = raw[f];
  }
  return s;
}

// The stored mirror, or the example. A stored state that does not read is
// set aside (its text returned, and kept under its own key) and the page
// starts clean with the example.
export function loadStored() {
  let text = null;
  try {
    text = localStorage.getItem(STORE);
  } catch (e) {
    text = null;
  }
  if (text === null) return { state: exampleState(), aside: null };
  let parsed = null;
  try {
    parsed = JSON.parse(text);
  } catch (e) {
    parsed = null;
  }
  const s = checkState(parsed);
  if (s) return { state: s, aside: null };
  try {
    localStorage.setItem(ASIDE, text);
    localStorage.removeItem(STORE);
  } catch (e) {
    // a full or closed storage: the text is still offered for download
  }
  return { state: exampleState(), aside: text };
}

export function store(s) {
  try {
    localStorage.setItem(STORE, JSON.stringify(s));
  } catch (e) {
    // storage full or refused: the page goes on; nothing typed is lost from the form
  }
}

// Undo: the mirror before each action that replaced part of it, newest last.
const past = [];

// `extra`: what else the action may change (the page's mirrors), kept with it.
export function remember(s, what, extra = null) {
  past.push({ state: JSON.parse(JSON.stringify(s)), what, extra: extra === null ? null : JSON.parse(JSON.stringify(extra)) });
  if (past.length > 20) past.shift();
}

export function undo() {
  return past.pop() ?? null;
}

export function lastAction() {
  return past.length ? past[past.length - 1].what : null;
}

// How many readings the mirror's zone table holds.
export function readingsIn(s) {
  return s.zones.reduce((n, z) => n + z.runs.filter((r) => (r ?? "").trim() !== "").length, 0);
}
