#!/usr/bin/env python3
"""The published page, measured: the web player's weight before the demo's
own files, examples/aurora's page from loading to its first frame on a
local server, and aurora's frames per second in headless Chromium
(SwiftShader) against the native player's on llvmpipe (under Xvfb) at the
same size. A script, as the browser tests are (tests/web/browser.py); CMake
writes it into the build's bench folder with the build's paths, and it
answers in Google Benchmark's JSON, for tools/write-benchmarks.

usage: bench/web_bench [--benchmark_format=json]
"""
import gzip
import json
import os
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

BUILD = "@CMAKE_BINARY_DIR@"
SOURCE = "@CMAKE_SOURCE_DIR@"
sys.path.insert(0, os.path.join(SOURCE, "tests", "web"))
from browser import Browser, Site  # noqa: E402

PLAYER = os.path.join(BUILD, "web", "player")
EXAMPLE = os.path.join(SOURCE, "examples", "aurora")
MUSIC = os.path.join(BUILD, "packaging", "demo.ogg")
WIDTH, HEIGHT = 640, 360
# The stretch of aurora whose frames are counted: the sky with the rings.
FROM, TO = 4.0, 10.0
LOADS = 5


def page_weight():
    files = ["index.html", "loader.js", "quadrelume.js", "quadrelume.wasm"]
    raw = sum(os.path.getsize(os.path.join(PLAYER, f)) for f in files)
    packed = sum(len(gzip.compress(open(os.path.join(PLAYER, f), "rb").read(), 9)) for f in files)
    return {"name": "pageWeight", "kilobytes": raw / 1024, "gzip_kilobytes": packed / 1024}


def example(folder, with_music):
    demo = os.path.join(folder, "aurora")
    shutil.copytree(EXAMPLE, demo, ignore=shutil.ignore_patterns("demo.ogg"))
    if with_music:
        shutil.copy(MUSIC, os.path.join(demo, "demo.ogg"))
    return demo


def publish(demo, site):
    subprocess.run([os.path.join(BUILD, "quadrelume-publish"), "--demo", demo, site], check=True,
                   capture_output=True)


def load_to_first_frame(browser, name, url):
    """Milliseconds from the start of loading to the first frame, the
    browser's cache off, median and worst of LOADS."""
    times = []
    for _ in range(LOADS):
        page = browser.open(WIDTH, HEIGHT)
        page.send("Network.enable")
        page.send("Network.setCacheDisabled", {"cacheDisabled": True})
        page.go(url)
        page.wait_for(("waiting", "playing"))
        times.append(page.evaluate("performance.getEntriesByName('quadrelume-first-frame')[0].startTime"))
        page.send("Page.close")
    return {"name": name, "median_ms": statistics.median(times), "worst_ms": max(times)}


def page_frame_rate(browser, url):
    page = browser.open(WIDTH, HEIGHT)
    page.go("%s#t=%g" % (url, FROM))
    page.wait_for(("playing",))
    start = time.time()
    first = page.state()[2]
    time.sleep(TO - FROM)
    frames = page.state()[2] - first
    return frames / (time.time() - start)


def native_frame_rate(demo, folder):
    """The plain player's frames per second over FROM..TO of the demo (on
    the timer clock: demo time is wall time), in a private Xvfb."""
    display_file = os.path.join(folder, "display")
    with open(display_file, "w") as display:
        server = subprocess.Popen(["Xvfb", "-displayfd", "1", "-screen", "0", "%dx%dx24" % (WIDTH, HEIGHT),
                                   "-nolisten", "tcp"], stdout=display, stderr=subprocess.DEVNULL)
    try:
        for _ in range(100):
            if open(display_file).read().strip():
                break
            time.sleep(0.1)
        env = dict(os.environ, DISPLAY=":" + open(display_file).read().strip(), SDL_VIDEODRIVER="x11")
        trace = os.path.join(folder, "trace.txt")
        with open(trace, "w") as out:
            player = subprocess.Popen([os.path.join(BUILD, "quadrelume"), demo], stdout=out,
                                      stderr=subprocess.DEVNULL, env=env)
            time.sleep(TO + 1.5)
            player.kill()
            player.wait()
        times = [float(line.split()[1]) for line in open(trace) if line.startswith("----------------- ")]
        return sum(1 for t in times if FROM <= t < TO) / (TO - FROM)
    finally:
        server.kill()
        server.wait()


def main():
    folder = tempfile.mkdtemp(prefix="quadrelume-web-bench-")
    results = [page_weight()]
    try:
        site_root = os.path.join(folder, "sites")
        os.makedirs(site_root)
        publish(example(os.path.join(folder, "with-music"), True), os.path.join(site_root, "music"))
        silent = example(os.path.join(folder, "silent"), False)
        publish(silent, os.path.join(site_root, "silent"))
        server = Site(site_root)
        # Frames as fast as they come, as the native player draws them.
        browser = Browser(["--disable-gpu-vsync", "--disable-frame-rate-limit"])
        try:
            results.append(load_to_first_frame(browser, "loadToFirstFrame/music", server.url + "music/index.html"))
            results.append(load_to_first_frame(browser, "loadToFirstFrame/silent", server.url + "silent/index.html"))
            page_fps = page_frame_rate(browser, server.url + "silent/index.html")
        finally:
            browser.close()
            server.close()
        native_fps = native_frame_rate(silent, folder)
        results.append({"name": "auroraFrameRate", "page_fps": page_fps, "native_fps": native_fps,
                        "ratio": page_fps / native_fps})
    finally:
        shutil.rmtree(folder, ignore_errors=True)
    for result in results:
        result.setdefault("run_type", "iteration")
        result.setdefault("cpu_time", 0)
        result.setdefault("real_time", 0)
    json.dump({"context": {}, "benchmarks": results}, sys.stdout, indent=2)
    print()


if __name__ == "__main__":
    main()
