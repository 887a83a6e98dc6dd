"""Judges a sandbox after an update run from its files alone.

A Mac file is its data file plus the AppleDouble companion "._name" (RFC 1740) beside it. The
promise checked here: every installed font holds either its old pair byte for byte or the
complete new pair; whenever the old pair has left its place, a byte-identical copy of it lies in
a backup folder in the Trash; the Fonts folder holds no half pair; and what the program reported
for each font is what its files say.
"""

import dataclasses
import json
import os
import re
import struct

APPLEDOUBLE_MAGIC = 0x00051607
APPLEDOUBLE_VERSION = 0x00020000
ENTRY_FILE_DATES = 8
BACKUP_PREFIX = "古いフォント項目."
USER_FOLDER = "ユーザ"
COMPUTER_FOLDER = "コンピュータ"

# Finding kinds that break the promise; the others are worth reading but allowed.
HELPER_JOURNAL = ".fu-journal"
VIOLATIONS = ("lost", "half", "damaged", "backup-lost", "untruthful", "stray-half", "crash")


def companion_path(path):
    folder, name = os.path.split(path)
    return os.path.join(folder, "._" + name)


@dataclasses.dataclass(frozen=True)
class Pair:
    data: bytes | None
    companion: bytes | None

    @property
    def complete(self):
        return self.data is not None and self.companion is not None

    @property
    def absent(self):
        return self.data is None and self.companion is None


def _read(path):
    try:
        with open(path, "rb") as f:
            return f.read()
    except FileNotFoundError:
        return None


def read_pair(path):
    return Pair(_read(path), _read(companion_path(path)))


def appledouble_entries(blob):
    """Entry id -> bytes, or None when the header or an entry does not hold together."""
    if blob is None or len(blob) < 26:
        return None
    magic, version = struct.unpack(">II", blob[:8])
    if magic != APPLEDOUBLE_MAGIC or version != APPLEDOUBLE_VERSION:
        return None
    (count,) = struct.unpack(">H", blob[24:26])
    if len(blob) < 26 + 12 * count:
        return None
    entries = {}
    for i in range(count):
        entry_id, offset, length = struct.unpack(">III", blob[26 + 12 * i:38 + 12 * i])
        if offset > len(blob) or length > len(blob) - offset or entry_id in entries:
            return None
        entries[entry_id] = blob[offset:offset + length]
    return entries


def _access_date_range(blob):
    """Where entry 8's access date lies, or None. The entry holds creation, modification, backup
    and access date; the access date is the moment the file was written and is the one field two
    clean runs do not share."""
    if appledouble_entries(blob) is None:
        return None
    (count,) = struct.unpack(">H", blob[24:26])
    for i in range(count):
        entry_id, offset, length = struct.unpack(">III", blob[26 + 12 * i:38 + 12 * i])
        if entry_id == ENTRY_FILE_DATES and length >= 16:
            return offset + 12, offset + 16
    return None


def companions_match(actual, reference):
    """Whether a written companion is the reference one in everything a run decides."""
    if actual is None or reference is None:
        return False
    if actual == reference:
        return True
    if len(actual) != len(reference):
        return False
    where = _access_date_range(reference)
    if where is None or _access_date_range(actual) != where:
        return False
    start, end = where
    return actual[:start] == reference[:start] and actual[end:] == reference[end:]


def is_old(pair, old):
    return pair.complete and pair.data == old.data and pair.companion == old.companion


def is_new(pair, new):
    return pair.complete and pair.data == new.data and companions_match(pair.companion, new.companion)


def state_of(pair, old, new):
    if is_old(pair, old):
        return "old"
    if is_new(pair, new):
        return "new"
    if pair.absent:
        return "missing"
    if not pair.complete:
        return "half"
    return "damaged"


@dataclasses.dataclass
class Finding:
    kind: str
    font: str
    detail: str

    def __str__(self):
        return f"{self.kind}: {self.font}: {self.detail}"


@dataclasses.dataclass
class Verdict:
    states: dict  # font path relative to the Fonts folder -> "old", "new", "missing", "half", "damaged"
    findings: list

    def kinds(self):
        return {f.kind for f in self.findings}

    def violations(self):
        return [f for f in self.findings if f.kind in VIOLATIONS]


def backup_holds(trash_files, relative, old, domain_folder=USER_FOLDER):
    """Whether some backup folder of the Trash holds the old pair of the font at RELATIVE."""
    if not os.path.isdir(trash_files):
        return False
    folder, name = os.path.split(relative)
    numbered = re.compile(re.escape(name) + r"(\.[0-9]+)?")
    for backup in sorted(os.listdir(trash_files)):
        if not backup.startswith(BACKUP_PREFIX):
            continue
        place = os.path.join(trash_files, backup, domain_folder, folder)
        if not os.path.isdir(place):
            continue
        for candidate in os.listdir(place):
            if numbered.fullmatch(candidate) and is_old(read_pair(os.path.join(place, candidate)), old):
                return True
    return False


def claims_of(report, fonts_dir, fonts):
    """Font -> whether the program said it updated it. Fonts it never listed were not updated."""
    claims = {relative: False for relative in fonts}
    if not report or "outcome" not in report:
        return claims  # the run stopped at the search: nothing was claimed as updated
    for entry in report.get("fonts", []):
        relative = os.path.relpath(entry.get("path", ""), fonts_dir)
        if relative in claims:
            claims[relative] = bool(entry.get("updated"))
    return claims


def parse_report(stdout):
    """The JSON that `fupdef apply --json` printed; {} for no output, None for unreadable output."""
    text = stdout.strip()
    if not text:
        return {}
    try:
        report = json.loads(text)
    except ValueError:
        return None
    return report if isinstance(report, dict) else None


# Names the program stages a pair under beside the fonts: dot files, which fontconfig never loads
# and the search passes over. An interrupted run may leave them; the next run must clear them.
STAGED_PREFIXES = (".fu-", "._.fu-")


def check(fonts_dir, trash_files, fonts, report=None, reported=True, before=None, final=False,
          domain_folder=USER_FOLDER):
    """Judges the sandbox.

    fonts: relative path in the Fonts folder -> (old Pair, new Pair).
    report: what parse_report() made of the program's output, when it ended by itself.
    reported: False when the program was killed and so had no chance to report.
    before: the states before this run (default: every font old); a font reported as not
    updated must still be as it was.
    final: this run was not interrupted, so nothing may be left under a staged name.
    """
    states = {}
    findings = []
    for relative, (old, new) in sorted(fonts.items()):
        pair = read_pair(os.path.join(fonts_dir, relative))
        state = state_of(pair, old, new)
        states[relative] = state
        if state == "missing":
            findings.append(Finding("lost", relative, "neither the data file nor its companion is in place"))
        elif state == "half":
            if pair.data is not None:
                which = "data file"
            elif pair.companion == old.companion:
                which = "old font's companion"
            elif companions_match(pair.companion, new.companion):
                which = "new font's companion"
            else:
                which = "companion"
            findings.append(Finding("half", relative, f"only the {which} is in place"))
        elif state == "damaged":
            findings.append(Finding("damaged", relative, "both files are there but hold neither the old nor the new font"))
        if state != "old" and not backup_holds(trash_files, relative, old, domain_folder):
            findings.append(Finding("backup-lost", relative, f"the font is {state} and no backup holds the old pair"))

    installed = {os.path.normpath(r) for r in fonts}
    for folder, _, names in os.walk(fonts_dir):
        present = set(names)
        if os.path.relpath(folder, fonts_dir).split(os.sep)[0] == HELPER_JOURNAL:
            # The helper's records of swaps in progress: no fonts, and none left after a clean run.
            for name in sorted(present):
                relative = os.path.relpath(os.path.join(folder, name), fonts_dir)
                if final:
                    findings.append(Finding("stray-half", relative, "a journal file the repair left behind"))
                else:
                    findings.append(Finding("journal", relative, "the helper's record of a swap in progress"))
            continue
        for name in sorted(present):
            relative = os.path.normpath(os.path.relpath(os.path.join(folder, name), fonts_dir))
            if name.startswith(STAGED_PREFIXES):
                if final:
                    findings.append(Finding("stray-half", relative, "a staged file the repair left behind"))
                else:
                    findings.append(Finding("staged", relative, "left by the interrupted run under a staged name"))
                continue
            if name.startswith("._"):
                data_relative = os.path.join(os.path.dirname(relative), name[2:])
                if os.path.normpath(data_relative) in installed:
                    continue
                if name[2:] not in present:
                    findings.append(Finding("stray-half", relative, "a companion without its data file"))
            elif relative not in installed:
                if "._" + name not in present:
                    findings.append(Finding("stray-half", relative, "a data file without its companion"))
                else:
                    findings.append(Finding("leftover", relative, "a pair that was not there before the run"))

    if reported:
        if report is None:
            findings.append(Finding("untruthful", "*", "the program ended by itself but printed no readable result"))
        else:
            for relative, updated in claims_of(report, fonts_dir, fonts).items():
                state = states[relative]
                earlier = (before or {}).get(relative, "old")
                if updated and state != "new":
                    findings.append(Finding("untruthful", relative, f"reported updated, but the font is {state}"))
                elif not updated and state != earlier:
                    findings.append(Finding("untruthful", relative,
                                            f"reported not updated, but the font went from {earlier} to {state}"))
    return Verdict(states, findings)


def main(argv):
    """check_fonts.py FONTS_DIR TRASH_FILES REFERENCE_DIR [REPORT.json]

    REFERENCE_DIR holds old/ and new/, each a copy of the Fonts folder before and after a clean run.
    """
    import sys

    fonts_dir, trash_files, reference = argv[1:4]
    report = None
    if len(argv) > 4:
        with open(argv[4], encoding="utf-8") as f:
            report = parse_report(f.read())
    fonts = {}
    old_root = os.path.join(reference, "old")
    for folder, _, names in os.walk(old_root):
        for name in names:
            if name.startswith("._"):
                continue
            relative = os.path.relpath(os.path.join(folder, name), old_root)
            fonts[relative] = (read_pair(os.path.join(old_root, relative)),
                               read_pair(os.path.join(reference, "new", relative)))
    verdict = check(fonts_dir, trash_files, fonts, report, reported=len(argv) > 4)
    for relative, state in sorted(verdict.states.items()):
        print(f"{state}\t{relative}")
    for finding in verdict.findings:
        print(finding, file=sys.stderr)
    return 1 if verdict.violations() else 0


if __name__ == "__main__":
    import sys

    sys.exit(main(sys.argv))
