#!/usr/bin/python
# Copyright ORVANT. All rights reserved.

from __future__ import absolute_import, division, print_function

__metaclass__ = type

DOCUMENTATION = r"""
module: program
short_description: Program a VQ scaler unit with its firmware, where it needs it
description:
  - Runs C(flashwright-cli program --json) on the host the task runs on, usually the site's
    bench host through C(delegate_to), against one unit reached from there over TCP or a
    serial port.
  - With I(level), the unit is first asked, without a restart, which firmware it runs. A unit
    that names its firmware file at that level or above (and at 120 or above, below which a unit
    is not trusted to name itself) is left alone and the task reports no change. Any other unit
    is programmed with the file named after its identification plus C(.vq) in I(folder), then
    asked again until it runs I(level) or more; it is given about 10 seconds to start its new
    firmware.
  - Every run but a check adds one record to the unit log on the bench host, which the task
    returns.
  - Programming runs stop-and-wait, 32 bytes a round trip, so the bench host should be near the
    unit; each millisecond of round trip adds about 33 seconds per MiB of firmware.
version_added: 1.0.0
author:
  - ORVANT Flashwright developers
options:
  unit:
    description:
      - The unit, as the bench host reaches it. C(HOST:PORT) or C([IPv6]:PORT) for a unit on
        Ethernet or behind a serial-to-TCP bridge; anything else is a serial port of the bench
        host, such as C(COM1), C(/dev/ttyUSB0) or C(ttyUSB0).
    type: str
    required: true
  folder:
    description:
      - The folder of C(.vq) firmware files on the bench host. Default is the firmware folder
        stored in the settings of the bench host's user.
    type: path
  level:
    description:
      - The firmware level (0 to 255) the unit must run. Without it every unit is programmed.
    type: int
  record:
    description:
      - The unit log on the bench host that the record is added to, shared by every unit of a
        run. Default is C(units.jsonl) in the bench user's data folder
        (C(~/.local/share/ORVANT/Flashwright)).
    type: path
  serial:
    description:
      - Serial parameters for a serial port, such as C(115200,n,8,1).
    type: str
  cli:
    description:
      - The console programmer on the bench host.
    type: path
    default: flashwright-cli
notes:
  - In check mode with I(level) the unit is only asked which firmware it runs, and the task
    reports whether it would be programmed; nothing else is sent to it and nothing is recorded.
    Without I(level) a check asks nothing and reports a change, as every unit would be
    programmed.
  - A unit whose programming fails is left in its loader and must be power-cycled before it is
    programmed again, as the reason says.
  - Runs of this module for units on the same bench host may run at once; the unit log takes
    each record whole.
seealso:
  - module: flashwright.units.info
"""

EXAMPLES = r"""
- name: Program each unit below level 130, from its site's bench
  flashwright.units.program:
    unit: "{{ unit_address }}"
    folder: /srv/flashwright/firmware
    level: 130
  delegate_to: "{{ bench_host }}"
  throttle: 8
"""

RETURN = r"""
changed:
  description: Whether anything that changes it was sent to the unit.
  returned: always
  type: bool
ending:
  description:
    - How the run ended, such as C(Complete), C(Unchanged), C(WouldProgram) (check mode),
      C(BlockRefused), C(LevelTooLow) or C(NoLevel).
  returned: always
  type: str
  sample: Complete
exit_code:
  description: The exit code of flashwright-cli (0 success, 3 link, 4 no answer, 5 no file,
    6 block refused, 7 interrupted, 8 other).
  returned: always
  type: int
identification:
  description: The identification the unit's loader announced, when it was programmed.
  returned: when the unit was identified
  type: str
  sample: vq200_s70_1
level_before:
  description: The level the unit ran before, when it named one.
  returned: with level, when the unit answered
  type: int
level_after:
  description: The level the unit runs afterwards.
  returned: with level, when the unit answered
  type: int
running_firmware:
  description: The firmware file the unit said it runs, last.
  returned: with level, when the unit answered
  type: str
  sample: vq200_s70_1.vq
blocks_sent:
  description: The firmware's 32-byte blocks the unit took, of I(blocks_total).
  returned: always
  type: int
blocks_total:
  description: The blocks of the unit's firmware file.
  returned: always
  type: int
firmware_file:
  description: The firmware file sent or looked for, on the bench host.
  returned: when one was chosen
  type: str
record:
  description:
    - The record added to the unit log, with the tool, its version, the host, the unit, its
      identification and levels, the firmware file's name, size and sha256, the start and end
      in UTC, the blocks, the result, the ending, the exit code and the error.
  returned: when it was written
  type: dict
record_error:
  description: Why no record could be written; the task's result does not change for it.
  returned: when the unit log could not be written
  type: str
notes:
  description: What the console program said on the way, such as why a unit is programmed.
  returned: always
  type: list
  elements: str
"""

from ansible.module_utils.basic import AnsibleModule
from ansible_collections.flashwright.units.plugins.module_utils.console import (
    COMMON_OPTIONS,
    run_console,
    unit_arguments,
)

KEPT = ("ending", "exit_code", "identification", "level_before", "level_after",
        "running_firmware", "blocks_sent", "blocks_total", "firmware_file", "record",
        "record_error")


def main():
    module = AnsibleModule(
        argument_spec=dict(
            COMMON_OPTIONS,
            folder=dict(type="path"),
            level=dict(type="int"),
            record=dict(type="path"),
        ),
        supports_check_mode=True,
    )
    p = module.params
    if module.check_mode and p["level"] is None:
        module.exit_json(changed=True, ending="WouldProgram", exit_code=0, notes=[
            "without level every unit is programmed; the unit was not asked"])

    arguments = unit_arguments(p)
    for name in ("folder", "level", "record"):
        if p[name] is not None:
            arguments += ["--" + name, str(p[name])]
    if module.check_mode:
        arguments.append("--check")
    result, notes = run_console(module, "program", arguments)

    out = dict((key, result[key]) for key in KEPT if key in result)
    out["notes"] = notes
    if module.check_mode:
        out["changed"] = result.get("ending") == "WouldProgram"
    else:
        out["changed"] = bool(result.get("changed"))
    if not result.get("ok"):
        module.fail_json(msg=result.get("reason") or "flashwright-cli program failed", **out)
    if out.get("record_error"):
        module.warn("the unit log was not written: " + out["record_error"])
    module.exit_json(**out)


if __name__ == "__main__":
    main()
