#!/usr/bin/env python3
"""End-to-end pictures: cannoncar --headless --screenshot, drawn offscreen (EGL, no display).

Usage: e2e_pictures.py CANNONCAR TEXTURE_DIR
The start-up camera looks from +x+y toward the origin: the car stands in the lower left of the
picture, the row of MiGs lies just above the horizon on the right.
"""
import json
import os
import subprocess
import sys
import tempfile
import unittest

from png_read import read_png

BINARY = os.environ.get("CANNONCAR", "build/debug/cannoncar")
TEXTURES = os.environ.get("CANNONCAR_TEXTURES", "textures")

CAR = (60, 300, 330, 530)       # x0, y0, x1, y1
MIGS = (460, 60, 800, 140)
GROUND = (360, 420, 760, 590)   # open ground right of the car


def pixels(rows, box, step=2):
    x0, y0, x1, y1 = box
    return [rows[y][x] for y in range(y0, y1, step) for x in range(x0, x1, step)]


def green(p):
    r, g, b = p
    return g > r + 60 and g > b + 60


def pale(p):
    """White paint under the wood: bright, warm, not green."""
    r, g, b = p
    return r > 150 and r >= g >= b and g > 110 and not green(p)


def brightness(p):
    return sum(p) / 3


class Pictures(unittest.TestCase):
    pictures = {}

    @classmethod
    def setUpClass(cls):
        cls.tmp = tempfile.TemporaryDirectory()
        os.symlink(os.path.abspath(TEXTURES), os.path.join(cls.tmp.name, "textures"))

    @classmethod
    def tearDownClass(cls):
        cls.tmp.cleanup()

    def shot(self, *options, frames=1):
        key = (options, frames)
        if key not in self.pictures:
            name = "shot%d.png" % len(self.pictures)
            r = subprocess.run([BINARY, "--headless", "--frames", str(frames), "--screenshot", name,
                                *options], cwd=self.tmp.name, capture_output=True, timeout=300,
                               env=dict(os.environ, LC_ALL="C.UTF-8"))
            self.assertEqual(r.returncode, 0, r.stderr.decode())
            self.assertNotIn("cannoncar:", r.stderr.decode())
            self.pictures[key] = read_png(os.path.join(self.tmp.name, name))
        return self.pictures[key]

    def test_the_scene_shows_at_frame_0_and_after_100_frames(self):
        for frames in (1, 100):
            with self.subTest(frames=frames):
                width, height, rows = self.shot(frames=frames)
                self.assertEqual((width, height), (800, 600))
                car = pixels(rows, CAR)
                self.assertGreater(sum(map(green, car)), 400, "green chassis and cannon")
                self.assertGreater(sum(map(pale, car)), 60, "white wheels")
                self.assertGreater(sum(map(pale, pixels(rows, MIGS, 1))), 40, "white MiGs")
                for x in (10, 400, 790):
                    r, g, b = rows[3][x]
                    self.assertGreater(b, r + 10, "sky at the top")
                self.assertGreater(sum(1 for r, g, b in pixels(rows, GROUND) if g > b + 20),
                                   len(pixels(rows, GROUND)) * 0.9, "ground below the horizon")

    def test_noshadow_lightens_the_ground_near_the_car_only(self):
        _, _, shaded = self.shot()
        _, _, open_ = self.shot("-noshadow")
        darker = sum(1 for a, b in zip(pixels(shaded, CAR, 1), pixels(open_, CAR, 1))
                     if brightness(a) < brightness(b) - 20)
        self.assertGreater(darker, 300, "the car's shadow")
        self.assertEqual(shaded[:60], open_[:60], "the sky has no shadows")

    def test_notex_paints_the_ground_and_the_car_flat(self):
        _, _, textured = self.shot()
        _, _, flat = self.shot("-notex")

        def spread(rows):
            values = [brightness(p) for p in pixels(rows, (380, 520, 420, 560), 1)]
            return max(values) - min(values)

        self.assertGreater(spread(textured), 3 * spread(flat))
        # Untextured, the wheels are plain white: bright and grey.
        self.assertGreater(sum(1 for r, g, b in pixels(flat, CAR) if min(r, g, b) > 150 and
                               max(r, g, b) - min(r, g, b) < 12), 40)

    def test_a_wide_picture_keeps_the_game_view_with_the_sky_and_the_whole_car(self):
        def green_box(rows):
            found = [(x, y) for y in range(0, len(rows), 2) for x in range(0, len(rows[0]), 2)
                     if green(rows[y][x])]
            xs, ys = [x for x, _ in found], [y for _, y in found]
            return min(xs), min(ys), max(xs), max(ys)

        width, height, wide = self.shot("--size", "1280x400")
        self.assertEqual((width, height), (1280, 400))
        for x in (10, 640, 1270):
            r, g, b = wide[3][x]
            self.assertGreater(b, r + 10, "sky at the top, x %d" % x)
        x0, y0, x1, y1 = green_box(wide)
        self.assertTrue(10 < x0 and x1 < width - 10 and 10 < y0 and y1 < height - 10,
                        "the whole car, clear of the edges: %s" % ((x0, y0, x1, y1),))
        # The game's view scaled to the picture's height, with more at the sides.
        _, _, game = self.shot()
        g0, h0, g1, h1 = green_box(game)
        self.assertAlmostEqual((y1 - y0) / (h1 - h0), 400 / 600, delta=0.05)
        self.assertAlmostEqual((x0 + x1) / 2 - 640, ((g0 + g1) / 2 - 400) * 400 / 600, delta=8)

    def test_view_sets_the_start_up_camera(self):
        # Straight down from 30 over the car: the chassis and the cannon fill the middle, and no
        # sky shows anywhere.
        _, _, rows = self.shot("--view", "0,0,30,0,-90,0")
        middle = pixels(rows, (388, 285, 412, 320), 1)
        self.assertGreater(sum(map(green, middle)), len(middle) * 0.9, "the car from above")
        for x, y in ((10, 3), (400, 3), (790, 3), (10, 596), (790, 596)):
            r, g, b = rows[y][x]
            self.assertGreater(g, b + 20, "ground at (%d, %d)" % (x, y))
        # Looking up from beside the car: sky everywhere.
        _, _, up = self.shot("--view", "0,-8,3,90,60,0")
        for x, y in ((10, 3), (400, 300), (790, 596)):
            r, g, b = up[y][x]
            self.assertGreater(b, r + 10, "sky at (%d, %d)" % (x, y))

    def test_size_sets_the_picture_size(self):
        width, height, _ = self.shot("--size", "320x240")
        self.assertEqual((width, height), (320, 240))

    def test_ctrl_w_says_where_the_frames_go_and_how_many_were_written(self):
        cases = {"stopped by a second ctrl-w": ("1 ctrl-w\n3 ctrl-w\n", 2),
                 "still writing at the end": ("2 ctrl-w\n", 3)}
        for what, (script, written) in cases.items():
            with self.subTest(what), tempfile.TemporaryDirectory() as tmp:
                os.symlink(os.path.abspath(TEXTURES), os.path.join(tmp, "textures"))
                with open(os.path.join(tmp, "w.keys"), "w") as f:
                    f.write(script)
                r = subprocess.run([BINARY, "--headless", "--frames", "5", "--keys", "w.keys"],
                                   cwd=tmp, capture_output=True, timeout=300,
                                   env=dict(os.environ, LC_ALL="C.UTF-8"))
                self.assertEqual(r.returncode, 0, r.stderr.decode())
                lines = [l for l in r.stdout.decode().splitlines() if l.startswith("ctrl-w: ")]
                first = script.split()[0]
                self.assertEqual(lines, [
                    "ctrl-w: writing frames to %s from frame %d" % (os.path.realpath(tmp),
                                                                   int(first)),
                    "ctrl-w: %d frames written" % written])
                pictures = sorted(p for p in os.listdir(tmp) if p.endswith(".png"))
                self.assertEqual(len(pictures), written)

    def run_in(self, tmp, *options, env=None):
        r = subprocess.run([BINARY, "--headless", *options], cwd=tmp, capture_output=True,
                           timeout=300, env=dict(os.environ, LC_ALL="C.UTF-8", **(env or {})))
        self.assertEqual(r.returncode, 0, r.stderr.decode())
        return r

    def test_hud_changes_only_the_overlays_corner_and_never_the_trace(self):
        with tempfile.TemporaryDirectory() as tmp:
            os.symlink(os.path.abspath(TEXTURES), os.path.join(tmp, "textures"))
            # By frame 400 the MiGs have scored: the HUD carries the game's Hangul line.
            runs = {"plain": (), "hud": ("--hud",)}
            for name, options in runs.items():
                r = self.run_in(tmp, "--frames", "400", "--screenshot", name + ".png", "--trace",
                                name + ".jsonl", *options)
                self.assertNotIn("cannoncar:", r.stderr.decode())
            with open(os.path.join(tmp, "plain.jsonl"), "rb") as a, \
                    open(os.path.join(tmp, "hud.jsonl"), "rb") as b:
                self.assertEqual(a.read(), b.read())
            _, _, plain = read_png(os.path.join(tmp, "plain.png"))
            _, _, hud = read_png(os.path.join(tmp, "hud.png"))
            changed = [(x, y) for y in range(600) for x in range(800) if plain[y][x] != hud[y][x]]
            self.assertGreater(len(changed), 2000, "the HUD is drawn")
            xs, ys = [x for x, _ in changed], [y for _, y in changed]
            # Two lines in the top-left corner, clear of the sky's top rows and of the car.
            self.assertGreaterEqual(min(xs), 5)
            self.assertGreaterEqual(min(ys), 5)
            self.assertLess(max(xs), 400)
            self.assertLess(max(ys), CAR[1] - 200, sorted(changed, key=lambda p: -p[1])[:5])

    def test_f1_f2_pageup_pagedown_change_no_drawing_call(self):
        with tempfile.TemporaryDirectory() as tmp:
            with open(os.path.join(tmp, "host.keys"), "w") as f:
                f.write("0 w w\n5 f1 pageup\n9 f2 pagedown pagedown\n12 space f1\n")
            with open(os.path.join(tmp, "game.keys"), "w") as f:
                f.write("0 w w\n12 space\n")
            for name in ("host", "game"):
                self.run_in(tmp, "--frames", "40", "--keys", name + ".keys", "--trace",
                            name + ".jsonl")
            traces = {}
            for name in ("host", "game"):
                with open(os.path.join(tmp, name + ".jsonl"), encoding="utf-8") as f:
                    traces[name] = [json.loads(line) for line in f]
            self.assertEqual(len(traces["host"]), len(traces["game"]))
            for a, b in zip(traces["host"], traces["game"]):
                a.pop("keys", None)
                b.pop("keys", None)
                self.assertEqual(a, b)

    def test_no_font_found_is_one_warning_and_the_built_in_font(self):
        with tempfile.TemporaryDirectory() as tmp:
            os.symlink(os.path.abspath(TEXTURES), os.path.join(tmp, "textures"))
            with open(os.path.join(tmp, "empty.conf"), "w") as f:
                f.write('<?xml version="1.0"?>\n<fontconfig></fontconfig>\n')
            r = self.run_in(tmp, "--frames", "1", "--hud", "--screenshot", "shot.png",
                            env={"FONTCONFIG_FILE": os.path.join(tmp, "empty.conf")})
            warnings = [l for l in r.stderr.decode().splitlines() if l.startswith("cannoncar:")]
            self.assertEqual(len(warnings), 1, r.stderr)
            self.assertIn("built-in Latin font", warnings[0])
            _, _, rows = read_png(os.path.join(tmp, "shot.png"))
            # "frame 0   speed 60/s" in pale yellow on the HUD's dark panel.
            text = sum(1 for y in range(10, 40) for x in range(10, 200)
                       if rows[y][x][0] > 200 and rows[y][x][1] > 180)
            self.assertGreater(text, 100)

    def test_a_shader_cache_that_cannot_be_kept_changes_nothing_and_says_nothing(self):
        """Mesa keeps its compiled shaders under XDG_CACHE_HOME (else the home's .cache); where
        that cannot be made the run goes on without it, with the same picture and no warning."""
        mesa = ("MESA_SHADER_CACHE_DISABLE", "MESA_GLSL_CACHE_DISABLE", "MESA_SHADER_CACHE_DIR",
                "MESA_GLSL_CACHE_DIR", "XDG_CACHE_HOME")
        base_env = {k: v for k, v in os.environ.items() if k not in mesa}
        with tempfile.TemporaryDirectory() as tmp:
            os.symlink(os.path.abspath(TEXTURES), os.path.join(tmp, "textures"))
            with open(os.path.join(tmp, "a-file"), "w") as f:
                f.write("not a directory\n")
            os.mkdir(os.path.join(tmp, "taken"))
            with open(os.path.join(tmp, "taken", "mesa_shader_cache"), "w") as f:
                f.write("not a directory\n")

            def play(name, cache_home=None):
                env = dict(base_env, LC_ALL="C.UTF-8")
                if cache_home is not None:
                    env["XDG_CACHE_HOME"] = os.path.join(tmp, cache_home)
                r = subprocess.run([BINARY, "--headless", "--frames", "1", "--screenshot", name],
                                   cwd=tmp, capture_output=True, timeout=300, env=env)
                self.assertEqual(r.returncode, 0, r.stderr.decode())
                return r.stderr.decode(), read_png(os.path.join(tmp, name))

            said, picture = play("plain.png")
            for cache_home in ("a-file", "a-file/cache", "taken", "new"):
                with self.subTest(XDG_CACHE_HOME=cache_home):
                    said_here, picture_here = play("shot.png", cache_home)
                    self.assertEqual(said_here, said)
                    self.assertTrue(picture_here == picture, "the picture changed")
            # A cache that can be made is made and used, not switched off with the others.
            self.assertTrue(os.listdir(os.path.join(tmp, "new", "mesa_shader_cache")))


if __name__ == "__main__":
    if len(sys.argv) >= 3:
        BINARY, TEXTURES = os.path.abspath(sys.argv[1]), sys.argv[2]
        del sys.argv[1:3]
    unittest.main()
