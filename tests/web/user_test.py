"""The page as a new user meets it, in headless Chromium: the slips that
must give no verdict from stale or refused inputs and lose nothing without
undo, the mirror's history (sessions, comparisons, project files, mirrors
deleted and undone), the mask printed at actual size with Chromium's
defaults, and what you should see.

    user_test.py PAGE XLHOST ADDIN REDUCTION EXAMPLE_MIRROR WORKDIR
"""
import base64
import os
import re
import subprocess
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), os.pardir))
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from checks import Checks  # noqa: E402
from page_support import browser, load_example, open_page  # noqa: E402
from selenium.webdriver.common.by import By  # noqa: E402
from selenium.webdriver.support.ui import WebDriverWait  # noqa: E402

page, xlhost, addin, reduction, example, work = sys.argv[1:7]
work = os.path.join(work, "user")
os.makedirs(work, exist_ok=True)
check = Checks()

driver = browser(work)
try:
    # ---- the slips of a new user: none gives a verdict from stale or
    # refused inputs, and none loses the mirror without a way back
    open_page(driver)
    load_example(driver)
    js = driver.execute_script
    figures = lambda: len(driver.find_elements(By.CSS_SELECTOR, "[data-label]"))
    note = lambda: driver.find_element(By.ID, "results-note").text
    runs_and_zones = lambda: js("return [document.getElementById('runs').value, document.querySelectorAll('#zone-table tbody tr').length]")
    # A 7-zone, 3-run block pasted at zone 1 over the example's 4 runs.
    block = "\n".join("%.3f\t%.3f\t%.3f\t%.3f\t%.3f" % (100 * (k / 7) ** 0.5, 100 * ((k + 1) / 7) ** 0.5,
                                                       0.1 * k, 0.1 * k + 0.01, 0.1 * k - 0.01) for k in range(7))
    js("""const input = document.querySelector("#zone-table input[data-row='0'][data-col='0']");
          const dt = new DataTransfer(); dt.setData('text', arguments[0]);
          input.dispatchEvent(new ClipboardEvent('paste', {clipboardData: dt, bubbles: true, cancelable: true}));""", block)
    check(runs_and_zones() == ["3", 7], "paste: runs and zones %s" % runs_and_zones())
    said = driver.find_element(By.ID, "undo-text").text
    check(said == "7 zones × 3 runs pasted; run 4 cleared.", "paste said %r" % said)
    driver.find_element(By.ID, "undo-button").click()
    check(runs_and_zones() == ["4", 5], "undo of the paste: %s" % runs_and_zones())
    # "Use these zones" on a filled table asks, clears the readings, undoes.
    driver.find_element(By.ID, "mask-zones").send_keys("4")
    driver.find_element(By.ID, "mask-use").click()
    check(driver.find_element(By.ID, "ask").is_displayed() and "readings go" in driver.find_element(By.ID, "ask-text").text,
          "use these zones did not ask")
    driver.find_element(By.ID, "ask-yes").click()
    check(runs_and_zones()[1] == 4 and figures() == 0 and note().startswith("Nothing is computed"),
          "use these zones: a verdict from the old readings (%s, %d figures)" % (runs_and_zones(), figures()))
    driver.find_element(By.ID, "undo-button").click()
    check(runs_and_zones() == ["4", 5] and figures() >= 24, "undo of use these zones")
    driver.find_element(By.ID, "mask-zones").clear()
    # The mask follows the diameter even with an error in the table.
    js("const i = document.querySelector(\"#zone-table input[data-row='2'][data-col='3']\"); i.value = 'x'; i.dispatchEvent(new Event('input', {bubbles: true}));")
    diameter = driver.find_element(By.ID, "diameter")
    diameter.clear()
    diameter.send_keys("300")
    check("150.0 mm" in driver.find_element(By.ID, "mask-note").text, "the mask does not follow the diameter: %r" % driver.find_element(By.ID, "mask-note").text)
    load_example(driver)
    # Units switched with values typed: every length converted, the same figures.
    before = js("return Object.fromEntries([...document.querySelectorAll('[data-label]')].map(e => [e.dataset.label, Number(e.dataset.value)]))")
    units = driver.find_element(By.ID, "units")
    js("arguments[0].value = 'in'; arguments[0].dispatchEvent(new Event('input'));", units)
    after = js("return Object.fromEntries([...document.querySelectorAll('[data-label]')].map(e => [e.dataset.label, Number(e.dataset.value)]))")
    check(abs(float(driver.find_element(By.ID, "diameter").get_attribute("value")) - 200 / 25.4) < 1e-9 and
          abs(float(driver.find_element(By.ID, "readingUncertainty").get_attribute("value")) - 0.05 / 25.4) < 1e-12 and
          abs(float(driver.find_element(By.ID, "secondary").get_attribute("value")) - 44 / 25.4) < 1e-9,
          "units: lengths not converted")
    for label in ("Peak-to-valley wavefront error, whole mirror (waves)", "Correction (%)", "Strehl ratio"):
        check(abs(after[label] - before[label]) <= 1e-6 * abs(before[label]) + 1e-12, "units changed %s: %s -> %s" % (label, before[label], after[label]))
    js("arguments[0].value = 'mm'; arguments[0].dispatchEvent(new Event('input'));", units)
    results = driver.find_element(By.ID, "results").text
    check("mils" not in results and "(in)" not in results, "a mm mirror shows inches or mils")
    # Inputs the mirror-file reader refuses: marked at the field, nothing computed.
    refused = [("diameter", "0"), ("diameter", "-200"), ("diameter", "5"), ("radius", "1e300"), ("radius", "-96"),
               ("wavelength", "0.55"), ("wavelength", "0"), ("readingUncertainty", "-1"), ("fieldStop", "-1"), ("secondary", "0")]
    for field, value in refused:
        element = driver.find_element(By.ID, field)
        kept = element.get_attribute("value")
        element.clear()
        element.send_keys(value)
        marked = driver.find_element(By.ID, field + "-error").text or js("return document.getElementById('row-errors').textContent")
        check(figures() == 0 and note().startswith("Nothing is computed") and marked, "%s = %s: computed, or not said why" % (field, value))
        element.clear()
        element.send_keys(kept)
    check(figures() >= 24, "the mirror did not come back")
    # A mirror typed in inches on a page in mm: a warning names the slip.
    for field, value in (("diameter", "8"), ("radius", "96")):
        element = driver.find_element(By.ID, field)
        element.clear()
        element.send_keys(value)
    check("did you mean inches" in driver.find_element(By.ID, "diameter-error").text, "no hint at an 8 mm mirror")
    # Load the example over a typed mirror: asked, then undone.
    load_example(driver)
    coc = driver.find_element(By.ID, "coc")
    coc.clear()
    coc.send_keys("0.21")
    driver.find_element(By.ID, "example").click()
    check(driver.find_element(By.ID, "ask").is_displayed(), "the example replaced a typed mirror without asking")
    driver.find_element(By.ID, "ask-yes").click()
    check(driver.find_element(By.ID, "coc").get_attribute("value") == "0", "the example not loaded")
    driver.find_element(By.ID, "undo-button").click()
    check(driver.find_element(By.ID, "coc").get_attribute("value") == "0.21", "undo did not bring the mirror back")
    # Stored states that do not read: set aside, the page starts clean, never hangs.
    for stored in ('{"zones":[null]}', '{"zones":[]}', '{"runs":1e9,"zones":[]}', "not json", '{"runs":3,"zones":[{"inner":1,"outer":2,"runs":[]}]}'):
        js("localStorage.setItem('pellux.mirror', arguments[0]);", stored)
        open_page(driver)
        check(driver.find_element(By.ID, "set-aside").is_displayed() and figures() >= 24,
              "stored %s: not set aside, or the page does not work" % stored)
        check(js("return localStorage.getItem('pellux.mirror.set-aside')") == stored, "stored %s not kept aside" % stored)

    # ---- the mirror's history: sessions added, noted and compared; the
    # project saved and reopened byte for byte; a mirror deleted and undone
    open_page(driver)
    load_example(driver)
    driver.find_element(By.ID, "session-new").click()
    check(len(driver.find_elements(By.CSS_SELECTOR, "#session-list li")) >= 2, "no new session")
    check(figures() == 0, "a new session computes from readings it has not got")
    later = "\n".join("%s\t%s\t%.3f\t%.3f" % (inner, outer, r, r + 0.01) for inner, outer, r in
                      ((19.17, 52.659, 0), (52.659, 71.972, 0.70), (71.972, 84.455, 1.30), (84.455, 93.345, 1.75), (93.345, 100, 2.05)))
    js("""const input = document.querySelector("#zone-table input[data-row='0'][data-col='0']");
          const dt = new DataTransfer(); dt.setData('text', arguments[0]);
          input.dispatchEvent(new ClipboardEvent('paste', {clipboardData: dt, bubbles: true, cancelable: true}));""", later)
    note_field = driver.find_element(By.ID, "session-note")
    note_field.send_keys("W stroke 1/3, 20 min")
    check(figures() >= 24, "the new session does not compute")
    n = len(driver.find_elements(By.CSS_SELECTOR, "#session-list li"))
    js("const a = document.getElementById('compare-a'), b = document.getElementById('compare-b');"
       "a.value = String(arguments[0] - 2); b.value = String(arguments[0] - 1); a.dispatchEvent(new Event('input'));", n)
    verdicts = js("return [...document.querySelectorAll('#comparison div')].map(d => d.textContent)")
    check(len(verdicts) == 4 and any("a real change" in v for v in verdicts) and "correction" in verdicts[3],
          "the comparison says %s" % verdicts)
    check("W stroke 1/3, 20 min" in driver.find_element(By.ID, "session-list").text, "the note is not in the list")
    # Saved, reopened, saved again: the same bytes.
    js("window.__saved = []; URL.createObjectURL = (b) => { b.text().then(t => window.__saved.push(t)); return 'data:,'; };")
    driver.find_element(By.ID, "save").click()
    WebDriverWait(driver, 10).until(lambda d: d.execute_script("return window.__saved.length") == 1)
    saved = js("return window.__saved[0]")
    project_file = os.path.join(work, "project.csv")
    open(project_file, "w").write(saved)
    check(saved.count("\nsession,") + saved.startswith("session,") >= 2, "the saved file holds %d sessions" % saved.count("session,"))
    driver.find_element(By.ID, "open").send_keys(project_file)
    if driver.find_element(By.ID, "ask").is_displayed():
        driver.find_element(By.ID, "ask-yes").click()
    driver.find_element(By.ID, "save").click()
    WebDriverWait(driver, 10).until(lambda d: d.execute_script("return window.__saved.length") == 2)
    check(js("return window.__saved[1]") == saved, "the project did not come back byte for byte")
    reduced = subprocess.run([reduction, "--mirror", project_file, "--compare", "1,%d" % n, os.path.join(work, "project.xlsx")],
                             capture_output=True, text=True)
    check(reduced.returncode == 0, "pellux-reduction on the page's project: " + reduced.stderr)
    # A mirror deleted, then undone.
    driver.find_element(By.ID, "project-new").click()
    names = lambda: js("return [...document.querySelectorAll('#project-name option')].map(o => o.value)")
    before = names()
    driver.find_element(By.ID, "project-delete").click()
    driver.find_element(By.ID, "ask-yes").click()
    check(len(names()) == len(before) - 1, "the mirror was not deleted: %s" % names())
    driver.find_element(By.ID, "undo-button").click()
    check(names() == before, "undo did not bring the mirror back: %s" % names())

    # ---- the mask printed from the page with Chromium's default settings:
    # the 100 mm bar 1000 +- 5 pixels at 254 dpi on every sheet
    open_page(driver)
    load_example(driver)
    js("const p = document.getElementById('mask-paper'); p.value = 'letter'; p.dispatchEvent(new Event('input'));")
    js("window.print = () => {}; document.getElementById('mask-print').click();")
    check(js("return document.body.classList.contains('printing-mask') && document.querySelectorAll('#mask-sheets .sheet').length"),
          "printing the mask made no sheets")
    pdf = os.path.join(work, "mask-letter.pdf")
    open(pdf, "wb").write(base64.b64decode(driver.execute_cdp_cmd("Page.printToPDF", {})["data"]))
    js("window.dispatchEvent(new Event('afterprint'))")
    check(not js("return document.body.classList.contains('printing-mask') || !!document.getElementById('mask-page')"),
          "the page stays in print mode after printing")
    sheets = js("return document.querySelectorAll('#mask-sheets .sheet').length")
    info = subprocess.run(["pdfinfo", pdf], capture_output=True, text=True).stdout
    pages = int(re.search(r"^Pages:\s+(\d+)", info, re.M).group(1))
    check(pages == sheets, "the mask's %d sheets printed on %d pages" % (sheets, pages))
    bars = []
    for sheet in range(1, pages + 1):
        subprocess.run(["pdftoppm", "-r", "254", "-gray", "-f", str(sheet), "-l", str(sheet), pdf, os.path.join(work, "mask-page")], check=True)
        pgm = [f for f in os.listdir(work) if f.startswith("mask-page") and f.endswith(".pgm")][0]
        data = open(os.path.join(work, pgm), "rb").read()
        os.remove(os.path.join(work, pgm))
        header = data.split(b"\n", 3)
        width, height = map(int, header[1].split())
        pixels = header[3]
        runs = set()
        for y in range(0, height, 2):
            row = pixels[y * width:(y + 1) * width]
            run = 0
            for x in range(width):
                if row[x] < 100:
                    run += 1
                else:
                    if run > 900:
                        runs.add(run)
                    run = 0
        bars.append(min(runs, key=lambda r: abs(r - 1000)) if runs else 0)
    check(all(abs(b - 1000) <= 5 for b in bars), "the 100 mm bar at 254 dpi: %s px" % bars)
    print("the page's mask on Letter: %d sheets, the 100 mm bar %s px at 254 dpi" % (pages, bars))

    # What you should see: the example's Foucaultgram at each zone's stop,
    # changing with the knife; the time a 256-pixel picture takes.
    open_page(driver)
    seen = driver.execute_script("""
        const slider = document.getElementById('see-position'), canvas = document.getElementById('see-picture');
        const stops = [...document.querySelectorAll('#see-stops option')].map(o => Number(o.value));
        const shots = [], times = [];
        for (const r of stops) {
          slider.value = String(r); slider.dispatchEvent(new Event('input'));
          times.push(Number(canvas.dataset.ms));
          const d = canvas.getContext('2d').getImageData(0, 0, canvas.width, canvas.height).data;
          let sum = 0, sq = 0, n = 0;
          for (let i = 0; i < d.length; i += 4) if (d[i] > 0) { sum += d[i]; sq += d[i] * d[i]; ++n; }
          shots.push([n, sum / n, Math.sqrt(sq / n - (sum / n) ** 2)]);
        }
        times.sort((a, b) => a - b);
        return {stops: stops.length, shots, ms: times[times.length >> 1]};""")
    check(seen["stops"] == 5, "what you should see: %d stops for 5 zones" % seen["stops"])
    check(all(n > 30000 and spread > 5 for n, _, spread in seen["shots"]), "what you should see: %s" % seen["shots"])
    check(len({round(mean) for _, mean, _ in seen["shots"]}) > 1, "the picture does not follow the knife")
    print("a 256-pixel Foucaultgram in the page: %.1f ms (median)" % seen["ms"])
    driver.save_screenshot(os.path.join(work, "see.png"))

finally:
    driver.quit()

check.finish()
