#!/usr/bin/python3
"""What loading a large definition and updating a large suitcase cost, against the file work that
bounds them, measured in one run with the two sides interleaved.

  show   `fupdef show` of a definition of about 40 MB, against two `md5sum` passes over the file
         and one `openssl enc -d -aes-256-ecb` pass over its cipher text (the two digests and the
         decryption a definition needs); peak memory against the file's size.
  apply  `fupdef apply` of one suitcase of about 16 MB whose set swaps a table nearly as large,
         the definition load counted, against copying the suitcase's fork, an fsync of the copy
         and reading it back (cp, sync, cmp); peak memory against suitcase + definition.

  bench/definition_cost.py [FUPDEF] [--runs R] [--show-mb N] [--pad BYTES]

Each side runs R times (5 unless told); the figures are min and median of each, and the ratios
of min to min and median to median. Peak memory is the maximum resident size that
/usr/bin/time -v reports, the largest of the runs."""

import argparse
import os
import shutil
import statistics
import struct
import subprocess
import tempfile
import time

from bench_sandbox import sandbox_env

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
TIME = "/usr/bin/time"

JAPANESE_NAME = "サンプルゴシック"
DATES = "2014/04/01 09:00:00\t2014/04/02 09:30:00\t2014/04/03 09:00:00\t2014/04/04 09:00:00"


def run(command, env=None, quiet=True):
    done = subprocess.run(command, env=env, stdout=subprocess.DEVNULL if quiet else subprocess.PIPE,
                          stderr=subprocess.PIPE, text=True)
    if done.returncode != 0:
        raise SystemExit(f"{' '.join(command)} failed ({done.returncode}):\n{done.stderr}")
    return done


def timed(commands, env=None):
    """Wall time of running the commands one after the other."""
    started = time.perf_counter()
    for command in commands:
        run(command, env)
    return time.perf_counter() - started


def timed_with_peak(command, work, env=None):
    """Wall time and peak resident kilobytes of one command, through /usr/bin/time."""
    report = os.path.join(work, "time-report")
    started = time.perf_counter()
    run([TIME, "-f", "%M", "-o", report] + command, env)
    elapsed = time.perf_counter() - started
    with open(report) as text:
        return elapsed, int(text.read().split()[-1])


def write_text(path, text):
    with open(path, "w", encoding="utf-8") as out:
        out.write(text)
    return path


def pack(fupdef, work, name, old_font, new_font, target_line):
    readme = write_text(os.path.join(work, "readme.rtf"), "{\\rtf1\\ansi Bench\\par}")
    targets = write_text(os.path.join(work, f"{name}-targets.txt"), target_line + "\n")
    scripts = write_text(os.path.join(work, "scripts.txt"), "UserChacheRemove\t/bin/true\n")
    definition = os.path.join(work, f"{name}.fupdef")
    run([fupdef, "pack", "-o", definition, "--readme", readme, "--targets", targets, "--scripts", scripts,
         "--set", "Large", old_font, new_font])
    return definition


def sample_font(fupdef, path, version, pad):
    run([fupdef, "sample-font", "-o", path, "--family", "Sample Gothic", "--japanese-name", JAPANESE_NAME,
         "--version", version, "--pad", str(pad)])
    return path


def cipher_text_of(definition, into):
    """The cipher text of a container: after the 28-byte header and the skipped bytes, before the
    16-byte payload digest."""
    with open(definition, "rb") as source:
        data = source.read()
    skip = struct.unpack(">I", data[8:12])[0]
    with open(into, "wb") as out:
        out.write(data[28 + skip:len(data) - 16])
    return into


def summary(label, times):
    return f"{label}: min {min(times):.3f} s, median {statistics.median(times):.3f} s"


def ratios(measured, bound):
    return (min(measured) / min(bound), statistics.median(measured) / statistics.median(bound))


def bench_show(fupdef, work, runs, megabytes):
    # Two fonts whose padding tables differ in length: the set carries both, about half each.
    pad = megabytes * 1_000_000 // 2
    old_font = sample_font(fupdef, os.path.join(work, "show-old.ttf"), "1.0.1", pad)
    new_font = sample_font(fupdef, os.path.join(work, "show-new.ttf"), "1.0.2", pad + 4)
    definition = pack(fupdef, work, "show", old_font, new_font,
                      f"SampleGothic\t{JAPANESE_NAME}\t1.0.1\t*\t1.0.2\t{DATES}\t*")
    os.remove(old_font)
    os.remove(new_font)
    cipher = cipher_text_of(definition, os.path.join(work, "show.cipher"))
    size = os.path.getsize(definition)
    bound_commands = [["md5sum", definition], ["md5sum", definition],
                      ["openssl", "enc", "-d", "-aes-256-ecb", "-nopad", "-K", "00" * 32, "-in", cipher, "-out",
                       os.devnull]]

    bound, measured, peaks = [], [], []
    for _ in range(runs):
        bound.append(timed(bound_commands))
        elapsed, peak = timed_with_peak([fupdef, "show", definition], work)
        measured.append(elapsed)
        peaks.append(peak)
    os.remove(cipher)
    os.remove(definition)
    return size, bound, measured, max(peaks)


def apply_sandbox(work, installed_pair):
    root = tempfile.mkdtemp(prefix="apply-", dir=work)
    data, env = sandbox_env(root)
    for path in installed_pair:
        shutil.copy2(path, os.path.join(data, "fonts"))
    return root, env


def bench_apply(fupdef, work, runs, pad):
    old_font = sample_font(fupdef, os.path.join(work, "apply-old.ttf"), "1.0.1", pad)
    new_font = sample_font(fupdef, os.path.join(work, "apply-new.ttf"), "1.0.2", pad + 4)
    definition = pack(fupdef, work, "apply", old_font, new_font,
                      f"LargeGothic\t{JAPANESE_NAME}\t1.0.1\t*\t1.0.2\t{DATES}\t*")
    shelf = os.path.join(work, "installed")
    os.makedirs(shelf)
    suitcase = os.path.join(shelf, "Large Gothic")
    run([fupdef, "wrap", old_font, "-o", suitcase, "--name", "LargeGothic", "--version", "1.0.1"])
    os.remove(old_font)
    os.remove(new_font)
    fork = os.path.join(shelf, "._Large Gothic")
    pair = [suitcase, fork]
    suitcase_size = os.path.getsize(suitcase) + os.path.getsize(fork)
    copy = os.path.join(work, "copy")
    baseline_commands = [["cp", fork, copy], ["sync", copy], ["cmp", fork, copy]]

    baseline, measured, peaks = [], [], []
    for _ in range(runs):
        baseline.append(timed(baseline_commands))
        os.remove(copy)
        root, env = apply_sandbox(work, pair)
        try:
            elapsed, peak = timed_with_peak([fupdef, "apply", definition, "--yes"], work, env)
            updated = run([fupdef, "search", definition], env, quiet=False).stdout
            if "0 font(s) found" not in updated:
                raise SystemExit("the update left the font at its old version:\n" + updated)
        finally:
            shutil.rmtree(root, ignore_errors=True)
        measured.append(elapsed)
        peaks.append(peak)
    return suitcase_size, os.path.getsize(definition), baseline, measured, max(peaks)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("fupdef", nargs="?", default=os.path.join(ROOT, "build", "release", "bin", "fupdef"))
    parser.add_argument("--runs", type=int, default=5)
    parser.add_argument("--show-mb", type=int, default=40)
    # As large as a suitcase can be: resource data offsets are 24 bits.
    parser.add_argument("--pad", type=int, default=16_400_000)
    options = parser.parse_args()
    fupdef = os.path.abspath(options.fupdef)
    work = tempfile.mkdtemp(prefix="fu-definition-cost-", dir=os.environ.get("FU_BENCH_DIR"))
    try:
        print(f"fupdef: {fupdef}, {options.runs} runs each, interleaved")

        size, bound, measured, peak = bench_show(fupdef, work, options.runs, options.show_mb)
        low, middle = ratios(measured, bound)
        print(f"show of a {size / 1e6:.1f} MB definition")
        print("  " + summary("md5sum x2 + openssl enc -d", bound))
        print("  " + summary("fupdef show              ", measured))
        print(f"  ratio to the bound: min {low:.2f}, median {middle:.2f} (goal <= 1.2)")
        print(f"  peak memory {peak / 1024:.1f} MB = {peak * 1024 / size:.2f} x the file (goal <= 2)")

        suitcase, definition, baseline, measured, peak = bench_apply(fupdef, work, options.runs, options.pad)
        low, middle = ratios(measured, baseline)
        print(f"apply of a {suitcase / 1e6:.1f} MB suitcase with a {definition / 1e6:.1f} MB definition")
        print("  " + summary("cp + fsync + cmp ", baseline))
        print("  " + summary("fupdef apply     ", measured))
        print(f"  ratio to the copy: min {low:.2f}, median {middle:.2f} (goal <= 4)")
        print(f"  peak memory {peak / 1024:.1f} MB = {peak * 1024 / (suitcase + definition):.2f} x "
              f"suitcase + definition (goal <= 3), {peak * 1024 / suitcase:.1f} x the suitcase")
    finally:
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    main()
