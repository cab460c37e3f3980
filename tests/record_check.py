#!/usr/bin/env python3
"""Checks the run record as a lab's own script would read it: every line with json.loads.

  record_check.py run FOLDER TRACE PASSES STEPS
      a counted run of PASSES passes of STEPS steps (step k on channel k) against qmx7700-sim,
      whose trace is TRACE, after a connect; then the program was closed
  record_check.py killed FOLDER SESSIONS
      SESSIONS programs in turn, each killed with SIGKILL in the middle of a run
  record_check.py examples FILE...
      the example lines in the README and in the help file, one of each kind

FOLDER holds the record's daily files. Exits 1 with the reasons when a check fails, 3 when the
only failures are times that the simulator's trace puts more than 5 ms away (a machine busy with
other work can delay the simulator that long).
"""
import glob
import html
import json
import os
import re
import subprocess
import sys
import tempfile

UTC = re.compile(r"^\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d\.\d{6}Z$")
TEXT = (str, type(None))
WHOLE = (int, type(None))
NUMBER = (int, float)
LINK = {"port": TEXT, "version": TEXT, "outcome": str, "reason": TEXT}
FIELDS = {
    "connect": LINK,
    "disconnect": LINK,
    "link-lost": LINK,
    "switch": {"channel": int, "source": str, "outcome": str, "position": WHOLE,
               "sent_ns": WHOLE, "reached_ns": WHOLE, "polls": int, "reading": WHOLE,
               "reason": TEXT},
    "fault": {"fault": int},
    "run-start": {"program": str, "mode": str, "runs": int},
    "step": {"row": int, "channel": int, "planned_ms": int, "actual_ms": NUMBER,
             "lateness_ms": NUMBER, "reached_ns": int, "ended_ns": int, "stopped": bool},
    "run-end": {"why": str, "passes": int, "steps": int, "lateness_median_ms": NUMBER + (type(None),),
                "lateness_p99_ms": NUMBER + (type(None),), "drift_ms": NUMBER},
}
VALUES = {
    ("connect", "outcome"): {"connected", "not-found", "failed"},
    ("disconnect", "outcome"): {"disconnected"},
    ("link-lost", "outcome"): {"lost"},
    ("switch", "source"): {"dial", "mini-view", "run", "remote", "connect"},
    ("switch", "outcome"): {"sent", "not-sent", "failed"},
    ("run-start", "mode"): {"once", "counted", "endless"},
    ("run-end", "why"): {"done", "stopped", "device-error", "window-closed", "program-stopped"},
}
# The trace's escaped commands.
MOVE = re.compile(r"^LA(-?\d+)\\r$")
PROBLEMS = []
LATE = []


def fail(text):
    PROBLEMS.append(text)


def fits(value, types):
    # json.loads gives bool for true and false, which Python also counts as int.
    if isinstance(value, bool):
        return bool in (types if isinstance(types, tuple) else (types,))
    return isinstance(value, types)


def check_fields(record, where):
    """The moments, the kind and exactly the kind's fields, of their types and values."""
    keys = list(record)
    if keys[:3] != ["utc", "mono_ns", "kind"]:
        return fail(f"{where}: begins with {keys[:3]}")
    if not UTC.match(record["utc"]) or not fits(record["mono_ns"], int):
        fail(f"{where}: moments {record['utc']!r} {record['mono_ns']!r}")
    kind = record["kind"]
    if kind not in FIELDS:
        return fail(f"{where}: kind {kind!r}")
    expected = dict(FIELDS[kind])
    if kind == "run-start":
        if record.get("program") == "unsaved":
            expected["steps"] = list
            for step in record.get("steps", []):
                if list(step) != ["channel", "time", "unit"]:
                    fail(f"{where}: step {step}")
        else:
            expected["sha256"] = str
            if not re.fullmatch(r"[0-9a-f]{64}", str(record.get("sha256"))):
                fail(f"{where}: sha256 {record.get('sha256')!r}")
    if sorted(keys[3:]) != sorted(expected):
        return fail(f"{where}: {kind} has {keys[3:]}, not {list(expected)}")
    for key, types in expected.items():
        if not fits(record[key], types):
            fail(f"{where}: {key} is {record[key]!r}")
        if (kind, key) in VALUES and record[key] not in VALUES[(kind, key)]:
            fail(f"{where}: {key} is {record[key]!r}")


def read_lines(folder):
    """(where, text) of every line of the daily files, oldest first."""
    lines = []
    for path in sorted(glob.glob(os.path.join(folder, "*.jsonl"))):
        with open(path, encoding="utf-8") as file:
            lines += [(f"{os.path.basename(path)}:{n}", text.rstrip("\n"))
                      for n, text in enumerate(file, 1)]
    return lines


def parse(lines):
    records = []
    for where, text in lines:
        try:
            records.append((where, json.loads(text)))
        except json.JSONDecodeError as error:
            records.append((where, error))
    return records


def check_increasing(records):
    moments = [r["mono_ns"] for _, r in records]
    for (where, _), before, after in zip(records[1:], moments, moments[1:]):
        if after <= before:
            fail(f"{where}: mono_ns {after} after {before}")


def nearest_rank(values, percent):
    ordered = sorted(values)
    return ordered[max(1, -(-len(ordered) * percent // 100)) - 1]


def near(a, b, tolerance):
    return a is not None and b is not None and abs(a - b) <= tolerance


def read_trace(path):
    with open(path, encoding="latin-1") as file:
        return [(int(t), command) for t, command in (line.rstrip("\n").split(" ", 1) for line in file)]


def check_run(folder, trace_path, passes, steps):
    records = parse(read_lines(folder))
    for where, record in records:
        if isinstance(record, Exception):
            return fail(f"{where}: not JSON: {record}")
        check_fields(record, where)
    if PROBLEMS:
        return
    check_increasing(records)
    kinds = [r["kind"] for _, r in records]
    of = lambda kind: [r for _, r in records if r["kind"] == kind]
    first, last = records[0][1], records[-1][1]
    if kinds[:2] != ["switch", "connect"] or first["source"] != "connect" \
            or records[1][1]["outcome"] != "connected" or records[1][1]["version"] != "Version 2.10":
        fail(f"begins with {records[:2]}")
    if last["kind"] != "disconnect" or last["reason"] is None:
        fail(f"ends with {last}")
    start, end = of("run-start"), of("run-end")
    if len(start) != 1 or start[0]["mode"] != "counted" or start[0]["runs"] != passes:
        fail(f"run-start {start}")
    if len(end) != 1 or end[0]["why"] != "done" or end[0]["passes"] != passes \
            or end[0]["steps"] != passes * steps:
        fail(f"run-end {end}")
    lines = of("step")
    switches = [r for r in of("switch") if r["source"] == "run"]
    if len(lines) != passes * steps or len(switches) != len(lines):
        return fail(f"{len(lines)} step lines, {len(switches)} switches of the run")
    if [s["row"] for s in lines] != list(range(1, steps + 1)) * passes \
            or any(s["channel"] != s["row"] or s["stopped"] for s in lines):
        fail("steps out of order")
    # The program as the run read it: unsaved, each step's time in ms as its lines plan it.
    program = [{"channel": s["row"], "time": s["planned_ms"], "unit": "ms"} for s in lines[:steps]]
    if start and (start[0]["program"] != "unsaved" or start[0].get("steps") != program):
        fail(f"run-start {start[0]}, not the program {program}")

    # The step's wait runs from its channel reached to the next step's command going out.
    nexts = [s["sent_ns"] for s in switches[1:]] + [None]
    for n, (step, switch, next_sent) in enumerate(zip(lines, switches, nexts), 1):
        actual = (step["ended_ns"] - step["reached_ns"]) / 1e6
        if switch["outcome"] != "sent" or switch["polls"] < 1 \
                or step["reached_ns"] != switch["reached_ns"] \
                or (next_sent is not None and step["ended_ns"] != next_sent) \
                or not near(step["actual_ms"], actual, 0.0006) \
                or not near(step["lateness_ms"], step["actual_ms"] - step["planned_ms"], 1e-6):
            fail(f"step {n}: {step} after {switch}")
    lateness = [s["lateness_ms"] for s in lines]
    summary = end[0] if end else {}
    if not near(summary.get("lateness_median_ms"), nearest_rank(lateness, 50), 0.0011) \
            or not near(summary.get("lateness_p99_ms"), nearest_rank(lateness, 99), 0.0011) \
            or not near(summary.get("drift_ms"), sum(lateness), 0.001 * len(lateness)):
        fail(f"summary {summary} of {lateness}")

    # Each command as the simulator saw it arrive: the move ("LA" and "M") and the release
    # ("LR0" and "M") that the record says went out, within 5 ms.
    trace = read_trace(trace_path)
    moves = [i for i, (_, command) in enumerate(trace) if MOVE.match(command)]
    if len(moves) != len(switches):
        return fail(f"{len(moves)} moves in the trace, {len(switches)} in the record")
    for n, (at, switch) in enumerate(zip(moves, switches), 1):
        release = next(i for i in range(at, len(trace)) if trace[i][1] == "LR0\\r")
        sent_us, reached_us = trace[at + 1][0], trace[release + 1][0]
        if MOVE.match(trace[at][1]).group(1) != str(switch["position"]):
            fail(f"switch {n}: {switch}; trace: {trace[at]}")
        elif not near(switch["sent_ns"] / 1000, sent_us, 5000) \
                or not near(switch["reached_ns"] / 1000, reached_us, 5000):
            LATE.append(f"switch {n}: {switch}; trace: move {trace[at]} {trace[at + 1]}, "
                        f"release at {reached_us}")


def check_killed(folder, sessions):
    """Every line is JSON but one cut short by the kill, which is the last of its session."""
    records = parse(read_lines(folder))
    starts = [i for i, (_, r) in enumerate(records)
              if isinstance(r, dict) and r.get("kind") == "connect" and r.get("outcome") == "connected"]
    if len(starts) != sessions:
        return fail(f"{len(starts)} sessions, not {sessions}")
    whole = []
    for i, (where, record) in enumerate(records):
        if isinstance(record, Exception):
            # The next line is the next session's first (its switch, then its connect).
            if i + 1 != len(records) and i + 2 not in starts:
                fail(f"{where}: not JSON, and not the last of its session: {record}")
            continue
        check_fields(record, where)
        whole.append((where, record))
    check_increasing(whole)
    for session, (begin, end) in enumerate(zip(starts, starts[1:] + [len(records)]), 1):
        if not any(isinstance(r, dict) and r.get("kind") == "step" for _, r in records[begin:end]):
            fail(f"session {session} recorded no step")


def check_examples(paths):
    """The documents show a line of each kind that is a line of the record, and a Python reader
    that reads them."""
    for path in paths:
        with open(path, encoding="utf-8") as file:
            text = html.unescape(re.sub(r"<[^>]+>", "", file.read()))
        seen, lines = set(), []
        for n, line in enumerate(text.splitlines(), 1):
            if line.startswith('{"utc"'):
                where = f"{os.path.basename(path)}:{n}"
                try:
                    record = json.loads(line)
                except json.JSONDecodeError as error:
                    fail(f"{where}: {error}")
                    continue
                check_fields(record, where)
                seen.add(record["kind"])
                lines.append(line)
        if seen != set(FIELDS):
            fail(f"{path}: no example of {sorted(set(FIELDS) - seen)}")
        reader = re.search(r"^import json.*?(?=^```|^\s*$)", text, re.M | re.S)
        if not reader or len(reader.group(0).splitlines()) != 3:
            fail(f"{path}: no reader of three lines")
            continue
        with tempfile.NamedTemporaryFile("w", suffix=".jsonl", encoding="utf-8") as record:
            record.write("\n".join(lines) + "\n")
            record.flush()
            run = subprocess.run([sys.executable, "-c", reader.group(0), record.name],
                                 capture_output=True, text=True)
        if run.returncode != 0 or len(run.stdout.splitlines()) != len(lines):
            fail(f"{path}: the reader fails on the examples: {run.stderr}")


def main(args):
    if args[:1] == ["run"] and len(args) == 5:
        check_run(args[1], args[2], int(args[3]), int(args[4]))
    elif args[:1] == ["killed"] and len(args) == 3:
        check_killed(args[1], int(args[2]))
    elif args[:1] == ["examples"] and len(args) > 1:
        check_examples(args[1:])
    else:
        print(__doc__, file=sys.stderr)
        return 2
    for problem in PROBLEMS + LATE:
        print(problem)
    return 1 if PROBLEMS else 3 if LATE else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
