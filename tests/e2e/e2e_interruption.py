#!/usr/bin/env python3
"""End-to-end: runs cut short. SIGINT and SIGTERM end a game as closing its window does; a killed
run leaves a trace and a key record whose whole lines replay.

Usage: e2e_interruption.py CANNONCAR
The window case runs under Xvfb and is skipped when Xvfb is not installed.
"""
import json
import os
import random
import shutil
import signal
import subprocess
import sys
import tempfile
import time
import unittest

from e2e_window import Xvfb

BINARY = os.environ.get("CANNONCAR", "build/debug/cannoncar")
TOTALS = "총점수 : "
ENDLESS = "1000000000"
KEYS = ["w", "w", "s", "a", "d", "j", "l", "i", "k", "space", "space", "r"]


def env(**extra):
    e = dict(os.environ, LC_ALL="C.UTF-8")
    e.pop("WAYLAND_DISPLAY", None)
    e.update(extra)
    return e


class Interruption(unittest.TestCase):
    def setUp(self):
        self.tmp = tempfile.TemporaryDirectory()
        self.dir = self.tmp.name
        rng = random.Random(3)
        # keys every third frame, shots and resets among them, so trace and record both grow
        lines = ["%d %s" % (f, " ".join(rng.choice(KEYS) for _ in range(rng.randint(1, 5))))
                 for f in range(0, 100000, 3)]
        with open(self.path("keys.txt"), "w") as f:
            f.write("\n".join(lines) + "\n")

    def tearDown(self):
        self.tmp.cleanup()

    def path(self, name):
        return os.path.join(self.dir, name)

    def start(self, args, **extra):
        """The console goes to files: a pipe nobody reads while the game plays would fill."""
        self.out = open(self.path("out.txt"), "w+b")
        self.err = open(self.path("err.txt"), "w+b")
        self.addCleanup(self.out.close)
        self.addCleanup(self.err.close)
        return subprocess.Popen([BINARY] + args, cwd=self.dir, env=env(**extra),
                                stdout=self.out, stderr=self.err)

    def console(self):
        self.out.seek(0)
        self.err.seek(0)
        return self.out.read(), self.err.read()

    def wait_for_frames(self, game, trace, frames):
        deadline = time.monotonic() + 120
        while time.monotonic() < deadline:
            self.assertIsNone(game.poll(), "the game ended before it was interrupted")
            if os.path.exists(self.path(trace)):
                with open(self.path(trace), "rb") as f:
                    if f.read().count(b"\n") > frames:
                        return
            time.sleep(0.05)
        self.fail("no %d frames in %s" % (frames, trace))

    def whole_lines(self, name):
        with open(self.path(name), "rb") as f:
            data = f.read()
        return data[:data.rfind(b"\n") + 1].decode().splitlines(keepends=True)

    def replay(self, record, frames):
        r = subprocess.run([BINARY, "--headless", "--frames", str(frames), "--keys", record,
                            "--trace", "replay.jsonl"], cwd=self.dir, env=env(),
                           capture_output=True, timeout=300)
        self.assertEqual(r.returncode, 0, r.stderr)
        return self.whole_lines("replay.jsonl")

    def assert_closed_like_the_window(self, game, trace):
        game.wait(timeout=60)
        out, err = self.console()
        self.assertEqual(game.returncode, 0, err)
        self.assertTrue(out.decode().rstrip("\n").split("\n")[-1].startswith(TOTALS), out[-300:])
        # the only host line allowed is the window's warning about this directory's textures
        faults = [l for l in err.decode().splitlines()
                  if l.startswith("cannoncar:") and "texture directory" not in l]
        self.assertEqual(faults, [])
        lines = self.whole_lines(trace)
        with open(self.path(trace), "rb") as f:
            self.assertTrue(f.read().endswith(b"\n"), "the trace ends with a whole line")
        frames = len(lines) - 1
        # the signal is recorded as the close key, after that frame's script keys, in the frame
        # that never ran
        with open(self.path("played.keys")) as f:
            last = f.read().splitlines()[-1].split()
        self.assertEqual((last[0], last[-1]), (str(frames), "ctrl-x"))
        self.assertEqual(json.loads(lines[-1])["frame"], frames - 1)
        return lines

    def test_sigint_and_sigterm_end_a_headless_run_as_closing_the_window_does(self):
        for sig in (signal.SIGINT, signal.SIGTERM):
            with self.subTest(signal=sig.name):
                trace = sig.name + ".jsonl"
                game = self.start(["--headless", "--frames", ENDLESS, "--keys", "keys.txt",
                                   "--record", "played.keys", "--trace", trace])
                self.wait_for_frames(game, trace, 200)
                game.send_signal(sig)
                lines = self.assert_closed_like_the_window(game, trace)
                # the record alone replays the whole run, and ends it where the signal did
                self.assertEqual(self.replay("played.keys", ENDLESS), lines)

    @unittest.skipUnless(shutil.which("Xvfb"), "Xvfb is not installed")
    def test_sigint_ends_a_window_run_as_closing_the_window_does(self):
        with Xvfb() as x:
            # The GL driver that GLFW unloads at exit keeps blocks LeakSanitizer cannot name.
            asan = os.environ.get("ASAN_OPTIONS", "")
            game = self.start(["--keys", "keys.txt", "--record", "played.keys", "--trace",
                               "w.jsonl", "--fps", "200"], DISPLAY=x.display,
                              ASAN_OPTIONS=asan + ":detect_leaks=0")
            self.wait_for_frames(game, "w.jsonl", 30)
            game.send_signal(signal.SIGINT)
            lines = self.assert_closed_like_the_window(game, "w.jsonl")
        self.assertEqual(self.replay("played.keys", ENDLESS)[1:], lines[1:])

    def test_a_killed_run_leaves_whole_lines_that_replay(self):
        game = self.start(["--headless", "--frames", ENDLESS, "--keys", "keys.txt", "--record",
                           "played.keys", "--trace", "t.jsonl"])
        self.wait_for_frames(game, "t.jsonl", 300)
        game.kill()
        self.assertEqual(game.wait(timeout=60), -signal.SIGKILL)
        lines = self.whole_lines("t.jsonl")
        for line in lines:
            json.loads(line)
        frames = len(lines) - 1
        self.assertGreaterEqual(frames, 300)
        # the record's whole lines reach at least as far as the trace's
        kept = self.whole_lines("played.keys")
        with open(self.path("kept.keys"), "w") as f:
            f.writelines(kept)
        self.assertGreaterEqual(int(kept[-1].split()[0]), frames - 3)
        self.assertEqual(self.replay("kept.keys", frames), lines)

    def test_a_stuck_run_still_ends_after_the_grace_time(self):
        # Viewpoint lines fill the pipe nobody reads, so the game blocks writing to it: the
        # signal's flag is never looked at, and after the grace time the signal ends the process.
        with open(self.path("views.txt"), "w") as f:
            f.write("0 " + " ".join(["ctrl-v"] * 5000) + "\n")
        game = subprocess.Popen([BINARY, "--headless", "--frames", ENDLESS, "--keys",
                                 "views.txt"], cwd=self.dir, env=env(), stdout=subprocess.PIPE,
                                stderr=subprocess.DEVNULL)
        time.sleep(1)
        self.assertIsNone(game.poll())
        started = time.monotonic()
        game.send_signal(signal.SIGTERM)
        self.assertEqual(game.wait(timeout=60), -signal.SIGTERM)
        self.assertLess(time.monotonic() - started, 30)
        game.stdout.close()


if __name__ == "__main__":
    if len(sys.argv) > 1:
        BINARY = os.path.abspath(sys.argv.pop(1))
    unittest.main()
