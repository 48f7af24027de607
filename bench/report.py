#!/usr/bin/env python3
"""Turns one load run's measurements into the table bench/README.md explains:
rate and latency per workload, each next to its baseline of the same run and
the goal it is held to."""
import argparse
import json
import statistics
import sys
import time

parser = argparse.ArgumentParser()
parser.add_argument("--results", required=True, help="tab-separated ab figures")
parser.add_argument("--inproc", required=True, nargs="+",
                    help="Google Benchmark JSON, one file per round")
parser.add_argument("--requests", required=True)
parser.add_argument("--rounds", default="1")
parser.add_argument("--cores", required=True)
parser.add_argument("--load-before", default="?")
parser.add_argument("--load-after", default="?")
parser.add_argument("--slow", default="")
parser.add_argument("--commit", default="?")
args = parser.parse_args()

# One line per workload, concurrency and round.
runs = {}
with open(args.results) as f:
    for line in f:
        (name, c, rps, p50, p99, done, failed, non2xx,
         cpu_ns) = line.rstrip("\n").split("\t")
        runs.setdefault((name, int(c)), []).append(dict(
            rps=float(rps or 0), p50=float(p50 or 0), p99=float(p99 or 0),
            done=int(done or 0), failed=int(failed or 0),
            non2xx=int(non2xx or 0), cpu_ns=int(cpu_ns or 0)))

# Rates and latencies: the median round, which a burst of other work in one
# round does not move. Counts and CPU: the whole of the rounds.
rows = []
for (name, c), rs in runs.items():
    done = sum(r["done"] for r in rs)
    rows.append(dict(
        name=name, c=c, rps=statistics.median(r["rps"] for r in rs),
        p50=statistics.median(r["p50"] for r in rs),
        p99=statistics.median(r["p99"] for r in rs), done=done,
        failed=sum(r["failed"] for r in rs),
        non2xx=sum(r["non2xx"] for r in rs),
        cpu=sum(r["cpu_ns"] for r in rs) / done / 1000 if done else 0.0))

# The in-process query, one measurement per round: the median round's time,
# and CPU over all rounds.
inproc_runs = []
for path in args.inproc:
    with open(path) as f:
        bench = json.load(f)["benchmarks"][0]
    if bench.get("error_occurred"):
        sys.exit("report: the in-process query failed: %s"
                 % bench.get("error_message"))
    scale = {"ns": 1e-9, "us": 1e-6, "ms": 1e-3,
             "s": 1.0}[bench.get("time_unit", "ns")]
    inproc_runs.append((bench["real_time"] * scale, bench["cpu_time"] * scale,
                        bench["iterations"]))
inproc_seconds = statistics.median(r[0] for r in inproc_runs)
inproc_rps = 1.0 / inproc_seconds
inproc_cpu_us = (sum(r[1] * r[2] for r in inproc_runs)
                 / sum(r[2] for r in inproc_runs) * 1e6)


def find(name, c):
    for r in rows:
        if r["name"] == name and r["c"] == c:
            return r
    return None


ping_ref = find("ping-ref", 8) or dict(rps=0.0, cpu=0.0)

# workload -> (baseline label, baseline row {rps, cpu}, goal kind, goal)
def baseline(r):
    name, c = r["name"], r["c"]
    if name == "default-page":
        return "nginx-default", find("nginx-default", c), "ratio", 0.8
    if name == "static-20k":
        return "nginx-static", find("nginx-static", c), "ratio", 0.8
    if name == "ping":
        return "nginx-static", find("nginx-static", c), "ratio", 0.6
    if name in ("page-20k", "signin"):
        return "nginx-static", find("nginx-static", c), "ratio", None
    if name == "cursor-100":
        return ("in-process", dict(rps=inproc_rps, cpu=inproc_cpu_us),
                "overhead", 0.25)
    if name == "ping-slow":
        return "ping-ref", ping_ref, "ratio", 0.9
    return "", None, None, None


header = ("workload", "c", "req/s", "p50 ms", "p99 ms", "done", "errors",
          "cpu us",
          "baseline", "ratio", "goal", "met", "cpu ratio")
lines = []
misses = 0
for r in rows:
    label, base, kind, goal = baseline(r)
    # Fewer done than asked means the run reached its time limit: slow, not
    # wrong. Errors are failed exchanges and answers other than 2xx.
    errors = r["failed"] + r["non2xx"]
    ratio = goal_text = met = cpu_ratio = ""
    if base and base["rps"]:
        if kind == "overhead":
            if base["cpu"] and r["cpu"]:
                cpu_ratio = "%+.0f%%" % ((r["cpu"] / base["cpu"] - 1) * 100)
            value = base["rps"] / r["rps"] - 1 if r["rps"] else float("inf")
            ratio = "%+.0f%%" % (value * 100)
            if goal is not None:
                goal_text = "<= +%.0f%%" % (goal * 100)
                ok = value <= goal
        else:
            if base["cpu"] and r["cpu"]:
                cpu_ratio = "%.2f" % (base["cpu"] / r["cpu"])
            value = r["rps"] / base["rps"]
            ratio = "%.2f" % value
            if goal is not None:
                goal_text = ">= %.2f" % goal
                ok = value >= goal
        if goal is not None:
            ok = ok and errors == 0
            met = "yes" if ok else "NO"
            misses += 0 if ok else 1
    lines.append((r["name"], str(r["c"]), "%.0f" % r["rps"], "%.2f" % r["p50"],
                  "%.2f" % r["p99"], str(r["done"]), str(errors),
                  "%.0f" % r["cpu"], label,
                  ratio, goal_text, met, cpu_ratio))

widths = [max(len(h), *(len(l[i]) for l in lines)) for i, h in enumerate(header)]
right = {1, 2, 3, 4, 5, 6, 7, 9, 12}


def fmt(cells):
    return "  ".join(c.rjust(w) if i in right else c.ljust(w)
                     for i, (c, w) in enumerate(zip(cells, widths))).rstrip()


print("Kelmar WebServer load run, %s, commit %s"
      % (time.strftime("%Y-%m-%d %H:%M UTC", time.gmtime()), args.commit))
print("machine: %s cores; load average %s before, %s after; %s requests per "
      "workload in %s rounds (ab, HTTP/1.0, one request per connection)"
      % (args.cores, args.load_before, args.load_after, args.requests,
         args.rounds))
print("database limit: the catalogue query in-process, %.0f queries/s "
      "(%.3f ms each, %.0f us CPU, %d rows, %d bytes)"
      % (inproc_rps, inproc_seconds * 1e3, inproc_cpu_us, bench.get("rows", 0),
         bench.get("answer_bytes", 0)))
if args.slow:
    print("slow clients: %s held by the server at the end of the mix" % args.slow)
print()
print(fmt(header))
print(fmt(tuple("-" * w for w in widths)))
for l in lines:
    print(fmt(l))
print()
print("goals missed: %d" % misses)
