#!/usr/bin/env python3
"""The mutation check: applies each mutant of tools/mutants/mutants.txt, one at a time,
to a scratch copy of the tree, rebuilds what it touches, runs the test programs that
link the changed file (the most relevant first, stopping at the first that fails) and
tells whether the tests caught it. `./run mutants --help` for the options."""

import argparse
import hashlib
import json
import os
import re
import shutil
import signal
import subprocess
import sys
import time
from pathlib import Path

ROOT = Path(__file__).resolve().parents[2]
LIST = ROOT / "tools" / "mutants" / "mutants.txt"
# VOLETA_MUTANTS_DIR puts a second run (another scratch copy) beside the first.
WORK = Path(os.environ.get("VOLETA_MUTANTS_DIR", ROOT / "build" / "mutants")).resolve()
SCRATCH = WORK / "src"
# The scratch build mirrors the release preset at the same place relative to its
# sources, so that ccache serves what the tree's own build has compiled.
BUILD = SCRATCH / "build" / "release"
RESULTS = WORK / "results.json"
BASELINE = WORK / "baseline.json"

AREAS = ["render", "text", "platform", "scene", "cli", "controls", "main_window", "settings", "info", "app"]

WINDOW_TESTS = ["test_windows", "test_views", "test_output", "test_files", "test_folderwatch", "test_info"]

# The test programs that can see a change in each area, the most relevant first: those
# that link the area's library and exercise it, and those that run a program that does
# (voleta-render, the installed programs). test_install installs and runs the programs;
# it has something to say only about the command lines.
AREA_TESTS = {
    "render": ["test_engine", "test_quality", "test_views3d", "test_live", "test_cli", "test_text", "test_windows",
               "test_views", "test_files", "test_output"],
    "text": ["test_text", "test_live", "test_cli", "test_windows", "test_views", "test_files"],
    "platform": ["test_folders", "test_files", "test_transfer", "test_cli", "test_output", "test_folderwatch",
                 "test_windows", "test_views", "test_info", "test_scene", "test_pictures"],
    "scene": ["test_scene", "test_model", "test_pictures", "test_windows", "test_transfer", "test_views", "test_cli",
              "test_output", "test_folderwatch", "test_files"],
    "cli": ["test_cli", "test_install"],
    "controls": WINDOW_TESTS + ["test_transfer"],
    "main_window": ["test_windows", "test_views", "test_output", "test_folderwatch", "test_files", "test_transfer"],
    "settings": ["test_windows", "test_views", "test_files", "test_folderwatch", "test_transfer"],
    "info": ["test_info", "test_windows"],
    "app": ["test_windows", "test_transfer", "test_install", "test_views", "test_folderwatch", "test_files"],
}

STATES = ["caught", "survived", "equivalent", "stale", "build-failed"]


def unescape(text):
    out, i = [], 0
    while i < len(text):
        if text[i] == "\\" and i + 1 < len(text):
            out.append({"n": "\n", "t": "\t", "\\": "\\"}.get(text[i + 1], "\\" + text[i + 1]))
            i += 2
        else:
            out.append(text[i])
            i += 1
    return "".join(out)


def parse_list(path):
    """Blocks: a line `[id]`, then `key: value` lines (file, from, to, what, tests,
    equivalent); `#` starts a comment line. In from/to, \\n is a newline, \\t a tab and
    \\\\ a backslash."""
    mutants, current = [], None
    for number, raw in enumerate(path.read_text(encoding="utf-8").splitlines(), 1):
        line = raw.rstrip("\n")
        if not line.strip() or line.lstrip().startswith("#"):
            continue
        m = re.fullmatch(r"\[([A-Za-z0-9_.-]+)\]\s*", line)
        if m:
            current = {"id": m.group(1), "line": number}
            mutants.append(current)
            continue
        m = re.fullmatch(r"(file|from|to|what|tests|equivalent):(?: (.*))?", line)
        if not m or current is None:
            sys.exit(f"{path}:{number}: cannot read this line: {line!r}")
        key, value = m.group(1), m.group(2) or ""
        current[key] = unescape(value) if key in ("from", "to") else value.strip()
    seen = set()
    for mu in mutants:
        for key in ("file", "from", "to"):
            if key not in mu:
                sys.exit(f"{path}:{mu['line']}: mutant {mu['id']} has no '{key}:'")
        if mu["id"] in seen:
            sys.exit(f"{path}:{mu['line']}: mutant {mu['id']} is listed twice")
        seen.add(mu["id"])
        parts = Path(mu["file"]).parts
        mu["area"] = parts[1] if len(parts) > 2 and parts[0] == "src" else "other"
        mu["key"] = hashlib.sha1("\0".join([mu["file"], mu["from"], mu["to"]]).encode()).hexdigest()[:12]
    return mutants


def tests_for(mu):
    order = [t.strip() for t in mu.get("tests", "").split(",") if t.strip()]
    for t in AREA_TESTS.get(mu["area"], ["test_engine", "test_text", "test_cli"] + WINDOW_TESTS):
        if t not in order:
            order.append(t)
    return order


def sync_tree(rev):
    """Copies the tracked files (as they are in the working tree, or in revision `rev`)
    into the scratch copy, writing only those that differ, so that the build there stays
    incremental."""
    source_root = ROOT
    if rev:
        source_root = WORK / "rev"
        shutil.rmtree(source_root, ignore_errors=True)
        source_root.mkdir(parents=True)
        archive = subprocess.run(["git", "archive", "--format=tar", rev], cwd=ROOT, check=True,
                                 capture_output=True).stdout
        subprocess.run(["tar", "-x", "-C", str(source_root)], input=archive, check=True)
        names = subprocess.run(["git", "ls-tree", "-r", "-z", "--name-only", rev], cwd=ROOT, check=True,
                               capture_output=True).stdout
    else:
        names = subprocess.run(["git", "ls-files", "-z"], cwd=ROOT, check=True, capture_output=True).stdout
    changed = 0
    wanted = set()
    for name in names.decode().split("\0"):
        if not name:
            continue
        source, target = source_root / name, SCRATCH / name
        wanted.add(target)
        if not source.is_file():
            continue
        data = source.read_bytes()
        if target.is_file() and target.read_bytes() == data:
            continue
        target.parent.mkdir(parents=True, exist_ok=True)
        target.write_bytes(data)
        shutil.copymode(source, target)
        changed += 1
    for path in SCRATCH.rglob("*"):
        if path.is_file() and path not in wanted and (SCRATCH / "build") not in path.parents:
            path.unlink()
            changed += 1
    return changed


def run_quiet(cmd, **kw):
    return subprocess.run(cmd, stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True, **kw)


def configure(jobs):
    # The project's libraries are built shared here, so that a mutant rebuilds one
    # library and no test program needs linking again (they compile as the static ones
    # do: cmake/Layers.cmake).
    cmd = ["cmake", "--preset", "release", "-DVOLETA_LIBRARY_TYPE=SHARED", "-DCMAKE_LINK_DEPENDS_NO_SHARED=ON",
           f"-DCMAKE_INSTALL_RPATH={BUILD / 'src'}"]
    if shutil.which("ccache"):
        cmd.append("-DCMAKE_CXX_COMPILER_LAUNCHER=ccache")
    r = run_quiet(cmd, cwd=SCRATCH)
    if r.returncode != 0:
        sys.exit("configuring the scratch build failed:\n" + r.stdout[-4000:])


def build(targets, jobs):
    return run_quiet(["nice", "-n", "10", "ninja", "-C", str(BUILD), f"-j{jobs}"] + targets)


FAIL_LINE = re.compile(r"^FAIL!  : (\w+::\w+)(\(.*?\))? ")


def run_test(name, timeout):
    """Whether the program passed (a crash, a failure or a hang is a failure), whether it
    hung, and the test functions that failed, with their data rows."""
    env = dict(os.environ, QT_QPA_PLATFORM="offscreen")
    try:
        r = subprocess.run(["nice", "-n", "10", str(BUILD / "bin" / name)], cwd=BUILD / "tests", env=env,
                           stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, timeout=timeout,
                           start_new_session=True)
        failed = []
        for line in r.stdout.decode(errors="replace").splitlines():
            m = FAIL_LINE.match(line)
            if m and m.group(1) + (m.group(2) or "") not in failed:
                failed.append(m.group(1) + (m.group(2) or ""))
        return r.returncode == 0, False, failed
    except subprocess.TimeoutExpired:
        return False, True, []


def baseline(tests, jobs, reuse):
    if reuse and BASELINE.is_file():
        times = json.loads(BASELINE.read_text())
        if all(t in times for t in tests):
            return times
    r = build(tests, jobs)
    if r.returncode != 0:
        sys.exit("the unchanged tree does not build:\n" + r.stdout[-4000:])
    times = {}
    for t in tests:
        start = time.monotonic()
        ok, _, _ = run_test(t, 1800)
        times[t] = round(time.monotonic() - start, 1)
        print(f"  baseline {t}: {'passed' if ok else 'FAILED'} in {times[t]} s", flush=True)
        if not ok:
            sys.exit(f"{t} fails on the unchanged tree: mend that before checking mutants")
    BASELINE.write_text(json.dumps(times, indent=1))
    return times


def load_results():
    return json.loads(RESULTS.read_text()) if RESULTS.is_file() else {}


def save_results(results):
    RESULTS.write_text(json.dumps(results, indent=1, ensure_ascii=False))


def check(mu, times, jobs, every=False):
    """Applies one mutant, runs its tests and restores the file. With `every`, all of its
    area's programs run, not only up to the first that fails, and the result names every
    failing function ("complete": true), so that a row's sole kills can be told."""
    path = SCRATCH / mu["file"]
    if not path.is_file():
        return {"state": "stale", "why": "no such file"}
    original = path.read_text(encoding="utf-8")
    count = original.count(mu["from"])
    if count != 1:
        return {"state": "stale", "why": f"the original text occurs {count} times"}
    start = time.monotonic()
    path.write_text(original.replace(mu["from"], mu["to"]), encoding="utf-8")
    try:
        caught = None
        for t in tests_for(mu):
            r = build([t], jobs)
            if r.returncode != 0:
                errors = [l for l in r.stdout.splitlines() if "error" in l][:3]
                return {"state": "build-failed", "why": " | ".join(errors)[:300]}
            ok, hung, failed = run_test(t, max(60, 5 * times.get(t, 60)))
            if ok:
                continue
            # A program that crashed or hung names no function: it is credited as a whole.
            failed = failed or [f"{t}::whole-program"]
            if caught is None:
                caught = {"state": "caught", "by": t + (" (timed out)" if hung else ""), "functions": failed}
                if not every:
                    break
            else:
                caught["functions"] += [f for f in failed if f not in caught["functions"]]
        if caught is None:
            return {"state": "survived", "seconds": round(time.monotonic() - start)}
        if every:
            caught["complete"] = True
        caught["seconds"] = round(time.monotonic() - start)
        return caught
    finally:
        path.write_text(original, encoding="utf-8")


def state_of(mu, results):
    if mu.get("equivalent") and not mu.get("_force"):
        return "equivalent"
    r = results.get(mu["id"])
    if r and r.get("key") == mu["key"]:
        return r["state"]
    return None


def table(mutants, results, areas):
    rows = []
    header = f"{'area':<12}{'mutants':>8}{'caught':>8}{'survived':>9}{'equiv.':>7}{'stale':>6}{'build-f.':>9}{'not run':>8}{'score':>8}"
    rows.append(header)
    rows.append("-" * len(header))
    total = {s: 0 for s in STATES + ["not run", "all"]}
    for area in areas:
        mine = [m for m in mutants if m["area"] == area]
        if not mine:
            continue
        counts = {s: 0 for s in STATES + ["not run"]}
        for m in mine:
            counts[state_of(m, results) or "not run"] += 1
        for s in counts:
            total[s] += counts[s]
        total["all"] += len(mine)
        judged = counts["caught"] + counts["survived"]
        score = f"{100 * counts['caught'] / judged:.0f} %" if judged else "-"
        rows.append(f"{area:<12}{len(mine):>8}{counts['caught']:>8}{counts['survived']:>9}{counts['equivalent']:>7}"
                    f"{counts['stale']:>6}{counts['build-failed']:>9}{counts['not run']:>8}{score:>8}")
    rows.append("-" * len(header))
    judged = total["caught"] + total["survived"]
    score = f"{100 * total['caught'] / judged:.0f} %" if judged else "-"
    rows.append(f"{'all':<12}{total['all']:>8}{total['caught']:>8}{total['survived']:>9}{total['equivalent']:>7}"
                f"{total['stale']:>6}{total['build-failed']:>9}{total['not run']:>8}{score:>8}")
    return "\n".join(rows)


def report(mutants, results):
    areas = AREAS + sorted({m["area"] for m in mutants} - set(AREAS))
    print(table(mutants, results, areas))
    print("score = caught / (caught + survived); equivalent, stale and build-failed mutants are not counted")
    survivors = [m for m in mutants if state_of(m, results) == "survived"]
    if survivors:
        print(f"\nSurvivors ({len(survivors)}):")
        for m in survivors:
            print(f"  {m['id']:<28} {m['file']}: {m.get('what', '')}")
    odd = [m for m in mutants if state_of(m, results) in ("stale", "build-failed")]
    if odd:
        print("\nStale or not building (mend the list):")
        for m in odd:
            print(f"  {m['id']:<28} {state_of(m, results)}: {results[m['id']].get('why', '')}")


def killers(results):
    """Which test functions caught how many mutants, how many of those no other function
    caught (sole kills, known only from runs with --every), and the functions that caught
    none or none alone: rows to look at when the suite grows too large."""
    counts, sole = {}, {}
    complete = [r for r in results.values() if r.get("complete")]
    for r in results.values():
        names = sorted({f.split("(")[0] for f in r.get("functions", [])})
        for name in names:
            counts[name] = counts.get(name, 0) + 1
        if r.get("complete") and len(names) == 1:
            sole[names[0]] = sole.get(names[0], 0) + 1
    idle = []
    for source in sorted((ROOT / "tests").glob("test_*.cpp")):
        text = source.read_text(encoding="utf-8")
        cls = re.search(r"class (\w+) : public QObject", text)
        if not cls:
            continue
        body = text[text.find("private Q_SLOTS:"):]
        for fn in re.findall(r"^    void (\w+)\(\)$", body, re.M):
            if fn.endswith("_data") or fn in ("init", "cleanup", "initTestCase", "cleanupTestCase"):
                continue
            name = f"{cls.group(1)}::{fn}"
            if name not in counts:
                idle.append(name)
    print(f"caught  alone  function   ({len(complete)} mutants run with every program)")
    for name, n in sorted(counts.items(), key=lambda kv: (-sole.get(kv[0], 0), -kv[1])):
        print(f"{n:>6}  {sole.get(name, 0):>5}  {name}")
    print(f"\nTest functions that caught no mutant ({len(idle)}):")
    for name in idle:
        print(f"       {name}")
    if complete:
        shared = [name for name in counts if name not in sole]
        print(f"\nTest functions that caught nothing alone ({len(shared)}):")
        for name in sorted(shared):
            print(f"       {name}")


def main():
    # Stopped from outside, a run still restores the file it changed.
    signal.signal(signal.SIGTERM, lambda *_: sys.exit("stopped"))
    signal.signal(signal.SIGHUP, lambda *_: sys.exit("stopped"))
    ap = argparse.ArgumentParser(prog="./run mutants", description=__doc__,
                                 formatter_class=argparse.RawDescriptionHelpFormatter)
    ap.add_argument("--list", action="store_true", help="list the mutants and exit")
    ap.add_argument("--killers", action="store_true",
                    help="print how many mutants each test function caught, and those that caught none")
    ap.add_argument("--report", action="store_true", help="print the table of the last results and exit")
    ap.add_argument("--with", dest="others", action="append", default=[], metavar="DIR",
                    help="with --report or --killers: add the results of another run folder (VOLETA_MUTANTS_DIR); "
                         "later ones win")
    ap.add_argument("--area", help="only these areas (comma-separated: render,text,...)")
    ap.add_argument("--id", help="only these mutants (comma-separated ids; a trailing * matches a prefix)")
    ap.add_argument("--survivors", action="store_true", help="only those that survived or were not run last time")
    ap.add_argument("--fresh", action="store_true", help="only those that have no result yet")
    ap.add_argument("--every", action="store_true",
                    help="run every program of a mutant's area, not only up to the first that fails, so that "
                         "--killers can tell each function's sole kills (several times slower)")
    ap.add_argument("--equivalents", action="store_true", help="run the mutants marked equivalent too")
    ap.add_argument("--rev", help="check the code of this git revision instead of the working tree "
                    "(the list is always the working tree's)")
    ap.add_argument("-j", "--jobs", type=int, default=2, help="build jobs (default 2)")
    args = ap.parse_args()

    mutants = parse_list(LIST)
    chosen = mutants
    if args.area:
        wanted = set(args.area.split(","))
        unknown = wanted - set(AREAS)
        if unknown:
            sys.exit(f"unknown area: {', '.join(sorted(unknown))} (areas: {', '.join(AREAS)})")
        chosen = [m for m in chosen if m["area"] in wanted]
    if args.id:
        pats = args.id.split(",")
        chosen = [m for m in chosen
                  if any(m["id"] == p or (p.endswith("*") and m["id"].startswith(p[:-1])) for p in pats)]

    if args.list:
        for m in chosen:
            eq = "  [equivalent]" if m.get("equivalent") else ""
            print(f"{m['id']:<28} {m['area']:<12} {m['file']}: {m.get('what', '')}{eq}")
        print(f"{len(chosen)} mutants")
        return

    WORK.mkdir(parents=True, exist_ok=True)
    results = load_results()
    if args.report or args.killers:
        for other in args.others:
            path = Path(other) / "results.json"
            if path.is_file():
                results.update(json.loads(path.read_text()))
        killers(results) if args.killers else report(mutants, results)
        return

    if args.equivalents:
        for m in chosen:
            m["_force"] = True
    if args.survivors:
        chosen = [m for m in chosen if state_of(m, results) in (None, "survived")]
    if args.fresh:
        chosen = [m for m in chosen if state_of(m, results) is None]
    todo = [m for m in chosen if not (m.get("equivalent") and not m.get("_force"))]

    lock = open(WORK / "lock", "w")
    try:
        import fcntl
        fcntl.flock(lock, fcntl.LOCK_EX | fcntl.LOCK_NB)
    except OSError:
        sys.exit("another mutation run is using build/mutants")

    changed = sync_tree(args.rev)
    print(f"scratch copy: {changed} files updated", flush=True)
    configure(args.jobs)
    needed = sorted({t for m in todo for t in tests_for(m)})
    if not todo:
        print("nothing to run")
        return
    times = baseline(needed, args.jobs, reuse=changed == 0)

    began = time.monotonic()
    for n, m in enumerate(todo, 1):
        outcome = check(m, times, args.jobs, args.every)
        outcome["key"] = m["key"]
        results[m["id"]] = outcome
        save_results(results)
        detail = outcome.get("by") or outcome.get("why") or ""
        print(f"[{n}/{len(todo)}] {m['id']:<28} {outcome['state']:<12} {detail}", flush=True)
    # The scratch copy is left as the tree is, so the next run builds from there.
    build(needed, args.jobs)
    print(f"\n{len(todo)} mutants in {round((time.monotonic() - began) / 60, 1)} min\n")
    report(mutants, results)


if __name__ == "__main__":
    main()
