"""What the page's tests share: headless Chromium with a profile of its
own, the page opened from disk, the example loaded, exact comparisons."""
import os
import struct
import sys
import time

from selenium import webdriver
from selenium.webdriver.chrome.service import Service
from selenium.webdriver.common.by import By
from selenium.webdriver.support.ui import WebDriverWait

page = sys.argv[1]


def bits(x):
    return struct.unpack("<Q", struct.pack("<d", x))[0]


def same(a, b):
    if isinstance(a, str) or isinstance(b, str):
        return a == b
    if a != a and b != b:
        return True
    return bits(a) == bits(b)


def browser(work):
    """Headless Chromium with a profile of its own in `work`."""
    options = webdriver.ChromeOptions()
    for flag in ("--headless=new", "--no-sandbox", "--disable-gpu", "--disable-dev-shm-usage",
                 "--disable-background-networking", "--disable-component-update", "--disable-sync",
                 "--no-first-run", "--window-size=1280,2400", "--user-data-dir=" + os.path.join(work, "profile")):
        options.add_argument(flag)
    options.binary_location = "/usr/bin/chromium"
    for attempt in range(2):  # the first start after installing can hang once
        try:
            return webdriver.Chrome(service=Service("/usr/bin/chromedriver"), options=options)
        except Exception:
            if attempt:
                raise
            time.sleep(2)


def load_example(driver):
    """Load the example, saying yes when the page asks before replacing a mirror."""
    driver.find_element(By.ID, "example").click()
    if driver.find_element(By.ID, "ask").is_displayed():
        driver.find_element(By.ID, "ask-yes").click()


def open_page(driver):
    driver.get("file://" + os.path.abspath(page))
    WebDriverWait(driver, 60).until(lambda d: d.execute_script("return document.body.dataset.ready === 'true'"))
