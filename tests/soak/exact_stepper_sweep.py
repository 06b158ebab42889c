#!/usr/bin/env python3
"""Heavy fire under the exact stepper, the way that once aborted the game: "f", then every frame
a burst of shots (more than four put missiles on one muzzle point), with or without driving and
aiming. Each pattern plays for FRAMES frames; the game must live through every one.

usage: exact_stepper_sweep.py CANNONCAR [FRAMES]

Before spheres on one centre were left out of the contacts, 5 of these 10 patterns aborted the
game within 30,000 frames (ODE's "alphanew != 0" assertion in the exact stepper's LDLT update).
"""
import os
import subprocess
import sys
import tempfile

# (presses of "w", presses of "j", shots, pitch: "down" lowers the cannon every frame and raises it
# to the top every eleventh, "up" the other way round, "" leaves it)
PATTERNS = [(10, 4, 16, "down"), (0, 4, 16, "down"), (30, 4, 16, "down"), (0, 3, 16, "down"),
            (0, 1, 16, "down"), (0, 4, 16, "up"), (0, 0, 16, ""), (10, 4, 4, "down"),
            (0, 4, 32, "down"), (100, 7, 16, "up")]


def script(drive, turn, shots, pitch, frames):
    lines = ["0 f"]
    for f in range(frames):
        tilt = {"down": ["k"] if f % 11 else ["i"] * 10,
                "up": ["i"] if f % 11 else ["k"] * 10, "": []}[pitch]
        keys = ["w"] * drive + ["j"] * turn + tilt + ["space"] * shots
        lines.append("%d %s" % (f, " ".join(keys)))
    return "\n".join(lines) + "\n"


def main():
    binary = os.path.abspath(sys.argv[1])
    frames = int(sys.argv[2]) if len(sys.argv) > 2 else 30000
    aborted = 0
    with tempfile.TemporaryDirectory(prefix="cannoncar-sweep-") as tmp:
        keys = os.path.join(tmp, "keys.txt")
        for pattern in PATTERNS:
            with open(keys, "w") as f:
                f.write(script(*pattern, frames))
            r = subprocess.run([binary, "--headless", "--frames", str(frames), "--keys", keys],
                               stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, cwd=tmp)
            err = r.stderr.decode(errors="replace")
            fault = [l for l in err.splitlines() if "INTERNAL ERROR" in l][:1]
            aborted += r.returncode != 0
            print("sweep: w x%-3d j x%d shots x%-2d pitch %-4s: exit %3d, %5d solver messages %s" % (
                *pattern, r.returncode, err.count("LCP internal error"), " ".join(fault)),
                flush=True)
    print("sweep: %d of %d patterns ended the game early" % (aborted, len(PATTERNS)))
    return 1 if aborted else 0


if __name__ == "__main__":
    sys.exit(main())
