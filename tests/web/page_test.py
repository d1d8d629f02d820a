"""The published page in a real browser (headless Chromium), against the
player's own pictures and sound: frames of examples/aurora at several
moments beside quadrelume-capture's frames of the same moments and size,
demos of exact colours byte for byte (script values and textures, a
buffer's past, the music's spectrum and bands), the music on the audio
context's clock and its samples as the player decodes them, halt(), links
to a moment, and the page's messages when it cannot play.

Run by CTest with QUADRELUME_BUILD (the build folder) and QUADRELUME_SOURCE
(the source tree) set."""

import base64
import os
import shutil
import struct
import subprocess
import tempfile
import time
import unittest

from browser import Browser, Site
from png_file import read_rgb, write_rgba

BUILD = os.environ["QUADRELUME_BUILD"]
SOURCE = os.environ["QUADRELUME_SOURCE"]
PUBLISH = os.path.join(BUILD, "quadrelume-publish")
CAPTURE = os.path.join(BUILD, "quadrelume-capture")
EXAMPLE_MUSIC = os.path.join(BUILD, "packaging", "demo.ogg")  # synthesised by the build
MUSIC_SAMPLES = os.path.join(BUILD, "tests", "web", "music_samples")

WIDTH, HEIGHT = 320, 180


def publish(demo, site):
    run = subprocess.run([PUBLISH, "--demo", demo, site], capture_output=True, text=True)
    if run.returncode != 0:
        raise AssertionError("publishing %s failed: %s" % (demo, run.stderr))


def aurora(folder):
    """A copy of examples/aurora with its music."""
    demo = os.path.join(folder, "aurora")
    shutil.copytree(os.path.join(SOURCE, "examples", "aurora"), demo)
    shutil.copy(EXAMPLE_MUSIC, os.path.join(demo, "demo.ogg"))
    return demo


def write_demo(folder, files):
    os.makedirs(folder)
    for name, contents in files.items():
        with open(os.path.join(folder, name), "wb") as f:
            f.write(contents.encode() if isinstance(contents, str) else contents)
    return folder


def capture_frame(demo, seconds, folder, fps=1000, size=(WIDTH, HEIGHT)):
    """quadrelume-capture's frame of `demo` at `seconds`, of `size`, the
    first of a capture at `fps` from there, as (width, height, RGB)."""
    os.makedirs(folder)
    subprocess.run([CAPTURE, "--demo", demo, "--size", "%dx%d" % size, "--fps", str(fps), "--from",
                    repr(seconds), "--to", repr(seconds + 0.001), folder], check=True, capture_output=True,
                   env=dict(os.environ, DISPLAY=""))
    with open(os.path.join(folder, "00000.png"), "rb") as f:
        return read_rgb(f.read())


def differences(a, b):
    """The largest difference of a channel between two pictures of one
    size, and the share of their channels that are equal."""
    assert a[:2] == b[:2], "sizes differ: %s and %s" % (a[:2], b[:2])
    largest, equal = 0, 0
    for x, y in zip(a[2], b[2]):
        d = abs(x - y)
        largest = max(largest, d)
        equal += d == 0
    return largest, equal / len(a[2])


class WebTest(unittest.TestCase):
    """A temporary folder, a local web server for it and a browser."""

    extra_flags = ()

    @classmethod
    def setUpClass(cls):
        cls.folder = tempfile.mkdtemp(prefix="quadrelume-web-")
        cls.site = Site(cls.folder)
        cls.browser = Browser(cls.extra_flags)

    @classmethod
    def tearDownClass(cls):
        cls.browser.close()
        cls.site.close()
        shutil.rmtree(cls.folder, ignore_errors=True)

    def publish(self, demo, name):
        publish(demo, os.path.join(self.folder, name))
        return self.site.url + name + "/index.html"


# An effect whose every pixel is exact in any GL: colours from script
# variables, the window's size, and texels of a 4 x 4 image read at their
# centres, 16 pixels wide each. blend.ps covers a strip with a blended
# overlay, which shows only where the frame's alpha reads 1, as in the
# player's window without an alpha channel. (Half covers are not exact: an
# odd value halved is a tie, which GLs round apart.)
EXACT_FILL = """\
#ifdef GL_FRAGMENT_PRECISION_HIGH
precision highp float;
#else
precision mediump float;
#endif
uniform vec2 resolution;
uniform vec3 colour;
uniform sampler2D grid;
void main() {
    vec2 cell = mod(floor(gl_FragCoord.xy / 16.0), 4.0);
    if (gl_FragCoord.x < resolution.x * 0.5) gl_FragColor = texture2D(grid, (cell + 0.5) / 4.0);
    else gl_FragColor = vec4(colour.rg, resolution.x / 1024.0, 1.0);
}
"""
EXACT_BLEND = """\
precision mediump float;
//QUADRELUME_BLEND
uniform float cover;
void main() {
    if (gl_FragCoord.y < 40.0) gl_FragColor = vec4(0.0, 0.0, 0.25, cover);
    else gl_FragColor = vec4(0.0);
}
"""
EXACT_TIMELINE = """\
0 10 colour = [lin(0.2, 0.8), keyframe([0, 0.25], [10, 0.75])]
0 10 cover = 1
0 10 #fill
0 10 #blend
"""


# A buffer that draws its last image a pixel further left, with a column at
# the right edge that tells the frame by its number (mod 64) on the grid of
# 60 frames a second: its picture is the list of the frames drawn since its
# history began at 1 s, and of their times. Every value is exact in any GL:
# multiples of 1/128, read at texel centres, none halfway between two bytes.
CHART = """\
precision highp float;
uniform vec2 resolution;
uniform float gtime;
uniform sampler2D chart;
void main() {
    if (gl_FragCoord.x > resolution.x - 1.0) {
        float k = mod(floor(gtime * 60.0 + 0.5), 64.0);
        gl_FragColor = vec4((k + 0.5) / 64.0, 1.0 - (k + 0.5) / 64.0, 0.25, 1.0);
    } else {
        gl_FragColor = texture2D(chart, (gl_FragCoord.xy + vec2(1.0, 0.0)) / resolution);
    }
}
"""
SHOW_CHART = """\
precision highp float;
uniform vec2 resolution;
uniform sampler2D chart;
void main() { gl_FragColor = vec4(texture2D(chart, gl_FragCoord.xy / resolution).rgb, 1.0); }
"""
CHART_TIMELINE = "1 10 chart = #chart\n0 10 #show\n"

# The music as the pictures see it, in strips 45 pixels high, from the top:
# bands() and level() as five grey bars 64 pixels wide, the waveform row
# (texels 96 to 415), and the spectrum row (texels 192 to 511, then 0 to
# 319), each texel read at its centre.
MUSIC_SHOW = """\
precision highp float;
uniform sampler2D spectrum;
uniform vec4 music;
uniform float loudness;
void main() {
    float x = floor(gl_FragCoord.x);
    float strip = floor(gl_FragCoord.y / 45.0);
    float v = 0.0;
    if (strip == 0.0) v = texture2D(spectrum, vec2((x + 0.5) / 512.0, 0.25)).r;
    else if (strip == 1.0) v = texture2D(spectrum, vec2((x + 192.5) / 512.0, 0.25)).r;
    else if (strip == 2.0) v = texture2D(spectrum, vec2((x + 96.5) / 512.0, 0.75)).r;
    else {
        float bar = floor(x / 64.0);
        v = bar == 0.0 ? music.x : bar == 1.0 ? music.y : bar == 2.0 ? music.z : bar == 3.0 ? music.w : loudness;
    }
    gl_FragColor = vec4(v, v, v, 1.0);
}
"""
MUSIC_TIMELINE = "0 20 music = bands()\n0 20 loudness = level()\n0 20 #show\n"


def rows(picture, first, end):
    """The RGB bytes of rows first to end - 1 (from the top) of a picture."""
    width = picture[0]
    return picture[2][first * width * 3:end * width * 3]


class Fidelity(WebTest):
    def test_aurora_on_the_page_is_the_captured_aurora_within_two_steps(self):
        demo = aurora(self.folder)
        page_url = self.publish(demo, "aurora-site")
        page = self.browser.open(WIDTH, HEIGHT)
        # 1: the sky fading in; 5: sky and rings; 11: the sky cross-faded
        # into the tunnel; 14: the tunnel's texture turned by a sync track,
        # the rings blended over it and the flash track; 27: tunnel into
        # plasma; 33: plasma and rings; 38.5: fading out.
        for seconds in (1.0, 5.0, 11.0, 14.0, 27.0, 33.0, 38.5):
            with self.subTest(seconds=seconds):
                captured = capture_frame(demo, seconds, os.path.join(self.folder, "frames-%g" % seconds))
                page.load("%s#t=%g&paused" % (page_url, seconds))
                state, shown, _ = page.wait_for(("held", "failed"))
                self.assertEqual(("held", seconds), (state, shown), page.message())
                largest, equal = differences(read_rgb(page.screenshot()), captured)
                self.assertLessEqual(largest, 2, "%.1f %% of the channels equal" % (100 * equal))
                self.assertGreater(equal, 0.5)

    def test_a_demo_of_exact_colours_is_the_capture_byte_for_byte(self):
        grid = bytes(v for i in range(16) for v in (i * 16, 255 - i * 16, (i * 37) % 256, 255))
        demo = write_demo(os.path.join(self.folder, "exact"), {
            "time.txt": EXACT_TIMELINE, "fill.ps": EXACT_FILL, "blend.ps": EXACT_BLEND,
            "grid.png": write_rgba(4, 4, grid)})
        page_url = self.publish(demo, "exact-site")
        captured = capture_frame(demo, 2.5, os.path.join(self.folder, "exact-frames"))
        # Half the size in CSS pixels at two device pixels each: the canvas,
        # and `resolution`, are in device pixels.
        page = self.browser.open(WIDTH // 2, HEIGHT // 2, scale=2)
        page.go(page_url + "#t=2.5&paused")
        self.assertEqual("held", page.wait_for(("held", "failed"))[0], page.message())
        shown = read_rgb(page.screenshot())
        self.assertEqual((0, 1.0), differences(shown, captured))


    def test_a_held_moment_draws_its_buffers_past_as_the_capture_does_at_any_size(self):
        demo = write_demo(os.path.join(self.folder, "chart"),
                          {"time.txt": CHART_TIMELINE, "chart.ps": CHART, "show.ps": SHOW_CHART})
        page_url = self.publish(demo, "chart-site")
        page = self.browser.open(WIDTH, HEIGHT)
        page.go(page_url + "#t=2.5&paused")
        state, _, frames = page.wait_for(("held", "failed"))
        self.assertEqual("held", state, page.message())
        # A narrower window makes the buffer anew, empty: the page draws its
        # past again at the new size before it holds the frame again.
        for width in (WIDTH, WIDTH // 2):
            with self.subTest(width=width):
                if width != WIDTH:
                    page.resize(width, HEIGHT)
                    deadline = time.time() + 60
                    while page.state()[2] == frames and time.time() < deadline:
                        time.sleep(0.05)
                    self.assertEqual(("held", 2.5, frames + 1), page.state())
                captured = capture_frame(demo, 2.5, os.path.join(self.folder, "chart-%d" % width), fps=60,
                                         size=(width, HEIGHT))
                shown = read_rgb(page.screenshot())
                self.assertEqual((0, 1.0), differences(shown, captured))
                # 1 s to 2.5 s at 60 frames a second: 91 frames, one column each.
                top = rows(shown, 0, 1)
                self.assertEqual(91, sum(1 for x in range(width) if top[3 * x + 2] != 0))

    def test_the_music_in_the_pictures_is_the_captures_with_music_and_without(self):
        for name, music in (("with-music", True), ("silent", False)):
            with self.subTest(name):
                demo = write_demo(os.path.join(self.folder, name), {"time.txt": MUSIC_TIMELINE, "show.ps": MUSIC_SHOW})
                if music:
                    shutil.copy(EXAMPLE_MUSIC, os.path.join(demo, "demo.ogg"))
                page_url = self.publish(demo, name + "-site")
                # 12.5 s is a row of the analysis' grid: bands() and level()
                # are its bytes over 255, which no GL rounds apart.
                captured = capture_frame(demo, 12.5, os.path.join(self.folder, name + "-frames"))
                page = self.browser.open(WIDTH, HEIGHT)
                page.go(page_url + "#t=12.5&paused")
                self.assertEqual("held", page.wait_for(("held", "failed"))[0], page.message())
                shown = read_rgb(page.screenshot())
                # The waveform comes from the page's own decoding of the
                # music, within a step of the player's samples.
                waveform = (45, 90)
                exact = lambda picture: rows(picture, 0, waveform[0]) + rows(picture, waveform[1], HEIGHT)
                self.assertEqual(exact(shown), exact(captured))
                largest = max(abs(a - b) for a, b in zip(rows(shown, *waveform), rows(captured, *waveform)))
                self.assertLessEqual(largest, 1)
                sounds = set(rows(captured, 0, 45)) | set(rows(captured, 90, HEIGHT))
                self.assertEqual(music, sounds != {0}, "the pictures hear the music exactly when there is some")


class Music(WebTest):
    @classmethod
    def setUpClass(cls):
        super().setUpClass()
        cls.demo = aurora(cls.folder)
        publish(cls.demo, os.path.join(cls.folder, "site"))
        cls.page_url = cls.site.url + "site/index.html"

    def test_a_click_starts_the_music_and_the_demo_runs_on_its_clock(self):
        page = self.browser.open(WIDTH, HEIGHT)
        page.go(self.page_url)
        state, shown, frames = page.wait_for(("waiting", "failed"))
        self.assertEqual(("waiting", 0.0), (state, shown), page.message())
        self.assertEqual("block", page.evaluate("getComputedStyle(document.getElementById('hint')).display"))
        time.sleep(0.3)
        self.assertEqual(("waiting", 0.0, frames), page.state(), "the page waits for a gesture, drawing nothing")
        self.assertEqual("suspended", page.evaluate("Module.audio.context.state"))

        page.click(WIDTH // 2, HEIGHT // 2)
        page.wait_for(("playing",))
        readings = []
        for _ in range(8):
            time.sleep(0.25)
            shown, audio = page.evaluate("[document.body.dataset.time, Module.audio.context.currentTime]")
            readings.append((float(shown), audio))
        self.assertEqual("running", page.evaluate("Module.audio.context.state"))
        self.assertEqual("none", page.evaluate("getComputedStyle(document.getElementById('hint')).display"))
        (first_demo, first_audio), (last_demo, last_audio) = readings[0], readings[-1]
        self.assertGreater(last_audio - first_audio, 1.0, "the audio context runs")
        # The demo's time is the music's: it advances as the audio context's
        # time does, give or take the frame shown at a reading being a
        # little older than the reading (a few frames where the machine is
        # busy).
        self.assertAlmostEqual(last_demo - first_demo, last_audio - first_audio, delta=0.25)
        self.assertEqual(sorted(readings), readings)

    def test_the_music_decoded_in_webassembly_is_the_players_within_one_step(self):
        page = self.browser.open(WIDTH, HEIGHT)
        page.go(self.page_url)
        page.wait_for(("waiting",))
        # The AudioBuffer holds sample / 32768 exactly, in floats.
        encoded = page.evaluate("""(() => {
            const buffer = Module.audio.buffer;
            const left = buffer.getChannelData(0), right = buffer.getChannelData(1);
            const samples = new Int16Array(2 * buffer.length);
            for (let i = 0; i < buffer.length; i++) {
                samples[2 * i] = Math.round(left[i] * 32768);
                samples[2 * i + 1] = Math.round(right[i] * 32768);
            }
            const bytes = new Uint8Array(samples.buffer);
            let text = '';
            for (let i = 0; i < bytes.length; i += 0x8000)
                text += String.fromCharCode.apply(null, bytes.subarray(i, i + 0x8000));
            return [buffer.sampleRate, btoa(text)];
        })()""")
        rate, page_bytes = encoded[0], base64.b64decode(encoded[1])
        player = subprocess.run([MUSIC_SAMPLES, os.path.join(self.demo, "demo.ogg")], capture_output=True,
                                check=True)
        player_rate, player_bytes = int(player.stderr.split()[0]), player.stdout
        self.assertEqual((player_rate, len(player_bytes)), (rate, len(page_bytes)))
        count = len(page_bytes) // 2
        on_page = struct.unpack("<%dh" % count, page_bytes)
        by_player = struct.unpack("<%dh" % count, player_bytes)
        self.assertLessEqual(max(abs(a - b) for a, b in zip(on_page, by_player)), 1)
        self.assertGreater(max(map(abs, by_player)), 8000, "the music is not silence")


SILENT_TIMELINE = """\
0 10 c = lin(0, 1)
0 10 #fill
1 2 stop = halt()
"""
FILL = """\
precision highp float;
uniform float c;
void main() { gl_FragColor = vec4(c, 0.5, 1.0 - c, 1.0); }
"""


class Behaviour(WebTest):
    @classmethod
    def setUpClass(cls):
        super().setUpClass()
        cls.demo = write_demo(os.path.join(cls.folder, "silent"), {"time.txt": SILENT_TIMELINE, "fill.ps": FILL})
        publish(cls.demo, os.path.join(cls.folder, "site"))
        cls.page_url = cls.site.url + "site/index.html"

    def test_without_music_it_plays_at_once_and_halt_holds_the_last_frame(self):
        page = self.browser.open(WIDTH, HEIGHT)
        page.go(self.page_url)
        state, halted_at, frames = page.wait_for(("halted", "failed"))
        self.assertEqual("halted", state, page.message())
        self.assertTrue(1.0 <= halted_at < 1.2, halted_at)
        before = page.screenshot()
        time.sleep(0.5)
        self.assertEqual(("halted", halted_at, frames), page.state())
        self.assertEqual(before, page.screenshot())
        red = read_rgb(before)[2][0]
        self.assertAlmostEqual(red, round(halted_at / 10 * 255), delta=2)

    def test_a_link_to_a_moment_starts_the_demo_there(self):
        page = self.browser.open(WIDTH, HEIGHT)
        page.go(self.page_url + "#t=0,5")
        state, shown, _ = page.wait_for(("playing", "halted"))
        self.assertTrue(0.5 <= shown < 1.2, shown)
        # Another moment of the same page: the page starts again there.
        page.go(self.page_url + "#t=4&paused")
        self.assertEqual(("held", 4.0), page.wait_for(("held",))[:2])

    def test_f_switches_the_page_to_full_screen_and_back(self):
        page = self.browser.open(WIDTH, HEIGHT)
        page.go(self.page_url + "#t=3&paused")
        page.wait_for(("held",))
        page.press("f")
        self.assertTrue(page.evaluate("new Promise(r => setTimeout(() => r(document.fullscreenElement !== null), 300))"))
        page.press("f")
        self.assertTrue(page.evaluate("new Promise(r => setTimeout(() => r(document.fullscreenElement === null), 300))"))

    def test_a_file_missing_on_the_host_is_told_on_the_page(self):
        site = os.path.join(self.folder, "incomplete")
        publish(self.demo, site)
        os.remove(os.path.join(site, "demo", "fill.ps"))
        page = self.browser.open(WIDTH, HEIGHT)
        page.go(self.site.url + "incomplete/index.html")
        page.wait_for(("failed",))
        self.assertIn("Could not load demo/fill.ps from the host: 404", page.message())


class NoWebGl(WebTest):
    extra_flags = ("--disable-webgl",)

    def test_a_browser_without_webgl_is_told_on_the_page(self):
        demo = write_demo(os.path.join(self.folder, "silent"), {"time.txt": SILENT_TIMELINE, "fill.ps": FILL})
        page = self.browser.open(WIDTH, HEIGHT)
        page.go(self.publish(demo, "site"))
        page.wait_for(("failed",))
        self.assertEqual("This browser cannot show the demo: it has no WebGL", page.message())


if __name__ == "__main__":
    unittest.main()
