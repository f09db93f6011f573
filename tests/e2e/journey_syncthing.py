"""Two computers, one project, carried by Syncthing: two Syncthing instances, each with its own
home and folder, talk to each other on 127.0.0.1 only; each folder has its Horavel window on
a display of its own. With the folder paused on one side, both windows time a task and edit
the project and save. Resumed, and once Syncthing is idle on both sides and each window has
taken in what arrived (and saved where it merged), both files are byte-identical and hold
every period timed in either window."""

import copy
import os
import re
import secrets
import socket
import subprocess
import time
import urllib.request
import json
import xml.etree.ElementTree as ElementTree

import horavel_e2e as e2e
from horavel_e2e import expect, expect_equal

FOLDER = "horavel"


def project_text():
    ids = {name: f"{number:032x}" for number, name in enumerate(["Site", "Logo", "Copy"], 1)}
    tasks = "".join(
        f'<task name="{name}" completed="false" task_time="" subtask_time="" id="{ids[name]}">'
        f'<description/><history/></task>' for name in ("Logo", "Copy"))
    return (f'<?xml version="1.0"?>\n<project name="Site" completed="false" task_time="" '
            f'subtask_time="" id="{ids["Site"]}"><description/><history/>{tasks}</project>\n')


def free_port():
    with socket.socket() as probe:
        probe.bind(("127.0.0.1", 0))
        return probe.getsockname()[1]


class Syncthing:
    """One Syncthing instance: its own home, keys and ports, nothing but 127.0.0.1."""

    def __init__(self, root, name, artifacts):
        self.name = name
        self.home = os.path.join(root, "syncthing")
        made = subprocess.run(["syncthing", "generate", f"--home={self.home}",
                               "--no-default-folder", "--skip-port-probing"],
                              capture_output=True, text=True, timeout=60, check=True)
        self.id = re.search(r"Device ID: (\S+)", made.stdout + made.stderr).group(1)
        self.port, self.gui = free_port(), free_port()
        self.key = secrets.token_hex(16)
        self.log = open(os.path.join(artifacts, f"syncthing-{name}.log"), "w")
        self.process = None

    def configure(self, folder, peer):
        """The folder shared with the peer alone, reached at its static address; discovery,
        relays, NAT traversal, usage and crash reports and upgrades all off. Built on the
        generated file, so that whatever is not named here keeps Syncthing's own default
        (conflict copies among them)."""
        path = os.path.join(self.home, "config.xml")
        config = ElementTree.parse(path)
        root = config.getroot()
        defaults = root.find("defaults")
        shared = copy.deepcopy(defaults.find("folder"))
        shared.attrib.update(id=FOLDER, label="Horavel", path=folder, fsWatcherDelayS="1")
        other = copy.deepcopy(shared.find("device"))
        other.set("id", peer.id)
        shared.insert(list(shared).index(shared.find("device")) + 1, other)
        root.insert(0, shared)
        device = copy.deepcopy(defaults.find("device"))
        device.attrib.update(id=peer.id, name=peer.name)
        device.find("address").text = f"tcp://127.0.0.1:{peer.port}"
        root.insert(2, device)
        root.find("device").set("name", self.name)
        gui = root.find("gui")
        gui.find("address").text = f"127.0.0.1:{self.gui}"
        gui.find("apikey").text = self.key
        options = root.find("options")
        for name, value in (("listenAddress", f"tcp://127.0.0.1:{self.port}"),
                            ("globalAnnounceEnabled", "false"),
                            ("localAnnounceEnabled", "false"),
                            ("relaysEnabled", "false"), ("natEnabled", "false"),
                            ("stunKeepaliveStartS", "0"), ("announceLANAddresses", "false"),
                            ("urAccepted", "-1"), ("crashReportingEnabled", "false"),
                            ("autoUpgradeIntervalH", "0"), ("startBrowser", "false"),
                            ("restartOnWakeup", "false"), ("reconnectionIntervalS", "1"),
                            ("setLowPriority", "false")):
            options.find(name).text = value
        # A small test disk may be nearly full; Syncthing would then stop the folder.
        for limit in (options.find("minHomeDiskFree"), shared.find("minDiskFree")):
            limit.text = "0"
        config.write(path)
        os.makedirs(os.path.join(folder, ".stfolder"), exist_ok=True)

    def start(self):
        env = {key: value for key, value in os.environ.items()
               if not key.startswith(("ST", "all_proxy", "http_proxy", "https_proxy"))}
        env.update(STNOUPGRADE="1", STNORESTART="1", HOME=self.home)
        self.process = subprocess.Popen(
            ["syncthing", "serve", f"--home={self.home}", "--no-browser", "--no-restart",
             "--no-upgrade", "--logflags=3"],
            env=env, stdout=self.log, stderr=subprocess.STDOUT)

    def rest(self, path, method="GET", body=None):
        request = urllib.request.Request(
            f"http://127.0.0.1:{self.gui}{path}", method=method,
            data=None if body is None else json.dumps(body).encode(),
            headers={"X-API-Key": self.key, "Content-Type": "application/json"})
        with urllib.request.urlopen(request, timeout=10) as answer:
            text = answer.read()
        return json.loads(text) if text.strip() else None

    def set_paused(self, paused):
        self.rest(f"/rest/config/folders/{FOLDER}", "PATCH", {"paused": paused})

    def folder_state(self):
        return self.rest(f"/rest/db/status?folder={FOLDER}")

    def settled_with(self, peer):
        """Connected, the folder idle with nothing left to fetch, and the peer known to hold
        everything this side has: the folder's sequence then tells whether anything moved."""
        connected = self.rest("/rest/system/connections")["connections"][peer.id]["connected"]
        status = self.folder_state()
        completion = self.rest(f"/rest/db/completion?folder={FOLDER}&device={peer.id}")
        if not (connected and status["state"] == "idle" and status["needTotalItems"] == 0
                and completion["completion"] == 100):
            return None
        return status["sequence"], status["globalFiles"], status["globalBytes"]

    def stop(self):
        if self.process is not None:
            self.process.kill()
            self.process.wait(timeout=10)
        self.log.close()


class Side:
    """One computer: its home, its synced folder, its display and Horavel window, its
    Syncthing."""

    def __init__(self, journey, name, display=None):
        self.name = name
        self.root = os.path.join(os.path.dirname(journey.home), name)
        self.home = os.path.join(self.root, "home")
        self.folder = os.path.join(self.root, "Sync")
        runtime = os.path.join(self.root, "runtime")
        os.makedirs(os.path.join(self.home, ".config"), mode=0o700)
        os.makedirs(runtime, mode=0o700)
        os.makedirs(self.folder)
        self.env = dict(journey.env)
        self.env.update(HOME=self.home, XDG_CONFIG_HOME=os.path.join(self.home, ".config"),
                        XDG_DATA_HOME=os.path.join(self.home, ".local", "share"),
                        XDG_CACHE_HOME=os.path.join(self.home, ".cache"),
                        XDG_RUNTIME_DIR=runtime)
        self.own_display = display is None
        self.display = e2e.Display(self.env) if display is None else display
        self.binary = journey.binary
        self.log = open(os.path.join(journey.artifacts, f"program-{name}.log"), "w")
        self.syncthing = Syncthing(self.root, name, journey.artifacts)
        self.program = None
        self.journey = journey

    @property
    def project(self):
        return os.path.join(self.folder, "site.hvp")

    def start_program(self):
        self.program = e2e.Program(self, [self.project])
        self.journey.programs.append(self.program)
        return self.program

    def command(self, *args):
        done = subprocess.run([self.binary, *args], env=self.env, cwd=self.home,
                              capture_output=True, text=True, timeout=30)
        expect_equal(done.returncode, 0, f"{' '.join(args)} on {self.name}: {done.stderr}")
        return done.stdout

    def status(self):
        return e2e.find(self.program.window, "status bar").name

    def conflict_copies(self):
        return sorted(name for name in os.listdir(self.folder)
                      if "sync-conflict" in name and name.endswith(".hvp"))

    def litter(self):
        return sorted(name for name in os.listdir(self.folder)
                      if name not in (".stfolder", "site.hvp"))

    def read(self):
        with open(self.project, "rb") as saved:
            return saved.read()

    def close(self):
        self.syncthing.stop()
        if self.own_display:
            self.display.close()
        self.log.close()


def periods(data):
    """The periods in a saved project, by id: (task, start, seconds)."""
    root = ElementTree.fromstring(data)
    found = {}
    for task in root.iter("task"):
        for session in task.iterfind("history/session"):
            found[session.get("id")] = (task.get("id"), session.get("start"),
                                        int(session.get("seconds")))
    return found


def wait_settled(journey, a, b, timeout):
    """Both Syncthings idle and in step, twice in a row a second apart."""
    journey.step("waiting for Syncthing to settle on both sides")
    last = [None]

    def settled():
        now = (a.syncthing.settled_with(b.syncthing), b.syncthing.settled_with(a.syncthing))
        steady = None not in now and now == last[0]
        last[0] = now
        if not steady:
            time.sleep(0.9)
        return steady

    e2e.wait_for("Syncthing idle on both sides", settled, timeout=timeout)


def journey(journey):
    a = Side(journey, "a", journey.display)
    b = Side(journey, "b")
    sides = (a, b)
    try:
        walk(journey, a, b)
    finally:
        for side in sides:
            side.close()


def walk(journey, a, b):
    a.syncthing.configure(a.folder, b.syncthing)
    b.syncthing.configure(b.folder, a.syncthing)
    with open(a.project, "w", encoding="utf-8") as out:
        out.write(project_text())
    for side in (a, b):
        side.syncthing.start()
    journey.step("the project reaches the second folder")
    e2e.wait_for("site.hvp in b's folder",
                 lambda: os.path.exists(b.project) and b.read() == a.read(), timeout=40)
    wait_settled(journey, a, b, 20)

    for side in (a, b):
        side.start_program()
    for side in (a, b):
        side.program.expect_tree(["Site"])
        side.program.expand("Site")
        side.program.expect_tree(["Site", "Logo", "Copy"])

    journey.step("b's folder paused; both windows time and edit, and save")
    b.syncthing.set_paused(True)
    e2e.wait_for("b's folder paused",
                 lambda: b.syncthing.rest(f"/rest/config/folders/{FOLDER}")["paused"])
    a.command("--start", "Site/Logo")
    b.command("--start", "Site/Copy")
    time.sleep(3)
    a.command("--stop")
    b.command("--stop")

    a.program.select("Site")
    a.program.new_node("New Task", "Menu", ["Site", "Logo", "Copy"])
    b.program.select("Copy")
    b.program.click(b.program.field("Task Name:"))
    b.program.keys("ctrl+a")
    b.program.type("Body copy")
    b.program.expect_tree(["Site", "Logo", "Body copy"])
    timed = {}
    for side in (a, b):
        before = side.read()
        side.program.keys("ctrl+s")
        e2e.wait_for(f"{side.name}'s save", lambda: side.read() != before)
        timed.update(periods(side.read()))
    expect_equal(len(timed), 2, "the periods timed, one in each window")
    journey.screenshot("a-before-resume")

    journey.step("b's folder resumed")
    b.syncthing.set_paused(False)
    deadline = time.monotonic() + 60
    saved_after = {}  # the notice each window showed when it was last saved
    while True:
        wait_settled(journey, a, b, deadline - time.monotonic())
        time.sleep(2)  # each window's watch takes in a change once it settles
        journey.step(f"settled: {[(side.status(), side.litter()) for side in (a, b)]}")
        unsaved = [side for side in (a, b) if side.status().startswith("Merged")
                   and side.status() != saved_after.get(side.name)]
        if a.read() == b.read() and not a.conflict_copies() + b.conflict_copies() + unsaved:
            break
        expect(time.monotonic() < deadline, "the two files never came to agree")
        # One window at a time: the other takes in what it saved.
        if unsaved:
            journey.step(f"{unsaved[0].name} merged: saved")
            saved_after[unsaved[0].name] = unsaved[0].status()
            unsaved[0].program.keys("ctrl+s")
            time.sleep(2)

    journey.step("both files alike, with every period of both windows")
    merged = periods(a.read())
    for period, (task, start, seconds) in timed.items():
        expect(period in merged and merged[period][2] >= seconds,
               f"the period {period} of task {task} ({seconds} s) is kept: {merged}")
    root = ElementTree.fromstring(a.read())
    names = sorted(task.get("name") for task in root.iter("task"))
    expect_equal(names, ["Body copy", "Logo", "Menu"], "the tasks of both windows")
    journey.screenshot("a-merged")


if __name__ == "__main__":
    e2e.run("syncthing", journey)
