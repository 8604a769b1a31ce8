#!/usr/bin/env python3
"""engine_families.py on small made-up engines: every circle of includes
between families fails the check, however many families it passes."""
import subprocess
import sys
import tempfile
import unittest
from pathlib import Path

SCRIPT = Path(__file__).resolve().parents[2] / "scripts" / "engine_families.py"


def check(includes):
    """Runs the script on an engine whose family X holds X/X.cpp including
    the headers of the families includes[X] names; (exit code, output)."""
    with tempfile.TemporaryDirectory() as engine:
        src = Path(engine) / "src"
        (Path(engine) / "include" / "Zelkoran").mkdir(parents=True)
        for family in set(includes) | {t for ts in includes.values() for t in ts}:
            (src / family).mkdir(parents=True, exist_ok=True)
            (src / family / f"{family}.h").write_text("#pragma once\n")
            lines = [f'#include "{t}/{t}.h"\n' for t in includes.get(family, [])]
            (src / family / f"{family}.cpp").write_text("".join(lines))
        run = subprocess.run([sys.executable, str(SCRIPT), engine], capture_output=True, text=True)
        return run.returncode, run.stdout


class EngineFamilies(unittest.TestCase):
    def test_every_circle_fails(self):
        rows = [
            ("a chain", {"a": ["b"], "b": ["c"]}, 0),
            ("two families", {"a": ["b"], "b": ["a"]}, 1),
            ("three families", {"a": ["b"], "b": ["c"], "c": ["a"]}, 1),
            ("four families beside a chain", {"a": ["b", "e"], "b": ["c"], "c": ["d"], "d": ["a"]}, 1),
        ]
        for what, includes, expected in rows:
            with self.subTest(what):
                code, out = check(includes)
                self.assertEqual(code, expected, out)
                if expected:
                    self.assertIn("src/a/a.cpp includes b/b.h", out)
                    self.assertNotIn("includes e/e.h", out.split("close a circle")[1])


if __name__ == "__main__":
    unittest.main()
