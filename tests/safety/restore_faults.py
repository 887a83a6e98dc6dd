#!/usr/bin/env python3
"""Interrupts `fupdef restore` at every file-system call it makes and judges the files.

Each sandbox is updated by a clean `fupdef apply`, which leaves the new fonts in place and the old
ones in a backup folder of the Trash. A clean restore of that folder under the fault shim lists
the N calls a restore makes. Then, for every call k and every mode (fail once, fail from then on,
SIGKILL), a fresh updated sandbox is restored with call k interrupted, the files are judged, a
second restore without faults follows, and the files are judged again.

The judge is the update's checker with the roles turned round: a restore is an update from the
new font back to the old one. So every font stays a whole pair, the old one or the new one; the
new font it replaces is kept in a newer backup folder; what the restore reports as put back is
back, and what it does not report has not moved; after the second restore every old font is in
place and nothing is left under a staged name. Besides, a font not yet put back keeps its old
pair in the backup folder it came from.

Configurations: the user's fonts (same-fs) and the computer's, restored by the helper, which is
the process faulted (computer). Environment as for update_faults.py: FU_BIN_DIR (required),
FU_FAULT_SHIM, FU_DEMO_SIGNING_KEY, FU_SAFETY_CONFIGS, FU_SAFETY_MODES, FU_SAFETY_JOBS,
FU_SAFETY_TMPDIR, FU_SAFETY_KEEP. Exit status: 0 when no scenario breaks the promise, 1 when one
does, 2 when the harness cannot trust what it measures.
"""

import concurrent.futures
import json
import os
import shutil
import signal
import sys
import tempfile

sys.dont_write_bytecode = True  # the source tree stays clean when run from it
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import check_fonts as cf  # noqa: E402
import update_faults as uf  # noqa: E402

CONFIGS = ("same-fs", "computer")


def as_update_report(stdout):
    """What the restore printed, in the shape of an update's report, for the checker."""
    report = cf.parse_report(stdout)
    if not report or "fonts" not in report:
        return report
    fonts = [{"path": font.get("path", ""), "updated": bool(font.get("restored"))} for font in report["fonts"]]
    return {"outcome": 0, "fonts": fonts}


class RestoreBox(uf.Sandbox):
    """A sandbox updated once, cleanly: the new fonts in place, the old ones in one backup folder.
    With TEMPLATE, a copy of that box's folders instead of an update of its own, which costs more
    than the restore it prepares."""

    def __init__(self, base, label, inputs, config, template=None):
        super().__init__(base, label, inputs, config)
        if template:
            for part in ("home", "system-fonts"):
                shutil.rmtree(os.path.join(self.root, part))
                shutil.copytree(os.path.join(template.root, part), os.path.join(self.root, part), symlinks=True)
        else:
            returncode, stdout, stderr = self.apply(inputs)
            report = cf.parse_report(stdout)
            if returncode != 0 or not report or report.get("outcome") != 0:
                raise uf.HarnessError(f"{label}: the update before the restore failed ({returncode}):\n"
                                      f"{stdout}{stderr}")
        self.trash_files = os.path.join(uf.trash_of(self.root), "files")
        backups = sorted(name for name in os.listdir(self.trash_files) if name.startswith(cf.BACKUP_PREFIX))
        if len(backups) != 1:
            raise uf.HarnessError(f"{label}: the update left {backups} in the Trash, not one backup folder")
        self.backup = os.path.join(self.trash_files, backups[0])
        self.domain = cf.COMPUTER_FOLDER if config.computer else cf.USER_FOLDER
        # The update's checker, turned round: what is in place now is the "old" font of a restore.
        self.references = {relative: (cf.read_pair(os.path.join(self.fonts_dir, relative)), inputs.old[relative])
                           for relative, _ in uf.FONTS}

    def restore(self, inputs, shim=None, at=None, mode=None, log=None):
        return self.run_fupdef(inputs, ["restore", self.backup, "--yes", "--json"], shim, at, mode, log)

    def judge_restore(self, inputs, returncode, stdout, before=None, final=False):
        killed = returncode == -signal.SIGKILL
        verdict = cf.check(self.fonts_dir, self.trash_files, self.references,
                           as_update_report(stdout) if not killed else None, reported=not killed,
                           before=before, final=final, domain_folder=self.domain)
        if returncode is None:
            verdict.findings.append(cf.Finding("crash", "*", f"no end within {uf.RUN_TIMEOUT} s"))
        elif returncode < 0 and not killed:
            verdict.findings.append(cf.Finding("crash", "*", f"ended by signal {-returncode}"))
        for relative, state in verdict.states.items():
            if state != "new" and not cf.backup_holds(self.trash_files, relative, inputs.old[relative], self.domain):
                verdict.findings.append(cf.Finding("backup-lost", relative,
                                                   "not put back, and no backup holds the old pair any more"))
        return verdict


def run_scenario(base, inputs, shim, config, template, calls, point, mode, keep):
    label = f"{config.name}-{point:04d}-{mode}"
    box = RestoreBox(base, label, inputs, config, template)
    try:
        returncode, stdout, _ = box.restore(inputs, shim, point, mode)
        first = box.judge_restore(inputs, returncode, stdout)
        returncode, stdout, stderr = box.restore(inputs)
        second = box.judge_restore(inputs, returncode, stdout, before=first.states, final=True)
        for relative, state in second.states.items():
            if state != "new":
                second.findings.append(cf.Finding("not-restored", relative,
                                                  f"still {state} after the second restore: {stderr.strip()[-200:]}"))
        findings = [f"first: {f}" for f in first.violations()] + [
            f"second: {f}" for f in second.findings if f.kind in cf.VIOLATIONS + ("not-restored",)]
        return label, calls[point - 1], findings
    finally:
        box.remove(keep)


def main():
    bin_dir = os.environ.get("FU_BIN_DIR")
    if not bin_dir:
        uf.say("FU_BIN_DIR must name the folder of the built fupdef")
        return 2
    modes = [m for m in os.environ.get("FU_SAFETY_MODES", ",".join(uf.MODES)).split(",") if m]
    configs = [c for c in os.environ.get("FU_SAFETY_CONFIGS", ",".join(CONFIGS)).split(",") if c]
    if any(name not in uf.MODES + CONFIGS for name in modes + configs):
        uf.say(f"unknown mode or configuration among {modes + configs}")
        return 2
    jobs = int(os.environ.get("FU_SAFETY_JOBS") or os.cpu_count() or 2)
    keep = os.environ.get("FU_SAFETY_KEEP") == "1"
    parent = os.environ.get("FU_SAFETY_TMPDIR") or ("/dev/shm" if os.access("/dev/shm", os.W_OK) else None)
    base = tempfile.mkdtemp(prefix="fu-restore-faults-", dir=parent)
    broken = 0
    try:
        shim = uf.find_shim(bin_dir)
        inputs = uf.Inputs(os.path.abspath(os.path.join(bin_dir, "fupdef")), os.path.join(base, "inputs"))
        for name in configs:
            config = uf.Configuration(name, computer=name == "computer")
            template = RestoreBox(base, f"{name}-template", inputs, config)
            clean = RestoreBox(base, f"{name}-clean", inputs, config, template)
            log = os.path.join(base, f"{name}-calls.log")
            returncode, stdout, stderr = clean.restore(inputs, shim, log=log)
            verdict = clean.judge_restore(inputs, returncode, stdout, final=True)
            if returncode != 0 or verdict.findings or set(verdict.states.values()) != {"new"}:
                raise uf.HarnessError(f"{name}: the clean restore ({returncode}) is judged "
                                      f"{verdict.states} {[str(f) for f in verdict.findings]}:\n{stdout}{stderr}")
            restored = json.loads(stdout)["fonts"]
            clean.remove(keep)
            calls = uf.read_calls(log)
            uf.say(f"{name}: a clean restore of {len(restored)} fonts makes {len(calls)} calls")
            work = [(point, mode) for point in range(1, len(calls) + 1) for mode in modes]
            with concurrent.futures.ThreadPoolExecutor(jobs) as pool:
                results = list(pool.map(lambda job: run_scenario(base, inputs, shim, config, template, calls, *job, keep),
                                        work))
            template.remove(keep)
            failing = [(label, call, findings) for label, call, findings in results if findings]
            for label, (call, path), findings in failing:
                uf.say(f"BROKEN {label} ({call} {os.path.relpath(path, base)}): " + "; ".join(findings))
            uf.say(f"{name}: {len(results)} scenarios, {len(failing)} broken")
            broken += len(failing)
        return 1 if broken else 0
    except uf.HarnessError as problem:
        uf.say(f"harness: {problem}")
        return 2
    finally:
        if not keep:
            shutil.rmtree(base, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
