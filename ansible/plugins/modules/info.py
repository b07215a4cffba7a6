#!/usr/bin/python
# Copyright ORVANT. All rights reserved.

from __future__ import absolute_import, division, print_function

__metaclass__ = type

DOCUMENTATION = r"""
module: info
short_description: Read what a VQ scaler unit runs, without programming it
description:
  - Runs C(flashwright-cli version --json) and C(flashwright-cli firmware --json) on the host the
    task runs on, usually the site's bench host through C(delegate_to), and returns the unit's
    software version and the name and level of the firmware it runs. Neither restarts the unit.
  - With I(identify), also C(flashwright-cli ident --json), which restarts the unit into its
    loader to read its identification.
version_added: 1.0.0
author:
  - ORVANT Flashwright developers
options:
  unit:
    description:
      - The unit, as the bench host reaches it. C(HOST:PORT) or C([IPv6]:PORT) over TCP;
        anything else is a serial port of the bench host, such as C(COM1) or C(/dev/ttyUSB0).
    type: str
    required: true
  identify:
    description:
      - Also read the identification. This restarts the unit into its loader, where it stays
        until it is programmed or power-cycled, so it is off by default and skipped in check
        mode.
    type: bool
    default: false
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
  - A unit that does not answer the running-firmware query (older firmware, or a unit waiting in
    its loader) is no failure; I(running_firmware) and I(level) are then left out.
seealso:
  - module: flashwright.units.program
"""

EXAMPLES = r"""
- name: Read what each unit runs
  flashwright.units.info:
    unit: "{{ unit_address }}"
  delegate_to: "{{ bench_host }}"
  register: unit_info
"""

RETURN = r"""
version:
  description: The unit's software version, as a number.
  returned: when the unit answered
  type: int
  sample: 291
running_firmware:
  description: The firmware file the unit says it runs.
  returned: when the unit answered the running-firmware query
  type: str
  sample: vq200_s70_1.vq
level:
  description: The level of that firmware; below 120 the name is not to be trusted.
  returned: when the unit answered the running-firmware query
  type: int
  sample: 130
identification:
  description: The identification its loader announced.
  returned: with identify, outside check mode
  type: str
"""

from ansible.module_utils.basic import AnsibleModule
from ansible_collections.flashwright.units.plugins.module_utils.console import (
    COMMON_OPTIONS,
    run_console,
    unit_arguments,
)


def main():
    module = AnsibleModule(
        argument_spec=dict(COMMON_OPTIONS, identify=dict(type="bool", default=False)),
        supports_check_mode=True,
    )
    arguments = unit_arguments(module.params)
    out = dict(changed=False)
    version, notes = run_console(module, "version", arguments)
    if not version.get("ok"):
        module.fail_json(msg=version.get("reason"), exit_code=version.get("exit_code"))
    out["version"] = version["version"]
    running, notes = run_console(module, "firmware", arguments)
    for key in ("running_firmware", "level"):
        if key in running:
            out[key] = running[key]
    if module.params["identify"] and not module.check_mode:
        ident, notes = run_console(module, "ident", arguments)
        if not ident.get("ok"):
            module.fail_json(msg=ident.get("reason"), exit_code=ident.get("exit_code"), **out)
        out["identification"] = ident["identification"]
        out["changed"] = True
    module.exit_json(**out)


if __name__ == "__main__":
    main()
