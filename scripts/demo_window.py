#!/usr/bin/python3
"""The demo's window without a display: corvane under Xvfb, "Setup Para." and "RUN" pressed
through its accessibility tree, a screenshot after a few seconds of the live loop.

usage: demo_window.py CORVANE WORKDIR SHOT.png   (inside dbus-run-session; XDG_CONFIG_HOME set)
"""
import os
import subprocess
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "gui"))
from atspi_driver import load_and_run, start_display, stop_all

corvane_path, workdir, shot = sys.argv[1:4]
procs = []
try:
    env = start_display(procs)
    procs.append(subprocess.Popen([os.path.abspath(corvane_path)], env=env, cwd=workdir,
                                  stderr=subprocess.DEVNULL, start_new_session=True))
    load_and_run()
    time.sleep(4)
    subprocess.run(["import", "-window", "root", shot], env=env, check=True)
finally:
    stop_all(procs)
