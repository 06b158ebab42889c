#!/usr/bin/env python3
"""CPU seconds per wall second of the game in a window under Xvfb at 60 frames per second.

    window_cpu.py CANNONCAR [SECONDS]        (CANNONCAR_FPS=N for another rate than 60)

Runs the game for SECONDS (10) of wall time, running, paused, and running while writing every
frame as a picture (ctrl-w from the first frame), ends it with SIGTERM and prints the CPU time the
process and all its threads used (user + system, from wait4) over the wall time it ran, and the
frames it ran (counted in its trace); for the run that writes, the size of a picture written. A
frame loop that waits on vsync or a sleeping clock stays far below 1 when it keeps up with 60
frames per second; a busy wait, or frames slower than the pace, shows near 1 or above (the GL
driver's threads count too). Every figure of a row comes from that row's one run. At 60 frames per
second each row is judged by its targets, and the script exits 1 when the program misses one. With
CANNONCAR_BEFORE naming another build of the program, each run is made with that build too, one
after the other (not judged).
"""
import os
import signal
import subprocess
import sys
import tempfile
import time

FPS = int(os.environ.get("CANNONCAR_FPS", "60"))
SOURCE = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
# (run, options, key script, targets at 60 frames per second: least frames per second, most CPU
# seconds per wall second)
RUNS = [("running", [], "", (57, 0.35)), ("paused", ["-pause"], "", (None, 0.05)),
        ("writing", [], "0 ctrl-w\n", (30, None))]


def start_xvfb():
    read, write = os.pipe()
    proc = subprocess.Popen(
        ["Xvfb", "-displayfd", str(write), "-screen", "0", "1024x768x24", "-nolisten", "tcp"],
        pass_fds=(write,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    os.close(write)
    number = b""
    with os.fdopen(read, "rb") as pipe:
        while not number.endswith(b"\n"):
            byte = pipe.read(1)
            if not byte:
                raise RuntimeError("Xvfb did not start")
            number += byte
    return proc, ":" + number.decode().strip()


def measure(binary, display, seconds, extra, keys):
    env = dict(os.environ, DISPLAY=display)
    env.pop("WAYLAND_DISPLAY", None)
    with tempfile.TemporaryDirectory() as tmp:
        trace = os.path.join(tmp, "trace.jsonl")
        script = os.path.join(tmp, "keys.txt")
        with open(script, "w") as f:
            f.write(keys)
        # frames written go to the working directory: the temporary one
        args = [binary, "--fps", str(FPS), "--trace", trace, "--keys", script,
                "--textures", os.path.join(SOURCE, "textures")] + extra
        begin = time.monotonic()
        proc = subprocess.Popen(args, cwd=tmp, env=env, stdout=subprocess.DEVNULL,
                                stderr=subprocess.DEVNULL)
        time.sleep(seconds)
        proc.send_signal(signal.SIGTERM)
        _, _, usage = os.wait4(proc.pid, 0)
        wall = time.monotonic() - begin
        with open(trace, "rb") as f:
            frames = max(0, sum(1 for _ in f) - 1)
        pictures = [os.path.getsize(os.path.join(tmp, name)) for name in os.listdir(tmp)
                    if name.startswith("frame") and name.endswith(".png")]
    picture = sum(pictures) / len(pictures) if pictures else None
    return wall, usage.ru_utime + usage.ru_stime, frames, picture


def judged(fps, cpu, targets):
    """The targets as text, and whether they are met."""
    least_fps, most_cpu = targets
    said, met = [], True
    if least_fps is not None:
        said.append(f">= {least_fps} fps")
        met = met and fps >= least_fps
    if most_cpu is not None:
        said.append(f"<= {most_cpu} CPU s/s")
        met = met and cpu <= most_cpu
    return ", ".join(said) + (" met" if met else " MISSED"), met


def main():
    if len(sys.argv) < 2:
        sys.exit(__doc__)
    binary = os.path.abspath(sys.argv[1])
    seconds = int(sys.argv[2]) if len(sys.argv) > 2 else 10
    xvfb, display = start_xvfb()
    try:
        print(f"window run under Xvfb, {seconds} s at {FPS} frames per second\n")
        print(f"{'run':18} {'wall s':>8} {'CPU s':>8} {'CPU s per wall s':>18} {'frames/s':>9} "
              f"{'KiB/picture':>11}  target")
        before = os.environ.get("CANNONCAR_BEFORE")
        builds = [("", binary)] + ([(" (before)", os.path.abspath(before))] if before else [])
        missed = False
        for name, extra, keys, targets in RUNS:
            for label, program in builds:
                wall, cpu, frames, picture = measure(program, display, seconds, extra, keys)
                size = f"{picture / 1024:11.0f}" if picture else f"{'':11}"
                target = ""
                if FPS == 60 and not label:
                    target, met = judged(frames / wall, cpu / wall, targets)
                    missed = missed or not met
                print(f"{name + label:18} {wall:8.2f} {cpu:8.2f} {cpu / wall:18.3f} "
                      f"{frames / wall:9.1f} {size}  {target}", flush=True)
    finally:
        xvfb.terminate()
        xvfb.wait(timeout=30)
    if missed:
        sys.exit(1)


if __name__ == "__main__":
    main()
