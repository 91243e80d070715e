"""Drives a Qt program through its accessibility tree (AT-SPI) under Xvfb: what the GUI test and
the demo share. Run inside dbus-run-session."""
import os
import signal
import subprocess
import time

import pyatspi


def start_display(procs):
    """Xvfb on a free display and the accessibility bus; returns the environment for the program."""
    xvfb = subprocess.Popen(["Xvfb", "-displayfd", "1", "-screen", "0", "1280x1024x24"],
                            stdout=subprocess.PIPE, stderr=subprocess.DEVNULL,
                            start_new_session=True)
    procs.append(xvfb)
    env = dict(os.environ, DISPLAY=":" + xvfb.stdout.readline().decode().strip(),
               QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1", QT_QPA_PLATFORM="xcb")
    # Its own session, so that the bus daemon it starts goes with it.
    procs.append(subprocess.Popen(["/usr/libexec/at-spi-bus-launcher", "--launch-immediately"],
                                  env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                                  start_new_session=True))
    return env


def stop_all(procs):
    for p in reversed(procs):
        try:
            os.killpg(p.pid, signal.SIGKILL)  # the process and what it started
        except (ProcessLookupError, PermissionError):
            pass
        if p.poll() is None:
            p.kill()
        p.wait()


def wait_for(what, predicate, timeout=60.0):
    # Generous: on a loaded two-core machine the accessibility bus alone can take seconds.
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


def load_and_run():
    """Waits for Corvane on the bus, presses "Setup Para.", waits for the load, presses "RUN";
    returns the application."""
    app = wait_for("corvane on the accessibility bus", lambda: app_named("Corvane"))
    setup = wait_for("Setup Para.", lambda: by_description(app, "ToolbarButton971"))
    run = by_description(app, "BitBtn1")
    press(setup)
    wait_for("the end of the setup load", lambda: sensitive(run))
    press(run)
    return app
