"""Helpers for driving the real Tarvex binary in an X server the way a person does.

Each case runs in its own virtual X server (Xvfb) with openbox as the window
manager, so windows get real frames, and in its own D-Bus session with the
accessibility bus, so the texts a person reads on the screen (edits, message boxes)
can be read back. Mouse and keyboard go through xdotool; window names and geometry
come from xdotool and xwininfo. Every wait has a deadline.
"""

import csv
import io
import os
import re
import select
import shutil
import signal
import subprocess
import sys
import tempfile
import time
import traceback

# No single wait of a case may take longer than this.
DEADLINE = 20.0
# A whole case, start to end; CTest's own limit is set above it, so that the X
# server is always ended here.
CASE_TIMEOUT = 180
# How long a case watches for something that must not happen.
QUIET_PERIOD = 1.5

MAIN_TITLE = "ToolFrm"
SETTINGS_TITLE = "基本设置"
CLEARING_TITLE = "数据库清空"
APP_TITLE = "Tarvex"
NOTICE_TITLE = "提示"
ERROR_TITLE = "Error"

SCREEN = "1024x768x24"


class CaseFailure(AssertionError):
    pass


def check(condition, message):
    if not condition:
        raise CaseFailure(message)


def check_equal(actual, expected, what):
    if actual != expected:
        raise CaseFailure(f"{what}: expected {expected!r}, got {actual!r}")


def run(args, timeout=15, **kwargs):
    """Runs a helper tool to its end and returns its standard output."""
    done = subprocess.run(args, capture_output=True, text=True, timeout=timeout, **kwargs)
    if done.returncode != 0:
        raise CaseFailure(f"{args[0]} failed ({done.returncode}): {done.stderr.strip()}")
    return done.stdout


def poll(probe, what, timeout=DEADLINE, interval=0.1):
    """Returns probe()'s first true value; fails when none comes before the deadline."""
    deadline = time.monotonic() + timeout
    while True:
        value = probe()
        if value:
            return value
        if time.monotonic() >= deadline:
            raise CaseFailure(f"timed out after {timeout:g} s waiting for {what}")
        time.sleep(interval)


def stays_false(probe, what, period=QUIET_PERIOD):
    """Fails if probe() turns true at any time during the period."""
    deadline = time.monotonic() + period
    while time.monotonic() < deadline:
        if probe():
            raise CaseFailure(f"unexpected: {what}")
        time.sleep(0.1)


# --- the accessibility bus -------------------------------------------------------

_TOKEN = re.compile(r"""\s*(?:(?P<str>'(?:[^'\\]|\\.)*'|"(?:[^"\\]|\\.)*")"""
                    r"""|(?P<num>-?\d+(?:\.\d+)?)|(?P<type>@\S+)|(?P<word>[A-Za-z_]\w*)"""
                    r"""|(?P<punct>[()\[\]<>,]))""")
_ESCAPES = {"n": "\n", "t": "\t", "r": "\r", "a": "\a", "b": "\b", "f": "\f", "v": "\v"}


def _unquote(body):
    out, i = [], 0
    while i < len(body):
        c = body[i]
        if c != "\\":
            out.append(c)
            i += 1
        elif body[i + 1] in "uU":
            width = 4 if body[i + 1] == "u" else 8
            out.append(chr(int(body[i + 2:i + 2 + width], 16)))
            i += 2 + width
        else:
            out.append(_ESCAPES.get(body[i + 1], body[i + 1]))
            i += 2
    return "".join(out)


def parse_gvariant(text):
    """Reads the text form gdbus prints: tuples, arrays, variants, strings, numbers."""
    tokens, pos, text = [], 0, text.strip()
    while pos < len(text):
        m = _TOKEN.match(text, pos)
        if not m:
            raise ValueError(f"unreadable reply near {text[pos:pos + 40]!r}")
        pos = m.end()
        if m.group("str") is not None:
            tokens.append(("value", _unquote(m.group("str")[1:-1])))
        elif m.group("num") is not None:
            n = m.group("num")
            tokens.append(("value", float(n) if "." in n else int(n)))
        elif m.group("word") in ("true", "false"):
            tokens.append(("value", m.group("word") == "true"))
        elif m.group("punct") is not None:
            tokens.append(("punct", m.group("punct")))
        # Type names (objectpath, uint32, @a(so)) say nothing a case needs.
    index = 0

    def value():
        nonlocal index
        kind, token = tokens[index]
        index += 1
        if kind == "value":
            return token
        closing = {"(": ")", "[": "]", "<": ">"}[token]
        items = []
        while tokens[index] != ("punct", closing):
            items.append(value())
            if tokens[index] == ("punct", ","):
                index += 1
        index += 1
        if token == "<":
            return items[0]
        return tuple(items) if token == "(" else items

    return value()


# Bits of the AT-SPI state set.
STATE_CHECKED = 4
STATE_FOCUSED = 12


class Accessible:
    """One object of the program's accessibility tree."""

    def __init__(self, bus, dest, path):
        self.bus, self.dest, self.path = bus, dest, path

    def _call(self, method, *args):
        return self.bus.call(self.dest, self.path, method, *args)

    @property
    def role(self):
        return self._call("org.a11y.atspi.Accessible.GetRoleName")[0]

    @property
    def name(self):
        return self._call("org.freedesktop.DBus.Properties.Get",
                          "org.a11y.atspi.Accessible", "Name")[0]

    def children(self):
        refs = self._call("org.a11y.atspi.Accessible.GetChildren")[0]
        return [Accessible(self.bus, dest, path) for dest, path in refs]

    def descendants(self):
        for child in self.children():
            yield child
            yield from child.descendants()

    def find(self, role, name=None):
        return [node for node in self.descendants()
                if node.role == role and (name is None or node.name == name)]

    def text(self):
        return self._call("org.a11y.atspi.Text.GetText", "0", "-1")[0]

    def extents(self):
        """Left, top, width, height on the screen."""
        return tuple(self._call("org.a11y.atspi.Component.GetExtents", "0")[0])

    def has_state(self, bit):
        words = self._call("org.a11y.atspi.Accessible.GetState")[0]
        return bool(words[bit // 32] >> (bit % 32) & 1)

    def centre(self):
        left, top, width, height = self.extents()
        return left + width // 2, top + height // 2


class AccessibilityBus:
    """The session's accessibility bus, where the program publishes its widgets."""

    REGISTRY = "org.a11y.atspi.Registry"
    ROOT = "/org/a11y/atspi/accessible/root"

    def __init__(self):
        # Asking for the address starts the bus (D-Bus activation) if it is not up.
        reply = poll(self._address, "the accessibility bus")
        self.address = reply

    @staticmethod
    def _address():
        done = subprocess.run(
            ["gdbus", "call", "--session", "--dest", "org.a11y.Bus", "--object-path",
             "/org/a11y/bus", "--method", "org.a11y.Bus.GetAddress"],
            capture_output=True, text=True, timeout=15)
        return parse_gvariant(done.stdout)[0] if done.returncode == 0 else None

    def call(self, dest, path, method, *args):
        out = run(["gdbus", "call", "--address", self.address, "--dest", dest,
                   "--object-path", path, "--method", method, "--", *args])
        return parse_gvariant(out)

    def applications(self):
        refs = self.call(self.REGISTRY, self.ROOT, "org.a11y.atspi.Accessible.GetChildren")[0]
        return [Accessible(self, dest, path) for dest, path in refs]

    def top_level(self, title):
        """The program's window with this title, once it is in the tree."""
        def probe():
            for app in self.applications():
                for window in app.children():
                    if window.name == title:
                        return window
            return None
        return poll(probe, f"window {title!r} in the accessibility tree")


# --- windows on the X server -----------------------------------------------------

def visible_windows(title):
    """Ids of the mapped windows named exactly title."""
    pattern = "^" + re.sub(r"([\\^$.|?*+()\[\]{}])", r"\\\1", title) + "$"
    done = subprocess.run(["xdotool", "search", "--onlyvisible", "--name", pattern],
                          capture_output=True, text=True, timeout=10)
    return [int(line) for line in done.stdout.split()]


class Window:
    """A top-level window of the program, seen both on the X server and in the tree."""

    def __init__(self, session, title, wid):
        self.session, self.title, self.wid = session, title, wid
        self._node = None

    @property
    def node(self):
        if self._node is None:
            self._node = self.session.bus.top_level(self.title)
        return self._node

    def is_open(self):
        return self.wid in visible_windows(self.title)

    def client(self):
        """Left, top, width, height of the client area on the screen."""
        info = run(["xwininfo", "-id", str(self.wid)])
        field = lambda label: int(re.search(label + r":\s+(-?\d+)", info).group(1))
        return (field("Absolute upper-left X"), field("Absolute upper-left Y"),
                field("Width"), field("Height"))

    def frame_extents(self):
        """Left, right, top, bottom: what the window manager's frame adds."""
        out = run(["xprop", "-id", str(self.wid), "_NET_FRAME_EXTENTS"])
        numbers = [int(n) for n in re.findall(r"\d+", out.split("=", 1)[-1])]
        check(len(numbers) == 4, f"{self.title} has no window frame: {out.strip()}")
        return tuple(numbers)

    def outer(self):
        """Left, top, width, height of the whole window, frame included."""
        x, y, w, h = self.client()
        left, right, top, bottom = self.frame_extents()
        return x - left, y - top, w + left + right, h + top + bottom

    def settle(self):
        """Waits until the window stops moving: it is placed a moment after it shows."""
        last = [None, 0]

        def steady():
            now = (self.client(), self.frame_extents())
            last[1] = last[1] + 1 if now == last[0] else 0
            last[0] = now
            return last[1] >= 3
        poll(steady, f"window {self.title!r} to settle", interval=0.15)
        return self

    def click_at(self, x, y):
        """Clicks at a point given relative to the client area's top-left corner."""
        left, top, _, _ = self.client()
        click(left + x, top + y)

    def click(self, node):
        click(*node.centre())

    def close_by_frame(self):
        """Clicks the close button at the right end of the frame's title bar."""
        x, y, w, _ = self.outer()
        _, _, top, _ = self.frame_extents()
        click(x + w - 12, y + top // 2)

    def move_to(self, x, y):
        run(["xdotool", "windowmove", str(self.wid), str(x), str(y)])

    def screenshot(self, name):
        self.session.screenshot(self, name)

    def texts(self):
        """What the window says: the names of its labels, in order."""
        return [node.name for node in self.node.find("label") if node.name]

    def edits(self):
        """The window's edits, top to bottom and left to right, as on the screen."""
        edits = self.node.find("text")
        return sorted(edits, key=lambda node: node.extents()[1::-1])

    def edit_texts(self):
        return [node.text() for node in self.edits()]

    def button(self, caption):
        found = self.node.find("push button", caption)
        check(len(found) == 1, f"{self.title}: {len(found)} buttons named {caption!r}")
        return found[0]

    def check_box(self, caption):
        found = self.node.find("check box", caption)
        check(len(found) == 1, f"{self.title}: {len(found)} check boxes named {caption!r}")
        return found[0]

    def menu_item(self, caption):
        found = self.node.find("menu item", caption)
        check(len(found) == 1, f"{self.title}: {len(found)} menu items named {caption!r}")
        return found[0]


def click(x, y):
    # No --sync: it waits for ever when the pointer is already there.
    run(["xdotool", "mousemove", str(x), str(y), "sleep", "0.05", "click", "1"])


def keys(*names):
    """Presses keys on the focused window, e.g. keys("Tab", "ctrl+a", "Return")."""
    run(["xdotool", "key", "--delay", "60", *names])


def type_text(text):
    run(["xdotool", "type", "--delay", "40", text])


# --- the program and its folder ---------------------------------------------------

class Program:
    """One run of a fresh copy of Tarvex, in a folder of its own beside its files."""

    def __init__(self, session, folder):
        self.session, self.folder = session, folder
        self.process = None

    def path(self, name):
        return os.path.join(self.folder, name)

    def read(self, name):
        """The file's bytes, or None where it does not exist."""
        try:
            with open(self.path(name), "rb") as f:
                return f.read()
        except FileNotFoundError:
            return None

    def write(self, name, data):
        with open(self.path(name), "wb") as f:
            f.write(data)

    def files(self):
        return sorted(os.listdir(self.folder))

    def start(self):
        env = dict(os.environ, QT_QPA_PLATFORM="xcb", QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1")
        log = open(os.path.join(self.session.scratch, "tarvex-output.txt"), "ab")
        # Started from another folder: the program must find its files by its own path.
        self.process = subprocess.Popen([self.path("Tarvex")], cwd=self.session.scratch,
                                        env=env, stdout=log, stderr=log,
                                        stdin=subprocess.DEVNULL, start_new_session=True)
        log.close()
        self.session.started.append(self.process)
        return self

    def running(self):
        return self.process.poll() is None

    def exit_code(self, timeout=DEADLINE):
        try:
            return self.process.wait(timeout=timeout)
        except subprocess.TimeoutExpired:
            raise CaseFailure(f"Tarvex still running {timeout:g} s after it should have ended")

    # Row counts as two readers see them: our own tool, and mdbtools, which is not ours.
    def room_count_by_tarvex_jet(self):
        out = run([self.session.jet_tool, "info", self.path("Client.mdb")])
        found = re.search(r"^\s*T_Room\t(\d+)", out, re.M)
        check(found, f"tarvex-jet info lists no T_Room:\n{out}")
        return int(found.group(1))

    def row_count_by_mdbtools(self, table):
        out = run(["mdb-export", self.path("Client.mdb"), table])
        return len(list(csv.reader(io.StringIO(out)))) - 1


# --- one case's session -----------------------------------------------------------

class Session:
    """What one case works with: the desktop, the program's folder, the tools."""

    def __init__(self, bin_dir, screenshot_dir, scratch):
        self.bin_dir, self.screenshot_dir, self.scratch = bin_dir, screenshot_dir, scratch
        self.jet_tool = os.path.join(bin_dir, "tarvex-jet")
        self.started = []
        self.bus = None

    def start_desktop(self):
        log = open(os.path.join(self.scratch, "openbox-output.txt"), "ab")
        wm = subprocess.Popen(["openbox"], stdout=log, stderr=log, start_new_session=True)
        log.close()
        self.started.append(wm)

        def ready():
            if wm.poll() is not None:
                raise CaseFailure(f"openbox ended with exit code {wm.returncode}")
            return "window id" in run(["xprop", "-root", "_NET_SUPPORTING_WM_CHECK"])
        poll(ready, "the window manager")
        self.bus = AccessibilityBus()

    def stop_everything(self):
        """Ends what this session started, each by its own process group."""
        for process in reversed(self.started):
            if process.poll() is None:
                try:
                    os.killpg(process.pid, signal.SIGKILL)
                except ProcessLookupError:
                    pass
                process.wait(timeout=10)

    def program(self, database=True, rooms=None, option_ini=None):
        """A fresh folder with Tarvex, a sample Client.mdb and, if given, Option.ini."""
        folder = tempfile.mkdtemp(prefix="client-", dir=self.scratch)
        shutil.copy2(os.path.join(self.bin_dir, "Tarvex"), folder)
        program = Program(self, folder)
        if database:
            args = [self.jet_tool, "create-sample", program.path("Client.mdb")]
            run(args + (["--rooms", str(rooms)] if rooms is not None else []))
        if option_ini is not None:
            program.write("Option.ini", option_ini)
        return program

    def wait_window(self, title, program=None, timeout=DEADLINE):
        """The one window named title, once it is mapped."""
        def probe():
            if program is not None and not program.running():
                raise CaseFailure(f"Tarvex ended (exit code {program.process.returncode}) "
                                  f"before showing {title!r}")
            return visible_windows(title)
        ids = poll(probe, f"window {title!r}", timeout)
        check(len(ids) == 1, f"{len(ids)} windows named {title!r}")
        return Window(self, title, ids[0]).settle()

    def wait_closed(self, window):
        poll(lambda: not window.is_open(), f"window {window.title!r} to close")

    def choose(self, main, caption, dialog_title):
        """Clicks a command of the main window's menu bar and waits for its dialog."""
        main.click(main.menu_item(caption))
        return self.wait_window(dialog_title)

    def screenshot(self, window, name):
        """Saves what the screen shows of the window, frame included, once it is drawn."""
        x, y, w, h = window.outer()
        args = ["import", "-window", "root", "-crop", f"{w}x{h}+{x}+{y}", "+repage"]
        previous = [None]

        def steady():
            image = subprocess.run(args + ["png:-"], capture_output=True, timeout=15).stdout
            same = image == previous[0]
            previous[0] = image
            return same and image
        image = poll(steady, f"a steady picture of {window.title!r}", interval=0.2)
        os.makedirs(self.screenshot_dir, exist_ok=True)
        with open(os.path.join(self.screenshot_dir, name + ".png"), "wb") as f:
            f.write(image)


def message_box(session, title, program=None):
    """Waits for a message box and returns it with the text it shows."""
    box = session.wait_window(title, program)
    texts = poll(box.texts, f"the text of {title!r}")
    return box, "\n".join(texts)


# --- running the cases ------------------------------------------------------------

def _print_outputs(scratch):
    for program in ("Tarvex", "openbox"):
        output = os.path.join(scratch, f"{program.lower()}-output.txt")
        if os.path.exists(output):
            with open(output, errors="replace") as f:
                print(f"{program} printed:\n" + f.read())


def _inside(cases, name, bin_dir, screenshot_dir):
    scratch = tempfile.mkdtemp(prefix=f"tarvex-e2e-{name}-")
    os.environ["XDG_RUNTIME_DIR"] = scratch
    session = Session(bin_dir, screenshot_dir, scratch)
    started = time.monotonic()
    try:
        session.start_desktop()
    except Exception:  # noqa: BLE001 - reported, then the whole run is tried again
        traceback.print_exc()
        session.stop_everything()
        _print_outputs(scratch)
        shutil.rmtree(scratch, ignore_errors=True)
        return _NO_DESKTOP
    try:
        cases[name](session)
    except Exception:  # noqa: BLE001 - every failure is reported the same way
        traceback.print_exc()
        _print_outputs(scratch)
        shot = os.path.join(screenshot_dir, f"failed-{name}.png")
        os.makedirs(screenshot_dir, exist_ok=True)
        subprocess.run(["import", "-window", "root", shot], timeout=15, check=False)
        print(f"FAILED {name} after {time.monotonic() - started:.1f} s; "
              f"screen at failure: {shot}; files kept in {scratch}")
        return 1
    finally:
        session.stop_everything()
    shutil.rmtree(scratch, ignore_errors=True)
    print(f"passed {name} in {time.monotonic() - started:.1f} s")
    return 0


# What the session's D-Bus daemons say about starting the accessibility services,
# and what those say when the X server goes away at the end.
_NOISE = re.compile(r"dbus-daemon\[\d+\]:|SpiRegistry daemon is running|X connection to \S+ broken")
# _inside's exit code when the desktop itself did not come up: worth a second try.
_NO_DESKTOP = 3


class XServer:
    """A virtual X server that picks a free display itself (no race with other servers)."""

    def __init__(self, log_path):
        read_end, write_end = os.pipe()
        with open(log_path, "ab") as log:
            self.process = subprocess.Popen(
                ["Xvfb", "-displayfd", str(write_end), "-screen", "0", SCREEN,
                 "-nolisten", "tcp"],
                pass_fds=(write_end,), stdout=log, stderr=log, stdin=subprocess.DEVNULL,
                start_new_session=True)
        os.close(write_end)
        try:
            with os.fdopen(read_end) as numbers:
                ready = select.select([numbers], [], [], DEADLINE)[0]
                self.display = ":" + numbers.readline().strip() if ready else ":"
        except OSError:
            self.display = ":"
        if self.display == ":":
            self.stop()
            raise RuntimeError(f"Xvfb did not start; see {log_path}")

    def stop(self):
        if self.process.poll() is None:
            os.killpg(self.process.pid, signal.SIGTERM)
            try:
                self.process.wait(timeout=10)
            except subprocess.TimeoutExpired:
                os.killpg(self.process.pid, signal.SIGKILL)
                self.process.wait(timeout=10)


def _outside(script, name, bin_dir, screenshot_dir):
    """Gives the case a fresh X server and D-Bus session of its own."""
    command = ["dbus-run-session", "--", sys.executable, script, "--inside",
               "--bin-dir", bin_dir, "--screenshots", screenshot_dir, name]
    log = tempfile.NamedTemporaryFile(prefix="tarvex-e2e-xvfb-", suffix=".txt", delete=False)
    log.close()
    for attempt in range(3):
        server = XServer(log.name)
        try:
            done = subprocess.run(command, env=dict(os.environ, DISPLAY=server.display),
                                  stdout=subprocess.PIPE, stderr=subprocess.STDOUT,
                                  stdin=subprocess.DEVNULL, text=True, timeout=CASE_TIMEOUT)
        finally:
            server.stop()
        print("".join(line for line in done.stdout.splitlines(keepends=True)
                      if not _NOISE.match(line)), end="")
        if done.returncode != _NO_DESKTOP or attempt == 2:
            break
        print("the desktop did not come up; trying once more")
    os.unlink(log.name)
    return done.returncode


def run_cases(cases):
    """Command line: [--list] | --bin-dir DIR --screenshots DIR CASE."""
    args = sys.argv[1:]
    if args == ["--list"]:
        print(";".join(cases))
        return 0
    inside = "--inside" in args
    if inside:
        args.remove("--inside")
    options = dict(zip(args[0:-1:2], args[1:-1:2]))
    name = args[-1]
    if name not in cases or set(options) != {"--bin-dir", "--screenshots"}:
        print(f"usage: {sys.argv[0]} --bin-dir DIR --screenshots DIR CASE\ncases: "
              + ", ".join(cases), file=sys.stderr)
        return 2
    bin_dir = os.path.abspath(options["--bin-dir"])
    screenshot_dir = os.path.abspath(options["--screenshots"])
    if inside:
        return _inside(cases, name, bin_dir, screenshot_dir)
    return _outside(os.path.abspath(sys.argv[0]), name, bin_dir, screenshot_dir)
