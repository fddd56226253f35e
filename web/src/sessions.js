// The mirror's history: its sessions (each a mirror as typed, with a date
// and a note of the work done), several mirrors kept by name, the progress
// of the figures across sessions and two sessions compared.
import * as pellux from "./pellux.js";
import { drawComparison, drawProgress } from "./history_charts.js";
import { checkState } from "./state.js";
import { validate } from "./validate.js";

const $ = (id) => document.getElementById(id);
const PROJECTS = "pellux.projects";

export const today = () => new Date().toISOString().slice(0, 10);
const clone = (x) => JSON.parse(JSON.stringify(x));

// A project as stored: { name, current, sessions: [{ date, note, state }] },
// or null when any part does not read.
export function checkProject(raw) {
  if (!raw || typeof raw !== "object" || typeof raw.name !== "string" || raw.name.length > 100) return null;
  if (!Array.isArray(raw.sessions) || raw.sessions.length < 1 || raw.sessions.length > 100) return null;
  const sessions = [];
  for (const s of raw.sessions) {
    if (!s || typeof s.date !== "string" || typeof s.note !== "string" || s.note.length > 2000) return null;
    const state = checkState(s.state);
    if (!state) return null;
    sessions.push({ date: s.date, note: s.note, state });
  }
  const current = Number.isInteger(raw.current) && raw.current >= 0 && raw.current < sessions.length ? raw.current : sessions.length - 1;
  return { name: raw.name, current, sessions };
}

// Every mirror kept in this browser, by name; those that do not read are left out.
export function loadProjects() {
  let all = {};
  try {
    all = JSON.parse(localStorage.getItem(PROJECTS) || "{}");
  } catch (e) {
    all = {};
  }
  const out = new Map();
  if (all && typeof all === "object" && !Array.isArray(all))
    for (const name of Object.keys(all)) {
      const p = checkProject(all[name]);
      if (p && p.name === name) out.set(name, p);
    }
  return out;
}

export function storeProjects(projects) {
  try {
    localStorage.setItem(PROJECTS, JSON.stringify(Object.fromEntries(projects)));
  } catch (e) {
    // storage full or refused: the page goes on
  }
}

// A new session of the mirror: its inputs and zones, its readings empty.
export function newSession(state) {
  const s = clone(state);
  s.example = false;
  for (const z of s.zones) z.runs = [];
  return { date: today(), note: "", state: s };
}

// A session's figures for the progress chart, or null; kept for the
// sessions that do not change while another is typed.
const known = new Map();
function figuresOf(state) {
  const key = JSON.stringify(state);
  if (known.has(key)) return known.get(key);
  const v = validate(state);
  const r = Object.keys(v.errors).length || Object.keys(v.rows).length ? null : pellux.reduceMirror(v.mirror).results;
  if (known.size > 200) known.clear();
  known.set(key, r);
  return r;
}

function mirrorOf(state) {
  const v = validate(state);
  return Object.keys(v.errors).length || Object.keys(v.rows).length ? null : v.mirror;
}

const fixed = (x, d) => (Number.isFinite(x) ? x.toFixed(d) : "?");

// "the correction rose from 71.0 % ± 3.0 % to 84.0 % ± 2.0 %: a real change",
// or "the RMS changed by 0.004 ± 0.006 wave: within the noise".
export function changeText(name, c, unit, d) {
  if (c.real)
    return `the ${name} ${c.change > 0 ? "rose" : "fell"} from ${fixed(c.before, d)}${unit} ± ${fixed(c.beforeSpread, d)}${unit} to ${fixed(c.after, d)}${unit} ± ${fixed(c.afterSpread, d)}${unit}: a real change`;
  return `the ${name} changed by ${fixed(c.change, d)} ± ${fixed(c.spread, d)}${unit}: within the noise`;
}

// The sessions' list, the progress chart and the comparison's choices.
export function showHistory(project) {
  const list = $("session-list");
  list.innerHTML = "";
  const progress = [];
  project.sessions.forEach((s, i) => {
    const li = document.createElement("li");
    const r = figuresOf(s.state);
    progress.push({ label: `${i + 1}. ${s.date}`, r });
    const button = document.createElement("button");
    button.type = "button";
    button.dataset.session = String(i);
    button.textContent = `${i + 1}. ${s.date}${s.note ? ": " + s.note : ""}`;
    button.setAttribute("aria-current", i === project.current ? "true" : "false");
    li.appendChild(button);
    if (r) li.appendChild(document.createTextNode(` P-V ${fixed(r["P-V less the noise's bias (waves)"], 3)} wave, correction ${fixed(r["Correction (%)"], 1)} %`));
    list.appendChild(li);
  });
  $("session-date").value = project.sessions[project.current].date;
  $("session-note").value = project.sessions[project.current].note;
  drawProgress(progress);
  const n = project.sessions.length;
  const kept = ["compare-a", "compare-b"].map((id) => $(id).value);
  // The last two sessions, unless two others were chosen and still stand.
  const keep = kept.every((v) => v !== "" && +v < n) && kept[0] !== kept[1];
  ["compare-a", "compare-b"].forEach((id, k) => {
    const select = $(id);
    select.innerHTML = project.sessions.map((s, i) => `<option value="${i}">${i + 1}. ${s.date}</option>`).join("");
    select.value = keep ? kept[k] : String(Math.max(0, n - 2 + k));
  });
  showComparison(project);
}

export function showComparison(project) {
  const a = +$("compare-a").value, b = +$("compare-b").value;
  const out = $("comparison");
  if (project.sessions.length < 2 || a === b) {
    out.innerHTML = project.sessions.length < 2 ? "Add a session to compare two." : "Choose two different sessions.";
    drawComparison(null);
    return;
  }
  const ma = mirrorOf(project.sessions[a].state), mb = mirrorOf(project.sessions[b].state);
  const c = ma && mb ? pellux.compareMirrors(ma, mb) : null;
  if (!c) {
    out.textContent = "These sessions cannot be compared: one does not reduce, or their mirrors differ in diameter.";
    drawComparison(null);
    return;
  }
  const rows = [["P-V", c.pv, " wave", 3], ["RMS", c.rms, " wave", 4], ["Strehl ratio", c.strehl, "", 3], ["correction", c.correction, " %", 1]];
  out.innerHTML = "";
  for (const [name, change, unit, d] of rows) {
    const div = document.createElement("div");
    div.className = change.real ? "poor" : "good";
    div.dataset.real = String(change.real);
    div.textContent = changeText(name, change, unit, d);
    out.appendChild(div);
  }
  drawComparison(c, project.sessions[a].state.units);
}
