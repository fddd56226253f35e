// The page: wires the form, the zone table, the results, the charts, what you
// should see and the mask to one mirror as typed. What was typed is kept as
// typed (and in local storage), so a bad entry loses nothing; it is marked at
// its field and nothing is computed from it. Every action that replaces part
// of the mirror asks first and can be undone.
import * as pellux from "./pellux.js";
import { clearCharts, drawCharts } from "./charts.js";
import { updateMask } from "./mask_view.js";
import { parseProject, writeProject, defaultReadingUncertainty } from "./mirror_file.js";
import { clearResults, renderResults } from "./results.js";
import { photoMirror, photoPlan, photoUnits, wirePhotos } from "./photos.js";
import { clearMirror, showMirror, wireSee } from "./see.js";
import { CHOICE_FIELDS, NUMBER_FIELDS, emptyZone, exampleState, lastAction, loadStored, readingsIn, remember, stateFromMirror, store, undo } from "./state.js";
import { loadProjects, newSession, showComparison, showHistory, storeProjects } from "./sessions.js";
import { convertUnits } from "./units.js";
import { validate } from "./validate.js";
import { drawZoneTable, pasteBlock, readCell } from "./zone_table.js";

const $ = (id) => document.getElementById(id);
let state = null; // the session in hand, everything as typed: texts, not numbers
let projects = null; // every mirror kept, by name: { name, current, sessions }
let project = null; // the mirror in hand
const CURRENT = "pellux.current";

// The session in hand is the project's current one.
function take(p) {
  project = p;
  state = p.sessions[p.current].state;
}

function storeAll() {
  store(state);
  storeProjects(projects);
  try {
    localStorage.setItem(CURRENT, project.name);
  } catch (e) {
    // storage refused: the page goes on
  }
}

function showProjects() {
  $("project-name").innerHTML = [...projects.keys()].map((n) => `<option>${n.replace(/[<>&"]/g, "")}</option>`).join("");
  $("project-name").value = project.name;
}

function fillForm() {
  for (const f of [...NUMBER_FIELDS, ...CHOICE_FIELDS]) $(f).value = state[f];
  document.querySelectorAll("[data-unit]").forEach((e) => (e.textContent = state.units));
  $("example-note").hidden = !state.example;
  drawZoneTable(state);
}

function showErrors(v) {
  for (const f of NUMBER_FIELDS) {
    $(`${f}-error`).textContent = v.errors[f] || v.warnings[f] || "";
    $(`${f}-error`).classList.toggle("warning", !v.errors[f] && !!v.warnings[f]);
  }
  // Each zone's trouble marked at its row and said in full under the table,
  // where no edge of the card cuts it off.
  const list = $("row-errors");
  list.innerHTML = "";
  document.querySelectorAll("#zone-table tbody tr").forEach((tr, i) => {
    tr.classList.toggle("bad", !!v.rows[i]);
    tr.lastChild.textContent = v.rows[i] ? "!" : "";
    if (v.rows[i]) {
      const li = document.createElement("li");
      li.textContent = v.rows[i];
      list.appendChild(li);
    }
  });
}

function recompute() {
  storeAll();
  photoUnits(state.units);
  showHistory(project);
  const v = validate(state);
  showErrors(v);
  updateMask(state, useZones);
  const bad = Object.keys(v.errors).length || Object.keys(v.rows).length;
  if (bad) {
    clearResults("Nothing is computed until the fields marked in red are fixed" + (v.errors.zones ? ", and there are at least 2 zones." : "."));
    clearCharts();
    clearMirror();
    return;
  }
  const m = v.mirror;
  const red = pellux.reduceMirror(m);
  renderResults(red, m);
  const warned = Object.keys(v.warnings);
  $("results-note").textContent = warned.length ? "Check the warnings at the fields marked before you trust these results." : "";
  drawCharts(red, m);
  // Each zone's mean reading, in the mirror's units, as a stop of the knife.
  const factor = m.tester === "moving source" ? 2 : 1, perInch = m.units === "mm" ? 25.4 : 1;
  showMirror(m, red.zones.map((z) => (z.reading / 1000 / factor) * perInch));
}

// ------------------------------------------------------------- asking, undo

// A question in the page (no blocking dialog): `yes` runs on Replace.
function ask(text, yes) {
  $("ask-text").textContent = text;
  $("ask").hidden = false;
  $("ask-yes").onclick = () => {
    $("ask").hidden = true;
    yes();
  };
  $("ask-no").onclick = () => ($("ask").hidden = true);
}

function offerUndo(said) {
  const what = lastAction();
  $("undo-text").textContent = said || (what ? `Replaced: ${what}.` : "");
  $("undo").hidden = !what;
}

// Replaces the mirror (or part of it) after remembering it, and the page's
// mirrors, for undo.
function replace(what, change, said) {
  remember(state, what, { projects: [...projects], name: project.name });
  change();
  project.sessions[project.current].state = state;
  state.example = state.example && what === "";
  fillForm();
  recompute();
  offerUndo(said);
}

function useZones(zones, what) {
  const n = readingsIn(state);
  const go = () => replace(what, () => {
    state.zones = zones;
  }, `The zone table now holds ${what}; its readings went with the old zones.`);
  if (n === 0) go();
  else ask(`Replace the zone table with ${what}? Its ${n} readings go (you can undo).`, go);
}

// ------------------------------------------------------------------ events

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
  let said = "";
  replace("the pasted cells", () => (said = pasteBlock(state, text, +target.dataset.row, +target.dataset.col)));
  offerUndo(said);
}

function openFile(file) {
  file.text().then((text) => {
    const parsed = parseProject(text, file.name);
    if (parsed.error) {
      $("file-error").textContent = parsed.error;
      return;
    }
    $("file-error").textContent = "";
    // A project's sessions all come in; a mirror file is one session.
    replace("the mirror before opening " + file.name, () => {
      project.sessions = parsed.project.sessions.map((s) => ({ date: s.date, note: s.note, state: stateFromMirror(s.mirror) }));
      project.current = project.sessions.length - 1;
      state = project.sessions[project.current].state;
    }, `Opened ${file.name}: ${parsed.project.sessions.length} session${parsed.project.sessions.length > 1 ? "s" : ""}.`);
  });
}

function wire() {
  for (const f of [...NUMBER_FIELDS, ...CHOICE_FIELDS])
    $(f).addEventListener("input", () => {
      if (f === "units") {
        // Every length typed follows the units, so the mirror stays the mirror.
        convertUnits(state, $(f).value);
        if (state.readingUncertainty.trim() === "") state.readingUncertainty = String(defaultReadingUncertainty(state.units));
        fillForm();
        $("undo-text").textContent = `Every length converted to ${state.units}.`;
        $("undo").hidden = false;
      } else state[f] = $(f).value;
      state.example = false;
      $("example-note").hidden = true;
      recompute();
    });
  $("zone-table").addEventListener("input", (e) => {
    if (e.target.dataset.row === undefined) return;
    readCell(state, e.target);
    state.example = false;
    recompute();
  });
  $("zone-table").addEventListener("paste", paste);
  $("add-zone").onclick = () => {
    if (state.zones.length >= 100) return;
    const last = state.zones[state.zones.length - 1];
    state.zones.push({ ...emptyZone(), inner: last ? last.outer : "0" });
    drawZoneTable(state);
    recompute();
  };
  $("remove-zone").onclick = () => {
    if (state.zones.length <= 1) return;
    const last = state.zones[state.zones.length - 1];
    const n = last.runs.filter((r) => (r ?? "").trim() !== "").length;
    const go = () => replace(`zone ${state.zones.length}`, () => state.zones.pop(), `Zone ${state.zones.length} removed.`);
    if (n === 0 && last.inner.trim() === "" && last.outer.trim() === "") go();
    else ask(`Remove zone ${state.zones.length} and its ${n} readings (you can undo)?`, go);
  };
  $("runs").onchange = () => {
    const k = +$("runs").value;
    const lost = state.zones.reduce((n, z) => n + z.runs.slice(k).filter((r) => (r ?? "").trim() !== "").length, 0);
    const go = () => replace("the runs past run " + k, () => {
      state.runs = k;
      for (const z of state.zones) z.runs = z.runs.slice(0, k);
    });
    if (lost === 0) {
      state.runs = k;
      drawZoneTable(state);
      recompute();
    } else {
      $("runs").value = String(state.runs);
      ask(`Keep ${k} runs? ${lost} readings in the runs past run ${k} go (you can undo).`, go);
    }
  };
  $("open").addEventListener("change", (e) => e.target.files[0] && openFile(e.target.files[0]));
  $("save").onclick = () => {
    const checked = project.sessions.map((s) => validate(s.state));
    const bad = checked.findIndex((v) => Object.keys(v.errors).length || Object.keys(v.rows).length);
    if (bad >= 0) {
      $("file-error").textContent = project.sessions.length > 1 ? `Fix session ${bad + 1} first.` : "Fix the fields marked in red first.";
      return;
    }
    $("file-error").textContent = "";
    const sessions = project.sessions.map((s, i) => ({ date: s.date, note: s.note, mirror: checked[i].mirror }));
    download(`${project.name.replace(/[^A-Za-z0-9 _-]/g, "") || "mirror"}.csv`, writeProject(sessions), "text/csv");
  };
  $("example").onclick = () => {
    const go = () => replace("your mirror", () => (state = exampleState()), "The example is loaded; undo brings your mirror back.");
    if (state.example) go();
    else ask("Replace your mirror with the example (you can undo)?", go);
  };
  $("undo-button").onclick = () => {
    const previous = undo();
    if (!previous) return;
    if (previous.extra) {
      projects = new Map(previous.extra.projects);
      take(projects.get(previous.extra.name));
    }
    state = previous.state;
    project.sessions[project.current].state = state;
    showProjects();
    fillForm();
    recompute();
    offerUndo(`Undone: ${previous.what} is back.`);
    $("undo").hidden = !lastAction() && false;
  };
  for (const id of ["mask-zones", "mask-obstruction", "mask-edge", "mask-intermediate", "mask-paper"])
    $(id).addEventListener("input", () => updateMask(state, useZones));
  window.addEventListener("afterprint", () => {
    document.body.classList.remove("printing-mask");
    $("mask-page")?.remove();
  });
  wireSee();
  wirePhotos(() => photoMirror(state), usePhotoReadings);
  wireHistory();
}

// ------------------------------------------------------- from photographs

function usePhotoReadings(r) {
  const plan = photoPlan(state, r);
  if (plan.error) return ($("photo-note").textContent = plan.error);
  const go = () => replace(plan.what, () => plan.change(state), plan.said);
  if (plan.question) ask(plan.question, go);
  else go();
}

function wireHistory() {
  $("session-list").addEventListener("click", (e) => {
    const i = e.target.dataset?.session;
    if (i === undefined) return;
    project.current = +i;
    take(project);
    fillForm();
    recompute();
  });
  $("session-new").onclick = () => replace("the sessions before the new one", () => {
    project.sessions.push(newSession(state));
    project.current = project.sessions.length - 1;
    state = project.sessions[project.current].state;
  }, "A new session: the mirror and its zones, the readings empty.");
  $("session-date").addEventListener("input", () => {
    project.sessions[project.current].date = $("session-date").value;
    recompute();
  });
  $("session-note").addEventListener("input", () => {
    project.sessions[project.current].note = $("session-note").value;
    storeAll();
    showHistory(project);
  });
  for (const id of ["compare-a", "compare-b"]) $(id).addEventListener("input", () => showComparison(project));
  $("project-name").addEventListener("input", () => {
    take(projects.get($("project-name").value));
    fillForm();
    recompute();
  });
  $("project-new").onclick = () => {
    let n = projects.size + 1;
    while (projects.has(`Mirror ${n}`)) ++n;
    replace("the mirror in hand", () => {
      const fresh = { name: `Mirror ${n}`, current: 0, sessions: [{ date: new Date().toISOString().slice(0, 10), note: "", state: exampleState() }] };
      projects.set(fresh.name, fresh);
      take(fresh);
    }, `Mirror ${n} starts from the example.`);
    showProjects();
  };
  $("project-rename").onclick = () => {
    const name = (window.prompt("The mirror's name", project.name) || "").trim();
    if (!name || name === project.name || projects.has(name) || name.length > 100) return;
    projects.delete(project.name);
    project.name = name;
    projects.set(name, project);
    showProjects();
    storeAll();
  };
  $("project-delete").onclick = () => ask(`Delete ${project.name} and its ${project.sessions.length} sessions (you can undo)?`, () => {
    replace(project.name, () => {
      projects.delete(project.name);
      if (!projects.size) projects.set("My mirror", { name: "My mirror", current: 0, sessions: [{ date: "", note: "", state: exampleState() }] });
      take(projects.values().next().value);
    }, `Deleted. Undo brings it back.`);
    showProjects();
  });
}

async function start() {
  await pellux.load(window.PELLUX_WASM);
  window.Pellux = { ...pellux.functions, reduce: pellux.reduce, version: window.PELLUX_VERSION };
  $("version").textContent = `Version ${window.PELLUX_VERSION}.`;
  const stored = loadStored();
  // Every mirror kept; the session in hand is the stored one.
  projects = loadProjects();
  let name = null;
  try {
    name = localStorage.getItem(CURRENT);
  } catch (e) {
    name = null;
  }
  if (name === null || !projects.has(name)) {
    name = projects.size ? projects.keys().next().value : "My mirror";
    if (!projects.has(name)) projects.set(name, { name, current: 0, sessions: [{ date: "", note: "", state: stored.state }] });
  }
  take(projects.get(name));
  if (stored.aside === null) state = stored.state;
  project.sessions[project.current].state = state;
  showProjects();
  if (stored.aside !== null) {
    // A stored mirror that does not read: kept aside, offered for download.
    $("set-aside").hidden = false;
    $("set-aside-download").onclick = () => download("pellux-stored-mirror.txt", stored.aside, "text/plain");
  }
  fillForm();
  wire();
  recompute();
  document.body.dataset.ready = "true";
}

start();
