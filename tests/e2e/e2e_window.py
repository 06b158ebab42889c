#!/usr/bin/env python3
"""End-to-end in a real window: cannoncar under Xvfb, keys typed with xdotool.

Usage: e2e_window.py CANNONCAR TEXTURE_DIR
Exits 77 (skipped) when Xvfb or xdotool is not installed.
"""
import json
import itertools
import os
import shutil
import struct
import subprocess
import sys
import tempfile
import time
import unittest

from png_read import read_png

BINARY = os.environ.get("CANNONCAR", "build/debug/cannoncar")
TEXTURES = os.environ.get("CANNONCAR_TEXTURES", "textures")
SKIP = 77
TOTALS = "총점수 : "


class Xvfb:
    def __init__(self, screen_dir=None):
        # Xvfb keeps its screen in this folder as an XWD file, Xvfb_screen0, as it is drawn.
        self.screen_dir = screen_dir

    def __enter__(self):
        read, write = os.pipe()
        screen_file = ["-fbdir", self.screen_dir] if self.screen_dir else []
        self.proc = subprocess.Popen(
            ["Xvfb", "-displayfd", str(write), "-screen", "0", "1024x768x24", "-nolisten", "tcp",
             *screen_file],
            pass_fds=(write,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        os.close(write)
        number = b""
        with os.fdopen(read, "rb") as pipe:
            while not number.endswith(b"\n"):
                byte = pipe.read(1)
                if not byte:
                    raise RuntimeError("Xvfb did not start")
                number += byte
        self.display = ":" + number.decode().strip()
        return self

    def __exit__(self, *exc):
        self.proc.terminate()
        self.proc.wait(timeout=30)


def read_xwd(path, left, top, width, height):
    """rows[y][x] = (r, g, b) of a rectangle of an XWD file of a TrueColor screen."""
    with open(path, "rb") as f:
        data = f.read()
    header = struct.unpack(">25I", data[:100])
    header_size, byte_order, bits_per_pixel, bytes_per_line = (
        header[0], header[7], header[11], header[12])
    masks, colours = header[14:17], header[19]
    assert bits_per_pixel == 32, bits_per_pixel
    start = header_size + colours * 12
    order = "<" if byte_order == 0 else ">"

    def channel(pixel, mask):
        return (pixel & mask) // (mask & -mask)

    rows = []
    for y in range(top, top + height):
        line = struct.unpack_from(order + "%dI" % width, data, start + y * bytes_per_line + left * 4)
        rows.append([tuple(channel(p, m) for m in masks) for p in line])
    return rows


class WindowRun(unittest.TestCase):
    def setUp(self):
        self.tmp = tempfile.TemporaryDirectory()
        self.dir = self.tmp.name
        os.symlink(os.path.abspath(TEXTURES), os.path.join(self.dir, "textures"))

    def tearDown(self):
        self.tmp.cleanup()

    def env(self, **extra):
        env = dict(os.environ, LC_ALL="C.UTF-8")
        env.pop("WAYLAND_DISPLAY", None)
        env.update(extra)
        return env

    def xdotool(self, display, *args):
        return subprocess.run(["xdotool", *args], env=self.env(DISPLAY=display),
                              capture_output=True, timeout=60, text=True)

    def start_in_window(self, x, args):
        """The game started on the display with args, and its window once it is shown."""
        # In sanitizer builds: the GL driver that GLFW unloads at exit keeps a few blocks
        # that LeakSanitizer cannot even name; leaks of our own show in the other tests.
        asan = os.environ.get("ASAN_OPTIONS", "")
        game = subprocess.Popen(
            [BINARY, *args], cwd=self.dir,
            env=self.env(DISPLAY=x.display, ASAN_OPTIONS=asan + ":detect_leaks=0"),
            stdout=subprocess.PIPE, stderr=subprocess.PIPE)
        found = self.xdotool(x.display, "search", "--sync", "--onlyvisible", "--name",
                             "^cannoncar$")
        window = found.stdout.split()[0] if found.stdout.split() else ""
        self.assertTrue(window, found.stderr)
        return game, window

    def quit(self, game, display, timeout=60):
        """ctrl-x, then the game's output; killed if it does not end within the timeout."""
        self.xdotool(display, "key", "ctrl+x")
        try:
            return game.communicate(timeout=timeout)
        except subprocess.TimeoutExpired:
            game.kill()
            return game.communicate()

    def trace(self, name):
        with open(os.path.join(self.dir, name), encoding="utf-8") as f:
            return [json.loads(line) for line in f]

    def assertSkyAtTheTop(self, rows):
        # Most of the top row, not one pixel: a MiG climbing out of the band may cross any one
        # pixel in whichever frame the timing of the window catches.
        top = rows[2]
        blue = sum(1 for (r, g, b) in top if b > r)
        self.assertGreater(blue, len(top) * 3 // 4, "sky blue at the top: %s" % (top[len(top) // 2],))

    def test_keys_typed_in_the_window_play_and_replay_headless_frame_for_frame(self):
        with Xvfb() as x:
            game, window = self.start_in_window(
                x, ["--record", "played.keys", "--trace", "window.jsonl"])
            self.xdotool(x.display, "mousemove", "--window", window, "400", "300")
            self.xdotool(x.display, "windowfocus", "--sync", window)
            # One key at a time, with time between, so each lands in a frame of its own.
            for key in ["w", "w", "a", "space", "ctrl+w", "ctrl+w", "ctrl+p", "ctrl+o", "ctrl+o",
                        "ctrl+p", "shift+w", "ctrl+v", "wheel", "ctrl+v", "resize", "ctrl+w",
                        "ctrl+w", "ctrl+x"]:
                if key == "wheel":  # two notches forward
                    self.xdotool(x.display, "click", "--repeat", "2", "4")
                elif key == "resize":
                    self.xdotool(x.display, "windowsize", "--sync", window, "500", "300")
                else:
                    self.xdotool(x.display, "key", "--clearmodifiers", key)
                time.sleep(0.4)
                # A slow machine draws fewer frames in that time: two more frames make sure the
                # key has had a frame of its own before the next one comes.
                if key != "ctrl+x":
                    self.wait_for_frames("window.jsonl", 2)
            try:
                out, err = game.communicate(timeout=120)
            except subprocess.TimeoutExpired:
                game.kill()
                out, err = game.communicate()
                self.fail("the window did not close on ctrl-x: " + err.decode())
        out, err = out.decode(), err.decode()
        self.assertEqual(game.returncode, 0, err)
        self.assertTrue(out.startswith("Press:\t'w' to increase speed.\n"), out[:200])
        totals = out.rstrip("\n").split("\n")[-1]
        self.assertRegex(totals, "^총점수 : \\d+  사용한 미사일 수 : 1$")
        self.assertNotIn("cannoncar:", err)

        # What the frames got, in order, with the game keys as typed; ctrl-x ends the run before
        # another frame, and the recording keeps it.
        window_trace = self.trace("window.jsonl")
        keys = [k for frame in window_trace[1:] for k in frame["keys"]]
        self.assertEqual(keys, [119, 119, 97, 32, "ctrl-w", "ctrl-w", "ctrl-p", "ctrl-o", "ctrl-o",
                                "ctrl-p", 87, "ctrl-v", "ctrl-v", "ctrl-w", "ctrl-w"])
        # ctrl-v showed the start-up camera, then the camera the wheel had moved forward: lower,
        # since it looks down.
        viewpoints = [l for l in out.splitlines() if l.startswith("Viewpoint = ")]
        self.assertEqual(len(viewpoints), 2, out)
        self.assertEqual(viewpoints[0], "Viewpoint = (3.8548,9.0843,7.5900,-145.5000,-22.5000,0.2500)")
        before, after = [[float(v) for v in l[13:-1].split(",")] for l in viewpoints]
        self.assertLess(after[2], before[2] - 0.5)
        self.assertEqual(after[3:], before[3:])
        with open(os.path.join(self.dir, "played.keys"), encoding="utf-8") as f:
            recorded = [line.split() for line in f if line.strip() and not line.startswith("#")]
        self.assertEqual(recorded[-1], [str(len(window_trace) - 1), "ctrl-x"])
        pauses = [frame["pause"] for frame in window_trace[1:]]
        self.assertEqual(pauses.count(0) + pauses.count(1), len(pauses))
        self.assertGreater(pauses.count(1), 0, "ctrl-p paused the game")

        # ctrl-w wrote the frames between its two presses.
        pictures = sorted(p for p in os.listdir(self.dir) if p.startswith("frame") and p.endswith(".png"))
        self.assertGreater(len(pictures), 0)
        width, height, rows = read_png(os.path.join(self.dir, pictures[0]))
        self.assertEqual((width, height), (800, 600))
        self.assertSkyAtTheTop(rows)
        green = sum(1 for row in rows[300:550:5] for (r, g, b) in row[50:350:5] if g > r + 60 and g > b + 60)
        self.assertGreater(green, 20, "the green car in the lower left")
        # After the resize the pictures take the window's new size.
        width, height, rows = read_png(os.path.join(self.dir, pictures[-1]))
        self.assertEqual((width, height), (500, 300))
        self.assertSkyAtTheTop(rows)

        # The recorded keys replay headless into the same frames.
        replay = subprocess.run(
            [BINARY, "--headless", "--frames", "1000000", "--keys", "played.keys", "--trace",
             "replay.jsonl"], cwd=os.path.join(self.dir), env=self.env(), capture_output=True,
            timeout=300)
        self.assertEqual(replay.returncode, 0, replay.stderr.decode())
        replay_trace = self.trace("replay.jsonl")
        self.assertEqual(len(replay_trace), len(window_trace))
        for frame, (a, b) in enumerate(zip(window_trace, replay_trace)):
            self.assertEqual(a, b, "line %d of the traces" % frame)
        # The same console, but for the camera, which the mouse moved only in the window.
        replayed = replay.stdout.decode().splitlines()
        self.assertEqual([l for l in replayed if not l.startswith("Viewpoint = ")],
                         [l for l in out.splitlines() if not l.startswith("Viewpoint = ")])

    def frames_traced(self, name):
        with open(os.path.join(self.dir, name), "rb") as f:
            return f.read().count(b"\n") - 1

    def wait_for_frames(self, name, frames, timeout=60):
        target, end = self.frames_traced(name) + frames, time.monotonic() + timeout
        while self.frames_traced(name) < target and time.monotonic() < end:
            time.sleep(0.05)

    def rate(self, name, seconds=3.0):
        before, start = self.frames_traced(name), time.monotonic()
        time.sleep(seconds)
        return (self.frames_traced(name) - before) / (time.monotonic() - start)

    def test_pagedown_twice_plays_a_quarter_of_the_frames_per_second(self):
        with Xvfb() as x:
            # Small and slow enough for a software rasterizer under a sanitizer to keep up.
            game, window = self.start_in_window(
                x, ["--fps", "16", "--size", "320x240", "--trace", "speed.jsonl"])
            self.xdotool(x.display, "windowfocus", "--sync", window)
            time.sleep(1)
            full = self.rate("speed.jsonl")
            for _ in range(2):
                self.xdotool(x.display, "key", "Next")
                time.sleep(0.3)
            time.sleep(0.5)
            quarter = self.rate("speed.jsonl", 4.0)
            out, err = self.quit(game, x.display)
        self.assertEqual(game.returncode, 0, err.decode())
        keys = [k for frame in self.trace("speed.jsonl")[1:] for k in frame["keys"]]
        self.assertEqual(keys, ["pagedown", "pagedown"])
        if full < 16 * 0.8:
            # The ratio says nothing about the pacing when the frames themselves took longer.
            self.skipTest("the machine was too busy to keep 16 frames a second: %.1f" % full)
        self.assertAlmostEqual(quarter / full, 0.25, delta=0.06)

    def test_frames_written_show_the_hud_with_the_score_the_help_and_f2_hiding_it(self):
        # The MiGs land and score from frame 309 on; ctrl-w writes the frames around it.
        with open(os.path.join(self.dir, "rec.keys"), "w") as f:
            f.write("300 ctrl-w\n360 ctrl-w\n")
        with Xvfb() as x:
            game, window = self.start_in_window(x, ["--keys", "rec.keys", "--trace", "hud.jsonl"])
            self.xdotool(x.display, "windowfocus", "--sync", window)
            # Standard output comes line by line: the first score line is there as it is printed.
            lines = []
            while not any(l.startswith("현제 점수") for l in lines):
                line = game.stdout.readline().decode()
                self.assertTrue(line, "the game printed no score")
                lines.append(line)
            # Each key in a frame of its own, however slowly the frames come.
            for key in ["F1", "F2"]:
                self.xdotool(x.display, "key", key)
                self.wait_for_frames("hud.jsonl", 3)
            out, err = self.quit(game, x.display, timeout=120)
        self.assertEqual(game.returncode, 0, err.decode())
        out = "".join(lines) + out.decode()
        self.assertIn("ctrl-w: writing frames to", out)

        frames = self.trace("hud.jsonl")[1:]
        printed, last = {}, ""
        for frame in frames:
            last = frame["prints"][-1].rstrip("\n") if frame["prints"] else last
            printed[frame["frame"]] = last
        keyed = {k: frame["frame"] for frame in frames for k in frame["keys"] if k in ("f1", "f2")}
        self.assertEqual(sorted(keyed), ["f1", "f2"])
        written = sorted(int(p[5:10]) for p in os.listdir(self.dir) if p.startswith("frame"))
        self.assertTrue(written)

        def white_text(rows, y0, y1, x0, x1):
            return frozenset((x, y) for y in range(y0, y1) for x in range(x0, x1)
                             if min(rows[y][x]) > 220)

        def hud_shade(rows):
            # Left of where the help panel may reach.
            return sum(sum(rows[y][x]) for y in range(14, 44) for x in range(14, 110)) / (30 * 96 * 3)

        scores, helped = {}, []
        for frame in written:
            _, _, rows = read_png(os.path.join(self.dir, "frame%05d.png" % frame))
            if frame < keyed["f2"]:
                # The game's line is white on the HUD's dark panel, the same pixels for the same text.
                self.assertLess(hud_shade(rows), 140, "the HUD's panel at frame %d" % frame)
                if printed[frame]:
                    scores.setdefault(printed[frame], set()).add(white_text(rows, 14, 34, 14, 400))
            else:
                # The HUD's white letters are gone. (Not judged by the corner's shade: a MiG passing
                # behind it makes it as dark as the panel, at frames 317 and 318.)
                self.assertLess(len(white_text(rows, 14, 34, 14, 400)), 40,
                                "F2 hid the HUD at frame %d" % frame)
            helped.append((frame >= keyed["f1"], len(white_text(rows, 60, 560, 150, 790))))
        self.assertGreater(len(scores), 1, "the score changed while frames were written")
        # The panel lets the scene through: a MiG passing behind it moves a few edge pixels of the
        # text across the threshold (frames 315 and 318 differ by 10), never the letters.
        shapes, noise = {}, 8
        for text, masks in scores.items():
            first = next(iter(masks))
            for mask in masks:
                self.assertLess(len(mask ^ first), len(first) * 0.05, text)
                noise = max(noise, len(mask ^ first))
            shapes[text] = first
        # Another text differs by more than the scene behind the panel ever moves one text: one
        # digit changed ("23" to "27") is some 20 pixels.
        for a, b in itertools.combinations(shapes, 2):
            self.assertGreater(len(shapes[a] ^ shapes[b]), noise, (a, b))
        # F1's help panel: rows of white text over the right of the picture.
        self.assertTrue(any(h for h, _ in helped) and any(not h for h, _ in helped))
        self.assertGreater(min(n for h, n in helped if h), 5 * max(n for h, n in helped if not h) + 500)

    def test_the_window_shows_the_picture_ctrl_w_writes(self):
        # Paused under a still camera with the HUD hidden, the window goes on showing the frame
        # ctrl-w wrote; what the X server shows is read from Xvfb's screen file.
        with open(os.path.join(self.dir, "shown.keys"), "w") as f:
            f.write("0 f2\n1 ctrl-w\n2 ctrl-w\n")
        screen = os.path.join(self.dir, "screen")
        os.mkdir(screen)
        with Xvfb(screen) as x:
            game, window = self.start_in_window(
                x, ["-pause", "--size", "320x240", "--keys", "shown.keys", "--trace", "shown.jsonl"])
            # The pointer is drawn into Xvfb's screen: out of the window's way.
            self.xdotool(x.display, "mousemove", "1020", "760")
            self.wait_for_frames("shown.jsonl", 10)
            place = dict(line.split("=") for line in self.xdotool(
                x.display, "getwindowgeometry", "--shell", window).stdout.split())
            shown = read_xwd(os.path.join(screen, "Xvfb_screen0"), int(place["X"]),
                             int(place["Y"]), 320, 240)
            out, err = self.quit(game, x.display)
        self.assertEqual(game.returncode, 0, err.decode())
        width, height, written = read_png(os.path.join(self.dir, "frame00001.png"))
        self.assertEqual((width, height), (320, 240))
        self.assertSkyAtTheTop(written)
        differing = sum(a != b for row, other in zip(shown, written) for a, b in zip(row, other))
        self.assertEqual(differing, 0, "pixels of the window unlike the frame written")

    def test_no_display_is_one_line_and_exit_code_2(self):
        cases = {"no DISPLAY": self.env(), "a display that is not there": self.env(DISPLAY=":7193")}
        cases["no DISPLAY"].pop("DISPLAY", None)
        for what, env in cases.items():
            with self.subTest(what):
                r = subprocess.run([BINARY], cwd=self.dir, env=env, capture_output=True, timeout=60)
                self.assertEqual(r.returncode, 2, r.stderr)
                lines = [l for l in r.stderr.decode().splitlines() if l.startswith("cannoncar:")]
                self.assertEqual(len(lines), 1, r.stderr)
                self.assertIn("no display found", lines[0])
                self.assertIn("--headless", lines[0])
                self.assertNotIn(TOTALS, r.stdout.decode())


if __name__ == "__main__":
    if len(sys.argv) >= 3:
        BINARY, TEXTURES = os.path.abspath(sys.argv[1]), sys.argv[2]
        del sys.argv[1:3]
    missing = [tool for tool in ("Xvfb", "xdotool") if not shutil.which(tool)]
    if missing:
        print("skipped: %s not installed" % ", ".join(missing))
        sys.exit(SKIP)
    unittest.main()
