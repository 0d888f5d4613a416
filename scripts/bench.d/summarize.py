#!/usr/bin/env python3
"""Turns the records scripts/bench collected into its report.

  summarize.py upload FILE      records "MIB KIND WALL_S USER_S SYS_S MAXRSS_KIB STATUS"
  summarize.py discovery FILE   records "SCENARIO WALL_S STATUS LISTED" or "SCENARIO skipped KEY"

Figures are medians over the runs that succeeded; ratios are the tool's over the floor's (upload)
or over the quiet second (discovery). Targets are printed as met or missed; nothing here fails.
"""
import statistics
import sys
from collections import defaultdict

BLOCK = 1024
QUIET_SECOND = 1.0
VERSION_BOUND = 3.0


def verdict(value, limit):
    return "met" if value <= limit else "MISSED"


def upload(path):
    runs = defaultdict(list)
    failed = defaultdict(int)
    for line in open(path):
        mib, kind, wall, user, system, rss, *status = line.split()
        key = (int(mib), kind)
        if status != ["0"]:
            failed[key] += 1
            continue
        runs[key].append((float(wall), float(user) + float(system), int(rss)))

    for (mib, kind), count in sorted(failed.items()):
        print(f"  {mib} MiB {kind}: {count} run(s) failed and are left out (see the log)")

    time_targets = {8: 1.10, 64: 1.05}
    print(f"  {'image':>7} {'client':<10} {'runs':>4} {'time s':>8} {'(min)':>8} {'blocks/s':>9}"
          f" {'CPU ms/MiB':>10} {'peak RSS':>9}")
    for mib in sorted({mib for mib, _ in runs}):
        figures = {}
        for kind in ("tool", "floor", "floor+hash"):
            samples = runs.get((mib, kind))
            if not samples:
                continue
            walls = [wall for wall, _, _ in samples]
            wall = statistics.median(walls)
            cpu = statistics.median(cpu * 1000 / mib for _, cpu, _ in samples)
            rss = max(rss for _, _, rss in samples) / 1024
            figures[kind] = (wall, cpu, rss)
            print(f"  {mib:>4} MiB {kind:<10} {len(samples):>4} {wall:>8.3f} {min(walls):>8.3f}"
                  f" {mib * 1024 * 1024 / BLOCK / wall:>9.0f} {cpu:>10.2f} {rss:>6.1f} MiB")
        if "tool" not in figures or "floor" not in figures:
            continue
        (tool_wall, tool_cpu, tool_rss), (floor_wall, floor_cpu, floor_rss) = (
            figures["tool"], figures["floor"])
        line = (f"  {mib:>4} MiB tool/floor: time {tool_wall / floor_wall:.3f}"
                f"  CPU {tool_cpu / floor_cpu:.3f}  peak RSS {tool_rss / floor_rss:.2f}")
        print(line)
        if "floor+hash" in figures:
            hash_wall, hash_cpu, _ = figures["floor+hash"]
            print(f"  {mib:>4} MiB tool/floor+hash: time {tool_wall / hash_wall:.3f}"
                  f"  CPU {tool_cpu / hash_cpu:.3f}  (for information)")
        if mib in time_targets:
            limit = time_targets[mib]
            print(f"           target time <= {limit:.2f} x floor: "
                  f"{verdict(tool_wall / floor_wall, limit)};"
                  f" CPU <= 1.10 x floor: {verdict(tool_cpu / floor_cpu, 1.10)}")
        if mib >= 512:
            print(f"           target peak RSS of the tool <= 16 MiB: {verdict(tool_rss, 16.0)}")


SCENARIOS = [
    # name, title, limit in seconds as a function of the baseline median (None: no target)
    ("baseline", "1 healthy device (quiet second + one query)", None),
    ("healthy256", "256 healthy replies (253 devices, 3 answer twice)", "1.15 x baseline"),
    ("silent5", "16 devices, 5 silent on the version query", "quiet second + 3.3 s"),
    ("trickle", "1 healthy + 1 trickling version server", "quiet second + 3.3 s"),
    ("flood", "4 healthy + 1 flooding the probe port for 30 s", "10.5 s"),
]


def limit_for(rule, baseline):
    if rule == "1.15 x baseline":
        return None if baseline is None else 1.15 * baseline
    if rule == "quiet second + 3.3 s":
        return QUIET_SECOND + VERSION_BOUND + 0.3
    return 10.5


def discovery(path):
    walls = defaultdict(list)
    capped = defaultdict(int)
    failed = defaultdict(list)
    listed = defaultdict(list)
    skipped = {}
    for line in open(path):
        fields = line.split()
        name = fields[0]
        if fields[1] == "skipped":
            skipped[name] = fields[2]
            continue
        wall, status, count = float(fields[1]), fields[2], int(fields[3])
        walls[name].append(wall)
        listed[name].append(count)
        if status == "capped":
            capped[name] += 1
        elif status != "0":
            failed[name].append(status)

    baseline = statistics.median(walls["baseline"]) if walls["baseline"] else None
    print(f"  {'scenario':<52} {'runs':>4} {'median s':>9} {'/quiet s':>8} {'listed':>6}  target")
    for name, title, rule in SCENARIOS:
        if name in skipped:
            print(f"  {title:<52} skipped (simulator lacks {skipped[name]})")
            continue
        if not walls[name]:
            continue
        median = statistics.median(walls[name])
        bound = "≥" if capped[name] else " "
        shown = "/".join(str(n) for n in sorted(set(listed[name])))
        text = f"  {title:<52} {len(walls[name]):>4} {bound}{median:>8.3f} {median / QUIET_SECOND:>8.2f} {shown:>6}"
        if rule:
            limit = limit_for(rule, baseline)
            if limit is not None:
                text += f"  <= {rule} = {limit:.2f} s: {verdict(median, limit)}"
                if name == "healthy256":
                    text += f" ({median / baseline:.3f} x baseline)"
        print(text)
        if capped[name]:
            print(f"  {'':<52} {capped[name]} run(s) did not end and were stopped at the cap")
        if failed[name]:
            print(f"  {'':<52} exit status {', '.join(failed[name])} in some runs")


if __name__ == "__main__":
    {"upload": upload, "discovery": discovery}[sys.argv[1]](sys.argv[2])
