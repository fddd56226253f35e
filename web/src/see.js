// "What you should see": the reduced mirror's Foucaultgram at a knife
// position, or its Ronchigram, drawn by the module into a canvas.
import { number as strictNumber } from "./mirror_file.js";
import * as pellux from "./pellux.js";

const $ = (id) => document.getElementById(id);
let mirror = null;
let ronchi = false;
let pending = 0; // a picture waiting for typing to pause

const number = (text) => strictNumber(text.trim());

function draw() {
  const canvas = $("see-picture");
  const size = canvas.width;
  const note = $("see-note");
  if (!mirror) return;
  let picture;
  const t0 = performance.now();
  if (ronchi) {
    const lpi = number($("see-lpi").value), offset = number($("see-offset").value);
    picture = lpi !== null && lpi > 0 && offset !== null ? pellux.ronchigram(size, lpi, offset) : null;
    note.textContent = picture ? `Ronchigram: ${lpi} lines per inch, ${offset} ${mirror.units} from the centre of curvature.` : "Lines per inch above 0 and an offset, please.";
  } else {
    const reading = Number($("see-position").value), width = number($("see-source").value);
    picture = width !== null && width >= 0 ? pellux.foucaultgram(size, reading, width) : null;
    $("see-reading").textContent = `${reading.toFixed(mirror.units === "mm" ? 3 : 4)} ${mirror.units}`;
    note.textContent = picture ? "The knife enters from the right, as you see the mirror." : "A source width of 0 or more, please.";
  }
  const ctx = canvas.getContext("2d");
  if (!picture) {
    ctx.clearRect(0, 0, size, size);
    return;
  }
  const image = ctx.createImageData(size, size);
  for (let i = 0; i < size * size; ++i) {
    const g = picture[i];
    image.data[4 * i] = image.data[4 * i + 1] = image.data[4 * i + 2] = g;
    image.data[4 * i + 3] = 255;
  }
  ctx.putImageData(image, 0, 0);
  canvas.dataset.ms = String(performance.now() - t0);
}

// A newly reduced mirror: the slider spans its readings, a stop at each
// zone's mean reading, the knife kept where it was when it still fits.
export function showMirror(m, zoneReadings) {
  mirror = m;
  // A pinhole of 0.1 mm (0.004 in) until the user types another width.
  const source = $("see-source");
  if (source.dataset.typed !== "1") source.value = m.units === "mm" ? "0.1" : "0.004";
  const slider = $("see-position");
  const finite = zoneReadings.filter(Number.isFinite);
  if (!finite.length) {
    mirror = null;
    $("see-note").textContent = "Nothing to show until the mirror reduces.";
    return;
  }
  const lo = Math.min(...finite), hi = Math.max(...finite), pad = Math.max((hi - lo) * 0.25, 1e-6);
  const previous = Number(slider.value);
  slider.min = String(lo - pad);
  slider.max = String(hi + pad);
  slider.step = String((hi - lo + 2 * pad) / 400);
  const stops = $("see-stops");
  stops.innerHTML = "";
  for (const r of finite) {
    const o = document.createElement("option");
    o.value = String(r);
    stops.appendChild(o);
  }
  if (!(previous >= lo - pad && previous <= hi + pad) || slider.dataset.set !== "1") slider.value = String(finite[0]);
  slider.dataset.set = "1";
  // The picture takes a tenth of a second: drawn once typing pauses, so
  // that every keystroke's figures come at once.
  clearTimeout(pending);
  pending = setTimeout(draw, 150);
}

export function clearMirror() {
  mirror = null;
  clearTimeout(pending);
  const canvas = $("see-picture");
  canvas.getContext("2d").clearRect(0, 0, canvas.width, canvas.height);
  $("see-note").textContent = "Nothing to show until the fields marked in red are fixed.";
}

export function wireSee() {
  const tab = (r) => {
    ronchi = r;
    $("see-foucault").setAttribute("aria-selected", String(!r));
    $("see-ronchi").setAttribute("aria-selected", String(r));
    $("see-knife").hidden = r;
    $("see-grating").hidden = !r;
    draw();
  };
  $("see-foucault").addEventListener("click", () => tab(false));
  $("see-ronchi").addEventListener("click", () => tab(true));
  for (const id of ["see-position", "see-source", "see-lpi", "see-offset"]) $(id).addEventListener("input", draw);
  $("see-source").addEventListener("input", () => ($("see-source").dataset.typed = "1"));
}
