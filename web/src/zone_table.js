// The zone table: each zone's edges and runs as typed, and a block pasted
// from a spreadsheet, which sets the table to the block it brings.
import { emptyZone } from "./state.js";

const $ = (id) => document.getElementById(id);
const MAX_ZONES = 100, MAX_RUNS = 10;

export function drawZoneTable(state) {
  const t = $("zone-table");
  const head = ["Zone", "Inner", "Outer", ...Array.from({ length: state.runs }, (_, k) => `Run ${k + 1}`), ""];
  t.innerHTML = "<thead><tr>" + head.map((h) => `<th>${h}</th>`).join("") + "</tr></thead>";
  const body = document.createElement("tbody");
  state.zones.forEach((z, i) => {
    const tr = document.createElement("tr");
    tr.innerHTML = `<td class="no">${i + 1}${z.mask ? `<span class="mask-label">${z.mask.replace(/[<>&"]/g, "")}</span>` : ""}</td>`;
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
  runs.innerHTML = Array.from({ length: MAX_RUNS }, (_, k) => `<option>${k + 1}</option>`).join("");
  runs.value = String(state.runs);
}

export function readCell(state, input) {
  const z = state.zones[+input.dataset.row];
  const c = +input.dataset.col;
  if (c === 0) z.inner = input.value;
  else if (c === 1) z.outer = input.value;
  else z.runs[c - 2] = input.value;
}

// A block of tab-separated lines pasted at zone row0, column col0 (0 the
// inner edge, 2 the first run). From the table's first cell it is the whole
// table: its rows are the zones, its columns past the edges the runs, and
// nothing else stays. Elsewhere it fills its cells, the table growing to
// hold it. What it did (and dropped) is said.
export function pasteBlock(state, text, row0, col0) {
  let rows = text.replace(/\r\n?/g, "\n").replace(/\n$/, "").split("\n").map((l) => l.split("\t").map((v) => v.trim()));
  const dropped = [];
  if (row0 + rows.length > MAX_ZONES) {
    dropped.push(`${row0 + rows.length - MAX_ZONES} rows past zone ${MAX_ZONES}`);
    rows = rows.slice(0, MAX_ZONES - row0);
  }
  let width = Math.max(...rows.map((r) => r.length));
  if (col0 + width > 2 + MAX_RUNS) {
    dropped.push(`${col0 + width - 2 - MAX_RUNS} columns past run ${MAX_RUNS}`);
    width = 2 + MAX_RUNS - col0;
  }
  const before = state.runs;
  const whole = row0 === 0 && col0 === 0;
  if (whole) {
    state.zones = rows.map(() => emptyZone());
    state.runs = Math.max(1, width - 2);
  } else {
    while (state.zones.length < row0 + rows.length) state.zones.push(emptyZone());
    state.runs = Math.max(state.runs, Math.min(MAX_RUNS, col0 + width - 2));
  }
  rows.forEach((cells, r) => {
    const z = state.zones[row0 + r];
    cells.slice(0, width).forEach((v, c) => {
      const col = col0 + c;
      if (col === 0) z.inner = v;
      else if (col === 1) z.outer = v;
      else z.runs[col - 2] = v;
    });
  });
  let said = whole ? `${rows.length} zones × ${state.runs} runs pasted` : `${rows.length} rows × ${width} columns pasted`;
  if (whole && before > state.runs) said += before === state.runs + 1 ? `; run ${before} cleared` : `; runs ${state.runs + 1} to ${before} cleared`;
  if (dropped.length) said += `; dropped: ${dropped.join(", ")}`;
  return said + ".";
}
