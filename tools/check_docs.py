#!/usr/bin/python3
# SPDX-License-Identifier: MIT
"""Checks that what README.md and docs/*.md tell a user to type exists after the builds.

Run from the repository's root after the default and windows builds and the packages (the test
command runs it last). It reads the fenced code blocks and the inline `code` of each page:

- every path into this repository (./x, tools/..., build/..., examples/..., docs/..., bench/...)
  must exist; a '*' in it must match something;
- every command in a sh or bat block must start with one of this project's programs or scripts
  (which must exist in build/<preset>/bin or tools/) or with a known system command; a
  synopsis or example line that starts with a program name names a program that must exist.

Lines that cannot be checked here are listed in NOT_CHECKED with the reason; a listed line that
no longer appears in the pages is an error too, so the list stays true.
"""
import glob
import os
import re
import sys

PAGES = ["README.md"] + sorted(glob.glob("docs/*.md"))

LINUX_PROGRAMS = ["quillon", "quillon-headless", "quillon-replay", "pellomar", "quillon-fleet"]
WINDOWS_PROGRAMS = ["quillon.exe", "quillon-headless.exe"]
PROGRAM_DIRS = {".exe": "build/windows/bin", "": "build/default/bin"}

# Commands of the system, not of this project: nothing of ours to check in their name.
SYSTEM_COMMANDS = {"cmake", "ctest", "cd", "cpack", "jq", "systemctl", "loginctl",
                   "journalctl", "sudo", "apt", "msiexec", "wine", "mosquitto_sub",
                   "mosquitto_passwd", "chmod", "chown"}

# The top-level folders whose paths a page may name.
REPO_ROOTS = ("tools", "build", "docs", "examples", "bench", "packaging", "src", "tests",
              "cmake", "fuzz")

NOT_CHECKED = {
    "systemctl --user enable --now quillon-headless@Lab1   # start now and at every login":
        "needs the package installed and a user's systemd; check_package.sh verifies the unit",
    "journalctl --user -u quillon-headless@Lab1 -f         # its log; failures show as errors":
        "needs a running user service",
    "systemctl --user stop quillon-headless@Lab1           # SIGTERM: stop, save, end":
        "needs a running user service",
    "loginctl enable-linger \"$USER\"                        # and at boot, without a login":
        "changes the machine's login policy",
    "./tools/run.sh -dmodbus:rig.dev -nRig":
        "rig.dev is the user's own device file naming a real module's address "
        "(examples/rig.dev is its template; tests/host runs the Modbus host on loopback)",
    "quillon.exe -d1 -nLab1":
        "needs the host program on Windows; build/windows/bin/quillon.exe is checked below",
    "quillon-headless.exe -d1 -nLab1":
        "needs the host program on Windows; build/windows/bin/quillon-headless.exe is checked",
    "quillon-replay.exe rig-2024-05-02.csv -nLab1 --out replay":
        "the user's own recording on Windows; tests/win32/replay_under_wine.sh runs "
        "build/windows/bin/quillon-replay.exe",
}

PATH_PATTERN = re.compile(r"(?<![\w/.$~%%\\-])((?:\./)?(?:%s)/[\w./*@+-]*|\./[\w./*@+-]+)"
                          % "|".join(REPO_ROOTS))


def code_lines(page):
    """(line number, text, block language or None for inline code) of a page's code."""
    language = None
    in_block = False
    with open(page, encoding="utf-8") as text:
        for number, line in enumerate(text, 1):
            line = line.rstrip("\n")
            fence = re.match(r"^\s*```(\w*)", line)
            if fence:
                in_block = not in_block
                language = fence.group(1) if in_block else None
                continue
            if in_block:
                yield number, line, language
            else:
                for inline in re.findall(r"`([^`]+)`", line):
                    yield number, inline, None


def path_errors(text):
    errors = []
    for path in PATH_PATTERN.findall(text):
        path = path.rstrip(".,;:)")
        if "*" in path:
            if not glob.glob(path):
                errors.append(f"nothing matches {path}")
        elif not os.path.exists(path):
            errors.append(f"{path} does not exist")
    return errors


def program_path(name):
    suffix = ".exe" if name.endswith(".exe") else ""
    return os.path.join(PROGRAM_DIRS[suffix], name)


def command_errors(text):
    """The first word of each command of a shell line: ours must exist, others be known."""
    errors = []
    code = text.split(" #")[0] if not text.lstrip().startswith("#") else ""
    for command in re.split(r"&&|\|\||\||;", code):
        words = command.split()
        if not words:
            continue
        first = words[0]
        if first == "sudo" and len(words) > 1:
            first = words[1]
        if first in LINUX_PROGRAMS + WINDOWS_PROGRAMS:
            if not os.access(program_path(first), os.X_OK):
                errors.append(f"{program_path(first)} is not built")
        elif first.startswith("./") or "/" in first:
            if not os.access(first, os.X_OK):
                errors.append(f"{first} is not an executable")
        elif first not in SYSTEM_COMMANDS:
            errors.append(f"unknown command {first!r} (add it to SYSTEM_COMMANDS or "
                          "NOT_CHECKED with a reason)")
    return errors


def synopsis_errors(text):
    words = text.split()
    if words and words[0] in LINUX_PROGRAMS + WINDOWS_PROGRAMS:
        if not os.access(program_path(words[0]), os.X_OK):
            return [f"{program_path(words[0])} is not built"]
    return []


def main():
    failures = []
    seen_unchecked = set()
    checked = 0
    for page in PAGES:
        for number, text, language in code_lines(page):
            if text.strip() in NOT_CHECKED:
                seen_unchecked.add(text.strip())
                errors = path_errors(text)
            elif language in ("sh", "bat"):
                errors = path_errors(text) + command_errors(text)
            else:
                errors = path_errors(text) + synopsis_errors(text)
            checked += 1
            failures += [f"{page}:{number}: {error}: {text.strip()}" for error in errors]
    for line in sorted(set(NOT_CHECKED) - seen_unchecked):
        failures.append(f"NOT_CHECKED lists a line no page has any more: {line}")
    for line, reason in NOT_CHECKED.items():
        print(f"not checked: {line.split('  #')[0].strip()}: {reason}")
    for failure in failures:
        print(failure, file=sys.stderr)
    if failures:
        print(f"{len(failures)} stale paths or programs in the documentation", file=sys.stderr)
        return 1
    print(f"documentation: {checked} code lines checked in {len(PAGES)} pages")
    return 0


if __name__ == "__main__":
    os.chdir(os.path.join(os.path.dirname(os.path.abspath(__file__)), ".."))
    sys.exit(main())
