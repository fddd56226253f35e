"""From photographs, in headless Chromium: pictures made by pellux-simulate,
chosen through the page's file input, give pellux-photo's readings to
1e-9 in; "Use these readings" adds them to the zone table as another run
when the zones are the table's; slips (no knife readings, a list of the
wrong length, a file that is not a picture) say so and measure nothing.

    photo_page_test.py PAGE PELLUX-SIMULATE PELLUX-PHOTO WORKDIR
"""
import os
import shutil
import subprocess
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), os.pardir))
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from checks import Checks  # noqa: E402
from page_support import browser, open_page  # noqa: E402
from selenium.webdriver.common.by import By  # noqa: E402

page, simulate, photo, work = sys.argv[1:5]
work = os.path.join(work, "photos")
shutil.rmtree(work, ignore_errors=True)
os.makedirs(work)
check = Checks()

# An 8 in f/6 paraboloid on a moving-source tester, 24 pictures.
knife = ",".join("%.3f" % (-0.006 + 0.004 * k) for k in range(24))
subprocess.run([simulate, "--diameter", "8", "--units", "in", "--radius-of-curvature", "96", "--conic", "-1",
                "--tester", "moving", "--source-width", "0.004", "--size", "300", "--knife", knife,
                os.path.join(work, "s.png")], check=True, capture_output=True)
pictures = sorted(os.path.join(work, f) for f in os.listdir(work) if f.startswith("s-"))
subprocess.run([photo, "--diameter", "8", "--units", "in", "--radius-of-curvature", "96", "--tester", "moving",
                "--knife", "-0.006,0.004", "--zones", "10", "--mirror", os.path.join(work, "m.csv"), *pictures],
               check=True, capture_output=True)
lines = open(os.path.join(work, "m.csv")).read().splitlines()
tool = [float(line.split(",")[2]) for line in lines[lines.index("inner,outer,photos") + 1:]]

# The same mirror through a 6-window Couder mask.
subprocess.run([simulate, "--diameter", "8", "--units", "in", "--radius-of-curvature", "96", "--conic", "-1",
                "--tester", "moving", "--source-width", "0.004", "--size", "300", "--mask", "6",
                "--knife", ",".join("%.3f" % (-0.02 + 0.005 * k) for k in range(24)), os.path.join(work, "k.png")],
               check=True, capture_output=True)
masked = sorted(os.path.join(work, f) for f in os.listdir(work) if f.startswith("k-"))
subprocess.run([photo, "--diameter", "8", "--units", "in", "--radius-of-curvature", "96", "--tester", "moving",
                "--knife", "-0.02,0.005", "--zones", "6", "--mask", "--mirror", os.path.join(work, "k.csv"), *masked],
               check=True, capture_output=True)
lines = open(os.path.join(work, "k.csv")).read().splitlines()
tool_masked = [float(line.split(",")[2]) for line in lines[lines.index("inner,outer,photos") + 1:]]

driver = browser(work)
try:
    open_page(driver)
    js = driver.execute_script
    driver.find_element(By.ID, "open").send_keys(os.path.join(work, "m.csv"))
    if driver.find_element(By.ID, "ask").is_displayed():
        driver.find_element(By.ID, "ask-yes").click()
    note = lambda: driver.find_element(By.ID, "photo-note").text
    files = driver.find_element(By.ID, "photo-files")

    def choose(paths):
        js("document.getElementById('photo-note').textContent = ''; document.getElementById('photo-files').value = ''")
        files.send_keys("\n".join(paths))
        for _ in range(400):
            if "chosen" in note() or "not a picture" in note():
                break
            time.sleep(0.05)

    def fill(id_, text):
        e = driver.find_element(By.ID, id_)
        e.clear()
        e.send_keys(text)

    def measure():
        driver.find_element(By.ID, "photo-measure").click()
        return note()

    # Slips first: a file that is not a picture, no knife readings, a list of the wrong length.
    open(os.path.join(work, "notes.png"), "w").write("not a picture")
    choose([os.path.join(work, "notes.png")] + pictures[:3])
    check("notes.png: not a picture" in note(), "a file that is not a picture: %s" % note())
    choose(pictures)
    check("24 pictures chosen" in note(), "pictures chosen: %s" % note())
    check("knife reading" in measure(), "no knife readings: %s" % note())
    fill("photo-list", "0, 0.004, 0.008")
    check("3 knife readings for 24 pictures" in measure(), "a short list: %s" % note())
    check(not driver.find_element(By.ID, "photo-use").is_displayed(), "a slip offers readings to use")

    # Four pictures before most nulls: refused. Two zones, one of them
    # bracketed: read, but said to be raw.
    choose(pictures[1:5])
    fill("photo-list", "")
    fill("photo-start", "-0.002")
    fill("photo-step", "0.004")
    fill("photo-zones", "10")
    check("carry the knife across" in measure(), "a series short of the outer nulls: %s" % note())
    choose(pictures[5:])
    fill("photo-start", "0.014")
    fill("photo-zones", "2")
    check("not corrected for diffraction" in measure(), "too few zones to correct: %s" % note())
    choose(pictures)

    # The series: the tool's readings to 1e-9 in.
    fill("photo-list", "")
    fill("photo-start", "-0.006")
    fill("photo-step", "0.004")
    fill("photo-zones", "10")
    said = measure()
    page_readings = js("return [...document.querySelectorAll('#photo-table td[data-value]')].map(td => Number(td.dataset.value))")
    worst = max(abs(a - b) for a, b in zip(page_readings, tool)) if len(page_readings) == len(tool) else 1
    check(len(page_readings) == 10 and worst <= 1e-9, "page against tool: %s vs %s" % (page_readings, tool))
    print("%s; page against pellux-photo: %.1e in at worst" % (said, worst))

    # The tool's mirror file, reduced: the true paraboloid's figures (a P-V
    # of 0) within their uncertainty, and its verdict.
    figure = lambda label: float(js("return [...document.querySelectorAll('#figures dd')]"
                                    ".find(d => d.dataset.label === arguments[0]).dataset.value", label))
    pv = figure("P-V less the noise's bias (waves)")
    spread = figure("Peak-to-valley wavefront error uncertainty (waves)")
    verdict = driver.find_element(By.ID, "verdicts").text
    print("from the photographs: P-V less bias %.3f ± %.3f wave; %s" % (pv, spread, verdict.splitlines()[0]))
    check(pv <= 2 * spread and "within 1/4 wave" in verdict, "the true mirror's figures: %.3f ± %.3f, %s" %
          (pv, spread, verdict))

    # Used: the table's zones are the series', so the readings are run 2.
    driver.find_element(By.ID, "photo-use").click()
    runs = js("return document.getElementById('runs').value")
    check(runs == "2", "the photographs' readings as run 2: runs %s" % runs)
    js("document.getElementById('photos').scrollIntoView()")
    driver.save_screenshot(os.path.join(work, "photos.png"))

    # Through a mask: ticked, the windows are the 6 zones, as the tool reads them.
    choose(masked)
    fill("photo-start", "-0.02")
    fill("photo-step", "0.005")
    fill("photo-zones", "6")
    driver.find_element(By.ID, "photo-zone-source").send_keys("equal")
    driver.find_element(By.ID, "photo-masked").click()
    said = measure()
    page_masked = js("return [...document.querySelectorAll('#photo-table td[data-value]')].map(td => Number(td.dataset.value))")
    worst = max(abs(a - b) for a, b in zip(page_masked, tool_masked)) if len(page_masked) == len(tool_masked) else 1
    check(len(page_masked) == 6 and worst <= 1e-9, "masked: page against tool: %s vs %s" % (page_masked, tool_masked))
    print("through a mask: %s; page against pellux-photo: %.1e in at worst" % (said, worst))

    # Slips after measuring: the units switched (the series and the knife
    # readings follow, so that using them puts millimetres into the
    # millimetre table), and a spreadsheet's column pasted into the list.
    js("arguments[0].value = 'mm'; arguments[0].dispatchEvent(new Event('input'));", driver.find_element(By.ID, "units"))
    in_mm = js("return [...document.querySelectorAll('#photo-table td[data-value]')].map(td => Number(td.dataset.value))")
    worst = max(abs(a - 25.4 * b) for a, b in zip(in_mm, tool_masked)) if len(in_mm) == len(tool_masked) else 1
    start = js("return document.getElementById('photo-start').value")
    check(worst <= 25.4e-9 and start == "-0.508", "units switched: readings off by %.1e mm, start %s" % (worst, start))
    driver.find_element(By.ID, "photo-use").click()
    if driver.find_element(By.ID, "ask").is_displayed():
        driver.find_element(By.ID, "ask-yes").click()
    first = js("return [...document.querySelectorAll('#zone-table input')].map(i => i.value).slice(0, 3)")
    check(abs(float(first[2]) - 25.4 * tool_masked[0]) <= 1e-6, "used after the switch, in mm: %s" % first)
    js("const f = document.getElementById('photo-list'); f.value = ''; const d = new DataTransfer();"
       "d.setData('text/plain', '0.1\\n0.2\\n0.3\\n'); f.dispatchEvent(new ClipboardEvent('paste', {clipboardData: d, cancelable: true}));")
    pasted = js("return document.getElementById('photo-list').value")
    check(pasted == "0.1, 0.2, 0.3", "a column pasted into the list: %r" % pasted)
finally:
    driver.quit()

check.finish()
