// The two charts of the workbook, drawn by Chart.js: the transverse
// aberration zone by zone with ±1 standard deviation error bars and the ±1
// tolerance lines, and the wavefront profile from the first zone's inner edge.
import { CategoryScale, Chart, Legend, LinearScale, LineController, LineElement, PointElement, ScatterController, Title, Tooltip } from "chart.js";
import { LineWithErrorBarsController, PointWithErrorBar, ScatterWithErrorBarsController } from "chartjs-chart-error-bars";

Chart.register(LinearScale, CategoryScale, PointElement, LineElement, ScatterController, LineController, Legend, Title, Tooltip,
  ScatterWithErrorBarsController, LineWithErrorBarsController, PointWithErrorBar);

const BLUE = "#2f5597";
const RED = "#c00000";
let ta = null;
let profile = null;

function axes(x, y) {
  return {
    x: { type: "linear", title: { display: true, text: x } },
    y: { type: "linear", title: { display: true, text: y } },
  };
}

// Charts keep the size they were drawn at; on paper they take the printed
// column's width, and their screen size again after.
window.addEventListener("beforeprint", () => {
  for (const chart of [ta, profile]) if (chart) chart.resize(340, 210);
});
window.addEventListener("afterprint", () => {
  for (const chart of [ta, profile]) if (chart) chart.resize();
});

// The charts taken off the page while nothing is computed.
export function clearCharts() {
  if (ta) ta.destroy();
  if (profile) profile.destroy();
  ta = profile = null;
}

// Radii in the mirror's own units.
export function drawCharts(reduction, mirror) {
  const perInch = mirror.units === "mm" ? 25.4 : 1, unit = mirror.units;
  const edge = mirror.diameter / 2;
  const points = reduction.zones.map((z) => ({ x: z.zeff * perInch, y: z.ta, yMin: z.ta - z.taSd, yMax: z.ta + z.taSd }));
  const band = (y) => [{ x: 0, y }, { x: edge, y }];
  const taData = {
    datasets: [
      { type: "scatterWithErrorBars", label: "TA ±1 standard deviation", data: points,
        borderColor: BLUE, backgroundColor: BLUE, errorBarColor: BLUE, errorBarWhiskerColor: BLUE, showLine: true },
      { type: "line", label: "+1 tolerance", data: band(1), borderColor: RED, borderDash: [6, 4], pointRadius: 0 },
      { type: "line", label: "-1 tolerance", data: band(-1), borderColor: RED, borderDash: [6, 4], pointRadius: 0 },
    ],
  };
  const profileData = {
    datasets: [{ type: "line", label: "Wavefront (waves)", borderColor: BLUE, backgroundColor: BLUE,
      data: [{ x: reduction.start.edge * perInch, y: reduction.start.profileWaves },
        ...reduction.zones.map((z) => ({ x: z.edge * perInch, y: z.profileWaves }))] }],
  };
  const options = (title, x, y, legend) => ({
    animation: false, responsive: true, maintainAspectRatio: false,
    plugins: { title: { display: true, text: title }, legend: { display: legend, position: "bottom" } },
    scales: axes(x, y),
  });
  const taOptions = options("Transverse aberration at the best fit (tolerances)", `Zone radius Zeff (${unit})`, "TA in tolerances", true);
  const profileOptions = options("Wavefront profile at the whole-mirror P-V's centre of curvature (waves)",
    `Radius (${unit}): each zone's outer edge`, "Wavefront (waves)", false);
  // Charts that stand are given the new numbers, which is far quicker than
  // drawing them anew at every keystroke.
  if (ta && profile) {
    ta.data = taData;
    ta.options = taOptions;
    profile.data = profileData;
    profile.options = profileOptions;
    ta.update("none");
    profile.update("none");
    return;
  }
  ta = new Chart(document.getElementById("ta-chart"), { type: "scatterWithErrorBars", data: taData, options: taOptions });
  profile = new Chart(document.getElementById("profile-chart"), { type: "line", data: profileData, options: profileOptions });
}
