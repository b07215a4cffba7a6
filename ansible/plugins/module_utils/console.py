# Runs flashwright-cli on the host a task is delegated to and reads its
# result: the console programmer decides everything about a unit, the modules
# only hand on what it said.

from __future__ import absolute_import, division, print_function

__metaclass__ = type

import json
import re

# HOST:PORT or [IPv6]:PORT; anything else names a serial port.
_ADDRESS = re.compile(r"^(\[[^\]]+\]|[^:/\s\[\]]+):\d+$")

COMMON_OPTIONS = dict(
    unit=dict(type="str", required=True),
    serial=dict(type="str"),
    cli=dict(type="path", default="flashwright-cli"),
)


def unit_arguments(params):
    """The options that name the unit to the console program."""
    unit = params["unit"]
    arguments = ["--tcp", unit] if _ADDRESS.match(unit) else ["--port", unit]
    if params.get("serial"):
        arguments += ["--serial", params["serial"]]
    return arguments


def run_console(module, command, arguments):
    """Runs one command with --json; returns its result event and its notes.

    Fails the task when the program could not be run or gave no result.
    """
    argv = [module.params["cli"], command, "--json"] + arguments
    # A program that cannot be started fails the task in run_command itself.
    rc, out, err = module.run_command(argv)
    result, notes = None, []
    for line in out.splitlines():
        try:
            event = json.loads(line)
        except ValueError:
            continue
        if event.get("event") == "result":
            result = event
        elif event.get("event") in ("note", "message") and event.get("text"):
            notes.append(event["text"])
    if result is None:
        module.fail_json(
            msg="flashwright-cli %s ended (exit %d) without a result: %s"
            % (command, rc, err.strip()[-1000:] or "it printed nothing"),
            cmd=argv,
            exit_code=rc,
        )
    return result, notes
