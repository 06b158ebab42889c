#!/usr/bin/env python3
"""End-to-end: the camera in a window follows the car the player double-clicks, and Home brings
the start-up view back.

Usage: e2e_window_camera.py CANNONCAR TEXTURE_DIR
Exits 77 (skipped) when Xvfb or xdotool is not installed.
"""
import math
import os
import re
import time

from png_read import read_png
from window_game import WindowTest, Xvfb, main

START_VIEW = "Viewpoint = (3.8548,9.0843,7.5900,-145.5000,-22.5000,0.2500)"
CHASSIS_SIDES = [3.5, 2.5, 1]


def project(view, point, width=800, height=600):
    """The pixel on which a world point is drawn in a 4:3 picture, as the host's camera sees it."""
    (ex, ey, ez), (h, p, r) = view[:3], [math.radians(a) for a in view[3:]]
    forward = (math.cos(p) * math.cos(h), math.cos(p) * math.sin(h), math.sin(p))
    right0 = (math.sin(h), -math.cos(h), 0)
    up0 = (-math.sin(p) * math.cos(h), -math.sin(p) * math.sin(h), math.cos(p))
    right = [a * math.cos(r) - b * math.sin(r) for a, b in zip(right0, up0)]
    up = [b * math.cos(r) + a * math.sin(r) for a, b in zip(right0, up0)]
    d = (point[0] - ex, point[1] - ey, point[2] - ez)
    dot = lambda u, v: sum(a * b for a, b in zip(u, v))
    depth = dot(d, forward)
    x, y = dot(d, right) / depth, dot(d, up) / depth * width / height
    return (x + 1) * width / 2, (1 - y) * height / 2


def viewpoints(out):
    return [[float(v) for v in m.group(1).split(",")]
            for m in re.finditer(r"^Viewpoint = \((.*)\)$", out, re.M)]


def green_centre(rows):
    found = [(x, y) for y in range(0, len(rows), 3) for x in range(0, len(rows[0]), 3)
             if rows[y][x][1] > rows[y][x][0] + 60 and rows[y][x][1] > rows[y][x][2] + 60]
    if not found:
        return None, 0
    return (sum(x for x, _ in found) / len(found), sum(y for _, y in found) / len(found)), len(found)


class FollowTheCar(WindowTest):
    # Small, for a software rasterizer under a sanitizer.
    WIDTH, HEIGHT = 400, 300

    def frames(self):
        return self.frames_so_far("follow.jsonl")

    def wait_until(self, done, what):
        return self.wait_for("follow.jsonl", done, what)

    def wait_frames(self, count):
        start = len(self.frames())
        self.wait_until(lambda frames: len(frames) >= start + count, "%d frames" % count)

    def press(self, game, key, name):
        """Presses a key and waits for the frame that gets it."""
        start = len(self.frames())
        game.xdotool("key", "--clearmodifiers", key)
        self.wait_until(lambda frames: any(name in f["keys"] for f in frames[start:]), key)

    def test_double_click_follows_the_car_away_and_home_brings_the_start_view_back(self):
        start = [float(v) for v in START_VIEW[13:-1].split(",")]
        with Xvfb() as x:
            game = self.game(x, "--trace", "follow.jsonl", "--size", "%dx%d" % (self.WIDTH, self.HEIGHT))
            first = self.wait_until(lambda frames: frames, "the first frame")[0]
            # The chassis by its place in the drawing order, where the start-up camera shows it.
            chassis = next(i for i, d in enumerate(first["draws"])
                           if d["op"] == "box" and d["sides"] == CHASSIS_SIDES)
            clicked_at = first["draws"][chassis]["pos"]
            game.double_click(*project(start, clicked_at, self.WIDTH, self.HEIGHT))
            self.wait_frames(3)
            game.xdotool("key", "--delay", "20", "--repeat", "40", "w")
            self.wait_until(lambda frames: sum(f["keys"].count(119) for f in frames) == 40, "40 w")
            self.wait_frames(60)
            for _ in range(2):
                self.press(game, "ctrl+w", "ctrl-w")
                self.wait_frames(2)
            self.press(game, "ctrl+v", "ctrl-v")
            # The bottom of the picture: the ground in front of the followed car.
            game.double_click(self.WIDTH / 2, self.HEIGHT - 5)
            self.wait_frames(3)
            self.press(game, "ctrl+v", "ctrl-v")
            self.wait_frames(10)
            self.press(game, "ctrl+v", "ctrl-v")
            game.xdotool("key", "Home")
            self.wait_frames(3)
            self.press(game, "ctrl+v", "ctrl-v")
            self.wait_frames(10)
            self.press(game, "ctrl+v", "ctrl-v")
            game.xdotool("key", "ctrl+x")
            status, out, err = game.finish()

        self.assertEqual(status, 0, err)
        frames = self.trace("follow.jsonl")[1:]
        where = [f["draws"][chassis]["pos"] for f in frames]
        ctrl_v = [i for i, f in enumerate(frames) if "ctrl-v" in f["keys"]]
        followed, left, later, home, home_later = viewpoints(out)

        # The car drove away, and the camera went with it: the same offset as at the start, turned
        # to look at the chassis. The camera moves after each frame, so ctrl-v shows it as the
        # frame before left it.
        moved = [b - a for a, b in zip(clicked_at, where[ctrl_v[0] - 1])]
        self.assertGreater(math.hypot(moved[0], moved[1]), 10, "the car drove away")
        for i in range(3):
            self.assertAlmostEqual(followed[i], start[i] + moved[i], delta=0.05)
        look = [c - s for c, s in zip(clicked_at, start)]
        self.assertAlmostEqual(followed[3], math.degrees(math.atan2(look[1], look[0])), delta=0.2)
        self.assertAlmostEqual(followed[4], math.degrees(math.atan2(look[2], math.hypot(*look[:2]))),
                               delta=0.2)

        # The frames written while following show the car large, near the middle.
        pictures = sorted(p for p in os.listdir(self.dir) if p.startswith("frame") and p.endswith(".png"))
        self.assertGreater(len(pictures), 0)
        for picture in pictures:
            width, height, rows = read_png(os.path.join(self.dir, picture))
            self.assertEqual((width, height), (self.WIDTH, self.HEIGHT))
            centre, count = green_centre(rows)
            self.assertGreater(count, 100, picture)
            self.assertLess(math.hypot(centre[0] - width / 2, centre[1] - height / 2), 30,
                            "%s: the car at %s" % (picture, centre))

        # A double-click on the ground let the car go on without the camera.
        self.assertEqual(left, later)
        went_on = [b - a for a, b in zip(where[ctrl_v[1] - 1], where[ctrl_v[2] - 1])]
        self.assertGreater(math.hypot(*went_on[:2]), 0.3, "the car still moving")
        # Home: the start-up view, and no more following.
        lines = [l for l in out.splitlines() if l.startswith("Viewpoint = ")]
        self.assertEqual(lines[3:], [START_VIEW, START_VIEW])
        self.assertGreater(math.dist(where[ctrl_v[3] - 1], where[ctrl_v[4] - 1]), 0.3)


if __name__ == "__main__":
    main()
