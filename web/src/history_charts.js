// The history's charts: the figures across sessions with ±1 standard
// uncertainty, and two sessions' shapes with their difference and its band.
import { Chart } from "chart.js";

let progress = null, comparison = null;

const options = (title, y, right) => ({
  animation: false, responsive: true, maintainAspectRatio: false,
  plugins: { title: { display: true, text: title }, legend: { position: "bottom" } },
  scales: { x: { type: "category" }, y: { type: "linear", title: { display: true, text: y } },
    ...(right ? { y1: { type: "linear", position: "right", title: { display: true, text: right }, grid: { drawOnChartArea: false } } } : {}) },
});

export function drawProgress(sessions) {
  const bars = (label, key, spread, axis, colour, k = 1) => ({
    type: "lineWithErrorBars", label, yAxisID: axis, borderColor: colour, backgroundColor: colour, errorBarColor: colour,
    data: sessions.map((s) => (s.r ? { y: s.r[key] * k, yMin: (s.r[key] - s.r[spread]) * k, yMax: (s.r[key] + s.r[spread]) * k } : { y: null })),
  });
  const data = {
    labels: sessions.map((s) => s.label),
    datasets: [
      bars("P-V (waves)", "P-V less the noise's bias (waves)", "Peak-to-valley wavefront error uncertainty (waves)", "y", "#2f5597"),
      bars("RMS (waves)", "RMS less the noise's bias (waves)", "RMS wavefront error uncertainty (waves)", "y", "#70ad47"),
      bars("Correction (%)", "Correction (%)", "Correction uncertainty (%)", "y1", "#c00000"),
      bars("Strehl ratio (%)", "Strehl ratio less the noise's bias", "Strehl ratio uncertainty", "y1", "#7f6000", 100),
    ],
  };
  if (progress) progress.destroy();
  progress = new Chart(document.getElementById("progress-chart"), { type: "lineWithErrorBars", data, options: options("The mirror's progress", "waves", "per cent") });
}

export function drawComparison(c, units) {
  if (comparison) comparison.destroy();
  comparison = null;
  if (!c) return;
  const k = units === "mm" ? 25.4 : 1;
  const line = (label, key, colour, dash) => ({
    type: "line", label, borderColor: colour, backgroundColor: colour, pointRadius: 0, borderDash: dash || [],
    data: c.points.map((p) => ({ x: p.radius * k, y: p[key] })),
  });
  const band = (sign) => ({
    type: "line", label: sign > 0 ? "difference ± 2 standard uncertainties" : "", borderColor: "#c0000060", pointRadius: 0, borderDash: [3, 3],
    data: c.points.map((p) => ({ x: p.radius * k, y: p.difference + sign * 2 * p.band })),
  });
  comparison = new Chart(document.getElementById("comparison-chart"), {
    type: "line",
    data: { datasets: [line("before", "before", "#2f5597"), line("after", "after", "#70ad47"), line("difference", "difference", "#c00000"), band(1), band(-1)] },
    options: {
      animation: false, responsive: true, maintainAspectRatio: false,
      plugins: { title: { display: true, text: "The shapes, piston and refocus removed (waves)" },
        legend: { position: "bottom", labels: { filter: (item) => item.text !== "" } } },
      scales: { x: { type: "linear", title: { display: true, text: `Radius (${units})` } }, y: { type: "linear", title: { display: true, text: "waves" } } },
    },
  });
}
