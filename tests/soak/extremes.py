#!/usr/bin/env python3
"""What the engine does with the controls driven far past sensible values: a wheel speed held in
the tens of thousands, the cannon spun a hundred radians a frame, the stepper switched every frame.
Each case plays FRAMES frames headless; its trace is read for the farthest the car got and for
any number that is not finite.

usage: extremes.py CANNONCAR [FRAMES]
"""
import json
import os
import subprocess
import sys
import tempfile

# name, the keys of every frame (a function of the frame number), and whether to start with "f"
CASES = [
    ("speed ~300, quick stepper", lambda f: ["w"] * 10, False),
    ("speed ~30,000, quick stepper", lambda f: ["w"] * 1000, False),
    ("speed ~30,000, exact stepper", lambda f: ["w"] * 1000, True),
    ("speed ~-30,000, exact stepper", lambda f: ["s"] * 1000, True),
    ("speed ~30,000 steering side to side, exact", lambda f: ["w"] * 1000 + (["a"] * 3 if f // 7 % 2 else ["d"] * 3), True),
    ("cannon spun 100 rad a frame, 4 shots, quick", lambda f: ["j"] * 1000 + ["space"] * 4, False),
    ("cannon spun 100 rad a frame, 4 shots, exact", lambda f: ["l"] * 1000 + ["space"] * 4, True),
    ("pitch slammed end to end, 4 shots, exact", lambda f: (["i"] if f % 2 else ["k"]) * 100 + ["space"] * 4, True),
    ("stepper switched every frame, speed ~3,000, fire", lambda f: ["f", "space"] + ["w"] * 100, False),
]


def run_case(binary, name, keys, exact, frames, tmp):
    script = os.path.join(tmp, "keys.txt")
    with open(script, "w") as f:
        f.write("0 f\n" if exact else "")
        for frame in range(frames):
            f.write("%d %s\n" % (frame, " ".join(keys(frame))))
    fifo = os.path.join(tmp, "trace.jsonl")
    if not os.path.exists(fifo):
        os.mkfifo(fifo)
    proc = subprocess.Popen([binary, "--headless", "--frames", str(frames), "--keys", script,
                             "--trace", fifo], stdout=subprocess.DEVNULL, stderr=subprocess.PIPE,
                            cwd=tmp)
    farthest = [0.0, 0.0, 0.0]
    nulls = lines = 0
    with open(fifo, "rb") as trace:
        trace.readline()
        for line in trace:
            lines += 1
            draws = line[line.index(b',"draws":['):]
            nulls += draws.count(b"null")
            chassis = json.loads(line)["draws"][10]["pos"]
            if None not in chassis:
                farthest = [max(a, abs(b)) for a, b in zip(farthest, chassis)]
    err = proc.stderr.read().decode(errors="replace")
    status = proc.wait()
    print("extremes: %-50s exit %3d, %6d frames, chassis out to |x| %8.0f |y| %8.0f |z| %7.0f, "
          "%d non-finite, %d solver messages" % (name, status, lines, *farthest, nulls,
                                                 err.count("LCP internal error")), flush=True)
    return status == 0 and nulls == 0 and lines == frames


def main():
    binary = os.path.abspath(sys.argv[1])
    frames = int(sys.argv[2]) if len(sys.argv) > 2 else 20000
    with tempfile.TemporaryDirectory(prefix="cannoncar-extremes-") as tmp:
        ok = [run_case(binary, name, keys, exact, frames, tmp) for name, keys, exact in CASES]
    print("extremes: %d of %d cases played to the end with every number finite" % (sum(ok),
                                                                                  len(ok)))
    return 0 if all(ok) else 1


if __name__ == "__main__":
    sys.exit(main())
