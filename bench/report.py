#!/usr/bin/env python3
"""Runs the benchmarks once and prints each with its ratio to its floor, all from that one run.

    report.py BUILD_DIR                 timings (Google Benchmark, medians of repetitions)
    report.py BUILD_DIR --instructions  instructions per frame under callgrind
    report.py BUILD_DIR --allocators    the heaps side by side: instructions and time per frame

The benchmarks link no heap: the simulation's run on glibc's malloc and with the program's heap
(mimalloc) preloaded, so that the game's frame is measured against the floor on glibc.

CANNONCAR_BEFORE=PROGRAM times another build's start-up beside this one's (Startup/.../before).
"""
import json
import os
import platform
import re
import subprocess
import sys
import tempfile

# The program's heap, which bench/report.py preloads into the benchmarks (they link none), and the
# heaps that --allocators sets beside it. glibc is the process's malloc with nothing preloaded.
PROGRAM_HEAP = "mimalloc"
HEAPS = {
    "glibc": None,
    "mimalloc": "libmimalloc.so.2",
    "jemalloc": "libjemalloc.so.2",
    "tcmalloc-minimal": "libtcmalloc_minimal.so.4",
}
ALLOCATOR_ROUNDS = 3

# (benchmark, its floor, the most the ratio may be, what the ratio says)
TIME_RATIOS = [
    ("GameFrameNull/glibc", "BareOdeStep/glibc", 1.05, "the game's own work, glibc"),
    (f"GameFrameNull/{PROGRAM_HEAP}", f"BareOdeStep/{PROGRAM_HEAP}", 1.05,
     f"the game's own work, {PROGRAM_HEAP}"),
    (f"GameFrameNull/{PROGRAM_HEAP}", "BareOdeStep/glibc", 1.0, "below the glibc floor"),
    (f"GameFrameTrace/{PROGRAM_HEAP}", f"GameFrameNull/{PROGRAM_HEAP}", 1.5, "trace writing"),
    ("RenderFrameOffscreen", "RenderFloor", 3.0, "renderer over its floor"),
    ("RenderFrameOffscreen/hud", "RenderFrameOffscreen", 1.10, "the HUD drawn over the frame"),
    ("RenderFrameOffscreen/hud_help", "RenderFrameOffscreen", None, "the HUD and the help panel"),
    ("RenderFrameOffscreen/fresh", "RenderFloor", None,
     "before: the ground and the sky drawn every frame"),
    ("RenderFrameOffscreen/1600x1200", "RenderFloor/1600x1200", None, "at 1600 x 1200"),
    ("RenderFrameOffscreen/fresh/1600x1200", "RenderFloor/1600x1200", None,
     "at 1600 x 1200, before"),
    ("Startup/offscreen", "Startup/offscreen/before", None, "start-up with a picture, after / before"),
]

# (benchmark, the least frames per second, the most milliseconds)
TIME_LIMITS = [
    ("RenderFrameOffscreen", 300, None),
    ("Startup/offscreen", None, 150),
]

# (benchmark, driver mode, heap) counted under callgrind
INSTRUCTION_RUNS = [
    ("BareOdeStep", "bare", "glibc"),
    ("BareOdeStep", "bare", PROGRAM_HEAP),
    ("GameFrameNull", "game", "glibc"),
    ("GameFrameNull", "game", PROGRAM_HEAP),
    ("GameFrameTrace", "trace", PROGRAM_HEAP),
]
# the simulation's benchmarks, which also run on glibc's malloc
SIMULATION_ON_GLIBC = "^(BareOdeStep|GameFrameNull)$"


def machine():
    cpu = platform.processor() or "?"
    try:
        with open("/proc/cpuinfo") as info:
            for line in info:
                if line.startswith("model name"):
                    cpu = line.split(":", 1)[1].strip()
                    break
    except OSError:
        pass
    return f"{cpu}, {os.cpu_count()} cores, {platform.system()} {platform.release()}"


def heap_env(heap):
    env = dict(os.environ)
    env.pop("LD_PRELOAD", None)
    if HEAPS[heap]:
        env["LD_PRELOAD"] = HEAPS[heap]
    return env


def seconds(benchmark, real):
    per = {"ns": 1e-9, "us": 1e-6, "ms": 1e-3, "s": 1.0}[benchmark["time_unit"]]
    return (benchmark["real_time"] if real else benchmark["cpu_time"]) * per


def bench_json(build, heap, args):
    with tempfile.TemporaryDirectory() as tmp:
        out = os.path.join(tmp, "bench.json")
        subprocess.run(
            [os.path.join(build, "bench", "cannoncar_bench"), f"--benchmark_out={out}",
             "--benchmark_out_format=json"] + args,
            check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, env=heap_env(heap))
        with open(out) as f:
            return json.load(f)["benchmarks"]


def run_timings(build):
    results = {}
    for heap, args in (("glibc", [f"--benchmark_filter={SIMULATION_ON_GLIBC}"]),
                       (PROGRAM_HEAP, [])):
        for b in bench_json(build, heap, args + ["--benchmark_repetitions=3",
                                                 "--benchmark_report_aggregates_only=true"]):
            if b.get("aggregate_name") != "median":
                continue
            name = re.sub(r"(/real_time)?_median$", "", b["name"])
            # the simulation runs on one thread: its own CPU time is the least disturbed figure;
            # the renderer's threads and the startup's child process need the wall clock
            real = "real_time" in b["name"] or name.startswith(("Render", "Startup"))
            if not real:
                name = f"{name}/{heap}"
            results[name] = seconds(b, real)
    return dict(sorted(results.items(), key=lambda item: item[0].startswith(("Render", "Start"))))


def callgrind_frame(build, mode, heap):
    with tempfile.TemporaryDirectory() as tmp:
        proc = subprocess.run(
            ["valgrind", "--tool=callgrind", f"--callgrind-out-file={tmp}/out",
             "--toggle-collect=*measuredFrame*", os.path.join(build, "bench", "frame_driver"),
             mode],
            capture_output=True, text=True, check=True, env=heap_env(heap))
    collected = int(re.search(r"Collected : (\d+)", proc.stderr).group(1))
    frames = int(re.search(r"frames (\d+)", proc.stdout).group(1))
    return collected / frames


def run_instructions(build):
    return {f"{bench}/{heap}": callgrind_frame(build, mode, heap)
            for bench, mode, heap in INSTRUCTION_RUNS}


def compare_allocators(build):
    """Every heap on BareOdeStep and GameFrameNull; the times are medians over rounds that take
    the heaps in turn, so a change in the machine's load falls on all of them alike."""
    instructions = {}
    for heap in HEAPS:
        for bench, mode in (("BareOdeStep", "bare"), ("GameFrameNull", "game")):
            instructions[(heap, bench)] = callgrind_frame(build, mode, heap)
    rounds = {key: [] for key in instructions}
    for _ in range(ALLOCATOR_ROUNDS):
        for heap in HEAPS:
            for b in bench_json(build, heap, [f"--benchmark_filter={SIMULATION_ON_GLIBC}"]):
                rounds[(heap, b["name"])].append(seconds(b, False))
    times = {key: sorted(values)[len(values) // 2] for key, values in rounds.items()}

    floor_i = instructions[("glibc", "BareOdeStep")]
    floor_t = times[("glibc", "BareOdeStep")]
    print(f"{'heap':18} {'BareOdeStep':>12} {'GameFrameNull':>14} {'/ glibc floor':>14} "
          f"{'BareOdeStep':>12} {'GameFrameNull':>14} {'/ glibc floor':>14}")
    print(f"{'':18} {'instructions':>12} {'instructions':>14} {'':>14} {'time':>12} "
          f"{'time':>14}")
    for heap in HEAPS:
        bare_i, game_i = (instructions[(heap, b)] for b in ("BareOdeStep", "GameFrameNull"))
        bare_t, game_t = (times[(heap, b)] for b in ("BareOdeStep", "GameFrameNull"))
        print(f"{heap:18} {bare_i / 1e3:10.1f} k {game_i / 1e3:12.1f} k "
              f"{game_i / floor_i:14.3f} {fmt_time(bare_t):>12} {fmt_time(game_t):>14} "
              f"{game_t / floor_t:14.3f}")
    return False


def fmt_time(seconds):
    if seconds >= 1e-3:
        return f"{seconds * 1e3:.2f} ms"
    return f"{seconds * 1e6:.1f} us"


def print_table(results, unit):
    print(f"{'benchmark':36} {unit:>14} {'per second':>12}")
    for name, value in results.items():
        shown = fmt_time(value) if unit == "time" else f"{value / 1e3:.1f} k"
        rate = f"{1 / value:,.0f}" if unit == "time" else ""
        print(f"{name:36} {shown:>14} {rate:>12}")
    print()
    print(f"{'ratio':58} {'value':>7} {'target':>8}")
    failed = False
    for bench, floor, limit, what in TIME_RATIOS:
        if bench not in results or floor not in results:
            continue
        ratio = results[bench] / results[floor]
        target = "" if limit is None else (f"< {limit:g}" if limit == 1.0 else f"<= {limit:g}")
        verdict = ""
        if limit is not None:
            ok = ratio < limit if limit == 1.0 else ratio <= limit
            verdict = "ok" if ok else "MISSED"
            failed |= not ok
        print(f"{bench + ' / ' + floor:58} {ratio:7.3f} {target:>8} {verdict}  ({what})")
    for name, least_fps, most_ms in TIME_LIMITS if unit == "time" else []:
        if name not in results:
            continue
        if least_fps is not None:
            fps = 1 / results[name]
            ok = fps >= least_fps
            print(f"{name + ' frames per second':58} {fps:7.0f} {'>= ' + str(least_fps):>8} "
                  f"{'ok' if ok else 'MISSED'}")
        else:
            ms = results[name] * 1e3
            ok = ms <= most_ms
            print(f"{name + ' milliseconds':58} {ms:7.1f} {'<= ' + str(most_ms):>8} "
                  f"{'ok' if ok else 'MISSED'}")
        failed |= not ok
    return failed


def main():
    if len(sys.argv) < 2:
        sys.exit(__doc__)
    build = sys.argv[1]
    instructions = "--instructions" in sys.argv[2:]
    print(f"machine: {machine()}")
    if "--allocators" in sys.argv[2:]:
        print("heaps: instructions per frame (callgrind) and time per frame (CPU time of the "
              f"thread, median of {ALLOCATOR_ROUNDS} rounds); glibc floor: BareOdeStep on glibc\n")
        failed = compare_allocators(build)
    elif instructions:
        print("instructions per frame (callgrind, one window of frames after the warm-up)\n")
        failed = print_table(run_instructions(build), "instructions")
    else:
        print("time per frame (median of 3 repetitions; simulation: CPU time of its thread, "
              "renderer and startup: wall clock)\n")
        failed = print_table(run_timings(build), "time")
    sys.exit(1 if failed else 0)


if __name__ == "__main__":
    main()
