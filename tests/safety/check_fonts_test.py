#!/usr/bin/env python3
"""The update-safety checker on hand-made sandboxes: it must see each way a font can be lost and
must not fault what a correct run leaves behind."""

import os
import shutil
import struct
import sys
import tempfile
import unittest

sys.dont_write_bytecode = True  # the source tree stays clean when run from it
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import check_fonts as cf  # noqa: E402


def appledouble(fork, access=0, created=100):
    """An AppleDouble v2 companion: Finder info, file dates, resource fork (RFC 1740)."""
    finder = b"FFIL" + b"DMOV" + bytes(24)
    dates = struct.pack(">iiii", created, created + 1, 0, access)
    entries = [(9, finder), (8, dates), (2, fork)]
    offset = 26 + 12 * len(entries)
    header = struct.pack(">II", 0x00051607, 0x00020000) + bytes(16) + struct.pack(">H", len(entries))
    body = b""
    for entry_id, blob in entries:
        header += struct.pack(">III", entry_id, offset + len(body), len(blob))
        body += blob
    return header + body


OLD = cf.Pair(b"", appledouble(b"old fork bytes"))
NEW = cf.Pair(b"", appledouble(b"new fork bytes!", access=5000))
FONTS = {"Gothic": (OLD, NEW), "Sub/Mincho": (OLD, NEW)}


class Sandbox(unittest.TestCase):
    def setUp(self):
        self.root = tempfile.mkdtemp(prefix="check-fonts-")
        self.fonts = os.path.join(self.root, "fonts")
        self.trash = os.path.join(self.root, "Trash", "files")
        os.makedirs(os.path.join(self.fonts, "Sub"))
        for relative in FONTS:
            self.put(os.path.join(self.fonts, relative), OLD)

    def tearDown(self):
        shutil.rmtree(self.root)

    def put(self, path, pair):
        os.makedirs(os.path.dirname(path), exist_ok=True)
        for target, blob in ((path, pair.data), (cf.companion_path(path), pair.companion)):
            if blob is None:
                if os.path.exists(target):
                    os.remove(target)
            else:
                with open(target, "wb") as f:
                    f.write(blob)

    def font(self, relative, pair):
        self.put(os.path.join(self.fonts, relative), pair)

    def backup(self, relative, pair, folder="古いフォント項目.20260101", name=None):
        place = os.path.join(self.trash, folder, "ユーザ", os.path.dirname(relative))
        self.put(os.path.join(place, name or os.path.basename(relative)), pair)

    def check(self, report=None, reported=False, before=None):
        return cf.check(self.fonts, self.trash, FONTS, report, reported, before)

    def kinds(self, verdict, relative):
        return sorted(f.kind for f in verdict.findings if f.font == relative)


class FontStates(Sandbox):
    def test_untouched_and_cleanly_updated_fonts_pass(self):
        self.font("Gothic", cf.Pair(b"", appledouble(b"new fork bytes!", access=99)))
        self.backup("Gothic", OLD)
        verdict = self.check()
        self.assertEqual(verdict.states, {"Gothic": "new", "Sub/Mincho": "old"})
        self.assertEqual(verdict.findings, [])

    def test_lost_half_and_damaged_fonts_are_told_apart(self):
        self.font("Gothic", cf.Pair(None, None))
        self.font("Sub/Mincho", cf.Pair(b"", None))
        verdict = self.check()
        self.assertEqual(verdict.states, {"Gothic": "missing", "Sub/Mincho": "half"})
        self.assertEqual(self.kinds(verdict, "Gothic"), ["backup-lost", "lost"])
        self.assertEqual(self.kinds(verdict, "Sub/Mincho"), ["backup-lost", "half"])

    def test_only_the_access_date_may_differ_from_the_new_font(self):
        for changed in (appledouble(b"new fork bytes?", access=5000),  # one fork byte
                        appledouble(b"new fork bytes!", access=5000, created=7),  # creation date
                        appledouble(b"new fork bytes!", access=5000)[:-1]):  # cut short
            with self.subTest(changed=changed):
                self.font("Gothic", cf.Pair(b"", changed))
                self.backup("Gothic", OLD)
                self.assertEqual(self.check().states["Gothic"], "damaged")

    def test_a_companion_that_is_not_appledouble_is_damaged(self):
        self.font("Gothic", cf.Pair(b"", b"\0" * len(NEW.companion)))
        self.assertEqual(self.check().states["Gothic"], "damaged")


class Backups(Sandbox):
    def test_a_numbered_backup_in_a_later_folder_counts(self):
        self.font("Sub/Mincho", NEW)
        self.backup("Sub/Mincho", OLD, folder="古いフォント項目.20260101.1", name="Mincho.2")
        self.assertEqual(self.kinds(self.check(), "Sub/Mincho"), [])

    def test_a_backup_that_is_not_the_old_pair_byte_for_byte_does_not_count(self):
        for backup in (cf.Pair(b"", OLD.companion[:-1]), cf.Pair(None, OLD.companion),
                       cf.Pair(b"x", OLD.companion)):
            with self.subTest(backup=backup):
                shutil.rmtree(self.trash, ignore_errors=True)
                self.font("Gothic", NEW)
                self.backup("Gothic", backup)
                self.assertEqual(self.kinds(self.check(), "Gothic"), ["backup-lost"])

    def test_a_backup_in_the_wrong_sub_folder_does_not_count(self):
        self.font("Sub/Mincho", NEW)
        self.backup("Mincho", OLD)
        self.assertEqual(self.kinds(self.check(), "Sub/Mincho"), ["backup-lost"])


class FontsFolder(Sandbox):
    def test_half_pairs_beside_the_fonts_are_violations_and_whole_ones_are_not(self):
        self.put(os.path.join(self.fonts, "Sub", ".fu-move-1-Mincho"), cf.Pair(None, NEW.companion))
        self.put(os.path.join(self.fonts, "Lone"), cf.Pair(b"", None))
        self.put(os.path.join(self.fonts, "Extra"), NEW)
        verdict = self.check()
        found = sorted((f.kind, f.font) for f in verdict.findings)
        self.assertEqual(found, [("leftover", "Extra"), ("staged", "Sub/._.fu-move-1-Mincho"),
                                 ("stray-half", "Lone")])
        self.assertEqual(sorted(f.font for f in verdict.violations()), ["Lone"])
        # After a run that nothing interrupted, a staged leftover is a fault of the repair.
        final = cf.check(self.fonts, self.trash, FONTS, reported=False, final=True)
        self.assertIn("Sub/._.fu-move-1-Mincho", [f.font for f in final.violations()])

    def test_the_helpers_journal_is_no_font_but_must_be_empty_after_a_clean_run(self):
        journal = os.path.join(self.fonts, cf.HELPER_JOURNAL)
        self.put(os.path.join(journal, "12-1.swap"), cf.Pair(b"record", None))
        self.assertEqual(self.check().violations(), [])
        final = cf.check(self.fonts, self.trash, FONTS, reported=False, final=True)
        self.assertEqual([f.font for f in final.violations()], [os.path.join(cf.HELPER_JOURNAL, "12-1.swap")])


class Reports(Sandbox):
    def report(self, **updated):
        fonts = [{"path": os.path.join(self.fonts, relative.replace("_", "/")), "updated": flag}
                 for relative, flag in updated.items()]
        return {"fonts": fonts, "outcome": 0}

    def test_a_result_must_match_the_files(self):
        self.font("Gothic", NEW)
        self.backup("Gothic", OLD)
        verdict = self.check(self.report(Gothic=False, Sub_Mincho=True), reported=True)
        self.assertEqual([(f.kind, f.font) for f in verdict.findings],
                         [("untruthful", "Gothic"), ("untruthful", "Sub/Mincho")])

    def test_a_killed_run_is_not_held_to_a_report(self):
        self.font("Gothic", NEW)
        self.backup("Gothic", OLD)
        self.assertEqual(self.check(None, reported=False).findings, [])

    def test_a_run_that_ended_by_itself_without_a_readable_result_is_untruthful(self):
        verdict = self.check(cf.parse_report('{"fonts": ['), reported=True)
        self.assertEqual([f.kind for f in verdict.findings], ["untruthful"])

    def test_a_run_that_stopped_at_the_search_claims_nothing_was_updated(self):
        self.font("Gothic", NEW)
        self.backup("Gothic", OLD)
        search_only = {"fonts": [{"path": os.path.join(self.fonts, "Gothic")}], "status": -990}
        self.assertEqual(self.kinds(self.check(search_only, reported=True), "Gothic"), ["untruthful"])
        self.assertEqual(self.kinds(self.check(cf.parse_report(""), reported=True), "Gothic"), ["untruthful"])

    def test_a_second_run_that_leaves_a_font_alone_keeps_its_earlier_state(self):
        self.font("Gothic", cf.Pair(None, None))
        verdict = self.check(cf.parse_report(""), reported=True, before={"Gothic": "missing", "Sub/Mincho": "old"})
        self.assertEqual(self.kinds(verdict, "Gothic"), ["backup-lost", "lost"])
        self.assertEqual(self.kinds(verdict, "Sub/Mincho"), [])


if __name__ == "__main__":
    unittest.main()
