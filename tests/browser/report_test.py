"""The HTML report in a real browser: rows and pictures per pair, sorting,
filtering, paging of a large run, and no script error on the page."""
import os
import re
import shutil
import subprocess
import sys
import tempfile

from selenium import webdriver
from selenium.webdriver.chrome.service import Service
from selenium.webdriver.common.by import By

SOURCE, BUILD = sys.argv[1], sys.argv[2]
SHOTS = sys.argv[3] if len(sys.argv) > 3 else ""
failures = []


def check(condition, what):
    print(("ok   " if condition else "FAIL ") + what)
    if not condition:
        failures.append(what)


def report(work, name, fasta, options=()):
    html = os.path.join(work, name + ".html")
    subprocess.run([os.path.join(BUILD, "torva"), "-q", *options, "-I", fasta,
                    "-O", os.path.join(work, name), "--report", html], check=True)
    return html


def browser(profile):
    options = webdriver.ChromeOptions()
    options.binary_location = shutil.which("chromium")
    for arg in ("--headless", "--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
                "--disable-background-networking", "--disable-component-update", "--disable-sync",
                "--user-data-dir=" + profile, "--window-size=1300,900"):
        options.add_argument(arg)
    options.set_capability("goog:loggingPrefs", {"browser": "ALL"})
    return webdriver.Chrome(service=Service(shutil.which("chromedriver")), options=options)


def visible_rows(driver):
    return [r for r in driver.find_elements(By.CSS_SELECTOR, "tr.pair") if r.is_displayed()]


def scores(rows):
    return [float(r.find_elements(By.TAG_NAME, "td")[5].get_attribute("data-v")) for r in rows]


def page_errors(driver):
    return [e["message"] for e in driver.get_log("browser") if e["level"] == "SEVERE"]


def examples(driver, work):
    fasta = os.path.join(SOURCE, "examples", "demo.fa")
    names = [line[1:].split()[0].split("|")[0] for line in open(fasta) if line.startswith(">")]
    pairs = len(names) // 2
    driver.get("file://" + report(work, "demo", fasta))
    rows = driver.find_elements(By.CSS_SELECTOR, "tr.pair")
    check(len(rows) == pairs, f"one tr.pair per pair ({len(rows)} of {pairs})")
    for k, row in enumerate(rows):
        text = row.text
        check(names[2 * k] in text and names[2 * k + 1] in text, f"row {k + 1} names its pair")
        check(len(row.find_elements(By.CSS_SELECTOR, "svg.thumb")) == 1, f"row {k + 1} has its picture")
    sections = driver.find_elements(By.CSS_SELECTOR, "section.detail")
    check(len(sections) == pairs, "one section per pair")
    for k, section in enumerate(sections):
        check(len(section.find_elements(By.CSS_SELECTOR, "details.picture svg .anchor")) > 0,
              f"section {k + 1} holds the full picture")
        check(section.find_element(By.CSS_SELECTOR, "details.view").get_attribute("open") is None,
              f"section {k + 1} is collapsed")
    header = driver.find_element(By.XPATH, "//th[text()='Score']")
    before = scores(driver.find_elements(By.CSS_SELECTOR, "tr.pair"))
    header.click()
    up = scores(driver.find_elements(By.CSS_SELECTOR, "tr.pair"))
    check(up == sorted(before), f"sorting by score orders the rows ({up})")
    header.click()
    down = scores(driver.find_elements(By.CSS_SELECTOR, "tr.pair"))
    check(down == sorted(before, reverse=True), f"a second click reverses them ({down})")
    if SHOTS:
        driver.save_screenshot(os.path.join(SHOTS, "report.png"))
    box = driver.find_element(By.ID, "filter")
    box.send_keys(names[2])
    shown = visible_rows(driver)
    check(len(shown) == 1 and names[2] in shown[0].text, f"the filter keeps only the matching row ({len(shown)})")
    box.clear()
    box.send_keys("no such pair")
    check(len(visible_rows(driver)) == 0, "a filter matching nothing hides every row")
    driver.execute_script("var f = document.getElementById('filter'); f.value = '';"
                          "f.dispatchEvent(new Event('input'));")
    check(len(visible_rows(driver)) == pairs, "clearing the filter shows every row again")
    errors = page_errors(driver)
    check(not errors, f"no script error on the page {errors}")


def large_run(driver, work):
    cases = open(os.path.join(SOURCE, "tests", "e2e", "dna_cases.fa")).read()
    records = re.split(r"(?m)^(?=>)", cases)
    pairs_text = "".join(records[1:13])  # six pairs; the odd record left out
    fasta = os.path.join(work, "many.fa")
    with open(fasta, "w") as f:
        f.write(pairs_text * 60)
    matrix = os.path.join(SOURCE, "tests", "e2e", "simple.matrix")
    driver.get("file://" + report(work, "many", fasta, ["-S", matrix, "-G", "5", "-A", "1", "-T", "6", "-C", "5"]))
    rows = driver.find_elements(By.CSS_SELECTOR, "tr.pair")
    check(len(rows) == 360, f"a large run has all its rows ({len(rows)})")
    check(not driver.find_elements(By.CSS_SELECTOR, "svg.thumb"), "a large run has no small pictures")
    first = visible_rows(driver)
    check(len(first) == 100, f"a large run shows one page of rows ({len(first)})")
    driver.find_element(By.CSS_SELECTOR, "#pager .next").click()
    second = visible_rows(driver)
    check(len(second) == 100 and second[0].text != first[0].text, "the next page shows other rows")
    errors = page_errors(driver)
    check(not errors, f"no script error on the large page {errors}")


def main():
    work = tempfile.mkdtemp(prefix="torva-browser-")
    driver = browser(os.path.join(work, "profile"))
    try:
        examples(driver, work)
        large_run(driver, work)
    finally:
        driver.quit()
        shutil.rmtree(work, ignore_errors=True)
    passed = "passed" if not failures else "failed"
    print(f"report browser test {passed}: {len(failures)} failed")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
