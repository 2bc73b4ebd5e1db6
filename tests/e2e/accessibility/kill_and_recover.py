#!/usr/bin/python3
"""Grovewright killed with SIGKILL after each press of a planting session, and recovered through its
start-up question, all driven through the accessibility bus.

A first run makes the presses uninterrupted in a fresh program (plants, a copse pattern loaded and
planted, an Append From, an Edit delete, an Undo), noting the planted list the Edit dialog
shows and the status line after each, and saves. A second run makes the same presses, killing the
program at a random moment after each (seeded; the seed is printed), starting it again and answering
Recover: the list shown must be the one the press left, or, when the kill came before the status line
acknowledged the press, possibly the one before it (the press is then made again). Its save must write
the first run's bytes. The program's calendar clock is steered (steered_clock.c) so that both runs seed
the headings and stamp the file alike.
"""
import argparse
import os
import random
import re
import shutil
import signal
import sys
import tempfile
import time
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent))
import planting_job as job  # noqa: E402
from planting_job import Failure, children, find, press, text_of, wait_until, window  # noqa: E402

GUID_A = "AAAAAAAA111122223333444444444444"
GUID_B = "BBBBBBBB111122223333444444444444"
COPSE = [(10.0, 20.0, GUID_A), (10.0001, 20.0002, GUID_B), (10.0003, 20.0, GUID_A)]
MORE = [(-33.5, 151.25, GUID_B), (-33.501, 151.252, GUID_A)]


def role():
    return job.Atspi.Role


def planting_file(objects):
    """A planting file in the form the program's reader takes."""
    lines = ["<!-- Created by Grovewright -->", "<FSData>"]
    lines += [f'<SceneryObject lat="{lat:.6f}" lon="{lon:.6f}"><LibraryObject name="{guid}"/>'
              for lat, lon, guid in objects]
    return ("\n".join(lines + ["</FSData>"]) + "\n").encode()


class Program:
    """One running Grovewright and the controls the presses use."""

    def __init__(self, run, process):
        self.run = run
        self.process = process
        self.app = wait_until("Grovewright on the accessibility bus",
                              lambda: job.still_running(process) and application_of(process.pid), timeout=30)
        self.main = window(self.app, "Grovewright V4")
        # The status line is watched as it changes, and menus open and close: descriptions and states are
        # read from the program, not from the bus's cache, which learns of a change only from an event
        # sent later, or never.
        uncached = int(job.Atspi.Cache.DESCRIPTION) | int(job.Atspi.Cache.STATES)
        self.app.set_cache_mask(job.Atspi.Cache(int(job.Atspi.Cache.DEFAULT) & ~uncached))
        self.status = find(self.main, "Status")
        self.filename_box = find(self.main, "Filename", role().TEXT)

    def status_text(self):
        return job.status_text(self.status) or ""


def application_of(pid):
    desktop = job.Atspi.get_desktop(0)
    return next((app for app in children(desktop) if app.get_process_id() == pid), None)


class Run:
    """A program's private state and settings folders, its chosen folder, and its starts."""

    def __init__(self, name, context):
        self.context = context
        self.chosen = context.temporary / f"chosen-{name}"
        self.chosen.mkdir()
        self.env = dict(context.env, XDG_STATE_HOME=str(context.temporary / f"state-{name}"),
                        XDG_CONFIG_HOME=str(context.temporary / f"config-{name}"),
                        LD_PRELOAD=context.arguments.clock, GROVEWRIGHT_TEST_CLOCK=str(context.clock))

    def start(self):
        context = self.context
        context.program = None
        context.program = Program(self, context.processes.start([context.arguments.app], cwd=context.work,
                                                                env=self.env))
        return context.program


# ---------------------------------------------------------------------------------------------------
# The presses. Each does what a user does up to its last press, which it makes and returns from at
# once; what it returns is compared between the runs.

def answer_file_dialog(program, title, path):
    dialog = window(program.app, title)
    job.set_text(find(dialog, "File name:", role().TEXT), str(path))
    press(find(dialog, "Open", role().PUSH_BUTTON))


def choose_conifer(program):
    conifer = find(program.main, "Conifer 3", role().PUSH_BUTTON)
    press(conifer)
    job.expect_text(find(program.main, "Tree type", role().TEXT), "the Tree type box", r"^Conifer 3$")


def plant_tree(latitude, longitude):
    def act(program):
        program.run.context.simulator.command(f"position {latitude} {longitude}")
        choose_conifer(program)
        press(find(program.main, "Plant tree", role().PUSH_BUTTON))
    return act


def plant_copse(latitude, longitude):
    def act(program):
        program.run.context.simulator.command(f"position {latitude} {longitude}")
        job.expect_text(find(program.main, "Tree type", role().TEXT), "the Tree type box", r"^Copse$")
        press(find(program.main, "Plant tree", role().PUSH_BUTTON))
    return act


def load_copse(program):
    press(find(program.main, "COPSE", role().PUSH_BUTTON))
    answer_file_dialog(program, "Load copse pattern", program.run.context.user / "copse.xml")


def append_from(program):
    job.menu_command(program.main, "Append From")
    answer_file_dialog(program, "Append from planting file", program.run.context.user / "more.xml")


def delete_second_row(program):
    press(find(program.main, "Edit", role().PUSH_BUTTON))
    dialog = window(program.app, "Edit")
    rows_list = find(dialog, "Planted objects", role().LIST)
    count = find(dialog, "Number of trees", role().TEXT)
    before = int(job.expect_text(count, '"Number of trees"', r"^\d+$"))
    rows = wait_until("two rows in the Edit list", lambda: list(children(rows_list))[:2][1:])
    job.select_row(rows_list, rows[0])
    press(find(dialog, "Delete", role().PUSH_BUTTON))
    job.expect_text(count, '"Number of trees" after Delete', rf"^{before - 1}$")
    press(find(dialog, "OK", role().PUSH_BUTTON))


def undo(program):
    """Undoes the last step from the Edit menu; returns the item's name, which names the step."""
    press(find(program.main, "Edit", role().MENU_ITEM), ("showmenu",))
    item = wait_until("the Edit menu's Undo item", lambda: next(
        (node for node in job.find_all(program.main, role=role().MENU_ITEM)
         if (node.get_name() or "").startswith("Undo")), None))
    name = item.get_name()
    press(item)
    return name


class Press:
    def __init__(self, what, act, event):
        self.what = what
        self.act = act
        self.event = event  # the status line's acknowledgement


PRESSES = [
    Press("plant", plant_tree(47.5, 8.25), r"Planted 1 at 47\.5000000, 8\.2500000"),
    Press("plant", plant_tree(47.501, 8.252), r"Planted 1 at 47\.5010000, 8\.2520000"),
    Press("load copse pattern", load_copse, r"Copse pattern of 3 objects loaded from copse\.xml"),
    Press("plant copse", plant_copse(47.6, 8.3), r"Planted 3 at 47\.6000000, 8\.3000000"),
    Press("plant", plant_tree(47.7, 8.4), r"Planted 1 at 47\.7000000, 8\.4000000"),
    # After the last plant: the headings' generator must be carried through every recovery that follows.
    Press("append from", append_from, r"Appended 2 objects from more\.xml"),
    Press("edit delete", delete_second_row, r"Deleted 1 object"),
    Press("undo", undo, r"Undone: "),
]
COPSE_LOAD = 3  # the press that changes no list, only the pattern


# ---------------------------------------------------------------------------------------------------
# The two runs.

def name_new_file(program):
    job.menu_command(program.main, "New")
    job.choose_file(program.app, "New planting file", program.run.chosen / "trees")
    job.expect_text(program.filename_box, "the Filename box", r"^trees$")


def set_clock(context, seconds):
    context.clock.write_text(str(seconds))


def save(program, context):
    set_clock(context, context.start_time + 1000)
    job.menu_command(program.main, "Save")
    wait_until("the status line to say the save is done",
               job.answering(program.app, lambda: "Saved trees.xml and trees.bgl in" in program.status_text()),
               timeout=60)
    return (program.run.chosen / "trees.xml").read_bytes()


def exit_program(program):
    job.menu_command(program.main, "Exit")
    wait_until("Grovewright to end after Exit", job.answering(program.app, lambda: program.process.poll() is not None))
    if program.process.returncode != 0:
        raise Failure(f"Grovewright ended with exit code {program.process.returncode}")


class Reference:
    """What the uninterrupted run showed: the status line and the list after each press (index 0:
    before the first), what each press returned, and the saved bytes."""

    def __init__(self):
        self.statuses = []
        self.rows = [[]]
        self.notes = []
        self.xml = b""


def acknowledgement(program, acknowledges, what):
    """Watches the status line closely until it acknowledges; returns its text."""
    deadline = time.monotonic() + job.STEP_TIMEOUT
    while time.monotonic() < deadline:
        text = program.status_text()
        if acknowledges(text):
            return text
        time.sleep(0.002)
    raise Failure(f"timed out waiting for the status line to acknowledge {what} (it reads {program.status_text()!r})")


def uninterrupted_run(context):
    reference = Reference()
    program = Run("uninterrupted", context).start()
    name_new_file(program)
    for number, step in enumerate(PRESSES, start=1):
        set_clock(context, context.start_time + 10 * number)
        before = program.status_text()
        pressed = time.monotonic()
        reference.notes.append(step.act(program))
        status = acknowledgement(program, lambda text: text != before and re.search(step.event, text),
                                 f"press {number} ({step.what}) with {step.event!r}")
        print(f"press {number} ({step.what}): seen acknowledged {1000 * (time.monotonic() - pressed):.0f} ms after it")
        reference.statuses.append(status)
        reference.rows.append(job.planted_rows(program.app, program.main)[1])
    reference.xml = save(program, context)
    exit_program(program)
    return reference


def recovered_program(run, rows_choices):
    """A new start of the killed program, its question answered Recover; returns the program and the
    rows its Edit dialog shows."""
    program = run.start()
    question = wait_until("the recovery question", lambda: next(
        (w for w in children(program.app) if w.get_role() == role().ALERT and job.is_showing(w)), None))
    said = " ".join(text_of(label) for label in job.find_all(question, role=role().LABEL))
    offered = re.search(r"with (\d+) unsaved planted objects? in trees\.xml \(", said)
    press(find(question, "Recover", role().PUSH_BUTTON))
    wait_until("the recovery question to close", lambda: job.window_gone(program.app, question))
    count, rows = job.planted_rows(program.app, program.main)
    if rows not in rows_choices:
        raise Failure(f"the recovered program shows the rows {rows}, expected one of {rows_choices}")
    if offered is None or int(offered.group(1)) != len(rows) or count != str(len(rows)):
        raise Failure(f"the question {said!r} and the Edit dialog's count {count!r} disagree with the "
                      f"{len(rows)} recovered rows")
    job.expect_status(program.status, "the status line after Recover", rf"\bRecovered {len(rows)} planted objects\b")
    job.expect_text(program.filename_box, "the Filename box after Recover", r"^trees$")
    return program, rows


def kill_moment(random_moments):
    """How long after a press the kill comes: often within its first tens of milliseconds, mostly before
    it is acknowledged, else anywhere in a few hundred."""
    return random_moments.uniform(0, 0.03) if random_moments.random() < 0.4 else random_moments.uniform(0, 0.3)


def kill(program, context, number, after):
    """Kills the program `after` seconds after its press; tells whether the status line was seen
    acknowledging the press before the kill."""
    pressed = time.monotonic()
    acknowledged = False
    while time.monotonic() < pressed + after:
        acknowledged = acknowledged or program.status_text() == context.reference.statuses[number - 1]
        time.sleep(0.002)
    os.kill(program.process.pid, signal.SIGKILL)
    program.process.wait(timeout=10)
    return acknowledged


def make_press(program, context, step, number):
    note = step.act(program)
    if note != context.reference.notes[number - 1]:
        raise Failure(f"press {number} ({step.what}) met {note!r}; the uninterrupted run met "
                      f"{context.reference.notes[number - 1]!r}")


def killed_run(context, random_moments):
    reference = context.reference
    run = Run("killed", context)
    program = run.start()
    name_new_file(program)
    kept_before_acknowledgement = 0
    for number, step in enumerate(PRESSES, start=1):
        set_clock(context, context.start_time + 10 * number)
        after = kill_moment(random_moments)
        make_press(program, context, step, number)
        if number == 1:
            # Nothing planted before it: a kill ahead of its record would leave no question to answer.
            wait_until("the first press's acknowledgement",
                       lambda: program.status_text() == reference.statuses[0])
        acknowledged = kill(program, context, number, after)
        choices = [reference.rows[number]] if acknowledged else [reference.rows[number], reference.rows[number - 1]]
        program, rows = recovered_program(run, choices)
        kept = rows == reference.rows[number]
        if number == COPSE_LOAD:
            kept = text_of(find(program.main, "Tree type", role().TEXT)) == "Copse"
            if acknowledged and not kept:
                raise Failure("the acknowledged copse pattern is not offered after Recover (Tree type box "
                              f"reads {text_of(find(program.main, 'Tree type', role().TEXT))!r})")
        print(f"press {number} ({step.what}): killed {1000 * after:.0f} ms after it, "
              f"{'seen acknowledged' if acknowledged else 'not seen acknowledged'}, "
              f"{'recovered with it' if kept else 'recovered without it: pressed again'}")
        if not kept:
            kept_before_acknowledgement += 1
            make_press(program, context, step, number)
            wait_until(f"press {number} ({step.what}) made again to be acknowledged",
                       lambda: program.status_text() == reference.statuses[number - 1])
    xml = save(program, context)
    exit_program(program)
    print(f"{kept_before_acknowledgement} of {len(PRESSES)} presses were lost to a kill before their acknowledgement")
    return xml


def compare_saves(killed, uninterrupted):
    if killed == uninterrupted:
        return
    offset = next((i for i, (a, b) in enumerate(zip(killed, uninterrupted)) if a != b),
                  min(len(killed), len(uninterrupted)))
    raise Failure(f"the recovered run saved {len(killed)} bytes, the uninterrupted run {len(uninterrupted)}; "
                  f"they differ first at offset {offset}: {killed[offset:offset + 60]!r} against "
                  f"{uninterrupted[offset:offset + 60]!r}")


class Context:
    pass


def run(arguments):
    seed = arguments.seed if arguments.seed is not None else random.SystemRandom().randrange(2**32)
    print(f"random seed {seed} (run again with --seed {seed})")
    context = Context()
    context.arguments = arguments
    context.processes = job.Processes()
    context.temporary = Path(tempfile.mkdtemp(prefix="grovewright-kill-"))
    context.clock = context.temporary / "clock"
    context.start_time = int(time.time())
    started = time.monotonic()
    try:
        context.env, context.work = job.start_environment(context.processes, context.temporary, arguments.compiler)
        context.user = context.temporary / "user"
        context.user.mkdir()
        (context.user / "copse.xml").write_bytes(planting_file(COPSE))
        (context.user / "more.xml").write_bytes(planting_file(MORE))
        context.simulator = job.Simulator(context.processes, arguments.simulator, context.env)
        context.reference = uninterrupted_run(context)
        compare_saves(killed_run(context, random.Random(seed)), context.reference.xml)
        print(f"kill and recover: passed in {time.monotonic() - started:.0f} s")
        return 0
    except Failure:
        program = getattr(context, "program", None)
        if program is not None and program.process.poll() is None:
            print("The program's controls on the bus:\n" + "\n".join(job.dump(program.app)), file=sys.stderr)
        raise
    finally:
        context.processes.stop_all()
        if arguments.keep:
            print(f"kept {context.temporary}")
        else:
            shutil.rmtree(context.temporary, ignore_errors=True)


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("--seed", type=int, help="the seed of the kill moments")
    arguments = job.parse_programs(parser, ("app", "simulator", "compiler", "clock"))
    return job.run_reporting("kill and recover", run, arguments)


if __name__ == "__main__":
    sys.exit(main())
