#!/usr/bin/env python3
"""End-to-end: nothing the player owns is lost or corrupted by a run.

Usage: e2e_outputs.py CANNONCAR
A refused run leaves every file as it was; two outputs, or an output and the key script or the
console, that are one file are refused; frame pictures never overwrite; closed standard streams
never receive a trace or record; the record ends where the run ended; a stop signal while the last
picture is written ends the run within a second, with its totals. Cases that need pictures are
skipped by a build without a renderer.
"""
import json
import os
import resource
import signal
import subprocess
import sys
import tempfile
import time
import unittest

BINARY = os.environ.get("CANNONCAR", "build/debug/cannoncar")
TOTALS = "총점수 : "
PNG_SIGNATURE = b"\x89PNG\r\n\x1a\n"
OLD = b"the player's own file\n"


def env(**extra):
    e = dict(os.environ, LC_ALL="C.UTF-8")
    e.update(extra)
    return e


def run(args, cwd, environment=None, timeout=120, **kwargs):
    kwargs.setdefault("capture_output", True)
    return subprocess.run([BINARY] + args, cwd=cwd, env=environment or env(), timeout=timeout,
                          **kwargs)


def host_lines(stderr):
    return [l for l in stderr.decode(errors="replace").splitlines() if l.startswith("cannoncar:")]


_pictures = None


def can_draw_pictures():
    global _pictures
    if _pictures is None:
        with tempfile.TemporaryDirectory() as tmp:
            _pictures = run(["--headless", "--frames", "1", "--screenshot", "p.png"],
                            tmp).returncode == 0
    return _pictures


class Case(unittest.TestCase):
    def setUp(self):
        self.tmp = tempfile.TemporaryDirectory()
        self.dir = self.tmp.name

    def tearDown(self):
        self.tmp.cleanup()

    def path(self, name):
        return os.path.join(self.dir, name)

    def write(self, name, data=OLD):
        with open(self.path(name), "wb") as f:
            f.write(data)
        return name

    def read(self, name):
        with open(self.path(name), "rb") as f:
            return f.read()

    def snapshot(self):
        return {name: self.read(name) for name in os.listdir(self.dir)
                if os.path.isfile(self.path(name))}

    def assert_refused_untouched(self, args, named, environment=None, **kwargs):
        """Exit 2, one host line naming the cause, the game never started, every file as it was."""
        before = self.snapshot()
        r = run(args, self.dir, environment, **kwargs)
        lines = host_lines(r.stderr)
        self.assertEqual(r.returncode, 2, r.stderr)
        self.assertEqual(len(lines), 1, r.stderr)
        for word in named:
            self.assertIn(word, lines[0])
        self.assertNotIn(TOTALS.encode(), r.stdout)
        self.assertEqual(self.snapshot(), before)
        return lines[0]


class RefusedRunsLeaveFilesAsTheyWere(Case):
    def test_every_refusal_leaves_the_existing_outputs(self):
        no_display = env()
        no_display.pop("DISPLAY", None)
        no_display.pop("WAYLAND_DISPLAY", None)
        no_egl = env(__EGL_VENDOR_LIBRARY_FILENAMES="/nonexistent")
        self.write("bad.keys", b"0 warp\n")
        cases = [
            ("no display", ["--record", "game.keys", "--trace", "good.jsonl"], no_display,
             ["no display" if can_draw_pictures() else "cannot open a window"]),
            ("an output that cannot be written",
             ["--headless", "--trace", "good.jsonl", "--record", "/nonexistent/r.keys"], None,
             ["/nonexistent/r.keys"]),
            ("a bad key script", ["--headless", "--trace", "good.jsonl", "--keys", "bad.keys"],
             None, ["bad.keys:1"]),
            ("a bad option after the outputs",
             ["--headless", "--trace", "good.jsonl", "--record", "game.keys", "--frames", "0"],
             None, ["--frames"]),
        ]
        if can_draw_pictures():
            cases.append(("no EGL", ["--headless", "--trace", "good.jsonl", "--record",
                                     "game.keys", "--screenshot", "shot.png"], no_egl, ["EGL"]))
        for what, args, environment, named in cases:
            with self.subTest(what):
                for name in ("game.keys", "good.jsonl", "shot.png"):
                    self.write(name)
                self.assert_refused_untouched(args, named, environment)


class OneFileForTwoUses(Case):
    def test_outputs_that_are_one_file_are_refused(self):
        self.write("k.keys", b"0 w\n")
        os.symlink("k.keys", self.path("link.keys"))
        os.link(self.path("k.keys"), self.path("hard.keys"))
        cases = [
            (["--trace", "same.txt", "--record", "same.txt"], ["--trace", "--record"]),
            (["--trace", "same.txt", "--record", "./sub/../same.txt"], ["--trace", "--record"]),
            (["--keys", "k.keys", "--trace", "k.keys"], ["--trace", "--keys"]),
            (["--keys", "k.keys", "--trace", "link.keys"], ["--trace", "--keys"]),
            (["--keys", "k.keys", "--record", "hard.keys"], ["--record", "--keys"]),
            (["--trace", "x", "--screenshot", "x"], ["--trace", "--screenshot"]),
            (["--keys", "k.keys", "--screenshot", "k.keys"], ["--screenshot", "--keys"]),
        ]
        os.mkdir(self.path("sub"))
        for args, named in cases:
            if "--screenshot" in args and not can_draw_pictures():
                continue  # refused by a build without a renderer before anything else
            with self.subTest(args=args):
                self.assert_refused_untouched(["--headless"] + args, named + ["one file"])

    def test_an_output_on_the_console_is_refused(self):
        for stream in ("stdout", "stderr"):
            for option in ("--trace", "--record"):
                with self.subTest(stream=stream, option=option):
                    with open(self.path("console.txt"), "wb") as console:
                        kwargs = {"stdout": console, "stderr": subprocess.PIPE}
                        r = run(["--headless", option, "/dev/" + stream], self.dir,
                                capture_output=False, **kwargs)
                    self.assertEqual(r.returncode, 2, r.stderr)
                    if stream == "stdout":
                        self.assertIn("standard output", host_lines(r.stderr)[0])

    def test_devices_may_take_several_outputs(self):
        r = run(["--headless", "--frames", "3", "--trace", "/dev/null", "--record", "/dev/null"],
                self.dir, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE,
                capture_output=False)
        self.assertEqual(r.returncode, 0, r.stderr)


class FramePictures(Case):
    def test_frame_pictures_never_overwrite(self):
        if not can_draw_pictures():
            self.skipTest("this build draws no pictures")
        self.write("frame00001.png")
        self.write("keys.txt", b"1 ctrl-w\n3 ctrl-w\n")
        r = run(["--headless", "--frames", "4", "--keys", "keys.txt"], self.dir)
        self.assertEqual(r.returncode, 0, r.stderr)
        self.assertEqual(self.read("frame00001.png"), OLD)
        self.assertEqual(self.read("frame00001-2.png")[:8], PNG_SIGNATURE)
        self.assertEqual(self.read("frame00002.png")[:8], PNG_SIGNATURE)
        self.assertFalse(os.path.exists(self.path("frame00003.png")))


class ClosedStandardStreams(Case):
    def test_a_trace_and_record_never_take_a_closed_console_descriptor(self):
        self.write("keys.txt", b"0 w w\n5 space\n9 ctrl-v\n")
        for fd in (1, 2):
            with self.subTest(closed=fd):
                r = run(["--headless", "--frames", "30", "--keys", "keys.txt", "--trace",
                         "t.jsonl", "--record", "r.keys"], self.dir,
                        preexec_fn=lambda: os.close(fd))
                lines = self.read("t.jsonl").decode().splitlines()
                self.assertEqual(len(lines), 31)
                for line in lines:
                    json.loads(line)
                self.assertEqual(self.read("r.keys").decode().splitlines()[1:],
                                 ["0 w w", "5 space", "9 ctrl-v", "30 ctrl-x"])
                if fd == 1:
                    # the console's own text failed to go out, as with no descriptor at all
                    self.assertEqual(r.returncode, 1, r.stderr)
                    self.assertIn("cannot write standard output: Bad file descriptor",
                                  r.stderr.decode())

    def test_a_key_script_on_a_standard_input_that_cannot_be_read_is_refused(self):
        os.mkdir(self.path("dir"))
        cases = [("closed", lambda: os.close(0), None),
                 ("a directory", None, os.open(self.path("dir"), os.O_RDONLY))]
        for what, preexec, stdin in cases:
            with self.subTest(what):
                line = self.assert_refused_untouched(
                    ["--headless", "--keys", "-"], ["standard input"], preexec_fn=preexec,
                    stdin=stdin)
                self.assertIn("cannot read key script", line)
            if stdin is not None:
                os.close(stdin)


class TheRecordEndsWhereTheRunEnded(Case):
    def test_a_run_ended_by_its_frame_count_replays_to_the_same_frame(self):
        self.write("keys.txt", b"0 w\n3 ctrl-p\n4 ctrl-o\n")
        r = run(["--headless", "--frames", "12", "--keys", "keys.txt", "--record", "r.keys",
                 "--trace", "a.jsonl"], self.dir)
        self.assertEqual(r.returncode, 0, r.stderr)
        self.assertEqual(self.read("r.keys").decode().splitlines()[-1], "12 ctrl-x")
        r = run(["--headless", "--keys", "r.keys", "--trace", "b.jsonl"], self.dir)
        self.assertEqual(r.returncode, 0, r.stderr)
        self.assertEqual(self.read("b.jsonl"), self.read("a.jsonl"))


class StopWhileThePictureIsWritten(Case):
    """The signal comes after the last frame: no frame loop is left to see it."""

    def start(self, args):
        self.out = open(self.path("out.txt"), "w+b")
        self.addCleanup(self.out.close)
        return subprocess.Popen([BINARY] + args, cwd=self.dir, env=env(), stdout=self.out,
                                stderr=subprocess.PIPE)

    def stop_after_last_frame(self, game, frames):
        deadline = time.monotonic() + 120
        while time.monotonic() < deadline:
            self.assertIsNone(game.poll())
            if os.path.exists(self.path("t.jsonl")) and \
                    self.read("t.jsonl").count(b"\n") > frames:
                break
            time.sleep(0.02)
        time.sleep(0.3)
        game.send_signal(signal.SIGTERM)
        stopped = time.monotonic()
        _, err = game.communicate(timeout=30)
        self.out.seek(0)
        self.assertIn(TOTALS, self.out.read().decode())
        self.assertLess(time.monotonic() - stopped, 3, "the grace alarm ended it, not the host")
        self.assertEqual(game.returncode, 1, err)
        self.assertIn("cannot write screenshot 'shot.png': stopped by a signal",
                      host_lines(err)[-1])

    def test_a_fifo_nobody_opens(self):
        if not can_draw_pictures():
            self.skipTest("this build draws no pictures")
        os.mkfifo(self.path("shot.png"))
        game = self.start(["--headless", "--frames", "2", "--trace", "t.jsonl", "--screenshot",
                           "shot.png"])
        self.stop_after_last_frame(game, 2)

    def test_a_fifo_nobody_reads(self):
        if not can_draw_pictures():
            self.skipTest("this build draws no pictures")
        os.mkfifo(self.path("shot.png"))
        reader = os.open(self.path("shot.png"), os.O_RDONLY | os.O_NONBLOCK)
        self.addCleanup(os.close, reader)
        game = self.start(["--headless", "--frames", "2", "--size", "2048x2048", "--trace",
                           "t.jsonl", "--screenshot", "shot.png"])
        self.stop_after_last_frame(game, 2)


class StopWhileWaitingForAReader(Case):
    def test_a_trace_fifo_nobody_opens_ends_at_a_stop_signal(self):
        for option in ("--trace", "--record"):
            with self.subTest(option=option):
                fifo = self.path(option[2:])
                os.mkfifo(fifo)
                game = subprocess.Popen([BINARY, "--headless", option, fifo], cwd=self.dir,
                                        env=env(), stdout=subprocess.DEVNULL,
                                        stderr=subprocess.PIPE)
                time.sleep(1.5)
                self.assertIsNone(game.poll())  # waiting for a reader
                game.send_signal(signal.SIGTERM)
                stopped = time.monotonic()
                _, err = game.communicate(timeout=30)
                self.assertLess(time.monotonic() - stopped, 3, err)
                if game.returncode == 2:  # the host had its handler by then, as it should
                    self.assertIn("stopped by a signal", host_lines(err)[-1])
                else:
                    self.assertEqual(game.returncode, -signal.SIGTERM, err)


class OutOfMemory(Case):
    @unittest.skipIf("ASAN_OPTIONS" in os.environ, "the sanitizer's heap ignores an address limit")
    def test_running_out_of_memory_is_one_line_and_exit_1_with_the_outputs_left_alone(self):
        # 64 MiB of one key a line takes some 290 MB once read: more than the limit below
        with open(self.path("big.keys"), "w") as f:
            f.writelines("%d w\n" % frame for frame in range(7_100_000))
        self.write("t.jsonl")
        limit = 200 << 20

        def limit_memory():
            resource.setrlimit(resource.RLIMIT_AS, (limit, limit))

        r = run(["--headless", "--frames", "2", "--keys", "big.keys", "--trace", "t.jsonl",
                 "--record", "r.keys"], self.dir, preexec_fn=limit_memory)
        self.assertEqual(r.returncode, 1, r.stderr)
        self.assertEqual(host_lines(r.stderr), ["cannoncar: out of memory"])
        self.assertEqual(self.read("t.jsonl"), OLD)
        self.assertFalse(os.path.exists(self.path("r.keys")))


if __name__ == "__main__":
    if len(sys.argv) > 1:
        BINARY = os.path.abspath(sys.argv.pop(1))
    unittest.main()
