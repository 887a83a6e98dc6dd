#!/usr/bin/env python3
"""Interrupts `fupdef apply` at every file-system call it makes in a sandbox and judges the files.

A clean run under the fault shim (FaultShim.cpp, preloaded) lists the N calls an update of a few
user fonts makes inside the sandbox. Then, for every call k and every mode (fail once, fail from
then on, SIGKILL), a fresh sandbox is updated with call k interrupted, the files are judged
(check_fonts.py), a second run without faults follows, and the files are judged again.

Configurations: the Trash on the Fonts folder's file system; the Trash on a tmpfs of its own
(needs a private mount namespace: root, or an unprivileged user namespace; skipped otherwise);
renameat2 flags refused, as on file systems without RENAME_NOREPLACE; the fonts in the computer's
folder, updated by the helper, which is the process faulted.

Environment:
  FU_BIN_DIR          where fupdef is (required)
  FU_FAULT_SHIM       the built shim, libfu_faultshim.so (default: FU_BIN_DIR/../lib/, FU_BIN_DIR/)
  FU_SAFETY_CONFIGS   comma list of same-fs, trash-elsewhere, no-rename-flags, computer (default:
                      all); computer puts the fonts in the computer's folder and faults the helper
  FU_SAFETY_MODES     comma list of fail, persist, kill (default: all)
  FU_SAFETY_POINTS    which calls, "1-40,77" (default: all)
  FU_SAFETY_MAX_POINTS  at most this many calls per configuration, spread evenly over the run
  FU_SAFETY_JOBS      parallel scenarios (default: the number of CPUs)
  FU_SAFETY_TMPDIR    where sandboxes go (default: /dev/shm when it is writable, else the temp dir)
  FU_SAFETY_EXAMPLES  violating scenarios described in full per configuration (default 3)
  FU_SAFETY_REPORT    write every scenario's verdicts there as JSON lines
  FU_SAFETY_KEEP=1    keep the sandboxes

Exit status: 0 when no scenario breaks the promise, 1 when one does, 2 when the harness itself
cannot trust what it measures (the clean run fails, the references do not hold together).
"""

import concurrent.futures
import dataclasses
import json
import os
import shutil
import signal
import subprocess
import sys
import tempfile
import time

sys.dont_write_bytecode = True  # the source tree stays clean when run from it
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import check_fonts as cf  # noqa: E402

# The computer's fonts are only for definitions of a trusted signer, opened with the build's own
# key as the helper opens them: the tests sign with the key the build trusts.
SIGNING_KEY = os.environ.get("FU_DEMO_SIGNING_KEY", "")
MODES = ("fail", "persist", "kill")
CONFIGS = ("same-fs", "trash-elsewhere", "no-rename-flags", "computer")
DEFAULT_CONFIGS = CONFIGS
RUN_TIMEOUT = 60

# Installed fonts: path in the user's Fonts folder, family. Two share a family, so that one
# update set serves two files; two live in a sub-folder, so that the backup gets one too.
FAMILIES = {
    "DemoGothic": ("デモゴシック", "1.0.1", "1.0.2", 24, 28),
    "DemoMincho": ("デモ明朝", "2.0.0", "2.0.1", 30, 34),
}
FONTS = (("DemoGothic", "DemoGothic"), ("Sub/DemoGothic Copy", "DemoGothic"), ("Sub/デモ明朝", "DemoMincho"))
DATES = "\t".join(["2026/12/01 10:00:00"] * 4)


class HarnessError(Exception):
    pass


def say(*parts):
    print(*parts, flush=True)


def run(args, **kwargs):
    result = subprocess.run(args, capture_output=True, text=True, **kwargs)
    if result.returncode != 0:
        raise HarnessError(f"{' '.join(map(str, args))}: {result.returncode}\n{result.stdout}{result.stderr}")
    return result


def find_shim(bin_dir):
    explicit = os.environ.get("FU_FAULT_SHIM")
    candidates = [explicit] if explicit else [os.path.join(bin_dir, "..", "lib", "libfu_faultshim.so"),
                                              os.path.join(bin_dir, "libfu_faultshim.so")]
    for candidate in candidates:
        if candidate and os.path.isfile(candidate):
            return os.path.abspath(candidate)
    raise HarnessError(f"no fault shim at {candidates}; build the fu_faultshim target or set FU_FAULT_SHIM")


def parse_points(text, count):
    if not text:
        return list(range(1, count + 1))
    points = set()
    for part in text.split(","):
        first, _, last = part.strip().partition("-")
        points.update(range(int(first), int(last or first) + 1))
    return sorted(p for p in points if 1 <= p <= count)


def spread(points, limit):
    if not limit or len(points) <= limit:
        return points
    step = len(points) / limit
    return sorted({points[int(i * step)] for i in range(limit)})


def sandbox_env(root):
    home = os.path.join(root, "home")
    env = {key: value for key, value in os.environ.items()
           if not key.startswith("FU_FAULT") and key != "LD_PRELOAD"}
    env.update(HOME=home, XDG_DATA_HOME=os.path.join(home, ".local", "share"),
               XDG_CONFIG_HOME=os.path.join(home, ".config"),
               FONTUPDATER_SYSTEM_FONTS=os.path.join(root, "system-fonts"), TZ="UTC")
    env.pop("FONTUPDATER_ELEVATE", None)
    return env


def fonts_dir_of(root, computer=False):
    if computer:
        return os.path.join(root, "system-fonts")
    return os.path.join(root, "home", ".local", "share", "fonts")


def trash_of(root):
    return os.path.join(root, "home", ".local", "share", "Trash")


class Inputs:
    """The definition and the installed fonts every sandbox starts from, made once."""

    def __init__(self, fupdef, folder):
        self.fupdef = fupdef
        self.folder = folder
        self.definition = os.path.join(folder, "safety.fupdef")
        self.template = os.path.join(folder, "template-fonts")
        os.makedirs(self.template)
        sets, targets = [], []
        for name, (japanese, old_version, new_version, old_glyphs, new_glyphs) in FAMILIES.items():
            for which, glyphs in (("old", old_glyphs), ("new", new_glyphs)):
                run([fupdef, "sample-font", "-o", self.sfnt(name, which), "--family", name,
                     "--japanese-name", japanese, "--version", old_version, "--glyphs", str(glyphs)])
            sets += ["--set", name, self.sfnt(name, "old"), self.sfnt(name, "new")]
            targets.append(f"{name}\t{japanese}\t{old_version}\t*\t{new_version}\t{DATES}\t*\n")
        self._write("readme.rtf", "{\\rtf1\\ansi Update safety\\par}")
        self._write("targets.txt", "".join(targets))
        self._write("scripts.txt", "UserChacheRemove\t/bin/true\nOSAATSChacheRemoveAuth\t/bin/true\n")
        run([fupdef, "pack", "-o", self.definition, "--readme", self._path("readme.rtf"),
             "--targets", self._path("targets.txt"), "--scripts", self._path("scripts.txt"),
             "--sign-key", SIGNING_KEY] + sets)
        for relative, family in FONTS:
            target = os.path.join(self.template, relative)
            os.makedirs(os.path.dirname(target), exist_ok=True)
            run([fupdef, "wrap", self.sfnt(family, "old"), "-o", target, "--name", family,
                 "--version", FAMILIES[family][1]])
        self.old = {relative: cf.read_pair(os.path.join(self.template, relative)) for relative, _ in FONTS}
        for relative, family in FONTS:
            self.expect_version(os.path.join(self.template, relative), FAMILIES[family][1])

    def sfnt(self, family, which):
        return os.path.join(self.folder, f"{family}-{which}.ttf")

    def _path(self, name):
        return os.path.join(self.folder, name)

    def _write(self, name, text):
        with open(self._path(name), "w", encoding="utf-8") as f:
            f.write(text)

    def expect_version(self, path, version):
        """The program's own reader must see VERSION in the suitcase, or the references mean nothing."""
        items = json.loads(run([self.fupdef, "inspect", path, "--json"]).stdout)["checkTargetItems"]
        if [item.get("shortVersStr") for item in items] != [version]:
            raise HarnessError(f"{path}: expected version {version}, the program reads {items}")


@dataclasses.dataclass
class Configuration:
    name: str
    trash_mount: bool = False
    no_rename_flags: bool = False
    computer: bool = False  # the fonts in the computer's folder, the helper the one faulted


class Sandbox:
    def __init__(self, base, label, inputs, config):
        self.root = os.path.join(base, label)
        self.config = config
        self.fonts_dir = fonts_dir_of(self.root, config.computer)
        os.makedirs(fonts_dir_of(self.root, not config.computer))
        shutil.copytree(inputs.template, self.fonts_dir)
        self.mounted = False
        if config.trash_mount:
            os.makedirs(trash_of(self.root))
            run(["mount", "-t", "tmpfs", "-o", "size=8m,mode=0700", "tmpfs", trash_of(self.root)])
            self.mounted = True
        self.env = sandbox_env(self.root)
        if config.computer:
            # The helper starts without a password; the faults go to it alone.
            self.env.update(FONTUPDATER_ELEVATE="env", FONTUPDATER_HELPER=os.path.join(
                os.path.dirname(inputs.fupdef), "fontupdater-helper"))

    def apply(self, inputs, shim=None, at=None, mode=None, log=None):
        return self.run_fupdef(inputs, ["apply", inputs.definition, "--yes", "--json"], shim, at, mode, log)

    def run_fupdef(self, inputs, arguments, shim=None, at=None, mode=None, log=None, error=None):
        """fupdef ARGUMENTS in the sandbox, under the shim when one is given (ERROR: the errno the
        failing call answers): (exit, stdout, stderr), exit None when it did not end in time."""
        env = dict(self.env)
        if shim:
            env.update(LD_PRELOAD=shim, FU_FAULT_ONLY=self.root + os.sep)
            if log:
                env["FU_FAULT_COUNT_FILE"] = log
            if at:
                env.update(FU_FAULT_AT=str(at), FU_FAULT_MODE=mode)
            if error:
                env["FU_FAULT_ERRNO"] = str(error)
            if self.config.no_rename_flags:
                env["FU_FAULT_NO_RENAME_FLAGS"] = "1"
            if self.config.computer:
                env["FU_FAULT_EXE"] = "fontupdater-helper"
        try:
            result = subprocess.run([inputs.fupdef] + arguments, env=env, cwd=self.root, capture_output=True,
                                    text=True, timeout=RUN_TIMEOUT)
            return result.returncode, result.stdout, result.stderr
        except subprocess.TimeoutExpired as timeout:
            return None, timeout.stdout or "", timeout.stderr or ""

    def judge(self, references, returncode, stdout, before=None, final=False):
        killed = returncode == -signal.SIGKILL
        verdict = cf.check(self.fonts_dir, os.path.join(trash_of(self.root), "files"), references,
                           cf.parse_report(stdout) if not killed else None, reported=not killed, before=before,
                           final=final, domain_folder=cf.COMPUTER_FOLDER if self.config.computer else cf.USER_FOLDER)
        if returncode is None:
            verdict.findings.append(cf.Finding("crash", "*", f"no end within {RUN_TIMEOUT} s"))
        elif returncode < 0 and not killed:
            verdict.findings.append(cf.Finding("crash", "*", f"ended by signal {-returncode}"))
        return verdict

    def listing(self):
        lines = []
        home = os.path.join(self.root, "home", ".local", "share")
        for folder, _, names in os.walk(home):
            for name in sorted(names):
                path = os.path.join(folder, name)
                lines.append(f"    {os.path.relpath(path, home)} ({os.path.getsize(path)} bytes)")
        return sorted(lines)

    def remove(self, keep):
        if self.mounted:
            subprocess.run(["umount", trash_of(self.root)], check=False)
            self.mounted = False
        if not keep:
            shutil.rmtree(self.root, ignore_errors=True)


def read_calls(log):
    calls = []
    with open(log, encoding="utf-8", errors="replace") as f:
        for line in f:
            fields = line.rstrip("\n").split("\t")
            if len(fields) >= 3:
                calls.append((fields[1], fields[2]))
    return calls


@dataclasses.dataclass
class Scenario:
    config: str
    point: int
    mode: str
    call: str
    first_rc: int | None = None
    first: cf.Verdict | None = None
    second_rc: int | None = None
    second: cf.Verdict | None = None
    injected: bool = True
    listing_first: list = dataclasses.field(default_factory=list)

    def violations(self):
        return [("first", f) for f in self.first.violations()] + [("second", f) for f in self.second.violations()]


def clean_references(base, inputs, shim, config, keep):
    """Two clean runs: the calls to interrupt, and the new pairs the interrupted runs must reach."""
    runs = []
    for attempt in ("clean-a", "clean-b"):
        sandbox = Sandbox(base, f"{config.name}-{attempt}", inputs, config)
        log = os.path.join(sandbox.root, "calls.log")
        returncode, stdout, stderr = sandbox.apply(inputs, shim, log=log)
        report = cf.parse_report(stdout)
        if returncode != 0 or not report or report.get("outcome") != 0:
            raise HarnessError(f"{config.name}: the clean run failed ({returncode}):\n{stdout}{stderr}")
        new = {relative: cf.read_pair(os.path.join(sandbox.fonts_dir, relative)) for relative, _ in FONTS}
        references = {relative: (inputs.old[relative], new[relative]) for relative, _ in FONTS}
        verdict = sandbox.judge(references, returncode, stdout)
        if verdict.findings or set(verdict.states.values()) != {"new"}:
            raise HarnessError(f"{config.name}: the checker faults a clean run: {verdict}")
        if attempt == "clean-a":
            for relative, family in FONTS:
                inputs.expect_version(os.path.join(sandbox.fonts_dir, relative), FAMILIES[family][2])
        runs.append((read_calls(log), new))
        sandbox.remove(keep)
    (calls, new), (calls_b, new_b) = runs
    for relative in new:
        # Two clean runs may differ only where the checker allows it, or it would fault good runs.
        if not cf.is_new(new_b[relative], new[relative]):
            raise HarnessError(f"{config.name}: two clean runs wrote {relative} differently beyond its access date")
    if [c for c, _ in calls] != [c for c, _ in calls_b]:
        say(f"  warning: two clean runs made different calls ({len(calls)} and {len(calls_b)}); "
            "points past the first difference may hit other calls than listed")
    return calls, {relative: (inputs.old[relative], new[relative]) for relative in new}


def run_scenario(base, inputs, shim, config, references, calls, point, mode, keep):
    label = f"{config.name}-{point:04d}-{mode}"
    call, path = calls[point - 1]
    scenario = Scenario(config.name, point, mode, f"{call} {path}")
    sandbox = Sandbox(base, label, inputs, config)
    try:
        log = os.path.join(sandbox.root, "calls.log")
        scenario.first_rc, stdout, _ = sandbox.apply(inputs, shim, point, mode, log)
        with open(log, encoding="utf-8", errors="replace") as lines:
            scenario.injected = any(len(line.split("\t")) >= 4 for line in lines)
        scenario.first = sandbox.judge(references, scenario.first_rc, stdout)
        if scenario.first.violations():
            scenario.listing_first = sandbox.listing()
        scenario.second_rc, stdout, _ = sandbox.apply(inputs)
        scenario.second = sandbox.judge(references, scenario.second_rc, stdout, before=scenario.first.states,
                                        final=True)
        for relative, state in scenario.second.states.items():
            if state == "old":
                scenario.second.findings.append(cf.Finding("not-updated", relative, "still the old font"))
    finally:
        sandbox.remove(keep)
    return scenario


def can_mount(base):
    probe = tempfile.mkdtemp(prefix="mount-probe-", dir=base)
    try:
        result = subprocess.run(["mount", "-t", "tmpfs", "-o", "size=1m", "tmpfs", probe], capture_output=True)
        if result.returncode != 0:
            return False
        subprocess.run(["umount", probe], check=False)
        return True
    finally:
        os.rmdir(probe)


def enter_mount_namespace():
    """Runs this script again in a private mount namespace, so that its tmpfs mounts stay its own."""
    if os.environ.get("FU_SAFETY_NAMESPACE") or not shutil.which("unshare"):
        return None
    for flags in (["-m"], ["-r", "-m"]) if os.geteuid() == 0 else (["-r", "-m"],):
        probe = subprocess.run(["unshare", *flags, "--propagation", "private", "true"], capture_output=True)
        if probe.returncode == 0:
            env = dict(os.environ, FU_SAFETY_NAMESPACE="1")
            return subprocess.run(["unshare", *flags, "--propagation", "private", sys.executable,
                                   os.path.abspath(__file__), *sys.argv[1:]], env=env).returncode
    return None


KINDS = ("lost", "half", "damaged", "backup-lost", "untruthful", "stray-half", "crash")


def summarise(config, scenarios, examples):
    say(f"\n== {config}: {len({s.point for s in scenarios})} points x {len({s.mode for s in scenarios})} modes"
        f" = {len(scenarios)} scenarios")
    header = f"  {'':22}" + "".join(f"{k:>12}" for k in KINDS) + f"{'scenarios':>11}"
    say(header)
    for stage in ("first", "second"):
        for mode in MODES:
            chosen = [s for s in scenarios if s.mode == mode]
            if not chosen:
                continue
            verdicts = [getattr(s, stage) for s in chosen]
            counts = [sum(1 for v in verdicts for f in v.findings if f.kind == kind) for kind in KINDS]
            bad = sum(1 for v in verdicts if v.violations())
            label = f"{mode} {'run' if stage == 'first' else '+ 2nd run'}"
            say(f"  {label:22}" + "".join(f"{c:>12}" for c in counts) + f"{bad:>6}/{len(chosen)}")
    not_updated = sum(1 for s in scenarios for f in s.second.findings if f.kind == "not-updated")
    leftovers = sum(1 for s in scenarios for f in s.first.findings + s.second.findings if f.kind == "leftover")
    missed = [s for s in scenarios if not s.injected]
    say("  (counts are fonts; 'scenarios' counts scenarios with any violation)")
    say(f"  old font kept by the second run: {not_updated}; extra complete pairs left in the Fonts folder: {leftovers}")
    if missed:
        say(f"  warning: {len(missed)} scenarios never reached their call (the run took another path): "
            + ", ".join(f"{s.point}/{s.mode}" for s in missed[:10]))
    by_call = {}
    for scenario in scenarios:
        if scenario.violations():
            name = scenario.call.split(" ", 1)[0]
            by_call.setdefault(name, set()).add(scenario.point)
    if by_call:
        say("  points whose interruption breaks the promise, by call: "
            + ", ".join(f"{name} {len(points)}" for name, points in sorted(by_call.items())))
    shown, points_shown = set(), set()
    for scenario in scenarios:
        if len(shown) >= examples:
            break
        kinds = tuple(sorted({f.kind for _, f in scenario.violations()}))
        if not kinds or (kinds, scenario.mode) in shown or scenario.point in points_shown:
            continue
        shown.add((kinds, scenario.mode))
        points_shown.add(scenario.point)
        say(f"\n  example: point {scenario.point} ({scenario.call}), mode {scenario.mode}, "
            f"exit {scenario.first_rc} then {scenario.second_rc}")
        for stage, finding in scenario.violations():
            say(f"    after the {stage} run: {finding}")
        say("    files after the interrupted run:")
        for line in scenario.listing_first:
            say("  " + line)


def main():
    if "trash-elsewhere" in os.environ.get("FU_SAFETY_CONFIGS", ",".join(DEFAULT_CONFIGS)):
        status = enter_mount_namespace()
        if status is not None:
            return status

    bin_dir = os.environ.get("FU_BIN_DIR")
    if not bin_dir:
        say("FU_BIN_DIR must name the folder of the built fupdef")
        return 2
    fupdef = os.path.abspath(os.path.join(bin_dir, "fupdef"))
    shim = find_shim(bin_dir)
    modes = [m for m in os.environ.get("FU_SAFETY_MODES", ",".join(MODES)).split(",") if m]
    configs = [c for c in os.environ.get("FU_SAFETY_CONFIGS", ",".join(DEFAULT_CONFIGS)).split(",") if c]
    for name in modes + configs:
        if name not in MODES + CONFIGS:
            say(f"unknown mode or configuration {name!r}")
            return 2
    jobs = int(os.environ.get("FU_SAFETY_JOBS", os.cpu_count() or 2))
    keep = os.environ.get("FU_SAFETY_KEEP") == "1"
    examples = int(os.environ.get("FU_SAFETY_EXAMPLES", "3"))
    parent = os.environ.get("FU_SAFETY_TMPDIR") or ("/dev/shm" if os.access("/dev/shm", os.W_OK) else None)
    base = tempfile.mkdtemp(prefix="fu-safety-", dir=parent)
    started = time.monotonic()
    failed = False
    report = open(os.environ["FU_SAFETY_REPORT"], "w", encoding="utf-8") if os.environ.get("FU_SAFETY_REPORT") else None
    try:
        inputs = Inputs(fupdef, os.path.join(base, "inputs"))
        for name in configs:
            config = Configuration(name, trash_mount=name == "trash-elsewhere", no_rename_flags=name == "no-rename-flags",
                                   computer=name == "computer")
            if config.trash_mount and not (os.environ.get("FU_SAFETY_NAMESPACE") and can_mount(base)):
                say(f"\n== {name}: SKIPPED: cannot mount a tmpfs for the Trash here "
                    "(needs root or unprivileged user namespaces, and unshare)")
                continue
            calls, references = clean_references(base, inputs, shim, config, keep)
            points = spread(parse_points(os.environ.get("FU_SAFETY_POINTS", ""), len(calls)),
                            int(os.environ.get("FU_SAFETY_MAX_POINTS", "0")))
            say(f"\n{name}: a clean run makes {len(calls)} calls in the sandbox; interrupting {len(points)} of them")
            with concurrent.futures.ThreadPoolExecutor(max_workers=jobs) as pool:
                futures = [pool.submit(run_scenario, base, inputs, shim, config, references, calls, p, m, keep)
                           for p in points for m in modes]
                scenarios = [f.result() for f in futures]
            if report:
                for s in scenarios:
                    report.write(json.dumps({
                        "config": s.config, "point": s.point, "mode": s.mode, "call": s.call,
                        "exit": [s.first_rc, s.second_rc],
                        "states": [s.first.states, s.second.states],
                        "findings": [[str(f) for f in s.first.findings], [str(f) for f in s.second.findings]],
                    }, ensure_ascii=False) + "\n")
            summarise(name, scenarios, examples)
            failed |= any(s.violations() for s in scenarios)
    except HarnessError as error:
        say(f"harness error: {error}")
        return 2
    finally:
        if report:
            report.close()
        if not keep:
            shutil.rmtree(base, ignore_errors=True)
        else:
            say(f"sandboxes kept in {base}")
    say(f"\n{'FAIL' if failed else 'ok'}: {time.monotonic() - started:.0f} s")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
