#!/usr/bin/env python3
"""Memory over a long game: 10,000 resets, then 100,000 frames of fire that keep the MiGs
respawning, in one run; the resident memory is read at milestones as the trace comes in.

usage: memory_check.py CANNONCAR [--resets N] [--frames N] [--leaks SANITIZED_CANNONCAR]
                       [--valgrind]

Prints the resident memory at each milestone and its growth from the end of the warm-up to the
end of the run. With --leaks, the same game is played by a build with LeakSanitizer, which must
report nothing at exit; with --valgrind, a shorter game runs under valgrind's memcheck, which
must find no lost block. Exits non-zero when memory grows past the limit or a leak is found.
"""
import argparse
import json
import os
import resource
import subprocess
import sys
import tempfile
import time

WARM_UP = 1000
# Resident memory may move by a few pages as the allocator shuffles; growth past this is a leak.
GROWTH_LIMIT_KIB = 1024


def key_script(resets, frames):
    """A reset every frame, then a shot every fifth frame with the cannon sweeping to and fro
    while the MiGs climb out of their band and respawn, about one every twenty frames."""
    lines = ["# memory check: %d resets, then %d frames of play" % (resets, frames)]
    lines += ["%d r w space" % f for f in range(resets)]
    lines.append("%d z" % resets)
    for f in range(resets + 1, resets + frames, 5):
        lines.append("%d space %s" % (f, "j" if (f // 100) % 2 else "l"))
    return "\n".join(lines) + "\n"


def rss_kib(pid):
    with open("/proc/%d/status" % pid) as f:
        for line in f:
            if line.startswith("VmRSS:"):
                return int(line.split()[1])
    return 0


# A MiG made anew starts at rest; in its first step only gravity acts on it (its thrust comes
# after the step), so it shows this far below its whole starting height.
FIRST_DROP = 9.8 * 0.05 * 0.05


def respawned(draw, slot):
    """A MiG made anew at the far end of its lane: a whole x in -130..-91, its lane's y and a whole
    height of 10 to 13, less the first step's drop."""
    x, y, z = draw["pos"]
    return (y == 2 * slot - 10 and x == int(x) and -130 <= x <= -91
            and any(abs(z - (h - FIRST_DROP)) < 1e-4 for h in (10, 11, 12, 13)))


def measure(binary, script, resets, frames, tmp):
    fifo = os.path.join(tmp, "trace.jsonl")
    os.mkfifo(fifo)
    total = resets + frames
    milestones = sorted({WARM_UP, resets, resets + frames // 2, total - 10})
    proc = subprocess.Popen([binary, "--headless", "--frames", str(total), "--keys", script,
                             "--trace", fifo], stdout=subprocess.DEVNULL,
                            stderr=subprocess.DEVNULL, cwd=tmp)
    samples = []
    respawns = 0
    started = time.monotonic()
    with open(fifo, "rb") as trace:
        trace.readline()
        for frame, line in enumerate(trace):
            if frame in milestones:
                samples.append((frame, rss_kib(proc.pid)))
            if frame > resets:
                draws = json.loads(line)["draws"][:10]
                respawns += sum(respawned(draw, slot) for slot, draw in enumerate(draws))
    status = proc.wait()
    peak = resource.getrusage(resource.RUSAGE_CHILDREN).ru_maxrss
    return status, samples, respawns, peak, time.monotonic() - started


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("binary")
    parser.add_argument("--resets", type=int, default=10000)
    parser.add_argument("--frames", type=int, default=100000)
    parser.add_argument("--leaks", help="a cannoncar built with AddressSanitizer")
    parser.add_argument("--valgrind", action="store_true")
    args = parser.parse_args()
    args.binary = os.path.abspath(args.binary)
    if args.leaks:
        args.leaks = os.path.abspath(args.leaks)
    faults = []

    with tempfile.TemporaryDirectory(prefix="cannoncar-memory-") as tmp:
        script = os.path.join(tmp, "keys.txt")
        with open(script, "w") as f:
            f.write(key_script(args.resets, args.frames))

        status, samples, respawns, peak, seconds = measure(args.binary, script, args.resets,
                                                           args.frames, tmp)
        print("memory: %d resets, then %d frames with %d MiG respawns, in %.1f s (exit %d)" % (
            args.resets, args.frames, respawns, seconds, status))
        for frame, kib in samples:
            print("memory:   frame %6d  resident %7.1f MiB" % (frame, kib / 1024))
        start, end = samples[0][1], samples[-1][1]
        print("memory: growth from frame %d to the end: %+d KiB; peak %.1f MiB" % (
            samples[0][0], end - start, peak / 1024))
        if status != 0:
            faults.append("the game ended with exit code %d" % status)
        if end - start > GROWTH_LIMIT_KIB:
            faults.append("resident memory grew by %d KiB" % (end - start))

        if args.leaks:
            env = dict(os.environ, ASAN_OPTIONS="detect_leaks=1:halt_on_error=1:exitcode=23")
            r = subprocess.run([args.leaks, "--headless", "--frames",
                                str(args.resets + args.frames), "--keys", script],
                               stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, env=env, cwd=tmp)
            reports = [l for l in r.stderr.decode(errors="replace").splitlines()
                       if "Sanitizer" in l]
            print("memory: LeakSanitizer over the same game: exit %d, %d report lines" % (
                r.returncode, len(reports)))
            if r.returncode != 0 or reports:
                faults.append("LeakSanitizer: " + "; ".join(reports[:5]))

        if args.valgrind:
            short = os.path.join(tmp, "short.txt")
            with open(short, "w") as f:
                f.write(key_script(500, 3000))
            # the program's heap is mimalloc: valgrind takes over its malloc as it does libc's;
            # mimalloc's free and operator delete are one function, which valgrind cannot tell
            # apart, so mismatched frees are not reported
            r = subprocess.run(["valgrind", "--soname-synonyms=somalloc=*mimalloc*",
                                "--show-mismatched-frees=no",
                                "--leak-check=full", "--show-leak-kinds=definite,indirect",
                                "--errors-for-leak-kinds=definite,indirect", "--error-exitcode=3",
                                args.binary, "--headless", "--frames", "3500", "--keys", short],
                               stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, cwd=tmp)
            summary = [l.split("== ", 1)[-1] for l in r.stderr.decode(errors="replace").splitlines()
                       if "lost:" in l or "ERROR SUMMARY" in l or "in use at exit" in l]
            print("memory: valgrind over 500 resets and 3,000 frames: exit %d" % r.returncode)
            for line in summary:
                print("memory:   " + line)
            if r.returncode != 0:
                faults.append("valgrind found errors or lost blocks")

    for fault in faults:
        print("memory: FAULT: " + fault)
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())
