#!/usr/bin/env python3
"""Runs the benchmarks once and prints each with its ratio to its floor, all from that one run.

    report.py BUILD_DIR                 timings (Google Benchmark, medians of repetitions)
    report.py BUILD_DIR --instructions  instructions per frame under callgrind
    report.py BUILD_DIR --allocators    the heaps side by side: instructions and time per frame
"""
import json
import os
import platform
import re
import subprocess
import sys
import tempfile

# (benchmark, its floor, the most the ratio may be, what the ratio says)
TIME_RATIOS = [
    ("GameFrameNull/plain", "BareOdeStep/plain", 1.05, "the game's own work, plain heap"),
    ("GameFrameNull/recycling", "BareOdeStep/recycling", 1.05, "the game's own work, recycling"),
    ("GameFrameNull/recycling", "BareOdeStep/plain", 1.0, "below the plain floor"),
    ("GameFrameTrace/fast_numbers", "GameFrameNull/recycling", 1.5, "trace writing"),
    ("GameFrameTrace/reference_numbers", "GameFrameNull/recycling", None,
     "trace writing before (reference numbers)"),
    ("GameFrameTrace/shortest_numbers", "GameFrameNull/recycling", None,
     "trace writing with std::to_chars' shortest form"),
    ("GameFrameTrace/cached_shortest_numbers", "GameFrameNull/recycling", None,
     "trace writing with the shortest form, recent numbers kept"),
    ("RenderFrameOffscreen", "RenderFloor", 3.0, "renderer over its floor"),
]

# driver arguments per configuration counted under callgrind
INSTRUCTION_RUNS = {
    "BareOdeStep/plain": ["bare", "--plain"],
    "BareOdeStep/recycling": ["bare"],
    "GameFrameNull/plain": ["game", "--plain"],
    "GameFrameNull/recycling": ["game"],
    "GameFrameTrace/reference_numbers": ["trace", "--reference-numbers"],
    "GameFrameTrace/fast_numbers": ["trace"],
    "GameFrameTrace/shortest_numbers": ["trace", "--shortest-numbers"],
    "GameFrameTrace/cached_shortest_numbers": ["trace", "--cached-shortest-numbers"],
}

# The heaps compared: glibc's malloc, the kept libraries (preloaded; the program's operator new,
# with its recycling off, passes every block to their malloc) and the program's own recycling.
ALLOCATORS = {
    "glibc": None,
    "mimalloc": "libmimalloc.so.2",
    "jemalloc": "libjemalloc.so.2",
    "tcmalloc-minimal": "libtcmalloc_minimal.so.4",
    "recycling": None,
}
ALLOCATOR_ROUNDS = 3


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


def run_timings(build):
    with tempfile.TemporaryDirectory() as tmp:
        out = os.path.join(tmp, "bench.json")
        subprocess.run(
            [os.path.join(build, "bench", "cannoncar_bench"),
             "--benchmark_repetitions=3", "--benchmark_report_aggregates_only=true",
             f"--benchmark_out={out}", "--benchmark_out_format=json"],
            check=True, stdout=subprocess.DEVNULL)
        with open(out) as f:
            report = json.load(f)
    results = {}
    for b in report["benchmarks"]:
        if b.get("aggregate_name") != "median":
            continue
        name = re.sub(r"(/real_time)?_median$", "", b["name"])
        # the simulation runs on one thread: its own CPU time is the least disturbed figure;
        # the renderer's threads and the startup's child process need the wall clock
        seconds_per = {"ns": 1e-9, "us": 1e-6, "ms": 1e-3, "s": 1.0}[b["time_unit"]]
        real = "real_time" in b["name"] or name.startswith(("Render", "Startup"))
        value = (b["real_time"] if real else b["cpu_time"]) * seconds_per
        results[name] = value
    return results


def run_instructions(build):
    driver = os.path.join(build, "bench", "frame_driver")
    results = {}
    for name, args in INSTRUCTION_RUNS.items():
        with tempfile.TemporaryDirectory() as tmp:
            proc = subprocess.run(
                ["valgrind", "--tool=callgrind", f"--callgrind-out-file={tmp}/out",
                 "--toggle-collect=*measuredFrame*", driver] + args,
                capture_output=True, text=True, check=True)
        collected = int(re.search(r"Collected : (\d+)", proc.stderr).group(1))
        frames = int(re.search(r"frames (\d+)", proc.stdout).group(1))
        results[name] = collected / frames
    return results


def heap_env(allocator):
    env = dict(os.environ)
    if ALLOCATORS[allocator]:
        env["LD_PRELOAD"] = ALLOCATORS[allocator]
    return env


def heap_args(allocator):
    return [] if allocator == "recycling" else ["--plain"]


def callgrind_frame(driver, args, env):
    with tempfile.TemporaryDirectory() as tmp:
        proc = subprocess.run(
            ["valgrind", "--tool=callgrind", f"--callgrind-out-file={tmp}/out",
             "--toggle-collect=*measuredFrame*", driver] + args,
            capture_output=True, text=True, check=True, env=env)
    collected = int(re.search(r"Collected : (\d+)", proc.stderr).group(1))
    frames = int(re.search(r"frames (\d+)", proc.stdout).group(1))
    return collected / frames


def bench_times(build, pattern, env):
    with tempfile.TemporaryDirectory() as tmp:
        out = os.path.join(tmp, "bench.json")
        subprocess.run(
            [os.path.join(build, "bench", "cannoncar_bench"), f"--benchmark_filter={pattern}",
             f"--benchmark_out={out}", "--benchmark_out_format=json"],
            check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, env=env)
        with open(out) as f:
            report = json.load(f)
    return {b["name"].split("/")[0]: b["cpu_time"] * {"ns": 1e-9, "us": 1e-6, "ms": 1e-3}[
        b["time_unit"]] for b in report["benchmarks"]}


def compare_allocators(build):
    """Every heap on BareOdeStep and GameFrameNull; the times are medians over rounds that take
    the heaps in turn, so a change in the machine's load falls on all of them alike."""
    driver = os.path.join(build, "bench", "frame_driver")
    instructions = {}
    for allocator in ALLOCATORS:
        env = heap_env(allocator)
        for bench, mode in (("BareOdeStep", "bare"), ("GameFrameNull", "game")):
            instructions[(allocator, bench)] = callgrind_frame(
                driver, [mode] + heap_args(allocator), env)
    rounds = {key: [] for key in instructions}
    for _ in range(ALLOCATOR_ROUNDS):
        for allocator in ALLOCATORS:
            heap = "recycling" if allocator == "recycling" else "plain"
            times = bench_times(build, f"^(BareOdeStep|GameFrameNull)/{heap}$",
                                heap_env(allocator))
            for bench, seconds in times.items():
                rounds[(allocator, bench)].append(seconds)
    times = {key: sorted(values)[len(values) // 2] for key, values in rounds.items()}

    floor_i = instructions[("glibc", "BareOdeStep")]
    floor_t = times[("glibc", "BareOdeStep")]
    print(f"{'heap':18} {'BareOdeStep':>12} {'GameFrameNull':>14} {'/ plain floor':>14} "
          f"{'BareOdeStep':>12} {'GameFrameNull':>14} {'/ plain floor':>14}")
    print(f"{'':18} {'instructions':>12} {'instructions':>14} {'':>14} {'time':>12} "
          f"{'time':>14}")
    for allocator in ALLOCATORS:
        bare_i, game_i = (instructions[(allocator, b)] for b in ("BareOdeStep", "GameFrameNull"))
        bare_t, game_t = (times[(allocator, b)] for b in ("BareOdeStep", "GameFrameNull"))
        print(f"{allocator:18} {bare_i / 1e3:10.1f} k {game_i / 1e3:12.1f} k "
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
    if unit == "time" and "RenderFrameOffscreen" in results:
        fps = 1 / results["RenderFrameOffscreen"]
        ok = fps >= 200
        failed |= not ok
        print(f"{'RenderFrameOffscreen frames per second':58} {fps:7.0f} {'>= 200':>8} "
              f"{'ok' if ok else 'MISSED'}")
    return failed


def main():
    if len(sys.argv) < 2:
        sys.exit(__doc__)
    build = sys.argv[1]
    instructions = "--instructions" in sys.argv[2:]
    print(f"machine: {machine()}")
    if "--allocators" in sys.argv[2:]:
        print("heaps: instructions per frame (callgrind) and time per frame (CPU time of the "
              f"thread, median of {ALLOCATOR_ROUNDS} rounds); plain floor: BareOdeStep on glibc\n")
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
