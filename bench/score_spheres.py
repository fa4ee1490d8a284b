#!/usr/bin/env python3
"""How often the automatic sphere is the one the literature draws, under both
spheres (--sphere=chemical and --sphere=radii):

  gold: the metal centres of real CIFs read by hand
        (../shared/coordination/gold/expected.tsv): the share of centres whose
        ligand set is the expected one or one of its accepted alternatives,
        for all centres and for the molecular complexes;
  MaterialsCoord: the benchmark of Pan et al., Inorg. Chem. 60, 1590 (2021)
        (../shared/coordination/materialscoord): on the cation sites of the
        four groups of ionic solids, the sum over neighbour elements of
        |found - literature|, averaged over the sites of a structure and
        summed over the structures of a group (lower is better).

    bench/score_spheres.py [path/to/vexorin]

Ligands are compared by label and site code (LABEL#n_klm); a pi-bonded group
{C1#1_555,...} by its members.
"""

import collections
import json
import os
import re
import subprocess
import sys

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
SHARED = os.path.join(ROOT, "..", "shared", "coordination")
IONIC_GROUPS = ["common_binaries", "A2BX4", "ABX3", "ABX4"]


def run(program, args):
    done = subprocess.run([program] + args, capture_output=True, text=True, errors="replace")
    return [json.loads(line) for line in done.stdout.splitlines() if line.startswith("{")]


def expected_set(text):
    """'A#1_555 B#2_655 {C1#1_555,C2#1_555}' -> frozenset of items."""
    items = []
    for token in re.findall(r"\{[^}]*\}|\S+", text.strip()):
        if token.startswith("{"):
            items.append(frozenset(token[1:-1].split(",")))
        else:
            items.append(token)
    return frozenset(items)


def found_set(record):
    items = []
    for ligand in record.get("ligands", []):
        if "members" in ligand:
            items.append(frozenset(m["label"] + "#" + m["code"] for m in ligand["members"]))
        else:
            items.append(ligand["label"] + "#" + ligand["code"])
    return frozenset(items)


def score_gold(program, sphere):
    rows = []
    with open(os.path.join(SHARED, "gold", "expected.tsv"), encoding="utf-8") as handle:
        header = handle.readline().rstrip("\n").split("\t")
        for line in handle:
            rows.append(dict(zip(header, line.rstrip("\n").split("\t"))))
    records = {}
    for name in sorted({row["file"] for row in rows}):
        path = os.path.join(SHARED, "gold", name)
        for record in run(program, ["--all", "--format=json", "--sphere=" + sphere, path]):
            records[(name, record.get("block"), record.get("centre"))] = record
    right = collections.Counter()
    total = collections.Counter()
    wrong = []
    for row in rows:
        accepted = [expected_set(row["expected"])]
        if row["alternatives"] not in ("", "-"):
            accepted += [expected_set(text) for text in row["alternatives"].split("|")]
        record = records.get((row["file"], row["block"], row["centre"]))
        ok = record is not None and "error" not in record and found_set(record) in accepted
        for key in ("all", row["category"]):
            total[key] += 1
            right[key] += ok
        if not ok:
            wrong.append(row["file"] + " " + row["centre"])
    return right, total, wrong


def element_of(label):
    match = re.match(r"[A-Z][a-z]?", label)
    return match.group(0) if match else label


def score_materialscoord(program, sphere):
    sites = collections.defaultdict(list)
    with open(os.path.join(SHARED, "materialscoord", "expected.tsv"), encoding="utf-8") as handle:
        header = handle.readline().rstrip("\n").split("\t")
        for line in handle:
            row = dict(zip(header, line.rstrip("\n").split("\t")))
            if row["group"] in IONIC_GROUPS and row["site_type"] == "cation":
                sites[(row["group"], row["file"])].append(row)
    scores = collections.Counter()
    for (group, name), rows in sorted(sites.items()):
        elements = sorted({row["element"] for row in rows})
        path = os.path.join(SHARED, "materialscoord", name)
        found = {r.get("centre"): r for r in run(
            program, ["--all", "--format=json", "--sphere=" + sphere,
                      "--elements=" + ",".join(elements), path])}
        total = 0.0
        for row in rows:
            best = None
            record = found.get(row["label"])
            counts = collections.Counter()
            if record is not None and "error" not in record:
                for ligand in record["ligands"]:
                    counts[element_of(ligand["label"])] += 1
            for expected in row["expected"].split("|"):
                literature = collections.Counter()
                for part in expected.split():
                    element, count = part.split(":")
                    literature[element.strip()] += float(count)
                keys = set(literature) | set(counts)
                score = sum(abs(counts[k] - literature[k]) for k in keys)
                best = score if best is None else min(best, score)
            total += best
        scores[group] += total / len(rows)
    return scores


def main():
    program = sys.argv[1] if len(sys.argv) > 1 else os.path.join(ROOT, "build", "vexorin")
    if not os.path.isdir(SHARED):
        sys.exit("no " + SHARED + ": nothing to score")
    for sphere in ("chemical", "radii"):
        right, total, wrong = score_gold(program, sphere)
        print("--sphere=%s" % sphere)
        for key in ("all", "molecular", "MOF", "inorganic"):
            if total[key]:
                print("  gold %-10s %3d of %3d right (%.0f %%)"
                      % (key, right[key], total[key], 100.0 * right[key] / total[key]))
        scores = score_materialscoord(program, sphere)
        for group in IONIC_GROUPS:
            print("  MaterialsCoord %-16s %6.2f" % (group, scores[group]))
        print("  MaterialsCoord ionic groups     %6.2f  (CrystalNN 4.83)" % sum(scores.values()))
        if os.environ.get("VERBOSE"):
            print("  wrong: " + "; ".join(wrong))


if __name__ == "__main__":
    main()
