"""A game played in a window under Xvfb, for the end-to-end tests that drive it with xdotool."""
import json
import os
import shutil
import subprocess
import sys
import tempfile
import time
import unittest

from e2e_window import Xvfb

SKIP = 77
TOTALS = "총점수 : "


class GameWindow:
    """cannoncar running in its own folder on an X server, its window found and focused."""

    def __init__(self, binary, folder, display, *options):
        self.folder, self.display = folder, display
        asan = os.environ.get("ASAN_OPTIONS", "")
        # The GL driver that GLFW unloads at exit keeps blocks LeakSanitizer cannot name.
        self.proc = subprocess.Popen(
            [binary, *options], cwd=folder,
            env=self.env(ASAN_OPTIONS=asan + ":detect_leaks=0"),
            stdout=subprocess.PIPE, stderr=subprocess.PIPE)
        found = self.xdotool("search", "--sync", "--onlyvisible", "--name", "^cannoncar$")
        self.window = found.stdout.split()[0] if found.stdout.split() else ""
        if not self.window:
            self.proc.kill()
            raise RuntimeError("no window: " + found.stderr)
        self.xdotool("mousemove", "--window", self.window, "400", "300")
        self.xdotool("windowfocus", "--sync", self.window)

    def env(self, **extra):
        env = dict(os.environ, LC_ALL="C.UTF-8", DISPLAY=self.display)
        env.pop("WAYLAND_DISPLAY", None)
        env.update(extra)
        return env

    def xdotool(self, *args):
        return subprocess.run(["xdotool", *args], env=self.env(), capture_output=True,
                              timeout=60, text=True)

    def double_click(self, x, y):
        self.xdotool("mousemove", "--window", self.window, str(round(x)), str(round(y)))
        self.xdotool("click", "--repeat", "2", "--delay", "100", "1")

    def finish(self, timeout=120):
        """Waits for the end of the run: (exit code, stdout, stderr)."""
        try:
            out, err = self.proc.communicate(timeout=timeout)
        except subprocess.TimeoutExpired:
            self.proc.kill()
            out, err = self.proc.communicate()
            raise AssertionError("the game did not end: " + err.decode())
        return self.proc.returncode, out.decode(), err.decode()


class WindowTest(unittest.TestCase):
    binary = "build/debug/cannoncar"
    textures = "textures"

    def setUp(self):
        self.tmp = tempfile.TemporaryDirectory()
        self.dir = self.tmp.name
        os.symlink(os.path.abspath(self.textures), os.path.join(self.dir, "textures"))

    def tearDown(self):
        self.tmp.cleanup()

    def game(self, x, *options):
        return GameWindow(self.binary, self.dir, x.display, *options)

    def trace(self, name):
        with open(os.path.join(self.dir, name), encoding="utf-8") as f:
            return [json.loads(line) for line in f]

    def frames_so_far(self, name):
        """The frames of a trace still being written; its last line may be half written."""
        with open(os.path.join(self.dir, name), encoding="utf-8") as f:
            return [json.loads(line) for line in f.read().split("\n")[1:-1]]

    def wait_for(self, name, done, what, timeout=120):
        """Waits until the frames traced so far satisfy done(frames); returns them."""
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline:
            frames = self.frames_so_far(name)
            if done(frames):
                return frames
            time.sleep(0.1)
        self.fail("waited in vain for " + what)

    def wait_for_keys(self, name, count):
        self.wait_for(name, lambda frames: sum(len(f["keys"]) for f in frames) >= count,
                      "%d keys" % count)


def main(*tools):
    """Runs the tests with CANNONCAR and TEXTURE_DIR from the command line; 77 (skipped) when
    Xvfb, xdotool or another of the tools is missing."""
    if len(sys.argv) >= 3:
        WindowTest.binary, WindowTest.textures = os.path.abspath(sys.argv[1]), sys.argv[2]
        del sys.argv[1:3]
    missing = [tool for tool in ("Xvfb", "xdotool", *tools) if not shutil.which(tool)]
    if missing:
        print("skipped: %s not installed" % ", ".join(missing))
        sys.exit(SKIP)
    unittest.main(module="__main__")


__all__ = ["Xvfb", "GameWindow", "WindowTest", "main", "TOTALS"]
