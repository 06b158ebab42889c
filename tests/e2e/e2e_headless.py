#!/usr/bin/env python3
"""End-to-end: the cannoncar binary run headless with key scripts and traces."""
import json
import os
import struct
import subprocess
import sys
import tempfile
import unittest

BINARY = os.environ.get("CANNONCAR", "build/debug/cannoncar")

KEY_SUMMARY = (
    "Press:\t'w' to increase speed.\n\t's' to decrease speed.\n\t'a' to steer left.\n"
    "\t'z' to reset speed and steering.\n\t'j' to turn the cannon left.\n"
    "\t'l' to turn the cannon right.\n\t'i' to raise the cannon.\n\t'k' to lower the cannon.\n"
    "\t'f' to toggle fast step mode.\n\t'g' to increase AutoEnableDepth.\n"
    "\t'h' to decrease AutoEnableDepth.\n\t'r' to reset simulation.\n"
)
MIG_COUNT = "\nODE Message: 미그기 숫자 : 10\n"


def single(value):
    """The nearest single-precision float, as Python's double holds it."""
    return struct.unpack("f", struct.pack("f", value))[0]


def run(args, cwd, env=None, stdin=None):
    full_env = dict(os.environ, LC_ALL="C.UTF-8")
    full_env.update(env or {})
    return subprocess.run([BINARY] + args, cwd=cwd, env=full_env, input=stdin,
                          capture_output=True, timeout=300)


class HeadlessRun(unittest.TestCase):
    def setUp(self):
        self.tmp = tempfile.TemporaryDirectory()
        self.dir = self.tmp.name

    def tearDown(self):
        self.tmp.cleanup()

    def write(self, name, text):
        path = os.path.join(self.dir, name)
        with open(path, "w" if isinstance(text, str) else "wb") as f:
            f.write(text)
        return path

    def trace(self, name="t.jsonl"):
        with open(os.path.join(self.dir, name), encoding="utf-8") as f:
            return [json.loads(line) for line in f]

    def test_a_scripted_game_prints_its_lines_and_traces_every_frame(self):
        self.write("keys.txt", "# drive, aim and shoot\n0 w w w\n5 j i\n10 space\n"
                               "11 space space\n50 ctrl-p\n60 ctrl-o\n70 ctrl-p\n")
        r = run(["--headless", "--frames", "200", "--keys", "keys.txt", "--trace", "t.jsonl"],
                self.dir)
        self.assertEqual(r.returncode, 0, r.stderr)
        out, err = r.stdout.decode(), r.stderr.decode()
        self.assertTrue(out.startswith(KEY_SUMMARY), out[:300])
        self.assertEqual(err.count(MIG_COUNT), 1, err)
        totals = out.rstrip("\n").split("\n")[-1]
        self.assertRegex(totals, r"^총점수 : \d+  사용한 미사일 수 : 3$")

        lines = self.trace()
        header, frames = lines[0], lines[1:]
        self.assertEqual(header, {"width": 800, "height": 600, "textures": "textures",
                                  "viewpoint": {"xyz": [3.8548, 9.0843, 7.59],
                                                "hpr": [-145.5, -22.5, 0.25]}})
        self.assertEqual([f["frame"] for f in frames], list(range(200)))
        self.assertEqual(frames[0]["keys"], [119, 119, 119])
        self.assertEqual(frames[11]["keys"], [32, 32])
        self.assertEqual(frames[50]["keys"], ["ctrl-p"])
        # paused from 50 to 69 but for the single step at 60
        pauses = [f["pause"] for f in frames]
        self.assertEqual(pauses[49:72], [0] + [1] * 10 + [0] + [1] * 9 + [0, 0])
        for f in frames:
            draws = f["draws"]
            self.assertEqual(len(draws), 36)
            self.assertEqual([d["op"] for d in draws],
                             ["box"] * 11 + ["sphere"] * 4 + ["box"] + ["cylinder"] * 20)
            self.assertTrue(all(d["texture"] == 1 for d in draws))
            # the chassis green is the float 0.3f, written as the shortest text that reads back
            self.assertEqual([single(c) for c in draws[10]["color"]], [single(0.3), 1, single(0.3)])
            self.assertEqual(draws[10]["sides"], [3.5, 2.5, 1])
        # scoring prints go with the frame in which the contact was found
        prints = [p for f in frames for p in f["prints"]]
        self.assertTrue(all(p.startswith("현제 점수 : ") for p in prints))
        score = int(totals.split()[2])
        self.assertEqual(len(prints), score)
        # a paused frame draws the world it was given
        self.assertEqual(frames[52]["draws"], frames[53]["draws"])
        self.assertEqual(frames[52]["prints"], [])

    def test_the_same_script_gives_the_same_trace(self):
        self.write("keys.txt", "0 w w a\n20 space\n40 r\n41 space f\n")
        for name in ("a.jsonl", "b.jsonl"):
            r = run(["--headless", "--frames", "120", "--keys", "keys.txt", "--trace", name],
                    self.dir)
            self.assertEqual(r.returncode, 0, r.stderr)
        self.assertEqual(self.trace("a.jsonl"), self.trace("b.jsonl"))

    def test_close_key_ends_the_run_like_closing_the_window(self):
        r = run(["--headless", "--keys", "-", "--trace", "t.jsonl"], self.dir,
                stdin=b"3 space\n7 ctrl-x\n")
        self.assertEqual(r.returncode, 0, r.stderr)
        self.assertEqual(len(self.trace()) - 1, 7)
        self.assertRegex(r.stdout.decode(), r"총점수 : \d+  사용한 미사일 수 : 1\n$")

    def test_reset_starts_the_totals_again(self):
        r = run(["--headless", "--frames", "30", "--keys", "-"], self.dir,
                stdin=b"1 space space\n20 r\n")
        self.assertEqual(r.returncode, 0, r.stderr)
        self.assertTrue(r.stdout.decode().endswith("총점수 : 0  사용한 미사일 수 : 0\n"))
        self.assertEqual(r.stderr.decode().count(MIG_COUNT), 2)

    def test_korean_texts_follow_the_console_encoding(self):
        r = run(["--headless", "--frames", "1"], self.dir, env={"LC_ALL": "ko_KR.CP949"})
        self.assertEqual(r.returncode, 0, r.stderr)
        if subprocess.run(["locale", "-a"], capture_output=True, text=True).stdout.lower() \
                .find("ko_kr.cp949") < 0:
            self.skipTest("locale ko_KR.CP949 is not available")
        self.assertIn(MIG_COUNT.encode("cp949"), r.stderr)
        self.assertTrue(r.stdout.endswith("총점수 : 0  사용한 미사일 수 : 0\n".encode("cp949")))

    def test_bad_input_is_one_line_and_exit_code_2(self):
        self.write("bad.txt", "0 w\n1 warp\n")
        cases = [
            (["--headless", "--keys", "bad.txt"], "bad.txt:2: unknown key 'warp'"),
            (["--headless", "--bogus"], "unknown option '--bogus'"),
            (["--headless", "--frames", "ten"], "--frames"),
            (["--headless", "--frames", "-1"], "--frames"),
            (["--headless", "--frames"], "--frames needs a value"),
            (["--headless", "--keys", "missing.txt"], "missing.txt"),
            (["--headless", "--trace", "no/such/dir/t.jsonl"], "no/such/dir/t.jsonl"),
        ]
        for args, named in cases:
            with self.subTest(args=args):
                r = run(args, self.dir)
                self.assertEqual(r.returncode, 2)
                host_lines = [l for l in r.stderr.decode().splitlines() if l.startswith("cannoncar:")]
                self.assertEqual(len(host_lines), 1, r.stderr)
                self.assertIn(named, host_lines[0])
                self.assertNotIn(b"Press:", r.stdout)  # no frame, not even the start
        self.assertFalse(os.path.exists(os.path.join(self.dir, "no")))

    def test_help_lists_options_and_keys(self):
        r = run(["--help"], self.dir)
        self.assertEqual(r.returncode, 0)
        for word in (b"--headless", b"--keys", b"ctrl-p", b"space"):
            self.assertIn(word, r.stdout)


if __name__ == "__main__":
    if len(sys.argv) > 1:
        BINARY = os.path.abspath(sys.argv.pop(1))
    unittest.main()
