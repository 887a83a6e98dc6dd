#!/usr/bin/env python3
"""Fails each file-system call `fupdef search` makes in a sandbox, one at a time, and judges the list.

A clean search under the fault shim lists the N calls it makes inside the sandbox and the fonts it
finds. Then, for every call k, a fresh sandbox is searched with call k failing, with each of
EMFILE, ENFILE, ENOMEM and EIO, once or from then on. The promise judged, from the files and the
printed list:

- a failure the process brought on itself (no descriptor or kernel memory to spare) says nothing
  of the fonts: the search lists every font the clean one did, or it fails. It never succeeds
  with fewer, which would tell the user that a font needing its update needs none;
- any other failure costs at most what the failing call touched: the font whose file, companion or
  sub-folder it was. A Fonts folder itself that cannot be read fails the search;
- the search changes no installed file, and always ends, with an answer and no signal.

Environment: FU_BIN_DIR (required), FU_FAULT_SHIM, FU_DEMO_SIGNING_KEY, FU_SAFETY_JOBS,
FU_SAFETY_TMPDIR as for update_faults.py. Exit status: 0 when every scenario keeps the promise,
1 when one breaks it, 2 when the harness cannot trust what it measures.
"""

import concurrent.futures
import errno
import hashlib
import json
import os
import shutil
import sys
import tempfile

sys.dont_write_bytecode = True  # the source tree stays clean when run from it
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import update_faults as uf  # noqa: E402

SHORTFALLS = (errno.EMFILE, errno.ENFILE, errno.ENOMEM)
SCENARIOS = [(error, "fail") for error in SHORTFALLS + (errno.EIO,)] + [(errno.EMFILE, "persist"),
                                                                         (errno.EIO, "persist")]
# One font in the computer's folder too, so that both roots are searched with something to find.
COMPUTER_FONT = "DemoGothic"


def fingerprint(folder):
    """Every file under FOLDER with the digest of its bytes: what the search must leave alone."""
    found = {}
    for parent, _, names in os.walk(folder):
        for name in names:
            path = os.path.join(parent, name)
            with open(path, "rb") as f:
                found[os.path.relpath(path, folder)] = hashlib.sha256(f.read()).hexdigest()
    return found


class SearchBox:
    def __init__(self, base, label, inputs):
        self.box = uf.Sandbox(base, label, inputs, uf.Configuration("same-fs"))
        self.root = self.box.root
        self.roots = (uf.fonts_dir_of(self.root, computer=True), uf.fonts_dir_of(self.root))
        for name in (COMPUTER_FONT, "._" + COMPUTER_FONT):
            shutil.copy2(os.path.join(inputs.template, name), self.roots[0])
        self.before = {root: fingerprint(root) for root in self.roots}

    def search(self, inputs, shim, at=None, error=None, mode=None, log=None):
        returncode, stdout, stderr = self.box.run_fupdef(inputs, ["search", inputs.definition, "--json"], shim,
                                                         at, mode, log, error)
        if returncode is None:
            return None, None, "no end"
        try:
            answer = json.loads(stdout)
            # Relative to the sandbox, so that lists of different sandboxes compare.
            fonts = sorted((os.path.relpath(font["path"], self.root), font["setIndex"])
                           for font in answer["fonts"])
            return returncode, (answer["status"], fonts), stderr
        except (ValueError, KeyError, TypeError):
            return returncode, None, stderr

    def changed(self):
        return [root for root in self.roots if fingerprint(root) != self.before[root]]


def touched(call_path, font_path, roots):
    """Whether a failing call on CALL_PATH may cost the font at FONT_PATH its place in the list;
    every path relative to the sandbox."""
    folder, name = os.path.split(font_path)
    if call_path in (font_path, os.path.join(folder, "._" + name)):
        return True
    # A sub-folder that cannot be opened is passed over with all it holds; a Fonts folder is not.
    return call_path not in roots and font_path.startswith(call_path.rstrip(os.sep) + os.sep)


def judge(box, clean, failing, error, returncode, outcome, stderr):
    """FAILING: the paths of the calls made to fail, the one or those from it on."""
    findings = []
    if returncode is None or returncode < 0:
        return [f"no answer ({stderr or f'signal {-returncode}'})"]
    if outcome is None:
        return [f"exit {returncode} without a readable list: {stderr.strip()[-200:]}"]
    status, fonts = outcome
    if (returncode == 0) != (status == 0):
        findings.append(f"exit {returncode} with search status {status}")
    if status == 0:
        lost = [path for path, _ in sorted(set(clean) - set(fonts))]
        if set(fonts) - set(clean):
            findings.append(f"lists what the clean search did not: {sorted(set(fonts) - set(clean))}")
        if lost and error in SHORTFALLS:
            findings.append(f"succeeds without {lost}")
        elif lost:
            roots = [os.path.relpath(root, box.root) for root in box.roots]
            spared = [path for path in lost if not any(touched(call, path, roots) for call in failing)]
            if spared:
                findings.append(f"succeeds without {spared}, which the failing call did not touch")
    findings += [f"changed files in {root}" for root in box.changed()]
    return findings


def main():
    bin_dir = os.environ.get("FU_BIN_DIR")
    if not bin_dir:
        print("FU_BIN_DIR is not set", file=sys.stderr)
        return 2
    fupdef = os.path.join(bin_dir, "fupdef")
    tmp = os.environ.get("FU_SAFETY_TMPDIR") or ("/dev/shm" if os.access("/dev/shm", os.W_OK) else None)
    base = tempfile.mkdtemp(prefix="fu-search-faults-", dir=tmp)
    try:
        shim = uf.find_shim(bin_dir)
        inputs = uf.Inputs(fupdef, os.path.join(base, "inputs"))
        box = SearchBox(base, "clean", inputs)
        log = os.path.join(base, "calls.log")
        returncode, outcome, stderr = box.search(inputs, shim, log=log)
        # Relative to the sandbox, as the lists are.
        calls = [(name, os.path.relpath(path, box.root)) for name, path in uf.read_calls(log)]
        expected = len(uf.FONTS) + 1
        if returncode != 0 or not outcome or len(outcome[1]) != expected or box.changed():
            raise uf.HarnessError(f"the clean search lists {outcome} (exit {returncode}), not the "
                                  f"{expected} fonts installed: {stderr}")
        clean = outcome[1]
        uf.say(f"clean search: {len(calls)} calls, {len(clean)} fonts")

        def scenario(point, error, mode):
            label = f"k{point}-{errno.errorcode[error]}-{mode}"
            sandbox = SearchBox(base, label, inputs)
            result = sandbox.search(inputs, shim, point, error, mode)
            failing = [path for _, path in (calls[point - 1:] if mode == "persist" else [calls[point - 1]])]
            findings = judge(sandbox, clean, failing, error, *result)
            sandbox.box.remove(keep=False)
            return label, calls[point - 1], findings

        jobs = int(os.environ.get("FU_SAFETY_JOBS") or os.cpu_count() or 1)
        work = [(point, error, mode) for point in range(1, len(calls) + 1) for error, mode in SCENARIOS]
        with concurrent.futures.ThreadPoolExecutor(jobs) as pool:
            results = list(pool.map(lambda args: scenario(*args), work))
        broken = [(label, call, findings) for label, call, findings in results if findings]
        for label, (name, path), findings in broken:
            uf.say(f"BROKEN {label} ({name} {path}): " + "; ".join(findings))
        uf.say(f"{len(results)} scenarios over {len(calls)} calls, {len(broken)} broken")
        return 1 if broken else 0
    except uf.HarnessError as problem:
        print(f"harness: {problem}", file=sys.stderr)
        return 2
    finally:
        shutil.rmtree(base, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
