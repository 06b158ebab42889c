#!/usr/bin/env python3
"""End-to-end: the game as a player installs it, run from a directory of its own.

Usage:
  e2e_install.py prefix BUILD_DIR [--no-pictures]   cmake --install BUILD_DIR into a temporary prefix
  e2e_install.py package DEB [--no-pictures]        the Debian package, unpacked with dpkg-deb -x

Either way the installed program, run from another directory, must find its installed textures
with no warning (and write a picture, in a build with a renderer), the desktop entry must pass
desktop-file-validate and name an installed icon, and the manual page must render with man and
hold every option and key that --help lists. --no-pictures is for a build without a renderer.
"""
import glob
import json
import os
import re
import shutil
import subprocess
import sys
import tempfile
import unittest

PNG_SIGNATURE = b"\x89PNG\r\n\x1a\n"
TEXTURE_FILES = ["wood.png", "ground.png", "sky.png", "checkered.png"]
ICON_SIZES = ["48x48", "128x128", "256x256"]

MODE = None
SOURCE = None
PICTURES = True


def installed_tree(root):
    """Installs (or unpacks) the game under root; returns (program, share directory)."""
    if MODE == "prefix":
        subprocess.run(["cmake", "--install", SOURCE, "--prefix", root], check=True,
                       capture_output=True)
        return os.path.join(root, "bin", "cannoncar"), os.path.join(root, "share")
    subprocess.run(["dpkg-deb", "-x", SOURCE, root], check=True)
    return os.path.join(root, "usr", "games", "cannoncar"), os.path.join(root, "usr", "share")


class Installed(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.tmp = tempfile.TemporaryDirectory()
        cls.program, cls.share = installed_tree(os.path.join(cls.tmp.name, "root"))
        cls.manpage = glob.glob(os.path.join(cls.share, "man", "man6", "cannoncar.6*"))

    @classmethod
    def tearDownClass(cls):
        cls.tmp.cleanup()

    def setUp(self):
        self.work = tempfile.mkdtemp(dir=self.tmp.name)

    def run_game(self, args):
        env = dict(os.environ, LC_ALL="C.UTF-8")
        env.pop("DISPLAY", None)
        env.pop("WAYLAND_DISPLAY", None)
        return subprocess.run([self.program] + args, cwd=self.work, env=env, capture_output=True,
                              timeout=300)

    def header(self, name):
        with open(os.path.join(self.work, name), encoding="utf-8") as f:
            return json.loads(f.readline())

    def host_lines(self, result):
        return [line for line in result.stderr.decode("utf-8", "replace").splitlines()
                if line.startswith("cannoncar:")]

    def test_the_installed_program_finds_its_textures_from_anywhere(self):
        # The directory read is in the trace's header; the picture is a run of its own, since
        # the two together over ten frames crash LeakSanitizer's thread tracer in the sanitizer
        # build (it reads a dynamic TLS range that is not there), a fault of the runtime's, not
        # of the game's.
        r = self.run_game(["--headless", "--frames", "10", "--trace", "t.jsonl"])
        self.assertEqual(r.returncode, 0, r.stderr)
        self.assertEqual(self.host_lines(r), [])
        textures = self.header("t.jsonl")["textures"]
        self.assertEqual(os.path.realpath(textures),
                         os.path.realpath(os.path.join(self.share, "cannoncar", "textures")))
        self.assertEqual(sorted(os.listdir(textures)), sorted(TEXTURE_FILES))
        if PICTURES:
            r = self.run_game(["--headless", "--frames", "10", "--screenshot", "x.png"])
            self.assertEqual(r.returncode, 0, r.stderr)
            self.assertEqual(self.host_lines(r), [])
            with open(os.path.join(self.work, "x.png"), "rb") as f:
                self.assertEqual(f.read(8), PNG_SIGNATURE)

    def test_textures_in_the_working_directory_come_first(self):
        os.mkdir(os.path.join(self.work, "textures"))
        r = self.run_game(["--headless", "--frames", "1", "--trace", "t.jsonl"])
        self.assertEqual(r.returncode, 0, r.stderr)
        self.assertEqual(self.header("t.jsonl")["textures"], "textures")

    def test_a_directory_named_on_the_command_line_is_read_as_given(self):
        args = ["--headless", "--frames", "1", "--textures", "mine", "--trace", "t.jsonl"]
        if PICTURES:
            args += ["--screenshot", "x.png"]
        r = self.run_game(args)
        self.assertEqual(r.returncode, 0, r.stderr)
        self.assertEqual(self.header("t.jsonl")["textures"], "mine")
        if PICTURES:
            lines = self.host_lines(r)
            self.assertEqual(len(lines), 1, r.stderr)
            self.assertIn("texture directory mine: no such directory", lines[0])

    def test_the_desktop_entry_is_valid_and_its_icon_installed(self):
        entry = os.path.join(self.share, "applications", "cannoncar.desktop")
        r = subprocess.run(["desktop-file-validate", entry], capture_output=True, text=True)
        self.assertEqual(r.returncode, 0, r.stdout + r.stderr)
        self.assertEqual(r.stdout + r.stderr, "")
        with open(entry, encoding="utf-8") as f:
            fields = dict(line.rstrip("\n").split("=", 1) for line in f if "=" in line)
        self.assertIn("Game;", fields["Categories"])
        self.assertEqual(fields["Exec"].split()[0], os.path.basename(self.program))
        for size in ICON_SIZES:
            icon = os.path.join(self.share, "icons", "hicolor", size, "apps",
                                fields["Icon"] + ".png")
            with open(icon, "rb") as f:
                self.assertEqual(f.read(8), PNG_SIGNATURE, icon)

    def test_the_manual_page_holds_every_option_and_key_of_help(self):
        self.assertEqual(len(self.manpage), 1, self.manpage)
        env = dict(os.environ, MANWIDTH="80", LC_ALL="C.UTF-8")
        r = subprocess.run(["man", "--no-hyphenation", "--no-justification", "-l",
                            self.manpage[0]], capture_output=True, env=env, timeout=60)
        self.assertEqual(r.returncode, 0, r.stderr)
        self.assertEqual(r.stderr, b"")
        # bold and underlined letters come as overstrikes; words are compared by their spacing
        page = re.sub(r".\x08", "", r.stdout.decode("utf-8"))
        page = " ".join(page.split())
        for section in ("NAME", "SYNOPSIS", "OPTIONS", "KEYS AND MOUSE", "KEY SCRIPTS", "TRACES",
                        "EXIT STATUS", "FILES"):
            self.assertIn(" " + section + " ", page)

        help_text = subprocess.run([self.program, "--help"], capture_output=True, text=True,
                                   check=True).stdout
        entries = help_entries(help_text)
        self.assertGreater(len([e for e in entries if e[0].startswith("-")]), 10, help_text)
        for head, text in entries:
            with self.subTest(entry=head):
                self.assertIn(head + " " + text, page)


def help_entries(help_text):
    """(names, text) for every option and key line of --help; a long head stands on its own line."""
    entries = []
    lines = help_text.splitlines()
    i = 0
    while i < len(lines):
        line = lines[i]
        i += 1
        if not line.startswith("  ") or line.startswith("   "):
            continue
        parts = re.split(r"\s{2,}", line.strip(), maxsplit=1)
        if len(parts) == 1:
            parts.append(lines[i].strip())
            i += 1
        entries.append((parts[0], parts[1]))
    return entries


def main():
    global MODE, SOURCE, PICTURES
    args = sys.argv[1:]
    if "--no-pictures" in args:
        PICTURES = False
        args.remove("--no-pictures")
    if len(args) != 2 or args[0] not in ("prefix", "package"):
        sys.exit(__doc__)
    MODE, SOURCE = args[0], os.path.abspath(args[1])
    for tool in ("desktop-file-validate", "man") + (("dpkg-deb",) if MODE == "package" else ()):
        if shutil.which(tool) is None:
            sys.exit(f"e2e_install: {tool} is missing (scripts/install-deps installs it)")
    unittest.main(argv=[sys.argv[0]], verbosity=2)


if __name__ == "__main__":
    main()
