#!/usr/bin/env python3
"""Prints which engine families include which and fails (exit 1) when
families include each other, directly or round a longer circle.

A family is a folder of engine/src. A public header belongs to the family
whose folder holds the .cpp of its name, or to the one KEEPERS names.
Usage: engine_families.py [ENGINE_DIR]"""
import re
import sys
from pathlib import Path

# Public headers without a .cpp of their name. Main.h only declares the
# managers, so it is counted in core; Main.cpp, which makes them all, stands
# above every family, as does the umbrella header the editor includes. The
# families reach one another's managers through Main::instance(): a call
# such as Main::instance()->imageMgr() is counted here by the manager's
# header the caller must include for it, not by Main.h.
KEEPERS = {"AudioDevice.h": "audio", "GUITheme.h": "gui", "Main.h": "core", "Particle.h": "particle",
           "Result.h": "core", "Types.h": "core", "Zelkoran.h": "main"}
INCLUDE = re.compile(r'^\s*#\s*include\s*[<"]([^">]+)[">]', re.M)


def families(engine):
    src, pub = engine / "src", engine / "include" / "Zelkoran"
    family, by_include = {}, {}
    for f in src.rglob("*"):
        if f.suffix in (".h", ".cpp"):
            family[f] = f.relative_to(src).parts[0] if f.parent != src else "main"
            by_include[f.relative_to(src).as_posix()] = f
    for h in pub.glob("*.h"):
        cpp = next(src.glob(f"*/{h.stem}.cpp"), None)
        family[h] = cpp.parent.name if cpp else KEEPERS.get(h.name)
        by_include[f"Zelkoran/{h.name}"] = h
    return family, by_include, src


def main():
    engine = Path(sys.argv[1]) if len(sys.argv) > 1 else Path(__file__).resolve().parent.parent / "engine"
    family, by_include, src = families(engine)
    unplaced = sorted(f.name for f, fam in family.items() if fam is None)
    if unplaced:
        print("public headers of no family (name them in KEEPERS):", ", ".join(unplaced))
        return 1
    edges = {}
    for f, fam in family.items():
        for inc in INCLUDE.findall(f.read_text(errors="replace")):
            target = by_include.get(inc) or by_include.get((f.parent / inc).relative_to(src).as_posix()
                                                           if f.is_relative_to(src) else inc)
            if target is not None and family[target] != fam:
                edges.setdefault((fam, family[target]), set()).add(f"{f.relative_to(engine)} includes {inc}")
    names = sorted(set(family.values()))
    reach = {n: {t for (s, t) in edges if s == n} for n in names}
    grown = True
    while grown:
        grown = False
        for n in names:
            more = set().union(*(reach[t] for t in reach[n])) - reach[n]
            if more:
                reach[n] |= more
                grown = True
    print("engine family -> the families it includes")
    for n in names:
        print(f"  {n:9} -> {', '.join(sorted(t for (s, t) in edges if s == n)) or '-'}")
    circles = sorted((s, t) for (s, t) in edges if s in reach[t])
    if not circles:
        print("no circle between families")
        return 0
    print("includes that close a circle:")
    for s, t in circles:
        for why in sorted(edges[(s, t)]):
            print(f"  {s} -> {t}: {why}")
    return 1


if __name__ == "__main__":
    sys.exit(main())
