#!/usr/bin/env python3
"""End-to-end: the X server dies under a running window, and the game ends as if its window had
closed.

Usage: e2e_lost_display.py CANNONCAR TEXTURE_DIR
Exits 77 (skipped) when Xvfb or xdotool is not installed.
"""
import os
import time

from window_game import TOTALS, WindowTest, Xvfb, main


class LostDisplay(WindowTest):
    def test_a_killed_x_server_ends_the_run_whole_with_one_line_and_exit_code_1(self):
        with Xvfb() as x:
            # Slow frames: the server dies while the game waits between them, as it mostly does
            # when a session drops. (A display lost in the middle of drawing leaves the GL driver
            # with what its last requests got back, which it does not check.)
            game = self.game(x, "--fps", "2", "--trace", "lost.jsonl", "--record", "lost.keys")
            game.xdotool("key", "--delay", "200", "w", "w", "space")
            # The keys reach the game, and it plays on for a while, before the server dies.
            self.wait_for_keys("lost.jsonl", 3)
            time.sleep(1)
            x.proc.kill()
            x.proc.wait(timeout=30)
            status, out, err = game.finish()

        self.assertEqual(status, 1, out + err)
        # The game's own teardown ran: its totals, with the missile fired before the loss.
        self.assertRegex(out.rstrip("\n").split("\n")[-1], "^" + TOTALS + "\\d+  사용한 미사일 수 : 1$", err)
        # One line of ours, naming the display; nothing from Xlib.
        ours = [l for l in err.splitlines() if l.strip() and not l.startswith("ODE Message")]
        self.assertEqual(len(ours), 1, err)
        self.assertRegex(ours[0], "^cannoncar: lost the display %s[;:]" % x.display)

        # The trace and the record are whole, and the record ends where the run ended, so that it
        # replays to the same last frame.
        with open(os.path.join(self.dir, "lost.jsonl"), "rb") as f:
            self.assertTrue(f.read().endswith(b"\n"))
        frames = self.trace("lost.jsonl")[1:]
        self.assertEqual([f["frame"] for f in frames], list(range(len(frames))))
        self.assertEqual([k for f in frames for k in f["keys"]], [119, 119, 32])
        with open(os.path.join(self.dir, "lost.keys"), encoding="utf-8") as f:
            recorded = f.read()
        self.assertTrue(recorded.endswith("\n"))
        lines = [l.split() for l in recorded.splitlines() if l.strip() and not l.startswith("#")]
        self.assertEqual(lines[-1], [str(len(frames)), "ctrl-x"])


if __name__ == "__main__":
    main()
