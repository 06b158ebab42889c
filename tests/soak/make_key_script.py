#!/usr/bin/env python3
"""Writes a seeded random key script that plays every game key and host key far past sensible use.

usage: make_key_script.py --seed N --frames F [--out FILE]

The script spans frames 0 to F-1 and closes the game with ctrl-x at frame F, so a run with
--frames F+1 ends through the close key after exactly F frames. The same seed and length always
give the same script. ctrl-w is left out: it writes a PNG file per frame.
"""
import argparse
import random
import string
import sys

# Every printable key the game's command handler knows, in both cases.
GAME_LETTERS = "wsadzjlikfgrh"
GAME_KEYS = [c for c in GAME_LETTERS + GAME_LETTERS.upper()] + ["space"]
# Printable keys the game ignores; "#" starts a comment in a script, so it goes as its code.
OTHER_KEYS = [c for c in string.printable[:94] if c not in GAME_LETTERS + GAME_LETTERS.upper()
              and c != "#"] + ["code:35"]
HOST_KEYS = ["ctrl-p", "ctrl-o", "ctrl-t", "ctrl-s", "ctrl-v"]
CODE_RANGE = (-1000, 1000)


class Script:
    def __init__(self, rng):
        self.rng = rng
        self.frame = 0
        self.lines = {}
        self.paused = False
        self.exact = False  # the game starts on the quick stepper; "f" toggles

    def at(self, keys):
        self.lines.setdefault(self.frame, []).extend(keys)
        self.paused ^= keys.count("ctrl-p") % 2 == 1
        self.exact ^= (keys.count("f") + keys.count("F")) % 2 == 1

    def resume(self):
        """Random keys may leave the pause on; the next segment should play running frames."""
        if self.paused:
            self.at(["ctrl-p"])
            self.skip(1)

    def skip(self, frames):
        self.frame += frames


def spell(s, key):
    """One key held for hundreds of presses, in one frame or a few a frame over hundreds of
    frames."""
    r = s.rng
    if r.random() < 0.5:
        s.at([key] * r.randint(100, 5000))
        s.skip(r.randint(1, 50))
    else:
        for _ in range(r.randint(100, 800)):
            s.at([key] * r.randint(1, 4))
            s.skip(1)


def wheel_spell(s):
    spell(s, s.rng.choice("wwwW"))


def brake_spell(s):
    spell(s, s.rng.choice("ssS"))


def cannon_spell(s):
    spell(s, s.rng.choice("jlJLikIK"))


def reset_run(s):
    """Hundreds of resets in a row, one a frame or all in one frame."""
    r = s.rng
    if r.random() < 0.5:
        for _ in range(r.randint(100, 500)):
            s.at([r.choice("rrR")])
            s.skip(1)
    else:
        s.at(["r"] * r.randint(100, 500))
        s.skip(r.randint(1, 20))


def fire_burst(s):
    r = s.rng
    for _ in range(r.randint(1, 60)):
        s.at(["space"] * r.randint(1, 40) + [r.choice("ikjl")] * r.randint(0, 3))
        s.skip(r.randint(1, 3))


def barrage(s):
    """Many shots a frame for thousands of frames, on either stepper, aiming as it goes: more
    than four shots in a frame put missiles on the same muzzle point."""
    r = s.rng
    if s.exact != (r.random() < 0.7):
        s.at(["f"])
    for _ in range(r.randint(2000, 8000)):
        s.at([r.choice("jlik")] * r.randint(0, 4) + ["space"] * r.randint(5, 32) +
             ["w"] * r.randint(0, 10))
        s.skip(1)


def pause_and_steps(s):
    """Pause, then single steps (several at once too) and game keys while paused, then resume."""
    r = s.rng
    s.at(["ctrl-p"])
    s.skip(r.randint(1, 5))
    for _ in range(r.randint(5, 60)):
        keys = ["ctrl-o"] * r.randint(0, 4)
        keys += [r.choice(GAME_KEYS) for _ in range(r.randint(0, 3))]
        s.at(keys)
        s.skip(r.randint(1, 10))
    s.at(["ctrl-p"])
    s.skip(1)


def fast_toggles(s):
    r = s.rng
    for _ in range(r.randint(1, 30)):
        s.at([r.choice("fF")] * r.randint(1, 3))
        s.skip(r.randint(1, 100))


def depth_run(s):
    """The auto-enable depth driven far past any sensible value either way."""
    r = s.rng
    key = r.choice("gGhH")
    for _ in range(r.randint(1, 20)):
        s.at([key] * r.randint(1000, 20000))
        s.skip(r.randint(1, 5))


def codes(s):
    r = s.rng
    for _ in range(r.randint(1, 40)):
        s.at(["code:%d" % r.randint(*CODE_RANGE) for _ in range(r.randint(1, 20))])
        s.skip(r.randint(1, 5))


def all_codes(s):
    """Every code from -1000 to 1000, a hundred a frame."""
    every = list(range(CODE_RANGE[0], CODE_RANGE[1] + 1))
    s.rng.shuffle(every)
    for start in range(0, len(every), 100):
        s.at(["code:%d" % n for n in every[start:start + 100]])
        s.skip(1)


def host_toggles(s):
    r = s.rng
    for _ in range(r.randint(1, 20)):
        s.at([r.choice(["ctrl-t", "ctrl-s", "ctrl-v", "ctrl-o"])])
        s.skip(r.randint(1, 20))


def mixed(s):
    """Anything at all, a few keys a frame."""
    r = s.rng
    pool = GAME_KEYS * 3 + OTHER_KEYS + HOST_KEYS
    for _ in range(r.randint(10, 300)):
        s.at([r.choice(pool) for _ in range(r.randint(0, 6))])
        s.skip(1)


def quiet(s):
    s.skip(s.rng.randint(1, 600))


SEGMENTS = [wheel_spell, brake_spell, cannon_spell, reset_run, fire_burst, barrage,
            pause_and_steps, fast_toggles, depth_run, codes, all_codes, host_toggles, mixed, quiet]
WEIGHTS = [6, 3, 3, 2, 5, 1.5, 3, 2, 1, 2, 0.2, 2, 5, 4]


def make(seed, frames):
    s = Script(random.Random(seed))
    # every kind of segment early on, so even a short run covers them all
    first = SEGMENTS[:]
    s.rng.shuffle(first)
    for segment in first:
        segment(s)
        s.resume()
    while s.frame < frames:
        s.rng.choices(SEGMENTS, WEIGHTS)[0](s)
        s.resume()
    out = ["# soak key script: seed %d, %d frames" % (seed, frames)]
    for frame in sorted(f for f in s.lines if f < frames):
        if s.lines[frame]:
            out.append("%d %s" % (frame, " ".join(s.lines[frame])))
    out.append("%d ctrl-x" % frames)
    return "\n".join(out) + "\n"


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--seed", type=int, default=1)
    parser.add_argument("--frames", type=int, default=200000)
    parser.add_argument("--out", default="-")
    args = parser.parse_args()
    text = make(args.seed, args.frames)
    if args.out == "-":
        sys.stdout.write(text)
    else:
        with open(args.out, "w") as f:
            f.write(text)


if __name__ == "__main__":
    main()
