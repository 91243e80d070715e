#!/usr/bin/python3
"""CPU share of the real corvane while RUN fetches waveforms over the USB bridge from kv2040-sim at
its full rate, under Xvfb with an accessibility client registered as a screen reader would be (it
listens to every property, text, state and value change). The buttons are pressed through AT-SPI.
CPU time is the scheduler's run time of all of the program's threads.

Usage: dbus-run-session -- bench/program_run_cpu.py BUILD_DIR [SECONDS]
Prints the share with the Measurements dock shown and with it hidden."""
import os
import shutil
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "gui"))
import pyatspi  # noqa: E402
from atspi_driver import find, load_and_run, press, start_display, stop_all  # noqa: E402


def cpu_ns(pid):
    total = 0
    for task in os.listdir("/proc/%d/task" % pid):
        with open("/proc/%d/task/%s/schedstat" % (pid, task)) as f:
            total += int(f.read().split()[0])
    return total


def main():
    build = os.path.abspath(sys.argv[1])
    seconds = float(sys.argv[2]) if len(sys.argv) > 2 else 10.0
    work = tempfile.mkdtemp(prefix="corvane-run-cpu-")
    procs = []
    try:
        env = start_display(procs)
        env.update(XDG_CONFIG_HOME=os.path.join(work, "config"), XDG_RUNTIME_DIR=work)
        usb = os.path.join(work, "usb")
        sim = subprocess.Popen([os.path.join(build, "sim", "kv2040-sim"), "--usb", "--link", usb],
                               stdout=subprocess.PIPE, stderr=subprocess.DEVNULL,
                               start_new_session=True)
        procs.append(sim)
        sim.stdout.readline()
        settings = os.path.join(work, "config", "corvane")
        os.makedirs(settings)
        with open(os.path.join(settings, "KV2040.ini"), "w") as f:
            f.write("[Devices]\nUSB=%s\nCOM1=%s\n" % (usb, os.path.join(work, "no-serial")))
        # A restored record whose last byte (LinkUsb) chooses the USB bridge.
        with open(os.path.join(settings, "OSCTEMP.DSO"), "wb") as f:
            f.write(bytes(18119) + b"\x01")
        corvane = subprocess.Popen([os.path.join(build, "app", "corvane")], env=env, cwd=work,
                                   stderr=subprocess.DEVNULL, start_new_session=True)
        procs.append(corvane)

        events = [0]

        def heard(_event):
            events[0] += 1

        for kind in ("object:property-change", "object:text-changed", "object:state-changed",
                     "object:value-changed", "object:children-changed", "focus:"):
            pyatspi.Registry.registerEventListener(heard, kind)

        app = load_and_run()
        time.sleep(2.0)

        def pump(duration):
            end = time.monotonic() + duration
            while time.monotonic() < end:
                pyatspi.Registry.pumpQueuedEvents()
                time.sleep(0.01)

        def measure(label):
            pump(1.0)
            events[0] = 0
            t0 = cpu_ns(corvane.pid)
            pump(seconds)
            used = cpu_ns(corvane.pid) - t0
            print("RUN over USB, accessibility client listening, %s: %.2f %% of a core, "
                  "%d events/s" % (label, 100.0 * used / 1e9 / seconds, events[0] / seconds),
                  flush=True)

        measure("Measurements dock shown")
        press(find(app, lambda n: n.getRoleName() == "menu item"
                   and n.name.replace("&", "") == "Measurements"))
        measure("Measurements dock hidden")
    finally:
        stop_all(procs)
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    main()
