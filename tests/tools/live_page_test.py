#!/usr/bin/python3
"""orv-live's page in a real headless Chromium: the image arrives, a blocker's bExtraScale moved
with its editor changes it, a clicked pixel's explanation names the blocker, taking the blocker
off its light changes the image and undo puts it back, undo brings the very same image back,
and a save writes the edit to the file. Exit 77 (skipped) when no
browser can start. With ORV_UPDATE_SCREENSHOT=1 it writes docs/images/live.png.

Usage: live_page_test.py ORV_LIVE SCENE SCREENSHOT"""
import json
import os
import shutil
import signal
import subprocess
import sys
import tempfile
import urllib.parse

try:
    from selenium import webdriver
    from selenium.webdriver.chrome.options import Options
    from selenium.webdriver.chrome.service import Service
    from selenium.webdriver.common.action_chains import ActionChains
    from selenium.webdriver.common.by import By
    from selenium.webdriver.common.keys import Keys
    from selenium.webdriver.support.ui import WebDriverWait
except ImportError as missing:
    print("SKIPPED: selenium is not installed for /usr/bin/python3 (%s)" % missing)
    sys.exit(77)

# The image showing, with its generation, when it is a finished one: read in one script, so
# that no newer image can come between. Equal images, equal data URLs.
FINISHED_IMAGE = """
const img = document.getElementById('image');
if (img.dataset.final !== '1' || !img.complete || img.naturalWidth === 0) return null;
const canvas = document.createElement('canvas');
canvas.width = img.naturalWidth; canvas.height = img.naturalHeight;
canvas.getContext('2d').drawImage(img, 0, 0);
return [img.dataset.generation, canvas.toDataURL()];"""


def start_browser():
    options = Options()
    for argument in ["--headless=new", "--no-sandbox", "--disable-gpu", "--window-size=1400,860",
                     "--disable-dev-shm-usage"]:
        options.add_argument(argument)
    if os.path.exists("/usr/bin/chromium"):
        options.binary_location = "/usr/bin/chromium"
    try:
        return webdriver.Chrome(service=Service("/usr/bin/chromedriver"), options=options)
    except Exception as error:  # noqa: BLE001 - any failure to start is a skip
        print("SKIPPED: no browser could start: %s" % str(error).splitlines()[0])
        sys.exit(77)


def main(tool, source, screenshot):
    folder = tempfile.mkdtemp(prefix="orv_live_page_")
    scene = os.path.join(folder, "demo.json")
    shutil.copyfile(source, scene)
    original = json.load(open(scene))
    live = subprocess.Popen([tool, scene], stdout=subprocess.PIPE, text=True)
    browser = None
    try:
        address = live.stdout.readline().strip()
        assert urllib.parse.urlsplit(address).port, "no address printed: %r" % address
        browser = start_browser()
        wait = WebDriverWait(browser, 60)
        browser.get(address)

        def final_image(generation_not=None):
            """Waits for the finished image of a newer generation: its generation, its pixels."""
            def shown(b):
                image = b.execute_script(FINISHED_IMAGE)
                return image if image and image[0] != generation_not else None
            return wait.until(shown)

        def differences(changed):
            """Waits for the differences panel to say the session differs from the file, or not."""
            wait.until(lambda b: b.find_element(By.ID, "differences-count").get_attribute(
                "data-changed") == ("1" if changed else "0"))

        generation, before = final_image()

        # The blocker's editor: type a new bExtraScale and commit it.
        browser.find_element(By.CSS_SELECTOR, "#entities li[data-name='shadowCard']").click()
        field = wait.until(lambda b: b.find_element(
            By.CSS_SELECTOR, "#params input[type=number][data-param='bExtraScale']"))
        field.send_keys(Keys.CONTROL, "a")
        field.send_keys("1.2", Keys.ENTER)
        generation, edited = final_image(generation)
        assert edited != before, "the image did not change with bExtraScale"
        differences(True)

        # A pixel on the floor, lit by the key light through shadowCard.
        scene_size = browser.execute_script("return [state.scene.width, state.scene.height]")
        img = browser.find_element(By.ID, "image")
        px, py = 171, 190  # the floor under the blocker's sphere, at 320x240
        dx = (px + 0.5) / scene_size[0] * img.size["width"] - img.size["width"] / 2
        dy = (py + 0.5) / scene_size[1] * img.size["height"] - img.size["height"] / 2
        ActionChains(browser).move_to_element_with_offset(img, dx, dy).click().perform()
        wait.until(lambda b: "shadowCard" in b.find_element(By.ID, "explain").text)
        explained = browser.find_element(By.ID, "explain")
        assert explained.get_attribute("data-pixel") == "%d,%d" % (px, py), \
            explained.get_attribute("data-pixel")
        if os.environ.get("ORV_UPDATE_SCREENSHOT") == "1":
            browser.save_screenshot(screenshot)
            print("wrote", screenshot)

        # The key light's filter taken off with its editor lights the floor under the blocker;
        # undone, the blocker is back.
        browser.find_element(By.CSS_SELECTOR, "#entities li[data-name='key']").click()
        wait.until(lambda b: b.find_element(
            By.CSS_SELECTOR, "#params button[data-filter='shadowCard']")).click()
        generation, unfiltered = final_image(generation)
        assert unfiltered != edited, "the image did not change without the key light's filter"
        browser.find_element(By.ID, "undo").click()
        generation, refiltered = final_image(generation)
        assert refiltered == edited, "undo did not put the filter back"
        wait.until(lambda b: b.find_elements(
            By.CSS_SELECTOR, "#params button[data-filter='shadowCard']"))

        # Undo: the very image of before the edit, and nothing differs from the file.
        browser.find_element(By.ID, "undo").click()
        generation, undone = final_image(generation)
        assert undone == before, "undo did not bring back the image of before the edit"
        differences(False)
        assert json.load(open(scene)) == original

        # Redo and save: the file holds the edit, and only it.
        browser.find_element(By.ID, "redo").click()
        final_image(generation)
        differences(True)
        browser.find_element(By.ID, "save").click()
        differences(False)
        saved = json.load(open(scene))
        expected = json.loads(json.dumps(original))
        for node in expected["nodes"]:
            if node["name"] == "shadowCard":
                node["bExtraScale"] = 1.2
        assert saved == expected, "the saved file is not the scene with the edit"
        print("the page edits, explains, undoes and saves")
        return 0
    finally:
        if browser is not None:
            browser.quit()
        live.send_signal(signal.SIGINT)
        try:
            live.wait(20)
        except subprocess.TimeoutExpired:
            live.kill()
        shutil.rmtree(folder, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main(sys.argv[1], sys.argv[2], sys.argv[3]))
