#!/usr/bin/python3
"""The wizard as a user meets it: build/bin/fontupdater in a real X session (Xvfb and the openbox
window manager), driven with real key presses through xdotool, judged by what the X server and
the files say: window titles, frames, window types and sizes, progress-bar pixels, the process's
exit, the fonts in the sandbox's folders. Screenshots of the real windows go to
build/screenshots/desktop/.

Needs FU_BIN_DIR (the built programs) and FU_DEMO_DIR (the demo's fonts and suitcases)."""

import os
import shutil
import signal
import subprocess
import sys
import tempfile
import time
import traceback

BIN = os.environ["FU_BIN_DIR"]
DEMO = os.environ["FU_DEMO_DIR"]
SOURCE = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
SHOTS = os.path.join(os.path.dirname(BIN), "screenshots", "desktop")
SCREEN_W, SCREEN_H = 1280, 900

TITLES = {
    1: "お読みください",
    2: "アップデート対象フォントの検索",
    3: "対象フォントの検索",
    4: "アップデート対象フォント一覧",
    5: "フォントのアップデート中",
    6: "アップデート完了",
}

failures = []


def check(condition, what):
    if not condition:
        failures.append(what)
        print("FAIL:", what, flush=True)
    return condition


def run(*argv, env=None, timeout=10):
    return subprocess.run(argv, env=env, capture_output=True, text=True, timeout=timeout)


class Display:
    """An X server of our own with a window manager on it."""

    def __init__(self):
        read, write = os.pipe()
        self.xvfb = subprocess.Popen(
            ["Xvfb", "-displayfd", str(write), "-screen", "0", f"{SCREEN_W}x{SCREEN_H}x24",
             "-nolisten", "tcp", "-noreset"], pass_fds=[write], stderr=subprocess.DEVNULL)
        os.close(write)
        number = b""
        while not number.endswith(b"\n"):
            chunk = os.read(read, 16)
            if not chunk:
                raise RuntimeError("Xvfb did not start")
            number += chunk
        os.close(read)
        self.name = ":" + number.decode().strip()
        self.env = dict(os.environ, DISPLAY=self.name)
        self.env.pop("QT_QPA_PLATFORM", None)
        self.wm = subprocess.Popen(["openbox", "--sm-disable"], env=self.env,
                                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        # The window manager owns the screen once it has put up its check window.
        wait_for(lambda: "_NET_SUPPORTING_WM_CHECK(WINDOW)" in self.x("xprop", "-root"), 10,
                 "openbox to start")

    def x(self, *argv):
        return run(*argv, env=self.env).stdout

    def close(self):
        for process in (self.wm, self.xvfb):
            process.terminate()
            try:
                process.wait(5)
            except subprocess.TimeoutExpired:
                process.kill()


def wait_for(predicate, seconds, what):
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        value = predicate()
        if value:
            return value
        time.sleep(0.05)
    raise TimeoutError("timed out waiting for " + what)


class Window:
    def __init__(self, display, wid):
        self.display = display
        self.id = wid

    def prop(self, name):
        out = self.display.x("xprop", "-id", self.id, name).strip()
        # "NAME(TYPE) = value", or "NAME(TYPE): window id # 0x…" for window properties
        head, _, rest = out.partition(")")
        if not head.startswith(name) or not rest:
            return ""
        return rest.lstrip(" =:").strip()

    @property
    def title(self):
        value = self.prop("_NET_WM_NAME")
        return value.strip('"') if value else ""

    def kind(self):
        return self.prop("_NET_WM_WINDOW_TYPE")

    def viewable(self):
        return "IsViewable" in self.display.x("xwininfo", "-id", self.id)

    def client(self):
        """x, y, width, height of the client area on the screen."""
        info = self.display.x("xwininfo", "-id", self.id)
        fields = {}
        for line in info.splitlines():
            key, _, value = line.strip().partition(":")
            fields[key] = value.strip()
        return (int(fields["Absolute upper-left X"]), int(fields["Absolute upper-left Y"]),
                int(fields["Width"]), int(fields["Height"]))

    def frame(self):
        """x, y, width, height of the window with its decoration."""
        extents = self.prop("_NET_FRAME_EXTENTS")
        left, right, top, bottom = (int(v) for v in extents.split(",")) if extents else (0, 0, 0, 0)
        x, y, w, h = self.client()
        return x - left, y - top, w + left + right, h + top + bottom

    def size_hints(self):
        return self.display.x("xprop", "-id", self.id, "WM_NORMAL_HINTS")

    def transient_for(self):
        value = self.prop("WM_TRANSIENT_FOR")
        return int(value.split("#")[-1].strip(), 16) if "#" in value else None

    def screenshot(self, name):
        os.makedirs(SHOTS, exist_ok=True)
        path = os.path.join(SHOTS, name + ".png")
        # The frame too: what the user sees, title bar included.
        frame_id = self.frame_window()
        run("import", "-window", frame_id or self.id, path, env=self.display.env, timeout=20)
        return path

    def frame_window(self):
        tree = self.display.x("xwininfo", "-children", "-id", self.id)
        for line in tree.splitlines():
            if line.strip().startswith("Parent window id:"):
                parent = line.split(":", 1)[1].split()[0]
                # The parent is openbox's frame unless it is the root.
                if "(the root window)" not in line:
                    return parent
        return None

    def highlighted_pixels(self):
        """How many pixels of the client area are in the palette's highlight blue, the colour
        of a progress bar's filled part."""
        data = subprocess.run(["import", "-window", self.id, "-depth", "8", "ppm:-"], env=self.display.env,
                              capture_output=True, timeout=20).stdout
        # P6 header: magic, width, height, maxval, each followed by one white space.
        fields, position = [], 0
        while len(fields) < 4:
            while data[position:position + 1].isspace():
                position += 1
            start = position
            while not data[position:position + 1].isspace():
                position += 1
            fields.append(data[start:position])
        body = memoryview(data)[position + 1:]
        return sum(1 for r, g, b in zip(body[0::3], body[1::3], body[2::3])
                   if b > 150 and r < 110 and 100 < g < 190)


class Wizard:
    """One run of the program in a sandbox of its own."""

    def __init__(self, display, label, definition=None, user_fonts=("DemoGothic",),
                 computer_fonts=("DemoMincho",)):
        self.display = display
        self.label = label
        self.root = tempfile.mkdtemp(prefix=f"fu-desktop-{label}-")
        home = os.path.join(self.root, "home")
        self.data = os.path.join(home, ".local", "share")
        self.user_fonts = os.path.join(self.data, "fonts")
        self.computer_fonts = os.path.join(self.root, "system-fonts")
        config = os.path.join(home, ".config")
        for folder in (self.user_fonts, self.computer_fonts, config):
            os.makedirs(folder)
        for name in user_fonts:
            self.install(name, self.user_fonts)
        for name in computer_fonts:
            self.install(name, self.computer_fonts)
        runtime = os.path.join(self.root, "runtime")
        os.makedirs(runtime, mode=0o700)
        self.env = dict(display.env, HOME=home, XDG_DATA_HOME=self.data, XDG_CONFIG_HOME=config,
                        XDG_CACHE_HOME=os.path.join(home, ".cache"), XDG_RUNTIME_DIR=runtime,
                        FONTUPDATER_SYSTEM_FONTS=self.computer_fonts, FONTUPDATER_ELEVATE="env",
                        DBUS_SESSION_BUS_ADDRESS="unix:path=" + os.path.join(runtime, "no-bus"),
                        LANG="ja_JP.UTF-8", QT_QPA_PLATFORM="xcb")
        argv = [os.path.join(BIN, "fontupdater")] + ([definition] if definition else [])
        self.process = subprocess.Popen(argv, env=self.env, stdout=subprocess.PIPE,
                                        stderr=subprocess.STDOUT)
        # A hang guard: a sanitizer build on a busy machine can take many seconds to show it.
        self.main = Window(display, wait_for(self.find_main, 60, label + ": the main window"))

    @staticmethod
    def install(name, folder):
        os.makedirs(folder, exist_ok=True)
        for file in (name, "._" + name):
            shutil.copy2(os.path.join(DEMO, "installed", file), folder)

    def windows(self):
        out = self.display.x("xdotool", "search", "--pid", str(self.process.pid))
        return [Window(self.display, w) for w in out.split()]

    def find_main(self):
        for window in self.windows():
            if window.viewable() and "NORMAL" in window.kind() and window.transient_for() is None:
                return window.id
        return None

    def sheet(self):
        for window in self.windows():
            if window.id != self.main.id and window.viewable() and window.transient_for():
                return window
        return None

    def wait_for_sheet(self, seconds=10):
        return wait_for(self.sheet, seconds, self.label + ": a sheet")

    def wait_for_no_sheet(self):
        wait_for(lambda: self.sheet() is None, 10, self.label + ": the sheet to go")

    def wait_for_title(self, view, seconds=20):
        wanted = TITLES[view] if isinstance(view, int) else view
        return wait_for(lambda: self.main.title.startswith(wanted), seconds,
                        f"{self.label}: the title {wanted} (now {self.main.title})")

    def key(self, keys, target=None):
        window = target or self.sheet() or self.main
        self.display.x("xdotool", "windowactivate", "--sync", window.id)
        wait_for(lambda: self.display.x("xdotool", "getactivewindow").strip() == str(int(window.id, 0)),
                 5, f"{self.label}: focus on {window.id}")
        self.display.x("xdotool", "key", "--clearmodifiers", keys)

    def exited_within(self, seconds):
        try:
            self.process.wait(seconds)
            return True
        except subprocess.TimeoutExpired:
            return False

    def close(self):
        if self.process.poll() is None:
            self.process.kill()
            self.process.wait()
        shutil.rmtree(self.root, ignore_errors=True)

    def log(self):
        return self.process.stdout.read().decode(errors="replace") if self.process.stdout else ""


def frame_on_screen(window, what):
    x, y, w, h = window.frame()
    check(y >= 0 and x >= 0 and x + w <= SCREEN_W and y + h <= SCREEN_H,
          f"{what}: the frame {x},{y} {w}x{h} lies within the screen")


def centred(window, what):
    x, y, w, h = window.frame()
    # The title bar is not known before the first show: allow for it.
    check(abs(x + w / 2 - SCREEN_W / 2) <= 2 and abs(y + h / 2 - SCREEN_H / 2) <= 30,
          f"{what}: the frame {x},{y} {w}x{h} is centred on the screen")


def check_sheet(wizard, sheet, what):
    """A sheet is a fixed-size dialog of the main window, over it, that cannot be maximised."""
    check("_NET_WM_WINDOW_TYPE_DIALOG" in sheet.kind(), f"{what}: a dialog ({sheet.kind()})")
    check(sheet.transient_for() == int(wizard.main.id, 0), f"{what}: transient for the window")
    hints = sheet.size_hints()
    minimum = maximum = None
    for line in hints.splitlines():
        if "minimum size" in line:
            minimum = line.split(":", 1)[1].strip()
        if "maximum size" in line:
            maximum = line.split(":", 1)[1].strip()
    check(minimum is not None and minimum == maximum, f"{what}: fixed size ({minimum} / {maximum})")
    check(sheet.title in ("", wizard.main.title) and "fontupdater" not in sheet.title,
          f"{what}: titled like the window ({sheet.title!r})")
    allowed = sheet.prop("_NET_WM_ALLOWED_ACTIONS")
    check("MAXIMIZE" not in allowed and "RESIZE" not in allowed,
          f"{what}: the window manager offers neither maximise nor resize ({allowed})")
    before = sheet.client()[2:]
    wizard.display.x("wmctrl", "-i", "-r", sheet.id, "-b", "add,maximized_vert,maximized_horz")
    time.sleep(0.3)
    check(sheet.client()[2:] == before, f"{what}: a maximise request leaves it at {before}")
    sx, sy, sw, _ = sheet.frame()
    mx, my, mw, mh = wizard.main.frame()
    check(mx <= sx and sx + sw <= mx + mw and my <= sy <= my + mh,
          f"{what}: over the window ({sx},{sy} in {mx},{my} {mw}x{mh})")
    frame_on_screen(sheet, what)


def course_on_the_demo(display):
    """Read-me, folders, search, list, confirmation, update, success, restart notice, end."""
    wizard = Wizard(display, "course")
    try:
        wizard.wait_for_title(1)
        centred(wizard.main, "first show")
        frame_on_screen(wizard.main, "read-me")
        alert = wizard.wait_for_sheet()
        check_sheet(wizard, alert, "the quit-other-applications alert")
        alert.screenshot("01-readme-alert")
        wizard.key("Return", alert)
        wizard.wait_for_no_sheet()
        wizard.main.screenshot("01-readme")

        x, y, w, h = wizard.main.frame()
        first_centre = (x + w / 2, y + h / 2)
        readme_size = wizard.main.client()[2:]
        wizard.key("alt+n")
        wizard.wait_for_title(2)
        frame_on_screen(wizard.main, "folders")
        # The next screen, of another size, keeps the window where the user saw it.
        wait_for(lambda: wizard.main.client()[2:] != readme_size, 5, "the folder screen's size")
        x, y, w, h = wizard.main.frame()
        check(abs(x + w / 2 - first_centre[0]) <= 1 and abs(y + h / 2 - first_centre[1]) <= 1,
              f"the folder screen is centred where the read-me was ({x},{y} {w}x{h} vs {first_centre})")
        wizard.main.screenshot("02-folders")
        wizard.key("alt+s")
        wizard.wait_for_title(3)
        wizard.main.screenshot("03-search")
        wizard.wait_for_title(4)
        frame_on_screen(wizard.main, "list")
        wizard.main.screenshot("04-list")

        wizard.key("alt+u")
        confirm = wizard.wait_for_sheet()
        check_sheet(wizard, confirm, "the confirmation")
        confirm.screenshot("04-confirm")
        wizard.key("Return", confirm)
        # The update starts a second after its screen is up.
        wizard.wait_for_title(5)
        wizard.main.screenshot("05-update")
        wizard.wait_for_title(6, 30)
        frame_on_screen(wizard.main, "success")
        wizard.main.screenshot("06-success")

        trash = os.path.join(wizard.data, "Trash", "files")
        backups = [name for name in os.listdir(trash)] if os.path.isdir(trash) else []
        check(any(name.startswith("古いフォント項目") for name in backups), "the old fonts are in the Trash")
        for folder, name in ((wizard.user_fonts, "DemoGothic"), (wizard.computer_fonts, "DemoMincho")):
            check(os.path.getsize(os.path.join(folder, "._" + name)) !=
                  os.path.getsize(os.path.join(DEMO, "installed", "._" + name)),
                  f"{name} was replaced in its folder")

        wizard.key("alt+r")
        notice = wizard.wait_for_sheet()
        notice.screenshot("06-restart-notice")
        check(wizard.process.poll() is None, "the restart's message waits for the user")
        wizard.key("Return", notice)
        check(wizard.exited_within(3), "the wizard ends after the restart's message")
    finally:
        wizard.close()


def progress_during_a_large_search(display):
    """A few thousand files: the bar passes through many values on its way, not 0 then 50 %."""
    wizard = Wizard(display, "progress", user_fonts=("DemoGothic",), computer_fonts=())
    try:
        # Plain font files, and copies of an old suitcase that are read to the end, in
        # sub-folders: a walk slow enough to watch. The suitcases are what take the time (plain
        # files are known from the listing), so there are enough of them for a second or more.
        for shelf in range(100):
            folder = os.path.join(wizard.user_fonts, f"shelf{shelf:02d}")
            os.makedirs(folder)
            for n in range(100):
                with open(os.path.join(folder, f"font{n:03d}.ttf"), "wb") as out:
                    out.write(b"\0\1\0\0" + bytes(60))
            for n in range(60):
                wizard.install("DemoMincho", os.path.join(folder, f"sub{n:02d}"))
        wizard.wait_for_title(1)
        wizard.key("Return", wizard.wait_for_sheet())
        wizard.wait_for_no_sheet()
        wizard.key("alt+n")
        wizard.wait_for_title(2)
        wizard.key("alt+s")
        wizard.wait_for_title(3)
        fills = []
        shot = 0
        while wizard.main.title.startswith(TITLES[3]):
            blue = wizard.main.highlighted_pixels()
            if not wizard.main.title.startswith(TITLES[3]):
                break  # the picture may already be of the list
            fills.append(blue)
            if os.environ.get("FU_DESKTOP_ALL_SHOTS") or (shot < 3 and (blue > 0 or not fills[:-1])):
                wizard.main.screenshot(f"03-search-progress-{shot}")
                shot += 1
        wizard.wait_for_title(4)
        full = max(fills) if fills else 0
        between = sorted({f for f in fills if 0 < f < full})
        print("progress fills seen:", fills, flush=True)
        check(len(between) >= 3, f"the bar passes through at least 3 values on its way ({between})")
        check(fills == sorted(fills), "the bar never goes back")
    finally:
        wizard.close()


def quitting(display):
    """終了, Ctrl+Q, and a damaged definition: each ends the process within 3 s."""
    for label, keys in (("end-button", "alt+q"), ("ctrl-q", "ctrl+q")):
        wizard = Wizard(display, label)
        try:
            through_the_read_me(wizard)
            wizard.key(keys)
            check(wizard.exited_within(3), f"{label} ends the wizard")
        finally:
            wizard.close()

    broken_dir = tempfile.mkdtemp(prefix="fu-desktop-broken-")
    broken = os.path.join(broken_dir, "Broken.fupdef")
    with open(broken, "wb") as out:
        out.write(os.urandom(3000))
    wizard = Wizard(display, "damaged", definition=broken)
    try:
        wizard.wait_for_title(1)
        alert = wizard.wait_for_sheet()
        alert.screenshot("01-damaged-alert")
        wizard.key("Return", alert)
        wizard.wait_for_no_sheet()
        wizard.main.screenshot("01-damaged")
        # The close button never closes the window: Quit is the way out.
        wizard.display.x("wmctrl", "-i", "-c", wizard.main.id)
        check(not wizard.exited_within(1), "the close button leaves the wizard open")
        wizard.key("alt+q")
        check(wizard.exited_within(3), "a damaged definition can be quit")
    finally:
        wizard.close()
        shutil.rmtree(broken_dir, ignore_errors=True)


def through_the_read_me(wizard):
    wizard.wait_for_title(1)
    wizard.key("Return", wizard.wait_for_sheet())
    wizard.wait_for_no_sheet()


def outcomes_end_the_wizard(display):
    """Nothing found, a failed search, an update that failed for every font: each outcome has
    its screen, and its 終了 ends the process."""
    def search(wizard):
        through_the_read_me(wizard)
        wizard.key("alt+n")
        wizard.wait_for_title(2)
        wizard.key("alt+s")

    def nothing(wizard):
        search(wizard)

    def unlistable(wizard):
        # Something that is not a folder where the user's fonts should be.
        shutil.rmtree(wizard.user_fonts)
        with open(wizard.user_fonts, "w") as out:
            out.write("not a folder")
        search(wizard)

    def no_trash(wizard):
        with open(os.path.join(wizard.data, "Trash"), "w") as out:
            out.write("not a folder")
        search(wizard)
        wizard.wait_for_title(4)
        wizard.key("alt+u")
        wizard.key("Return", wizard.wait_for_sheet())

    cases = (("94-not-found", "検索結果", nothing, (), ()),
             ("98-error", "エラー", unlistable, ("DemoGothic",), ()),
             ("97-all-error", "アップデート結果", no_trash, ("DemoGothic",), ()))
    for label, title, steps, user, computer in cases:
        wizard = Wizard(display, label, user_fonts=user, computer_fonts=computer)
        try:
            steps(wizard)
            wizard.wait_for_title(title, 30)
            frame_on_screen(wizard.main, label)
            wizard.main.screenshot(label)
            if label == "97-all-error":
                check(os.path.getsize(os.path.join(wizard.user_fonts, "._DemoGothic")) ==
                      os.path.getsize(os.path.join(DEMO, "installed", "._DemoGothic")),
                      "a failed update leaves the old font in place")
            wizard.key("alt+q")
            check(wizard.exited_within(3), f"終了 on {label} ends the wizard")
        finally:
            wizard.close()


def restart_runs_its_script_once(display):
    """再起動 pressed twice: the script runs exactly once and the wizard ends."""
    work = tempfile.mkdtemp(prefix="fu-desktop-restart-")
    runs = os.path.join(work, "runs")
    scripts = os.path.join(work, "scripts.txt")
    with open(scripts, "w") as out:
        # A cache rebuild that fails: the update ends on the success screen that says so.
        out.write("UserChacheRemove\t/bin/false\n")
        out.write("OSAATSChacheRemoveAuth\ttrue\n")
        out.write(f"ASRestartComputer\techo run >> '{runs}'\n")
    definition = os.path.join(work, "Restart.fupdef")
    fonts = os.path.join(DEMO, "fonts")
    packed = run(os.path.join(BIN, "fupdef"), "pack", "-o", definition,
                 "--readme", os.path.join(SOURCE, "data", "demo", "readme.rtf"),
                 "--targets", os.path.join(SOURCE, "data", "demo", "targets.txt"),
                 "--scripts", scripts,
                 "--set", "DemoGothic", os.path.join(fonts, "DemoGothic-old.ttf"),
                 os.path.join(fonts, "DemoGothic-new.ttf"), timeout=60)
    check(packed.returncode == 0, "fupdef pack: " + packed.stdout + packed.stderr)
    wizard = Wizard(display, "restart", definition=definition, computer_fonts=())
    try:
        wizard.wait_for_title(1)
        wizard.key("Return", wizard.wait_for_sheet())
        wizard.wait_for_no_sheet()
        for view, keys in ((2, "alt+n"), (4, "alt+s")):
            wizard.key(keys)
            wizard.wait_for_title(view)
        wizard.key("alt+u")
        wizard.key("Return", wizard.wait_for_sheet())
        wizard.wait_for_title(6, 30)
        wizard.main.screenshot("93-success-plus")
        wizard.key("alt+r")
        wizard.display.x("xdotool", "key", "--clearmodifiers", "alt+r")
        check(wizard.exited_within(3), "再起動 ends the wizard")
        with open(runs) if os.path.exists(runs) else open(os.devnull) as ran:
            check(ran.read() == "run\n", "the restart script ran exactly once")
    finally:
        wizard.close()
        shutil.rmtree(work, ignore_errors=True)


def main():
    shutil.rmtree(SHOTS, ignore_errors=True)
    display = Display()
    try:
        scenarios = (course_on_the_demo, quitting, outcomes_end_the_wizard,
                     restart_runs_its_script_once, progress_during_a_large_search)
        only = sys.argv[1:]  # names of scenarios to run, all when none
        for scenario in (s for s in scenarios if not only or s.__name__ in only):
            started = time.monotonic()
            try:
                scenario(display)
            except Exception:  # a scenario that cannot go on fails, the others still run
                failures.append(scenario.__name__ + ": " + traceback.format_exc())
                print(failures[-1], flush=True)
            print(f"{scenario.__name__}: {time.monotonic() - started:.1f} s", flush=True)
    finally:
        display.close()
    if failures:
        print(f"{len(failures)} failure(s)")
        return 1
    print("all desktop checks passed; screenshots in", SHOTS)
    return 0


if __name__ == "__main__":
    signal.signal(signal.SIGTERM, lambda *_: sys.exit(1))
    sys.exit(main())
