#!/usr/bin/python3
"""One Plant press of the real program under strace: the journal's sync must come before the beep and
before the status line reaches the accessibility bus. Then a save: the journal may be emptied only once
the saved file is durable in the chosen folder.

The press is driven through the accessibility bus as the other end-to-end checks do. In the trace of
the program's threads, the plant's record is the write of a kind 3 record holding the planted latitude
to the journal file; the beep is the X11 Bell request (opcode 104, percent 0, length 1) found by walking
the request stream written to the X server's socket; the status line is the message written to the
accessibility bus's socket that holds the new status text. The fdatasync of the journal file after the
record must have returned before either of the other two begins.
"""
import argparse
import os
import re
import shutil
import struct
import subprocess
import sys
import tempfile
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent))
import planting_job as job  # noqa: E402
from planting_job import Failure, find, press, wait_until, window  # noqa: E402

LATITUDE, LONGITUDE = 47.5, 8.25
STATUS = f"Planted 1 at {LATITUDE:.7f}, {LONGITUDE:.7f}"
TRACED = "pwrite64,write,writev,sendmsg,sendto,fdatasync,fsync,connect,rename,renameat,renameat2,ftruncate"
X_BELL = 104
SKIPPED = 77


class Call:
    """One system call of the trace: where its line starts and where it returned, its name, its file
    descriptor's description, the bytes it wrote (as far as it wrote them) and its result."""

    def __init__(self, started, name, arguments):
        self.started = started
        self.returned = None
        self.name = name
        self.arguments = arguments
        self.result = None
        found = re.match(r"(\d+)<((?:->|[^>])*)>", arguments)
        # strace -xx writes paths as byte escapes too
        self.fd, self.target = (int(found.group(1)), unescaped(found.group(2))) if found else (None, "")

    def data(self):
        """The bytes the call passed, all its buffers in order; None where strace cut them short."""
        if re.search(r'"\.\.\.', self.arguments):
            return None
        return b"".join(bytes.fromhex(text.replace("\\x", ""))
                        for text in re.findall(r'"((?:\\x[0-9a-f]{2})*)"', self.arguments))

    def written(self):
        data = self.data()
        return data[:max(self.result, 0)] if data is not None and self.result is not None else data


def unescaped(text):
    return re.sub(r"\\x([0-9a-f]{2})", lambda byte: chr(int(byte.group(1), 16)), text)


def socket_path(call):
    """The path a connect call named (an abstract one with its leading @)."""
    found = re.search(r'sun_path=(@?)"([^"]*)"', call.arguments)
    return found.group(1) + unescaped(found.group(2)) if found else None


def read_trace(path):
    """The calls in the order they started, each with the index of the line where it returned."""
    calls, pending = [], {}
    for index, line in enumerate(Path(path).read_text(errors="replace").splitlines()):
        found = re.match(r"(\d+) +[\d:.]+ (.*)$", line)
        if not found:
            continue
        thread, rest = found.groups()
        resumed = re.match(r"<\.\.\. (\w+) resumed>(.*)$", rest)
        if resumed:
            call = pending.pop(thread, None)
            if call is not None:
                call.arguments += resumed.group(2)
                finish(call, index, resumed.group(2))
            continue
        started = re.match(r"(\w+)\((.*)$", rest)
        if not started:
            continue
        call = Call(index, started.group(1), started.group(2))
        call.line = line
        calls.append(call)
        if rest.endswith("<unfinished ...>"):
            call.arguments = call.arguments[:-len("<unfinished ...>")]
            pending[thread] = call
        else:
            finish(call, index, rest)
    return calls


def finish(call, index, text):
    call.returned = index
    result = re.search(r"\) += (-?\d+)", text)
    call.result = int(result.group(1)) if result else None


def x_requests(calls, socket_inode):
    """Each X11 request the program wrote to the X server's socket, with the call that wrote its
    first byte: the stream is the connection's set-up, then requests of 4-byte units whose length is
    their third and fourth byte (or, when those are 0, the next four: big requests)."""
    stream, owners = bytearray(), []
    for call in calls:
        if call.name in ("write", "writev", "sendmsg", "sendto") and re.search(socket_inode, call.target):
            data = call.written()
            if data is None:
                raise Failure(f"strace cut short a write to the X server: {call.line[:200]}")
            owners += [call] * len(data)
            stream += data
    if not stream or stream[0:1] != b"l":
        raise Failure("the X connection's set-up (little-endian) is not in the trace")
    name_length, data_length = struct.unpack_from("<HH", stream, 6)
    offset = 12 + (name_length + 3) // 4 * 4 + (data_length + 3) // 4 * 4
    requests = []
    while offset + 4 <= len(stream):
        opcode, detail, units = struct.unpack_from("<BBH", stream, offset)
        if units == 0:
            units = struct.unpack_from("<I", stream, offset + 4)[0]
        requests.append((opcode, detail, units, owners[offset]))
        offset += 4 * units
    return requests


def x_socket(calls, display):
    """A pattern of the inode of the program's socket to the X server, from its connect call."""
    for call in calls:
        if call.name == "connect" and call.result == 0 and \
                socket_path(call) in (f"/tmp/.X11-unix/X{display.lstrip(':')}", f"@/tmp/.X11-unix/X{display.lstrip(':')}"):
            inode = re.match(r"UNIX-STREAM:\[(\d+)", call.target)
            if inode:
                # strace names the peer only once it has found it: the first writes may show none
                return rf"\[{inode.group(1)}(->|\])"
    raise Failure(f"the program's connect to the X server {display} is not in the trace")


def bus_sockets(calls, path):
    """Patterns of the inodes of the program's sockets to the bus listening at path."""
    inodes = set()
    for call in calls:
        if call.name == "connect" and call.result == 0 and socket_path(call) == path:
            found = re.match(r"UNIX-STREAM:\[(\d+)", call.target)
            if found:
                inodes.add(rf"\[{found.group(1)}(->|\])")
    return inodes


def accessibility_bus_path(env):
    reply = subprocess.run(["dbus-send", "--session", "--print-reply=literal", "--dest=org.a11y.Bus", "/org/a11y/bus",
                            "org.a11y.Bus.GetAddress"], env=env, capture_output=True, text=True, timeout=10)
    found = re.search(r"unix:(?:path|abstract)=([^,;\s]+)", reply.stdout)
    if not found:
        raise Failure(f"the accessibility bus's address is unknown: {reply.stdout!r} {reply.stderr!r}")
    return found.group(1)


def check_order(calls, env, display):
    journal = os.path.join(env["XDG_STATE_HOME"], "grovewright", "journal")
    record_start = struct.pack("<H", 3)
    latitude = struct.pack("<d", LATITUDE)
    records = [call for call in calls if call.name in ("pwrite64", "write") and call.target.startswith(journal)
               and call.target.endswith(".journal") and (call.written() or b"")[4:6] == record_start
               and latitude in call.written()]
    if len(records) != 1:
        raise Failure(f"expected one write of the plant's record to the journal in {journal}, found {len(records)}")
    record = records[0]
    syncs = [call for call in calls if call.name in ("fdatasync", "fsync") and call.target == record.target
             and call.started > record.started]
    if not syncs or syncs[0].result != 0:
        raise Failure(f"no successful sync of {record.target} follows the plant's record")
    sync = syncs[0]

    bells = [request for request in x_requests(calls, x_socket(calls, display))
             if request[0] == X_BELL and request[2] == 1]
    if len(bells) != 1 or bells[0][1] != 0:
        raise Failure(f"expected one X11 Bell request (percent 0) for the one press, found {bells}")
    bell = bells[0][3]

    bus = bus_sockets(calls, accessibility_bus_path(env))
    text = STATUS.encode()
    statuses = [call for call in calls if call.name in ("sendmsg", "sendto", "write", "writev")
                and any(re.search(inode, call.target) for inode in bus) and text in (call.data() or b"")]
    if not statuses:
        raise Failure(f"no message to the accessibility bus carries the status {STATUS!r}")
    status = statuses[0]

    for what, call in (("the plant's record", record), ("its sync", sync), ("the X11 Bell", bell),
                       ("the status on the bus", status)):
        stamp = re.match(r"\d+ +([\d:.]+)", call.line).group(1)
        print(f"{stamp} {what}: {call.name} on {call.target}")
    for what, call in (("the beep", bell), ("the status line's message", status)):
        if sync.returned is None or sync.returned >= call.started:
            raise Failure(f"the journal's sync had not returned when {what} was written")
    print("traced press: the journal's sync returned before the beep and before the status line's message")


def check_save(calls, env, work, chosen):
    """The XML file synced under its temporary name, renamed, its folder synced; moved into the chosen
    folder, that folder synced; only then the journal truncated."""
    def paths(call):
        return [os.path.realpath(unescaped(text)) for text in re.findall(r'"((?:\\x[0-9a-f]{2})*)"', call.arguments)]

    def first(what, test, after=None):
        found = [call for call in calls if test(call) and (after is None or call.started > after.returned)]
        if not found or found[0].result != 0:
            raise Failure(f"no successful {what}" + (f" after {after.name}" if after else ""))
        return found[0]

    renames = ("rename", "renameat", "renameat2")
    saved, moved = os.path.realpath(work / "trees.xml"), os.path.realpath(chosen / "trees.xml")
    publish = first(f"rename onto {saved}", lambda c: c.name in renames and paths(c)[-1:] == [saved])
    temporary = paths(publish)[0]
    sync = first(f"sync of {temporary}", lambda c: c.name in ("fsync", "fdatasync")
                 and os.path.realpath(c.target) == temporary)
    if sync.returned >= publish.started:
        raise Failure("the XML file was renamed into place before its sync returned")
    work_sync = first(f"sync of the folder {work}", lambda c: c.name == "fsync"
                      and os.path.realpath(c.target) == os.path.realpath(work), publish)
    move = first(f"move to {moved}", lambda c: c.name in renames and paths(c) == [saved, moved], work_sync)
    chosen_sync = first(f"sync of the folder {chosen}", lambda c: c.name == "fsync"
                        and os.path.realpath(c.target) == os.path.realpath(chosen), move)
    journal = os.path.join(env["XDG_STATE_HOME"], "grovewright", "journal")
    truncations = [c for c in calls if c.name == "ftruncate" and c.target.startswith(journal) and c.started > publish.started]
    if not truncations or truncations[0].started < chosen_sync.returned:
        raise Failure("the journal was emptied before the saved file was durable in the chosen folder")
    print("traced save: synced, renamed, folder synced, moved, chosen folder synced, then the journal emptied")


def run(arguments):
    # Under strace every system call of the program stops for the tracer: each step takes longer.
    job.STEP_TIMEOUT = 45.0
    processes = job.Processes()
    temporary = Path(tempfile.mkdtemp(prefix="grovewright-trace-"))
    trace = temporary / "trace"
    try:
        env, work = job.start_environment(processes, temporary, arguments.compiler)
        chosen = temporary / "chosen"
        chosen.mkdir()
        simulator = job.Simulator(processes, arguments.simulator, env)
        traced = processes.start(["strace", "-f", "-tt", "-yy", "-xx", "-s", "1048576", "-e", f"trace={TRACED}",
                                  "-o", str(trace), arguments.app], cwd=work, env=env)
        app = wait_until("Grovewright on the accessibility bus",
                         lambda: job.still_running(traced) and job.application("grovewright"), timeout=60)
        main = window(app, "Grovewright V4")
        job.menu_command(main, "New")
        job.choose_file(app, "New planting file", chosen / "trees")
        press(find(main, "Conifer 3", job.Atspi.Role.PUSH_BUTTON))
        job.expect_text(find(main, "Tree type", job.Atspi.Role.TEXT), "the Tree type box", r"^Conifer 3$")
        simulator.command(f"position {LATITUDE} {LONGITUDE}")
        press(find(main, "Plant tree", job.Atspi.Role.PUSH_BUTTON))
        job.expect_status(find(main, "Status"), "the status line", re.escape(STATUS))
        job.menu_command(main, "Save")
        status = find(main, "Status")
        wait_until("the status line to say the save is done",
                   job.answering(app, lambda: "Saved trees.xml and trees.bgl in" in (job.status_text(status) or "")), timeout=60)
        job.menu_command(main, "Exit")
        wait_until("Grovewright to end after Exit", job.answering(app, lambda: traced.poll() is not None))
        calls = read_trace(trace)
        check_order(calls, env, env["DISPLAY"])
        check_save(calls, env, work, chosen)
        return 0
    finally:
        processes.stop_all()
        if arguments.keep:
            print(f"kept {temporary}")
        else:
            shutil.rmtree(temporary, ignore_errors=True)


def main():
    arguments = job.parse_programs(argparse.ArgumentParser(description=__doc__))
    if shutil.which("strace") is None:
        print("traced press FAILED: strace is not installed", file=sys.stderr)
        return 1
    tried = subprocess.run(["strace", "-o", os.devnull, "true"], capture_output=True, text=True)
    if tried.returncode != 0:
        print(f"traced press skipped: this machine does not let strace trace ({tried.stderr.strip()})")
        return SKIPPED
    return job.run_reporting("traced press", run, arguments)


if __name__ == "__main__":
    sys.exit(main())
