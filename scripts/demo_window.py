#!/usr/bin/python3
"""The demo's window without a display: corvane under Xvfb, "Setup Para." and "RUN" pressed
through its accessibility tree, a screenshot after a few seconds of the live loop.

usage: demo_window.py CORVANE WORKDIR SHOT.png   (inside dbus-run-session; XDG_CONFIG_HOME set)
"""
import os
import signal
import subprocess
import sys
import time

import pyatspi

corvane_path, workdir, shot = sys.argv[1:4]


def find(node, description, depth=0):
    if node is None or depth > 16:
        return None
    try:
        if node.description == description:
            return node
        for i in range(node.childCount):
            hit = find(node.getChildAtIndex(i), description, depth + 1)
            if hit is not None:
                return hit
    except Exception:
        return None
    return None


def wait_for(predicate, timeout=20.0):
    end = time.monotonic() + timeout
    while time.monotonic() < end:
        try:
            value = predicate()
            if value:
                return value
        except Exception:
            pass
        time.sleep(0.1)
    return None


def app():
    return next((a for a in pyatspi.Registry.getDesktop(0) if a is not None and a.name == "Corvane"),
                None)


procs = []
try:
    xvfb = subprocess.Popen(["Xvfb", "-displayfd", "1", "-screen", "0", "1280x1024x24"],
                            stdout=subprocess.PIPE, stderr=subprocess.DEVNULL,
                            start_new_session=True)
    procs.append(xvfb)
    env = dict(os.environ, DISPLAY=":" + xvfb.stdout.readline().decode().strip(),
               QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1", QT_QPA_PLATFORM="xcb")
    procs.append(subprocess.Popen(["/usr/libexec/at-spi-bus-launcher", "--launch-immediately"],
                                  env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                                  start_new_session=True))
    time.sleep(0.5)
    procs.append(subprocess.Popen([os.path.abspath(corvane_path)], env=env, cwd=workdir,
                                  stderr=subprocess.DEVNULL, start_new_session=True))
    a = wait_for(app)
    setup = wait_for(lambda: find(a, "ToolbarButton971"))
    run = find(a, "BitBtn1")
    setup.queryAction().doAction(0)
    wait_for(lambda: run.getState().contains(pyatspi.STATE_SENSITIVE))
    run.queryAction().doAction(0)
    time.sleep(4)
    subprocess.run(["import", "-window", "root", shot], env=env, check=True)
finally:
    for p in reversed(procs):
        try:
            os.killpg(p.pid, signal.SIGKILL)
        except ProcessLookupError:
            pass
        p.wait()
