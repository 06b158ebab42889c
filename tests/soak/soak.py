#!/usr/bin/env python3
"""Soak: the game played headless for a long seeded random key script, its trace checked as it is
written.

usage: soak.py CANNONCAR [--seed N] [--frames F] [--stall SECONDS]

Passes when the run ends through the script's closing key with exit code 0 and the totals line,
after exactly F frames, every frame's line in order, and every number drawn (positions, rotations,
sizes, colours) finite. The trace goes through a pipe and is checked line by line, so the run
needs no disk space for it; a frame that takes longer than the stall limit counts as a hang.
"""
import argparse
import json
import os
import re
import subprocess
import sys
import tempfile
import threading
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
import make_key_script  # noqa: E402

FRAME_PREFIX = re.compile(rb'^\{"frame":(\d+),"pause":([01]),')
TOTALS = re.compile(r"^총점수 : -?\d+  사용한 미사일 수 : -?\d+$")
# Every thousandth frame line is also parsed whole, to catch a line that is not JSON.
PARSE_EVERY = 1000


class Tail(threading.Thread):
    """Keeps the count and the last lines of a stream that may run to hundreds of megabytes."""

    def __init__(self, stream):
        super().__init__(daemon=True)
        self.stream = stream
        self.lines = 0
        self.last = []

    def run(self):
        for line in self.stream:
            self.lines += 1
            self.last = (self.last + [line])[-5:]


def check_trace(trace, frames):
    """Reads the trace as it is written; returns the faults (none when all is well), the frames
    traced, how many of them ran, and the longest wait for a frame with its number."""
    faults = []
    expected = 0
    running = 0
    slowest = (0.0, -1)
    header = trace.readline()
    try:
        json.loads(header)
    except ValueError:
        return ["the trace's first line is not JSON: %r" % header[:200]], 0, 0, slowest
    last = time.monotonic()
    for line in trace:
        now = time.monotonic()
        if now - last > slowest[0]:
            slowest = (now - last, expected)
        last = now
        m = FRAME_PREFIX.match(line)
        if not m or int(m.group(1)) != expected or not line.endswith(b"}\n"):
            faults.append("frame %d: line out of order or cut short: %r" % (expected, line[:120]))
            break
        running += m.group(2) == b"0"
        # The draws hold no strings but the shape names, so "null" there is a non-finite number.
        draws = line[line.index(b',"draws":['):]
        if b"null" in draws:
            faults.append("frame %d: a non-finite number was drawn: %r" % (
                expected, draws[draws.index(b"null") - 200:draws.index(b"null") + 20]))
            if len(faults) > 10:
                break
        if expected % PARSE_EVERY == 0:
            json.loads(line)
        expected += 1
    if expected != frames and not faults:
        faults.append("the trace holds %d frames, not %d" % (expected, frames))
    return faults, expected, running, slowest


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("binary")
    parser.add_argument("--seed", type=int, default=1)
    parser.add_argument("--frames", type=int, default=200000)
    parser.add_argument("--stall", type=float, default=60, help="seconds one frame may take")
    args = parser.parse_args()
    args.binary = os.path.abspath(args.binary)

    with tempfile.TemporaryDirectory(prefix="cannoncar-soak-") as tmp:
        script = os.path.join(tmp, "keys.txt")
        with open(script, "w") as f:
            f.write(make_key_script.make(args.seed, args.frames))
        fifo = os.path.join(tmp, "trace.jsonl")
        os.mkfifo(fifo)
        started = time.monotonic()
        proc = subprocess.Popen(
            [args.binary, "--headless", "--frames", str(args.frames + 1), "--keys", script,
             "--trace", fifo],
            stdout=subprocess.PIPE, stderr=subprocess.PIPE, cwd=tmp,
            env=dict(os.environ, LC_ALL="C.UTF-8"))
        out, err = Tail(proc.stdout), Tail(proc.stderr)
        out.start()
        err.start()

        # A frame that never ends leaves the reader waiting: the watchdog kills the run.
        hung = threading.Event()
        progress = {"at": time.monotonic()}

        def watch():
            while proc.poll() is None:
                if time.monotonic() - progress["at"] > args.stall:
                    hung.set()
                    proc.kill()
                    return
                time.sleep(1)

        threading.Thread(target=watch, daemon=True).start()
        with open(fifo, "rb") as trace:
            class Progress:
                def __iter__(self):
                    for line in trace:
                        progress["at"] = time.monotonic()
                        yield line

                def readline(self):
                    return trace.readline()

            faults, traced, running, slowest = check_trace(Progress(), args.frames)
        status = proc.wait()
        out.join()
        err.join()
        elapsed = time.monotonic() - started

    if hung.is_set():
        faults.insert(0, "no frame for %g s: the game hung" % args.stall)
    if status != 0:
        faults.insert(0, "exit code %d" % status)
    last = out.last[-1].decode(errors="replace").rstrip("\n") if out.last else ""
    if not TOTALS.match(last):
        faults.append("the last line of standard output is not the totals line: %r" % last)
    print("soak: seed %d, %d of %d frames (%d running) in %.1f s; slowest frame %.3f s (frame %d); "
          "%d lines of output, %d of errors; %s" % (
              args.seed, traced, args.frames, running, elapsed, slowest[0], slowest[1], out.lines,
              err.lines, last))
    for fault in faults:
        print("soak: FAULT: " + fault)
    if faults:
        for line in err.last:
            print("stderr: " + line.decode(errors="replace").rstrip())
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())
