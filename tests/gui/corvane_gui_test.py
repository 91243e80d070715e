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
import subprocess
import sys
import tempfile
import time

from atspi_driver import (app_named, by_description, find, press, sensitive, start_display,
                          stop_all, text_of, wait_for)

CORVANE, SIM = sys.argv[1], sys.argv[2]


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
        env = start_display(procs)
        env.update(XDG_CONFIG_HOME=os.path.join(work, "config"), XDG_RUNTIME_DIR=work)
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
        corvane = subprocess.Popen([CORVANE], env=env, cwd=work, stderr=subprocess.DEVNULL,
                                   start_new_session=True)
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
        second = subprocess.Popen([CORVANE], env=env, cwd=work, stderr=subprocess.DEVNULL,
                                  start_new_session=True)
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
        stop_all(procs)
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    main()
