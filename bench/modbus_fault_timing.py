#!/usr/bin/python3
# SPDX-License-Identifier: MIT
"""quillon-headless against the faulty Modbus test server on loopback: how long after a fault's
end a run stopped by it resumes (--resume-after 1, 20 faults of each kind), and how long a stop
signal takes to end the program during the start-up wait and mid-run on a silent module.

Usage: modbus_fault_timing.py resume [SECONDS_THE_FAULT_LASTS_AFTER_THE_STOP]
       modbus_fault_timing.py signals
The program is build/default/src/programs/quillon-headless, or $QUILLON_HEADLESS.
Process-level timings, which a benchmark loop cannot take: printed, never asserted.
"""
import os
import signal
import statistics
import subprocess
import sys
import tempfile
import time

HOLD = float(sys.argv[2]) if len(sys.argv) > 2 else 0.3
ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
PROGRAM = os.environ.get("QUILLON_HEADLESS",
                         ROOT + "/build/default/src/programs/quillon-headless")
SERVER = ROOT + "/tests/host/modbus/faulty_modbus_server.py"


class Server:
    def __init__(self):
        self.p = subprocess.Popen(["/usr/bin/python3", SERVER, "0"], stdin=subprocess.PIPE,
                                  stdout=subprocess.PIPE, text=True, bufsize=1)
        self.port = int(self.p.stdout.readline().split()[1])

    def cmd(self, line):
        self.p.stdin.write(line + "\n")
        self.p.stdin.flush()
        return self.p.stdout.readline().strip()


def start(server, folder, extra, device_extra="timeout 0.2\npoll-rate 20\n"):
    with open(folder + "/NorvaneAlarm.ini", "w") as f:
        f.write("[Rig]\nMathExpression9=0\n")
    with open(folder + "/rig.dev", "w") as f:
        f.write("server 127.0.0.1 %d\n%schannel 0 input-register 0 gain=0.01\noutputs coils 0\n"
                % (server.port, device_extra))
    env = dict(os.environ, QUILLON_CONFIG_DIR=folder, XDG_STATE_HOME=folder + "/state")
    err = open(folder + "/err.txt", "w")
    out = open(folder + "/out.txt", "w")
    return subprocess.Popen([PROGRAM] + extra + ["-dmodbus:" + folder + "/rig.dev", "-nRig"],
                            env=env, stdout=out, stderr=err, stdin=subprocess.DEVNULL)


def count(path, text):
    with open(path) as f:
        return f.read().count(text)


def wait_for(cond, patience=20):
    end = time.monotonic() + patience
    while time.monotonic() < end:
        if cond():
            return time.monotonic()
        time.sleep(0.002)
    raise SystemExit("timed out")


def resume_latency(runs):
    server = Server()
    folder = tempfile.mkdtemp()
    program = start(server, folder, ["--resume-after", "1"])
    err = folder + "/err.txt"
    wait_for(lambda: count(folder + "/out.txt", " running\n") >= 1)
    times = {}
    for fault, undo in (("away", "back"), ("silence 1000", "clear")):
        samples = []
        for _ in range(runs):
            stops = count(err, "Stopped at")
            resumes = count(err, "Resumed at")
            server.cmd(fault)
            wait_for(lambda: count(err, "Stopped at") > stops)
            time.sleep(HOLD)
            server.cmd(undo)
            t0 = time.monotonic()
            t1 = wait_for(lambda: count(err, "Resumed at") > resumes)
            samples.append(t1 - t0)
        times[fault.split()[0]] = samples
    program.send_signal(signal.SIGTERM)
    program.wait()
    return times


def signal_latency(sig, at_start_up, runs):
    samples = []
    for _ in range(runs):
        server = Server()
        folder = tempfile.mkdtemp()
        if at_start_up:
            server.cmd("silence 1000")
        program = start(server, folder, [], "timeout 20\npoll-rate 20\n")
        if at_start_up:
            wait_for(lambda: server.cmd("units") != "")
        else:
            wait_for(lambda: count(folder + "/out.txt", " running\n") >= 1)
            server.cmd("silence 1000")
            n = len(server.cmd("units"))
            wait_for(lambda: len(server.cmd("units")) > n)
        t0 = time.monotonic()
        program.send_signal(sig)
        status = program.wait()
        samples.append((time.monotonic() - t0, status,
                        count(folder + "/NorvaneAlarm.ini", "DataWindow=100")))
    return samples


if __name__ == "__main__":
    what = sys.argv[1]
    if what == "resume":
        for fault, samples in resume_latency(20).items():
            print("%s: median %.3f s, min %.3f, max %.3f (n=%d)" % (
                fault, statistics.median(samples), min(samples), max(samples), len(samples)))
    else:
        for name, sig in (("SIGINT", signal.SIGINT), ("SIGTERM", signal.SIGTERM),
                          ("SIGHUP", signal.SIGHUP)):
            for at_start_up in (True, False):
                samples = signal_latency(sig, at_start_up, 5)
                print("%s %s: max %.3f s, median %.3f s, statuses %s, saved %s" % (
                    name, "start-up wait" if at_start_up else "mid-run     ",
                    max(s[0] for s in samples), statistics.median(s[0] for s in samples),
                    sorted(set(s[1] for s in samples)), all(s[2] for s in samples)))
