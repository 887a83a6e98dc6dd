#!/usr/bin/python3
"""What an update costs per font: `fupdef apply` of N small user fonts (copies of the demo's old
DemoGothic in sub-folders), its wall time per font (median of several runs on fresh sandboxes),
and the file-system calls it makes, counted by the project's fault shim in counting mode: fsyncs,
renames, links, per run and per font.

  bench/update_cost.py [FUPDEF] [--fonts N] [--runs R]

FUPDEF defaults to build/bin/fupdef; the shim is lib/libfu_faultshim.so (FU_FAULT_SHIM) and the
demo demo/ (FU_DEMO_DIR) of FUPDEF's build folder. Give another build's fupdef to compare two
versions. The figures are min and median of the runs."""

import argparse
import collections
import os
import shutil
import statistics
import subprocess
import tempfile
import time

from bench_sandbox import sandbox_env

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))


def sandbox(fonts, demo):
    root = tempfile.mkdtemp(prefix="fu-cost-")
    data, env = sandbox_env(root)
    for n in range(fonts):
        folder = os.path.join(data, "fonts", f"shelf{n:03d}")
        os.makedirs(folder)
        for name in ("DemoGothic", "._DemoGothic"):
            shutil.copy2(os.path.join(demo, "installed", name), folder)
    return root, env


def apply(fupdef, definition, env):
    started = time.perf_counter()
    done = subprocess.run([fupdef, "apply", definition, "--yes"], env=env, capture_output=True, text=True)
    elapsed = time.perf_counter() - started
    if done.returncode != 0:
        raise SystemExit("fupdef apply failed:\n" + done.stdout + done.stderr)
    return elapsed


def copy_sync_read_back(env):
    """The file work an update of each font cannot do without: its pair copied to a new name,
    synced, and read back and compared."""
    fonts = os.path.join(env["XDG_DATA_HOME"], "fonts")
    started = time.perf_counter()
    for shelf in sorted(os.listdir(fonts)):
        for name in ("DemoGothic", "._DemoGothic"):
            source = os.path.join(fonts, shelf, name)
            copy = os.path.join(fonts, shelf, ".copy" + name)
            with open(source, "rb") as src:
                data = src.read()
            fd = os.open(copy, os.O_WRONLY | os.O_CREAT | os.O_EXCL, 0o644)
            try:
                os.write(fd, data)
                os.fsync(fd)
            finally:
                os.close(fd)
            with open(copy, "rb") as back:
                if back.read() != data:
                    raise SystemExit("the copy differs")
    return time.perf_counter() - started


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("fupdef", nargs="?", default=os.path.join(ROOT, "build", "bin", "fupdef"))
    parser.add_argument("--fonts", type=int, default=50)
    parser.add_argument("--runs", type=int, default=5)
    options = parser.parse_args()
    options.fupdef = os.path.abspath(options.fupdef)
    build = os.path.dirname(os.path.dirname(options.fupdef))
    demo = os.environ.get("FU_DEMO_DIR", os.path.join(build, "demo"))
    shim = os.environ.get("FU_FAULT_SHIM", os.path.join(build, "lib", "libfu_faultshim.so"))
    # The demo's definition, but with a cache rebuild that costs nothing: fc-cache would dwarf
    # what is measured here.
    work = tempfile.mkdtemp(prefix="fu-cost-def-")
    scripts = os.path.join(work, "scripts.txt")
    with open(scripts, "w") as out:
        out.write("UserChacheRemove\t/bin/true\n")
    definition = os.path.join(work, "cost.fupdef")
    fonts = os.path.join(demo, "fonts")
    subprocess.run([options.fupdef, "pack", "-o", definition,
                    "--readme", os.path.join(ROOT, "data", "demo", "readme.rtf"),
                    "--targets", os.path.join(ROOT, "data", "demo", "targets.txt"), "--scripts", scripts,
                    "--set", "DemoGothic", os.path.join(fonts, "DemoGothic-old.ttf"),
                    os.path.join(fonts, "DemoGothic-new.ttf")], check=True, capture_output=True)

    times, baseline = [], []
    for _ in range(options.runs):
        root, env = sandbox(options.fonts, demo)
        try:
            baseline.append(copy_sync_read_back(env))
        finally:
            shutil.rmtree(root, ignore_errors=True)
        root, env = sandbox(options.fonts, demo)
        try:
            times.append(apply(options.fupdef, definition, env))
        finally:
            shutil.rmtree(root, ignore_errors=True)

    root, env = sandbox(options.fonts, demo)
    try:
        log = os.path.join(root, "calls")
        env.update(LD_PRELOAD=shim, FU_FAULT_COUNT_FILE=log, FU_FAULT_ONLY=root)
        apply(options.fupdef, definition, env)
        with open(log, encoding="utf-8", errors="replace") as calls:
            kinds = collections.Counter(line.split("\t")[1] for line in calls if "\t" in line)
    finally:
        shutil.rmtree(root, ignore_errors=True)

    shutil.rmtree(work, ignore_errors=True)
    median = statistics.median(times)
    print(f"fupdef: {options.fupdef}")
    print(f"{options.fonts} fonts, {options.runs} runs: min {min(times):.3f} s, median {median:.3f} s; "
          f"per font min {1000 * min(times) / options.fonts:.2f} ms, median {1000 * median / options.fonts:.2f} ms "
          f"(goal <= 1.2 ms)")
    print(f"  copy + fsync + read-back of each pair: per font min {1000 * min(baseline) / options.fonts:.2f} ms, "
          f"median {1000 * statistics.median(baseline) / options.fonts:.2f} ms; ratio min "
          f"{min(times) / min(baseline):.2f}, median {median / statistics.median(baseline):.2f}")
    for kind in ("fsync", "rename", "renameat", "renameat2", "link", "linkat", "unlink", "unlinkat", "open",
                 "openat", "mkdir"):
        print(f"  {kind:10} {kinds.get(kind, 0):6} per run  {kinds.get(kind, 0) / options.fonts:6.2f} per font")


if __name__ == "__main__":
    main()
