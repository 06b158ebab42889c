#!/usr/bin/env python3
"""End-to-end: every bad input the program can be given, and every output it cannot write.

Usage: e2e_bad_input.py CANNONCAR
A bad option or key script is one line on stderr naming it and exit code 2 before the game starts,
with no file left behind. A texture directory that cannot be read is one warning, and the game
plays on. An output that fails while the game plays is one line and exit code 1 after the totals;
a trace or picture cut short is removed, a key record is cut back to its last whole line.
"""
import os
import random
import resource
import signal
import stat
import subprocess
import sys
import tempfile
import unittest

BINARY = os.environ.get("CANNONCAR", "build/debug/cannoncar")
TOTALS = "총점수 : "
PNG_SIGNATURE = b"\x89PNG\r\n\x1a\n"
# Past this many bytes a file being written fails with EFBIG, as on a disk that fills.
FILE_LIMIT = 30011


def run(args, cwd, stdin=None, limit=None, timeout=300):
    def limit_file_size():
        resource.setrlimit(resource.RLIMIT_FSIZE, (limit, limit))
        signal.signal(signal.SIGXFSZ, signal.SIG_IGN)

    return subprocess.run([BINARY] + args, cwd=cwd, input=stdin, capture_output=True,
                          timeout=timeout, env=dict(os.environ, LC_ALL="C.UTF-8"),
                          preexec_fn=limit_file_size if limit else None)


def host_lines(result):
    return [l for l in result.stderr.decode(errors="replace").splitlines()
            if l.startswith("cannoncar:")]


class Case(unittest.TestCase):
    def setUp(self):
        self.tmp = tempfile.TemporaryDirectory()
        self.dir = self.tmp.name

    def tearDown(self):
        self.tmp.cleanup()

    def path(self, name):
        return os.path.join(self.dir, name)

    def write(self, name, data):
        with open(self.path(name), "wb" if isinstance(data, bytes) else "w") as f:
            f.write(data)
        return name

    def assert_refused(self, args, named, stdin=None):
        """One host line naming the input, exit code 2, the game never started, no file made."""
        before = set(os.listdir(self.dir))
        r = run(args, self.dir, stdin=stdin)
        lines = host_lines(r)
        self.assertEqual(r.returncode, 2, r.stderr)
        self.assertEqual(len(lines), 1, r.stderr)
        self.assertIn(named, lines[0])
        self.assertLess(len(lines[0]), 200)
        self.assertNotIn(b"Press:", r.stdout)
        self.assertEqual(set(os.listdir(self.dir)), before)
        return lines[0]

    def assert_played(self, r):
        self.assertEqual(r.returncode, 0, r.stderr)
        self.assertTrue(r.stdout.decode().rstrip("\n").split("\n")[-1].startswith(TOTALS))


class BadOptions(Case):
    def test_each_bad_option_or_value_is_named_and_refused(self):
        cases = [
            (["--bogus"], "--bogus"),
            (["-x"], "-x"),
            (["--frames"], "--frames needs a value"),
            (["--frames="], "--frames"),
        ]
        values = {
            "--frames": ["ten", "-1", "0", "1.5", "1e5", "", " 5", "5 ", "0x10",
                         "99999999999999999999", "1000000001"],
            "--fps": ["fast", "-5", "0", "nan", "inf", "1e400", "1001", "", "20fps"],
            "--size": ["800", "800x", "x600", "0x0", "-800x600", "800x-600", "15x600",
                       "800x8193", "100000x100000", "800x600x3", "abcxdef",
                       "99999999999999999999x600", "800X600", ""],
        }
        for option, bad in values.items():
            cases.append(([option], option + " needs a value"))
            for value in bad:
                cases.append(([option, value], option))
                cases.append(([option + "=" + value], option))
        for args, named in cases:
            with self.subTest(args=args):
                self.assert_refused(["--headless", "--trace", "t.jsonl"] + args, named)

    def test_a_bad_option_after_good_ones_still_stops_the_start(self):
        self.assert_refused(["--headless", "--frames", "5", "--trace", "t.jsonl", "--record",
                             "r.txt", "--size", "0x0"], "--size")


class BadKeyScripts(Case):
    def test_each_malformed_script_names_its_file_and_line(self):
        cases = [
            ("binary.txt", b"0 w\n1 \x00\x01\xfe\xff\n", "binary.txt:2: unexpected byte 0x00"),
            ("random.txt", bytes(random.Random(4).randrange(256) for _ in range(4096)),
             "random.txt:"),
            ("utf8.txt", "0 w\n1 ㄱ\n".encode(), "utf8.txt:2: unexpected byte 0xe3"),
            ("down.txt", "0 w\n5 w\n3 w\n", "down.txt:3: frame 3 comes after frame 5"),
            ("negative.txt", "-1 w\n", "negative.txt:1:"),
            ("frame64.txt", "0 w\n18446744073709551616 w\n", "frame64.txt:2:"),
            ("frame-huge.txt", "99999999999999999999999999999999 w\n", "frame-huge.txt:1:"),
            ("code64.txt", "0 code:99999999999999999999\n", "code64.txt:1: bad key code"),
            ("code-int.txt", "0 code:2147483648\n", "code-int.txt:1: bad key code"),
            ("code-empty.txt", "0 code:\n", "code-empty.txt:1: bad key code"),
            ("code-real.txt", "0 code:1.5\n", "code-real.txt:1: bad key code"),
            ("warp.txt", "0 w\n1 warp\n", "warp.txt:2: unknown key 'warp'"),
            ("ctrl.txt", "0 ctrl-q\n", "ctrl.txt:1: unknown key 'ctrl-q'"),
            ("frame-word.txt", "w 0\n", "frame-word.txt:1:"),
            ("long-token.txt", "0 " + "x" * (10 << 20) + "\n", "long-token.txt:1: unknown key"),
        ]
        for name, text, named in cases:
            with self.subTest(name=name):
                self.write(name, text)
                self.assert_refused(["--headless", "--keys", name, "--trace", "t.jsonl"], named)

    def test_scripts_that_cannot_be_read_are_named(self):
        os.mkdir(self.path("dir.txt"))
        self.assert_refused(["--headless", "--keys", "missing.txt"], "missing.txt")
        self.assert_refused(["--headless", "--keys", "dir.txt"], "dir.txt")
        self.assert_refused(["--headless", "--keys", "/dev/zero"], "/dev/zero")
        self.assert_refused(["--headless", "--keys", "-"], "standard input", stdin=b"0 w\n1 q!\n")

    def test_a_ten_megabyte_line_of_keys_plays(self):
        self.write("long.txt", "0 " + "w " * (5 << 20) + "\n3 z\n")
        r = run(["--headless", "--frames", "5", "--keys", "long.txt"], self.dir)
        self.assert_played(r)


class TextureDirectories(Case):
    """Textures are drawn only into pictures, so these runs take a screenshot."""

    def play(self):
        r = run(["--headless", "--frames", "3", "--screenshot", "shot.png"], self.dir)
        self.assert_played(r)
        with open(self.path("shot.png"), "rb") as f:
            self.assertEqual(f.read(8), PNG_SIGNATURE)
        lines = host_lines(r)
        self.assertEqual(len(lines), 1, r.stderr)
        self.assertIn("textures", lines[0])
        self.assertIn("built-in", lines[0])
        return lines[0]

    def test_no_directory_falls_back_with_one_warning(self):
        self.assertIn("no such directory", self.play())

    def test_a_file_in_its_place_falls_back_with_one_warning(self):
        self.write("textures", "not a directory\n")
        self.assertIn("not a directory", self.play())

    def test_unreadable_images_fall_back_with_one_warning(self):
        os.mkdir(self.path("textures"))
        self.write("textures/wood.png", PNG_SIGNATURE + b"\x00\x00\x00\x0dIHDR" + b"\xff" * 40)
        self.write("textures/ground.png", b"\x00" * 100)
        os.mkdir(self.path("textures/sky.png"))
        os.mkfifo(self.path("textures/checkered.png"))  # once blocked the game for ever
        self.assertIn("(and 3 more)", self.play())

    @unittest.skipIf(os.geteuid() == 0, "root reads any directory")
    def test_a_directory_without_read_permission_falls_back_with_one_warning(self):
        os.mkdir(self.path("textures"), 0)
        try:
            self.play()
        finally:
            os.chmod(self.path("textures"), 0o755)


class Outputs(Case):
    def test_outputs_into_a_missing_directory_are_refused_before_the_start(self):
        for option in ("--trace", "--record", "--screenshot"):
            with self.subTest(option=option):
                self.assert_refused(["--headless", option, "no/such/dir/out"], "no/such/dir/out")
        self.assertFalse(os.path.exists(self.path("no")))

    def test_outputs_onto_a_directory_are_refused_before_the_start(self):
        os.mkdir(self.path("out"))
        for option in ("--trace", "--record", "--screenshot"):
            with self.subTest(option=option):
                self.assert_refused(["--headless", option, "out"], "out")

    def test_a_refused_record_leaves_no_trace_file(self):
        self.assert_refused(["--headless", "--trace", "t.jsonl", "--record", "no/r.txt"],
                            "no/r.txt")

    def test_a_full_device_is_reported_and_left_alone(self):
        for option in ("--trace", "--record", "--screenshot"):
            with self.subTest(option=option):
                r = run(["--headless", "--frames", "20", "--keys", "-", option, "/dev/full"],
                        self.dir, stdin=b"0 w\n5 space\n")
                lines = host_lines(r)
                self.assertNotEqual(r.returncode, 0)
                self.assertIn("/dev/full", lines[-1], r.stderr)
                self.assertTrue(stat.S_ISCHR(os.stat("/dev/full").st_mode))

    def test_standard_output_on_a_full_device_is_reported(self):
        with open("/dev/full", "wb") as full:
            r = subprocess.run([BINARY, "--headless", "--frames", "5"], cwd=self.dir,
                               stdout=full, stderr=subprocess.PIPE, timeout=60)
        self.assertEqual(r.returncode, 1)
        self.assertEqual(host_lines(r), ["cannoncar: cannot write standard output: "
                                         "No space left on device"])

    def test_a_trace_cut_short_is_removed(self):
        r = run(["--headless", "--frames", "500", "--trace", "t.jsonl"], self.dir,
                limit=FILE_LIMIT)
        self.assertEqual(r.returncode, 1)
        self.assertIn("the unfinished trace was removed", host_lines(r)[-1])
        self.assertIn(TOTALS, r.stdout.decode())
        self.assertFalse(os.path.exists(self.path("t.jsonl")))

    def test_a_picture_cut_short_is_removed(self):
        r = run(["--headless", "--frames", "1", "--screenshot", "shot.png"], self.dir,
                limit=FILE_LIMIT)
        self.assertEqual(r.returncode, 1)
        self.assertIn("cannot write screenshot 'shot.png'", host_lines(r)[-1])
        self.assertFalse(os.path.exists(self.path("shot.png")))

    def test_a_record_cut_short_keeps_its_whole_lines_and_says_how_far(self):
        rng = random.Random(7)
        script = "".join("%d %s\n" % (f, " ".join(rng.choice("wasdjlik") for _ in range(9)))
                         for f in range(0, 4000, 2))
        self.write("keys.txt", script)
        r = run(["--headless", "--frames", "4000", "--keys", "keys.txt", "--record", "r.txt"],
                self.dir, limit=FILE_LIMIT)
        self.assertEqual(r.returncode, 1)
        line = host_lines(r)[-1]
        self.assertRegex(line, r"^cannoncar: cannot write key record 'r.txt': .*; "
                               r"it keeps the keys up to frame \d+$")
        last = int(line.rsplit(" ", 1)[1])
        with open(self.path("r.txt")) as f:
            kept = f.read()
        self.assertTrue(kept.endswith("\n"))
        self.assertLessEqual(len(kept), FILE_LIMIT)
        body = kept.split("\n", 1)[1]  # after the header comment
        self.assertEqual(body, script[:len(body)])
        self.assertEqual(int(body.rstrip("\n").rsplit("\n", 1)[-1].split()[0]), last)


if __name__ == "__main__":
    if len(sys.argv) > 1:
        BINARY = os.path.abspath(sys.argv.pop(1))
    unittest.main()
