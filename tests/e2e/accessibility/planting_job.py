#!/usr/bin/python3
"""The whole planting job, driven only through the accessibility bus, as a screen reader drives it.

Starts a private X server, session bus and accessibility bus, the stand-in simulator and Grovewright
in a temporary working folder holding the stand-in compiler, then plants three trees, deletes one in
the Edit dialog, saves, checks the files and opens the file again. Every wait has a time-out; any
failure ends the run with a message naming the step and a non-zero exit code. Every process started
here is stopped at the end.
"""
import argparse
import os
import queue
import re
import shutil
import signal
import subprocess
import sys
import tempfile
import threading
import time
import warnings
from pathlib import Path

# How long one step may take; a check that slows the program down (under strace) may raise it.
STEP_TIMEOUT = 15.0


class Failure(Exception):
    pass


def wait_until(what, probe, timeout=None):
    """Polls probe until it gives a true value and returns that; fails naming `what` after the time-out."""
    timeout = STEP_TIMEOUT if timeout is None else timeout
    deadline = time.monotonic() + timeout
    last_error = None
    while time.monotonic() < deadline:
        try:
            value = probe()
            if value:
                return value
        except Failure:
            raise
        except Exception as error:  # the bus may answer with an error while a window is being built
            last_error = error
        time.sleep(0.1)
    detail = f" (last error: {last_error})" if last_error else ""
    raise Failure(f"timed out after {timeout:.0f} s waiting for {what}{detail}")


def wait_until_or_none(probe, timeout):
    try:
        return wait_until("", probe, timeout)
    except Failure:
        return None


# ---------------------------------------------------------------------------------------------------
# The processes: X server, session bus, accessibility bus, simulator, Grovewright.

class Processes:
    def __init__(self):
        self.started = []

    def start(self, command, **options):
        process = subprocess.Popen(command, start_new_session=True, **options)
        self.started.append(process)
        return process

    def stop_all(self):
        for process in reversed(self.started):
            if process.poll() is None:
                try:
                    os.killpg(process.pid, signal.SIGTERM)
                except ProcessLookupError:
                    pass
        for process in reversed(self.started):
            try:
                process.wait(timeout=5)
            except subprocess.TimeoutExpired:
                try:
                    os.killpg(process.pid, signal.SIGKILL)
                except ProcessLookupError:
                    pass
                process.wait(timeout=5)


class LineReader:
    """Lines of a process's output, read on a thread so that every wait for one can time out."""

    def __init__(self, stream):
        self.lines = queue.Queue()
        threading.Thread(target=self._read, args=(stream,), daemon=True).start()

    def _read(self, stream):
        for line in stream:
            self.lines.put(line.decode(errors="replace").strip())
        self.lines.put(None)

    def next(self, what, timeout=None):
        timeout = STEP_TIMEOUT if timeout is None else timeout
        try:
            line = self.lines.get(timeout=timeout)
        except queue.Empty:
            raise Failure(f"timed out after {timeout:.0f} s waiting for {what}") from None
        if line is None:
            raise Failure(f"{what}: the process closed its output")
        return line


def start_x_server(processes):
    reader, writer = os.pipe()
    processes.start(["Xvfb", "-displayfd", str(writer), "-screen", "0", "1280x1024x24", "-nolisten", "tcp",
                     "-noreset"], pass_fds=(writer,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    os.close(writer)
    return ":" + LineReader(os.fdopen(reader, "rb")).next("Xvfb to name its display")


def start_session_bus(processes, env):
    bus = processes.start(["dbus-daemon", "--session", "--nofork", "--print-address=1"],
                          stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, env=env)
    return LineReader(bus.stdout).next("the session bus to give its address")


def start_accessibility_bus(processes, env):
    launcher = Path("/usr/libexec/at-spi-bus-launcher")
    if not launcher.exists():
        raise Failure(f"the accessibility bus cannot be started: {launcher} is missing (package at-spi2-core)")
    processes.start([str(launcher), "--launch-immediately"], env=env, stdout=subprocess.DEVNULL,
                    stderr=subprocess.DEVNULL)


class Simulator:
    """The stand-in simulator, steered through its standard input: one answer line per command."""

    def __init__(self, processes, program, env):
        self.process = processes.start([program, "--headless"], stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                                       env=env)
        self.answers = LineReader(self.process.stdout)
        ready = self.answers.next("the simulator to start")
        if not ready.startswith("ready"):
            raise Failure(f"the simulator did not start: {ready!r}")
        self.answers.next("the simulator's start position")

    def command(self, text):
        self.process.stdin.write((text + "\n").encode())
        self.process.stdin.flush()
        answer = self.answers.next(f"the simulator's answer to {text!r}")
        if answer.startswith("error"):
            raise Failure(f"the simulator refused {text!r}: {answer}")
        return answer


# ---------------------------------------------------------------------------------------------------
# The bus: finding controls by accessible name and role, and acting on them.

Atspi = None


def connect_to_bus():
    global Atspi
    try:
        import gi
        gi.require_version("Atspi", "2.0")
        from gi.repository import Atspi as module
    except (ImportError, ValueError) as error:
        raise Failure(f"the accessibility bus is not reachable: no AT-SPI bindings ({error}); "
                      "install python3-pyatspi")
    Atspi = module
    # The bindings mark the interface getters deprecated in favour of calls that fail on a control
    # lacking the interface; the getters say so with None, which is what the checks here need.
    warnings.filterwarnings("ignore", category=DeprecationWarning)
    if Atspi.init() not in (0, 1):
        raise Failure("the accessibility bus is not reachable: Atspi.init failed")
    Atspi.set_timeout(5000, 15000)


def children(node):
    for index in range(node.get_child_count()):
        child = node.get_child_at_index(index)
        if child is not None:
            yield child


def is_showing(node):
    return node.get_state_set().contains(Atspi.StateType.SHOWING)


def find_all(root, name=None, role=None, showing=True):
    """Every control under root with the accessible name and role asked for, in tree order."""
    found = []
    stack = [root]
    while stack:
        node = stack.pop()
        try:
            node_name = node.get_name() or ""
            matches = name in (None, node_name) and role in (None, node.get_role())
            if matches and (not showing or is_showing(node)):
                found.append(node)
            stack.extend(reversed(list(children(node))))
        except Exception:
            continue  # a control that went away while the tree was walked
    return found


def find(root, name, role=None, timeout=None, **options):
    role_text = f" ({role.value_nick})" if role is not None else ""
    return wait_until(f'the control "{name or ""}"{role_text}',
                      lambda: next(iter(find_all(root, name, role, **options)), None), timeout)


def dump(node, depth=0):
    """The control tree under node, one line per control, for a failure's diagnosis."""
    try:
        action = node.get_action_iface()
        actions = [action.get_action_name(i) for i in range(action.get_n_actions())] if action else []
        line = f"{'  ' * depth}{node.get_role_name()} {node.get_name()!r}{' showing' if is_showing(node) else ''}"
        lines = [line + (f" actions={actions}" if actions else "")]
        for child in children(node):
            lines += dump(child, depth + 1)
        return lines
    except Exception as error:
        return [f"{'  ' * depth}<gone: {error}>"]


def labelled(root, label, role):
    """The control that the label names, through the label's relation, as a screen reader finds it
    for a box whose own name is its current value."""
    def target():
        for node in find_all(root, label, Atspi.Role.LABEL):
            for relation in node.get_relation_set():
                if relation.get_relation_type() == Atspi.RelationType.LABEL_FOR:
                    for index in range(relation.get_n_targets()):
                        candidate = relation.get_target(index)
                        if candidate.get_role() == role and is_showing(candidate):
                            return candidate
        return None
    return wait_until(f'the {role.value_nick} labelled "{label}"', target)


def application(name):
    desktop = Atspi.get_desktop(0)
    return next((app for app in children(desktop) if app.get_name() == name), None)


def window(app, title, timeout=None):
    """The showing top-level window with the title; a closed dialog may linger on the bus, hidden."""
    return wait_until(f'the window "{title}"', lambda: next(
        (w for w in children(app) if w.get_name() == title and is_showing(w)), None), timeout)


def press(control, action_names=("press", "click", "toggle", "activate")):
    """Runs the control's press action, as a screen reader's activate command does."""
    action = control.get_action_iface()
    if action is None:
        raise Failure(f'"{control.get_name()}" offers no actions')
    names = [action.get_action_name(i) for i in range(action.get_n_actions())]
    for index, name in enumerate(names):
        if name.lower() in action_names:
            if not action.do_action(index):
                raise Failure(f'"{control.get_name()}" refused its action "{name}"')
            return
    raise Failure(f'"{control.get_name()}" has no press action, only {names}')


def text_of(control):
    text = control.get_text_iface()
    if text is None:
        return control.get_name() or ""
    return text.get_text(0, text.get_character_count())


def set_text(control, value):
    editable = control.get_editable_text_iface()
    if editable is None or not editable.set_text_contents(value):
        raise Failure(f'"{control.get_name()}" cannot take the text {value!r}')


def expect_text(control, what, pattern):
    """Waits until the control's text matches the regular expression, and returns the text."""
    wait_until(f"{what} to match {pattern!r} (it reads {text_of(control)!r})",
               lambda: re.search(pattern, text_of(control)))
    return text_of(control)


# ---------------------------------------------------------------------------------------------------
# The planting job.

def choose_file(app, title, path):
    """Answers Qt's file dialog, titled after its command: the full path into its file name field,
    then its accept button."""
    dialog = window(app, title)
    name_field = find(dialog, "File name:", Atspi.Role.TEXT)
    set_text(name_field, str(path))
    press(find(dialog, "Open", Atspi.Role.PUSH_BUTTON))
    wait_until(f'the "{title}" dialog to close', lambda: window_gone(app, dialog))


def window_gone(app, dialog):
    try:
        return dialog not in list(children(app)) or not is_showing(dialog)
    except Exception:
        return True


def menu_command(main, item, menu="File"):
    """Opens the menu and presses its item. The menu bar's ShowMenu toggles: just after a command from
    the same menu it may close the menu instead, so a menu that does not show is asked again."""
    for _ in range(3):
        press(find(main, menu, Atspi.Role.MENU_ITEM), ("showmenu",))
        shown = find_all(main, item, Atspi.Role.MENU_ITEM)
        if not shown:
            shown = wait_until_or_none(lambda: find_all(main, item, Atspi.Role.MENU_ITEM), timeout=2)
        if shown:
            press(shown[0])
            return
    raise Failure(f'the menu "{menu}" does not show its item "{item}"')


def check_tabs(main):
    palettes = find(main, None, Atspi.Role.PAGE_TAB_LIST)
    for tab, only_there, elsewhere in (("Vorl's Texures", "Tree conic", "Conifer 3"),
                                       ("Default Textures", "Conifer 3", "Tree conic")):
        press(find(palettes, tab, Atspi.Role.PAGE_TAB, showing=False))
        find(main, only_there, Atspi.Role.PUSH_BUTTON)
        wait_until(f'"{elsewhere}" to be hidden on the tab "{tab}"', lambda: not find_all(main, elsewhere))


def choose_height(app, main, wanted):
    """Chooses a height as a screen reader does: by toggling its entry in the Height box's list.
    Which height was planted is checked later in the Edit dialog's rows."""
    height = labelled(main, "Height", Atspi.Role.COMBO_BOX)
    entries = {entry.get_name(): entry for list_ in find_all(height, role=Atspi.Role.LIST, showing=False)
               for entry in children(list_)}
    if wanted not in entries:
        raise Failure(f"the Height box does not offer {wanted!r}, only {list(entries)}")
    press(entries[wanted], ("toggle",))
    expect_text(height, "the Height box", "^" + re.escape(wanted) + "$")


def status_text(status):
    """The status line's text as the bus shows it (its text, a name that is the text, or its
    description), or None while the line shows the bus only its fixed name."""
    if status.get_text_iface() is not None or status.get_name() != "Status":
        return text_of(status)
    return status.get_description() or None


GAPS = []


def expect_status(status, what, pattern):
    if status_text(status) is None:
        if "status line" not in " ".join(GAPS):
            GAPS.append('the status line shows the bus only its name "Status", not its text')
        return
    wait_until(f"{what} to match {pattern!r} (it reads {status_text(status)!r})",
               lambda: re.search(pattern, status_text(status)))


def planted_rows(app, main):
    """The count and the rows the Edit dialog shows, closed again with Cancel. The page's handlers run
    in the order of the presses, so they include every press made before."""
    press(find(main, "Edit", Atspi.Role.PUSH_BUTTON))
    dialog = window(app, "Edit")
    count = text_of(find(dialog, "Number of trees", Atspi.Role.TEXT))
    rows_list = find(dialog, "Planted objects", Atspi.Role.LIST)
    rows = [row.get_name() for row in children(rows_list)]
    press(find(dialog, "Cancel", Atspi.Role.PUSH_BUTTON))
    wait_until("the Edit dialog to close", lambda: window_gone(app, dialog))
    return count, rows


def plant(app, main, status, expected_count, latitude, longitude):
    press(find(main, "Plant tree", Atspi.Role.PUSH_BUTTON))
    expect_status(status, "the status line",
                  rf"(?s)\b{expected_count} planted objects?\b.*Planted 1 at {latitude:.7f}, {longitude:.7f}")
    count, _ = planted_rows(app, main)
    if count != str(expected_count):
        raise Failure(f"after planting at {latitude:.7f}, {longitude:.7f} the Edit dialog counts {count!r} "
                      f"trees, expected {expected_count}")


def select_row(list_, row):
    """Selects one row: through the list's selection where it offers one, else by the row's toggle."""
    selection = list_.get_selection_iface()
    if selection is None or not selection.select_child(row.get_index_in_parent()):
        press(row)
    wait_until(f"the row {row.get_name()!r} to be selected",
               lambda: row.get_state_set().contains(Atspi.StateType.SELECTED))


def edit_and_delete_second(app, main, positions, height):
    press(find(main, "Edit", Atspi.Role.PUSH_BUTTON))
    dialog = window(app, "Edit")
    rows_list = find(dialog, "Planted objects", Atspi.Role.LIST)
    count = find(dialog, "Number of trees", Atspi.Role.TEXT)
    expect_text(count, '"Number of trees"', r"^3$")
    rows = wait_until("three rows in the Edit list", lambda: list(children(rows_list))[:3])
    names = [row.get_name() for row in rows]
    for number, (row, (latitude, longitude)) in enumerate(zip(names, positions), start=1):
        expected = rf"^\s*{number}\s+{latitude:.7f}\s+{longitude:.7f} Conifer 3\s+- {re.escape(height.lower())}$"
        if not re.match(expected, row):
            raise Failure(f"Edit row {number} reads {row!r}, expected {expected!r}")
    select_row(rows_list, rows[1])
    press(find(dialog, "Delete", Atspi.Role.PUSH_BUTTON))
    expect_text(count, '"Number of trees" after Delete', r"^2$")
    press(find(dialog, "OK", Atspi.Role.PUSH_BUTTON))
    wait_until("the Edit dialog to close", lambda: window_gone(app, dialog))
    return [names[0], names[2]]


def answer_message_boxes(app, answer="Yes"):
    """Answers every message box the program shows with Yes (or OK), telling what it said; gives None."""
    for box in [w for w in children(app) if w.get_role() == Atspi.Role.ALERT and is_showing(w)]:
        said = " ".join(text_of(label) for label in find_all(box, role=Atspi.Role.LABEL))
        buttons = find_all(box, answer, Atspi.Role.PUSH_BUTTON) or find_all(box, "OK", Atspi.Role.PUSH_BUTTON)
        if buttons:
            print(f"answered {buttons[0].get_name()!r} to: {said!r}")
            press(buttons[0])


def answering(app, probe):
    """The probe, answering the program's message boxes while it is not yet true."""
    def answered_probe():
        return probe() or answer_message_boxes(app)
    return answered_probe


def check_saved_files(folder, work, kept_rows):
    """The save's XML and .bgl files in the chosen folder, the XML holding exactly the kept positions,
    and the compiler's report in the working folder."""
    xml = (folder / "trees.xml").read_bytes() if (folder / "trees.xml").exists() else None
    if not xml:
        raise Failure(f"no trees.xml in the chosen folder; it holds {sorted(p.name for p in folder.iterdir())}")
    if not (folder / "trees.bgl").exists() or (folder / "trees.bgl").stat().st_size == 0:
        raise Failure("trees.bgl is missing or empty in the chosen folder")
    if not (work / "t.txt").exists():
        raise Failure("the compiler's report t.txt is missing in the working folder")
    saved = [(float(lat), float(lon)) for lat, lon in re.findall(rb'lat="\s*([-\d.]+)"\s+lon="\s*([-\d.]+)"', xml)]
    kept = [tuple(map(float, row.split()[1:3])) for row in kept_rows]
    if len(saved) != len(kept) or any(abs(a - b) > 1e-7 for pair in zip(saved, kept) for a, b in zip(*pair)):
        raise Failure(f"trees.xml holds the positions {saved}, expected the kept {kept}")


def renumbered(rows):
    """Rows as a new Edit dialog shows them: numbered from 1 in list order."""
    return [f"{number:4d} {row[5:]}" for number, row in enumerate(rows, start=1)]


def expect_rows(app, main, when, rows):
    count, shown = planted_rows(app, main)
    if (count, shown) != (str(len(rows)), rows):
        raise Failure(f"{when} the Edit dialog shows {count!r} trees {shown}, expected {rows}")


def still_running(process):
    if process.poll() is not None:
        raise Failure(f"Grovewright ended at start-up with exit code {process.returncode}")
    return True


def start_environment(processes, temporary, compiler):
    """The working folder with the compiler, a private runtime folder, and the X server and buses;
    returns the environment for the programs under test."""
    work, runtime = temporary / "work", temporary / "runtime"
    for folder in (work, runtime):
        folder.mkdir(mode=0o700)
    shutil.copy(compiler, work / "bglcomp.exe")
    schema = Path(compiler).with_name("bglcomp.xsd")
    if schema.exists():
        shutil.copy(schema, work / "bglcomp.xsd")
    env = {key: value for key, value in os.environ.items()
           if key not in ("QT_QPA_PLATFORMTHEME", "QT_QPA_PLATFORM", "DBUS_SESSION_BUS_ADDRESS",
                          "AT_SPI_BUS_ADDRESS", "WAYLAND_DISPLAY", "QT_ACCESSIBILITY")}
    env["XDG_RUNTIME_DIR"] = str(runtime)
    env["XDG_STATE_HOME"] = str(temporary / "state")
    env["XDG_CONFIG_HOME"] = str(temporary / "config")
    env["DISPLAY"] = start_x_server(processes)
    env["DBUS_SESSION_BUS_ADDRESS"] = start_session_bus(processes, env)
    env["QT_LINUX_ACCESSIBILITY_ALWAYS_ON"] = "1"
    start_accessibility_bus(processes, env)
    os.environ.update({key: env[key] for key in ("DISPLAY", "DBUS_SESSION_BUS_ADDRESS", "XDG_RUNTIME_DIR")})
    connect_to_bus()
    return env, work


def planting_job(app, main, simulator, work, chosen):
    status = find(main, "Status")
    filename_box = find(main, "Filename", Atspi.Role.TEXT)
    check_tabs(main)

    menu_command(main, "New")
    choose_file(app, "New planting file", chosen / "trees")
    expect_text(filename_box, "the Filename box", r"^trees$")

    conifer = find(main, "Conifer 3", Atspi.Role.PUSH_BUTTON)
    press(conifer)
    wait_until('"Conifer 3" to be shown pressed', lambda: conifer.get_state_set().contains(Atspi.StateType.PRESSED))
    expect_text(find(main, "Tree type", Atspi.Role.TEXT), "the Tree type box", r"^Conifer 3$")
    height = "12 Fat"
    choose_height(app, main, height)

    positions = [tuple(map(float, simulator.command("position 47.5 8.25").split()[1:3]))]
    plant(app, main, status, 1, *positions[0])
    for count, (north, east) in enumerate(((30, 0), (0, 40)), start=2):
        positions.append(tuple(map(float, simulator.command(f"slew {north} {east}").split()[1:3])))
        plant(app, main, status, count, *positions[-1])

    kept = renumbered(edit_and_delete_second(app, main, positions, height))
    expect_status(status, "the status line after Edit", r"\b2 planted objects\b")
    expect_rows(app, main, "after deleting the second row", kept)

    menu_command(main, "Save")
    wait_until("the save to close the document (Filename box blank)",
               answering(app, lambda: not text_of(filename_box).strip()), timeout=60)
    check_saved_files(chosen, work, kept)
    expect_rows(app, main, "after Save", [])

    menu_command(main, "Open")
    choose_file(app, "Open planting file", chosen / "trees.xml")
    expect_text(filename_box, "the Filename box after Open", r"^trees$")
    expect_status(status, "the status line after Open", r"\b2 planted objects\b")
    expect_rows(app, main, "after Open", kept)


def run(arguments):
    processes = Processes()
    temporary = Path(tempfile.mkdtemp(prefix="grovewright-a11y-"))
    app = None
    try:
        env, work = start_environment(processes, temporary, arguments.compiler)
        chosen = temporary / "chosen"
        chosen.mkdir()
        simulator = Simulator(processes, arguments.simulator, env)
        grovewright = processes.start([arguments.app], cwd=work, env=env)
        app = wait_until("Grovewright on the accessibility bus (is the bus reachable?)",
                         lambda: still_running(grovewright) and application("grovewright"), timeout=30)
        planting_job(app, window(app, "Grovewright V4"), simulator, work, chosen)

        menu_command(window(app, "Grovewright V4"), "Exit")
        wait_until("Grovewright to end after Exit (its question answered Yes)",
                   answering(app, lambda: grovewright.poll() is not None))
        if grovewright.returncode != 0:
            raise Failure(f"Grovewright ended with exit code {grovewright.returncode}")
        print("accessibility planting job: passed")
        return 0
    except Failure:
        if app is not None:
            print("The program's controls on the bus:\n" + "\n".join(dump(app)), file=sys.stderr)
        raise
    finally:
        for gap in GAPS:
            print(f"note: {gap}")
        processes.stop_all()
        if not arguments.keep:
            shutil.rmtree(temporary, ignore_errors=True)


def parse_programs(parser, programs=("app", "simulator", "compiler")):
    """Adds a required --<program> path option for each of `programs` and --keep; parses the command
    line with the paths made absolute (the runs change their working folder)."""
    for program in programs:
        parser.add_argument(f"--{program}", required=True)
    parser.add_argument("--keep", action="store_true", help="keep the temporary folder")
    arguments = parser.parse_args()
    for program in programs:
        setattr(arguments, program, os.path.abspath(getattr(arguments, program)))
    return arguments


def run_reporting(what, run_with, arguments):
    """Runs `run_with(arguments)`; a failure ends it with a message naming `what` and exit code 1."""
    try:
        return run_with(arguments)
    except Failure as failure:
        print(f"{what} FAILED: {failure}", file=sys.stderr)
    except Exception as error:  # a bus error names the call that failed
        print(f"{what} FAILED: {type(error).__name__}: {error}", file=sys.stderr)
    return 1


def main():
    arguments = parse_programs(argparse.ArgumentParser(description=__doc__))
    return run_reporting("accessibility planting job", run, arguments)


if __name__ == "__main__":
    sys.exit(main())
