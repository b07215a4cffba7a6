#!/usr/bin/python3
"""The example rollout playbook, run by Debian's ansible-playbook with the
collection as its tarball installs it, against 20 vqsim units on loopback TCP,
each an inventory host of its own delegated to a local bench host. Three units
of the second wave refuse a block: the run stops after that wave and the third
wave's units are never reached. After their power cycle a check changes
nothing, and a second run programs only the units that still need it. Every
run's records are read back with flashwright-cli records.

    tests/ansible/fleet_test.py BUILD_DIR
"""
import json
import os
import shutil
import signal
import subprocess
import sys
import tempfile
import time
from pathlib import Path

ROOT = Path(__file__).resolve().parents[2]
BUILD = Path(sys.argv[1]).resolve()
UNITS = ["unit%02d" % n for n in range(1, 21)]
FAULTY = {"unit03", "unit04", "unit05"}  # of the second wave: unit02 to unit06
FIRST_TWO_WAVES = UNITS[:6]
LEVEL = 130
failures = []


def check(condition, what):
    if not condition:
        failures.append(what)
        print("FAIL: " + what)


def run(argv, **kw):
    return subprocess.run(argv, **dict(dict(env=env, capture_output=True, text=True), **kw))


tmp = Path(tempfile.mkdtemp(prefix="fleet-"))
env = dict(os.environ, HOME=str(tmp / "home"), XDG_CONFIG_HOME=str(tmp / "config"),
           XDG_DATA_HOME=str(tmp / "data"), XDG_STATE_HOME=str(tmp / "state"),
           PATH="%s:%s" % (BUILD / "cli", os.environ["PATH"]), ANSIBLE_NOCOLOR="1",
           # ansible-lint takes the collections from beside the path it is given.
           ANSIBLE_COLLECTIONS_PATH=str(tmp / "collections" / "ansible_collections"),
           ANSIBLE_RETRY_FILES_ENABLED="0")
sims = {}
started = time.monotonic()
try:
    built = run(["ansible-galaxy", "collection", "build", "--output-path", str(tmp),
                 str(ROOT / "ansible")])
    tarball = next(tmp.glob("flashwright-units-*.tar.gz"), None)
    check(tarball is not None, "the collection's tarball is built: " + built.stdout + built.stderr)
    run(["ansible-galaxy", "collection", "install", "-p", str(tmp / "collections"), str(tarball)])
    doc = run(["ansible-doc", "flashwright.units.program"])
    check(doc.returncode == 0 and "check mode" in doc.stdout, "ansible-doc shows program")
    lint = run(["ansible-lint"], cwd=ROOT / "ansible")
    check(lint.returncode == 0 and "WARNING" not in lint.stdout + lint.stderr,
          "ansible-lint reports nothing: " + lint.stdout + lint.stderr)

    (tmp / "fw").mkdir()
    image = os.urandom(40 * 32)
    (tmp / "fw" / "vq200_s70_1.vq").write_bytes(image)
    hosts = {}
    for name in UNITS:
        fault = ["--nak-at", "3"] if name in FAULTY else []
        sims[name] = subprocess.Popen(
            [str(BUILD / "tools/vqsim/vqsim"), "--tcp", "0", "--size", str(len(image)),
             "--new-level", str(LEVEL), "--capture", str(tmp / (name + ".capture")),
             "--verbose"] + fault,
            stdout=subprocess.PIPE, stderr=open(tmp / (name + ".log"), "w"), text=True)
        hosts[name] = {"unit_address": "127.0.0.1:" + sims[name].stdout.readline().strip()}
    local = {"ansible_connection": "local", "ansible_python_interpreter": "/usr/bin/python3"}
    inventory = {"all": {"children": {
        "units": {"hosts": hosts, "vars": dict(
            local, bench_host="bench", bench_jobs=8, firmware_folder=str(tmp / "fw"),
            firmware_level=LEVEL, unit_log=str(tmp / "units.jsonl"))},
        "benches": {"hosts": {"bench": local}}}}}
    (tmp / "inventory.yml").write_text(json.dumps(inventory))

    def playbook(*extra):
        tree = Path(tempfile.mkdtemp(dir=tmp))  # one JSON file a host that ran
        p = run(["ansible-playbook", "-i", str(tmp / "inventory.yml"), "-f", "20",
                 str(ROOT / "ansible/examples/site.yml")] + list(extra),
                env=dict(env, ANSIBLE_CALLBACKS_ENABLED="tree", ANSIBLE_CALLBACK_TREE_DIR=str(tree)))
        results = {f.name: json.loads(f.read_text()) for f in tree.iterdir()}
        if not results:
            check(False, "ansible-playbook ran nothing: " + p.stdout + p.stderr)
        return p.returncode, results

    def events():
        return {name: (tmp / (name + ".log")).read_text().splitlines() for name in UNITS}

    def records():
        out = run(["flashwright-cli", "records", "--json", "--record", str(tmp / "units.jsonl")])
        kept = {}
        for line in out.stdout.splitlines():
            record = json.loads(line)
            kept.setdefault(record["unit"], []).append(record)
        return {name: kept.get(hosts[name]["unit_address"], []) for name in UNITS}

    def uploads(lines):
        return [e for e in lines if " Y -> " in e]

    code, results = playbook()
    check(code != 0 and sorted(results) == FIRST_TWO_WAVES,
          "the first run stops after the second wave: %d, %s" % (code, sorted(results)))
    got = records()
    for name in UNITS:
        ran = name in FIRST_TWO_WAVES
        wanted = ("failed", "BlockRefused") if name in FAULTY else ("programmed", "Complete")
        check(len(got[name]) == (1 if ran else 0), name + " has one record if it ran")
        if ran and got[name]:
            r = got[name][0]
            check((r["result"], r["ending"]) == wanted, name + " recorded as " + str(wanted))
            check(r["firmware_sha256"] is not None and r["firmware_size"] == len(image),
                  name + " records the file")
        if ran and name not in FAULTY:
            check(results[name].get("level_after") == LEVEL and results[name]["changed"],
                  name + " programmed to level %d" % LEVEL)
            check((tmp / (name + ".capture")).read_bytes() == image, name + " took the image")
        if not ran:
            check((tmp / (name + ".capture")).read_bytes() == b""
                  and not any("connection" in e for e in events()[name]),
                  name + " of the third wave received nothing")
    for name in FAULTY:
        check(results[name].get("msg") == "the unit did not accept block 3",
              name + " failed with the console's reason")
        sims[name].send_signal(signal.SIGUSR1)  # the fault cleared: power-cycled

    before = events()
    code, results = playbook("--check")
    check(code == 0 and len(results) == len(UNITS), "the check runs on every unit")
    for name in UNITS:
        after = events()[name][len(before[name]):]
        sent = [e for e in after if any(w in e for w in ("reset", " U -> ", " Y -> ", "block"))]
        check(not sent, name + " is only asked in the check: " + str(sent))
        would = name not in FIRST_TWO_WAVES or name in FAULTY
        check(results[name]["changed"] == would, name + " would be programmed: " + str(would))
    check(sum(map(len, records().values())) == 6, "the check records nothing")

    before = events()
    code, results = playbook()
    check(code == 0 and len(results) == len(UNITS), "the second run ends on every unit")
    got = records()
    for name in UNITS:
        again = name in FIRST_TWO_WAVES and name not in FAULTY
        check(results[name]["changed"] != again, name + " changed only where needed")
        check(len(uploads(events()[name][len(before[name]):])) == (0 if again else 1),
              name + " received blocks only where needed")
        check(got[name] and got[name][-1]["result"] == ("unchanged" if again else "programmed")
              and got[name][-1]["level_after"] == LEVEL, name + " recorded again")
        check((tmp / (name + ".capture")).read_bytes() == image, name + " holds the image")

    info = run(["ansible", "unit01", "-i", str(tmp / "inventory.yml"), "-m", "flashwright.units.info",
                "-a", "unit=" + hosts["unit01"]["unit_address"], "-e", "ansible_connection=local"],
               env=dict(env, ANSIBLE_LOAD_CALLBACK_PLUGINS="1", ANSIBLE_STDOUT_CALLBACK="oneline"))
    check(info.returncode == 0 and all(t in info.stdout for t in (
        '"level": 130', '"running_firmware": "vq200_s70_1.vq"', '"version": 291')),
        "info reads what unit01 runs: " + info.stdout + info.stderr)
finally:
    for sim in sims.values():
        sim.terminate()
        sim.wait()
    if not failures:
        shutil.rmtree(tmp, ignore_errors=True)

print("ansible fleet: %s in %.0f s%s" % ("failed" if failures else "ok", time.monotonic() - started,
                                          "; left in %s" % tmp if failures else ""))
sys.exit(1 if failures else 0)
