#!/usr/bin/env python3
"""Checks the updater's udev rule for USB serial adapters as udev reads it.

udevadm of systemd 252 (Debian 12) has no "verify", so the syntax is checked
here: every rule line is a comma-separated list of KEY{attribute}OP"value"
with a key udev knows and an operator that key takes. The file must sort
before 73-seat-late.rules, which turns the uaccess tag into the access of the
user at the computer (and before 71-seat.rules, which puts the tagged devices
on the seat), and the rule must add that tag (never replace the
device's other tags) to every USB serial adapter and to nothing else.

Usage: check-udev-rule.py [--self-test] FILE...
  --self-test  first feed the checks broken rules and make sure each is refused
Exit status 0 when every FILE is in order, 1 otherwise.
"""
import fnmatch
import os
import re
import sys
import tempfile

MATCH = {"==", "!="}
ASSIGN = {"=", "+=", "-=", ":="}
# key: (attribute in braces: "no", "optional" or "required"; operators)
KEYS = {
    "ACTION": ("no", MATCH), "DEVPATH": ("no", MATCH),
    "KERNEL": ("no", MATCH), "KERNELS": ("no", MATCH),
    "SUBSYSTEM": ("no", MATCH), "SUBSYSTEMS": ("no", MATCH),
    "DRIVER": ("no", MATCH), "DRIVERS": ("no", MATCH),
    "TAGS": ("no", MATCH), "RESULT": ("no", MATCH), "PROGRAM": ("no", MATCH | {"="}),
    "ATTRS": ("required", MATCH), "CONST": ("required", MATCH),
    "TEST": ("optional", MATCH),
    "NAME": ("no", MATCH | {"=", ":="}), "SYMLINK": ("no", MATCH | ASSIGN),
    "TAG": ("no", MATCH | {"=", "+=", "-="}),
    "ATTR": ("required", MATCH | {"="}), "SYSCTL": ("required", MATCH | {"="}),
    "ENV": ("required", MATCH | {"=", "+=", ":="}), "IMPORT": ("required", {"="}),
    "OWNER": ("no", {"=", ":="}), "GROUP": ("no", {"=", ":="}),
    "MODE": ("no", {"=", ":="}), "SECLABEL": ("required", {"=", "+=", ":="}),
    "RUN": ("optional", {"=", "+=", ":="}), "LABEL": ("no", {"="}),
    "GOTO": ("no", {"="}), "OPTIONS": ("no", {"=", "+=", ":="}),
}
PAIR = re.compile(r'\s*([A-Z_]+)(?:\{([^}]*)\})?\s*(==|!=|\+=|-=|:=|=)\s*"((?:[^"\\]|\\.)*)"\s*')
SEAT = "71-seat.rules"
# (subsystem, kernel name, whether the user at the computer gets access)
DEVICES = [
    ("tty", "ttyUSB0", True), ("tty", "ttyUSB17", True), ("tty", "ttyACM0", True),
    ("tty", "ttyACM3", True), ("tty", "ttyS0", False), ("tty", "tty1", False),
    ("tty", "ttyAMA0", False), ("tty", "console", False),
    ("usb-serial", "ttyUSB0", False),  # the USB side of an adapter: no device node
    ("usb", "1-2", False),
]


def parse_line(line):
    """Returns the line's (key, attribute, operator, value) tuples; raises
    ValueError naming the first fault."""
    pairs, position = [], 0
    while position < len(line):
        found = PAIR.match(line, position)
        if not found:
            raise ValueError(f"cannot read a KEY==\"value\" pair at: {line[position:]!r}")
        key, attribute, operator, value = found.groups()
        if key not in KEYS:
            raise ValueError(f"unknown key {key}")
        kind, operators = KEYS[key]
        if attribute is None and kind == "required":
            raise ValueError(f"{key} needs an {{attribute}}")
        if attribute is not None and kind == "no":
            raise ValueError(f"{key} takes no {{attribute}}")
        if operator not in operators:
            raise ValueError(f"{key} does not take {operator}")
        pairs.append((key, attribute, operator, value))
        position = found.end()
        if position < len(line):
            if line[position] != ",":
                raise ValueError(f"a comma is missing before: {line[position:]!r}")
            position += 1
    return pairs


def read_rules(path):
    """Returns the rules of the file as lists of pairs, continued lines joined."""
    rules, pending = [], ""
    with open(path, encoding="utf-8") as stream:
        for number, line in enumerate(stream, 1):
            line = pending + line.rstrip("\n")
            if line.endswith("\\"):
                pending = line[:-1]
                continue
            pending = ""
            if not line.strip() or line.lstrip().startswith("#"):
                continue
            try:
                rules.append(parse_line(line))
            except ValueError as fault:
                raise ValueError(f"line {number}: {fault}") from None
    if pending:
        raise ValueError("the last line ends with a backslash")
    return rules


def matches(pattern, text):
    return any(fnmatch.fnmatchcase(text, part) for part in pattern.split("|"))


def tags_for_uaccess(rules, subsystem, kernel):
    """Whether the rules add the uaccess tag to this device."""
    known = {"SUBSYSTEM": subsystem, "KERNEL": kernel}
    for rule in rules:
        applies, tagged = True, False
        for key, _, operator, value in rule:
            if operator in MATCH:
                if key not in known:
                    raise ValueError(f"the check cannot judge a match on {key}")
                applies &= matches(value, known[key]) == (operator == "==")
            elif key == "TAG" and value == "uaccess":
                if operator != "+=":
                    raise ValueError('TAG must be added to (TAG+="uaccess"), not set')
                tagged = True
        if applies and tagged:
            return True
    return False


def check(path):
    """Returns the faults of the rules file at path (none: in order)."""
    name = os.path.basename(path)
    if not re.fullmatch(r"[0-9]{2}-[a-z0-9-]+\.rules", name):
        return [f"{name}: not a rules file name (NN-name.rules)"]
    if name >= SEAT:
        return [f"{name}: sorts after {SEAT}, too late for the uaccess tag"]
    try:
        rules = read_rules(path)
        faults = []
        for subsystem, kernel, wanted in DEVICES:
            if tags_for_uaccess(rules, subsystem, kernel) != wanted:
                given = "gets" if not wanted else "does not get"
                faults.append(f"{name}: {subsystem} device {kernel} {given} the uaccess tag")
        return faults
    except ValueError as fault:
        return [f"{name}: {fault}"]


GOOD = 'SUBSYSTEM=="tty", KERNEL=="ttyUSB[0-9]*|ttyACM[0-9]*", TAG+="uaccess"\n'
# (file name, text, a piece of the fault the check must report)
BROKEN = [
    ("80-vanto-serial.rules", GOOD, "sorts after"),
    ("vanto-serial.rules", GOOD, "not a rules file name"),
    ("70-a.rules", GOOD.replace('KERNEL==', 'KERNEL='), "KERNEL does not take ="),
    ("70-a.rules", GOOD.replace('"uaccess"', '"uaccess'), "cannot read"),
    ("70-a.rules", GOOD.replace('", KERNEL', '" KERNEL'), "comma is missing"),
    ("70-a.rules", GOOD.replace("SUBSYSTEM", "SUBSYTEM"), "unknown key SUBSYTEM"),
    ("70-a.rules", GOOD.replace("SUBSYSTEM", "ATTR"), "ATTR needs"),
    ("70-a.rules", GOOD.replace("TAG+=", "TAG="), "must be added to"),
    ("70-a.rules", GOOD.replace("|ttyACM[0-9]*", ""), "ttyACM0 does not get"),
    ("70-a.rules", GOOD.replace("ttyUSB[0-9]*|", ""), "ttyUSB0 does not get"),
    ("70-a.rules", GOOD.replace("ttyUSB[0-9]*", "tty*"), "ttyS0 gets"),
    ("70-a.rules", GOOD.replace('SUBSYSTEM=="tty", ', ""), "usb-serial device ttyUSB0 gets"),
    ("70-a.rules", "# nothing but a comment\n", "ttyUSB0 does not get"),
    ("70-a.rules", GOOD.rstrip("\n") + " \\\n", "ends with a backslash"),
]


def self_test():
    """Returns the faults of the checks themselves: a good rule refused, or a
    broken one let through."""
    faults = []
    with tempfile.TemporaryDirectory() as folder:
        for name, text, wanted in [("70-good.rules", GOOD, None)] + BROKEN:
            path = os.path.join(folder, name)
            with open(path, "w", encoding="utf-8") as stream:
                stream.write(text)
            found = check(path)
            if wanted is None and found:
                faults.append(f"self-test: a good rule was refused: {found}")
            elif wanted is not None and not any(wanted in fault for fault in found):
                faults.append(f"self-test: {text!r} as {name}: wanted {wanted!r}, got {found}")
            os.remove(path)
    return faults


def main(arguments):
    faults = self_test() if arguments[:1] == ["--self-test"] else []
    paths = [argument for argument in arguments if argument != "--self-test"]
    if not paths:
        print(__doc__, file=sys.stderr)
        return 2
    for path in paths:
        faults += check(path)
    for fault in faults:
        print(f"check-udev-rule: {fault}", file=sys.stderr)
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
