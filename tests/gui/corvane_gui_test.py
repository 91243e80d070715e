#!/usr/bin/python3
"""The real corvane under Xvfb against kv2040-sim, driven through its accessibility tree (AT-SPI),
as a screen reader or an automation tool sees it: the window restores, "Setup Para." fills it with
the simulator's waves, a Control menu entry changes the instrument's setting, "RUN" updates
"FrameRate = ", a second start is refused, and closing writes
OSCTEMP.DSO and KV2040.ini.

usage: corvane_gui_test.py CORVANE KV2040_SIM   (run inside dbus-run-session)
"""
import os
import re
import shutil
import signal
import subprocess
import sys
import tempfile
import time

import pyatspi

CORVANE, SIM = sys.argv[1], sys.argv[2]


def wait_for(what, predicate, timeout=20.0):
    print("waiting for", what, flush=True)
    end = time.monotonic() + timeout
    while time.monotonic() < end:
        try:
            value = predicate()
        except Exception:  # the tree changes under us while the program works
            value = None
        if value:
            return value
        time.sleep(0.1)
    raise AssertionError("timed out waiting for " + what)


def find(node, test, depth=0):
    if node is None or depth > 16:
        return None
    try:
        if test(node):
            return node
        for i in range(node.childCount):
            hit = find(node.getChildAtIndex(i), test, depth + 1)
            if hit is not None:
                return hit
    except Exception:
        return None
    return None


def app_named(name, index=0):
    apps = [a for a in pyatspi.Registry.getDesktop(0) if a is not None and a.name == name]
    return apps[index] if len(apps) > index else None


def by_description(app, description):
    return find(app, lambda n: n.description == description)


def text_of(node):
    try:
        return node.queryText().getText(0, -1)
    except NotImplementedError:
        return node.name


def sensitive(node):
    return node.getState().contains(pyatspi.STATE_SENSITIVE)


def press(node):
    node.queryAction().doAction(0)


def menu_entry(app, path):
    """The menu item at the end of a caption path, e.g. ["Control", "CH 1", "Volt Division", "2 V"]."""
    node = app
    for caption in path:
        node = find(node, lambda n: n.getRoleName() in ("menu", "menu item")
                    and n.name.replace("&", "") == caption)
        assert node is not None, "no menu entry " + "/".join(path)
    return node


def dismiss_box(app, text):
    """Presses OK on the modal box showing `text`; returns True when there was one."""
    label = find(app, lambda n: n.getRoleName() == "label" and n.name == text)
    if label is None:
        return False
    ok = find(app, lambda n: n.getRoleName() == "push button" and n.name.replace("&", "") == "OK")
    press(ok)
    return True


def main():
    work = tempfile.mkdtemp(prefix="corvane-gui-")
    procs = []
    try:
        xvfb = subprocess.Popen(["Xvfb", "-displayfd", "1", "-screen", "0", "1280x1024x24"],
                                stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, start_new_session=True)
        procs.append(xvfb)
        display = ":" + xvfb.stdout.readline().decode().strip()
        env = dict(os.environ, DISPLAY=display, XDG_CONFIG_HOME=os.path.join(work, "config"),
                   XDG_RUNTIME_DIR=work, QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1", QT_QPA_PLATFORM="xcb")
        # Its own session, so that the bus daemon it starts goes with it.
        procs.append(subprocess.Popen(["/usr/libexec/at-spi-bus-launcher", "--launch-immediately"],
                                      env=env, stdout=subprocess.DEVNULL,
                                      stderr=subprocess.DEVNULL, start_new_session=True))
        com1 = os.path.join(work, "com1")
        sim = subprocess.Popen([SIM, "--baud", "38400", "--link", com1], stdout=subprocess.PIPE,
                               stderr=subprocess.DEVNULL, start_new_session=True)
        procs.append(sim)
        sim.stdout.readline()
        settings = os.path.join(work, "config", "corvane")
        os.makedirs(settings)
        with open(os.path.join(settings, "KV2040.ini"), "w") as f:
            f.write("[Devices]\nCOM1=%s\nUSB=%s\n[COMM Set]\nBaud rates=5\n"
                    % (com1, os.path.join(work, "no-usb")))
        time.sleep(0.5)
        corvane = subprocess.Popen([CORVANE], env=env, cwd=work, stderr=subprocess.DEVNULL, start_new_session=True)
        procs.append(corvane)

        app = wait_for("corvane on the accessibility bus", lambda: app_named("Corvane"))
        wait_for("the USB box", lambda: dismiss_box(app, "USB is not available."))
        setup = wait_for("Setup Para.", lambda: by_description(app, "ToolbarButton971"))
        run = by_description(app, "BitBtn1")
        assert not sensitive(run), "RUN is usable before the first load"

        press(setup)
        wait_for("the end of the setup load", lambda: sensitive(run) and setup.name == "Setup Para.")
        freq = text_of(by_description(app, "CFREQCH1"))
        assert re.fullmatch(r"(0\.99|1\.0[0-2])KHz", freq), "CH1 frequency " + freq
        assert text_of(by_description(app, "C1A")) == "1 V", text_of(by_description(app, "C1A"))

        # A Control menu entry changes the instrument; the next load shows it.
        press(menu_entry(app, ["Control", "CH 1", "Volt Division", "2 V"]))
        time.sleep(1.0)
        press(setup)
        wait_for("the second load", lambda: text_of(by_description(app, "C1A")) == "2 V")

        press(run)
        label1 = by_description(app, "Label1")
        wait_for("a frame rate", lambda: re.fullmatch(r"FrameRate = \d+", text_of(label1)))

        # A second start is refused and leaves the first running.
        second = subprocess.Popen([CORVANE], env=env, cwd=work, stderr=subprocess.DEVNULL, start_new_session=True)
        procs.append(second)
        refusal = wait_for("the refusal", lambda: app_named("Corvane", 1) or app_named("corvane"))
        wait_for("the refusal box", lambda: dismiss_box(refusal, "Corvane is already running.."))
        assert second.wait(timeout=10) == 1
        assert corvane.poll() is None

        press(run)
        wait_for("STOP", lambda: run.name == "RUN")
        exit_entry = find(app, lambda n: n.getRoleName() == "menu item" and n.name == "Exit")
        press(exit_entry)
        assert corvane.wait(timeout=15) == 0
        data = open(os.path.join(settings, "OSCTEMP.DSO"), "rb").read()
        assert len(data) == 18120, len(data)
        ini = open(os.path.join(settings, "KV2040.ini")).read()
        assert "Baud rates=5" in ini and "Wave Form=1" in ini, ini
        print("corvane GUI end-to-end: passed")
    finally:
        for p in reversed(procs):
            try:
                os.killpg(p.pid, signal.SIGKILL)  # the process and what it started
            except (ProcessLookupError, PermissionError):
                pass
            if p.poll() is None:
                p.kill()
            p.wait()
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    main()
