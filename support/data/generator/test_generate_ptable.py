#!/usr/bin/python3
"""Checks the generated built-in tables against an independent source and against the generator itself.
Needs the source packages (see generate_ptable.py); without them it exits 77, which ctest counts as skipped."""

import shutil
import sys
import unittest
from collections import defaultdict
from decimal import Decimal
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent))
import generate_ptable as generator  # noqa: E402


def sources_present():
    try:
        import periodictable  # noqa: F401
    except ImportError:
        return False
    return (generator.BODR_ISOTOPES.exists() and shutil.which("pkg-config") and shutil.which("c++")
            and generator.package_version("libelemental-dev") != "not installed")


class GeneratedTables(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.report = []
        cls.text, cls.elements, cls.isotopes = generator.generate(cls.report)

    def test_committed_file_is_current(self):
        self.assertEqual(generator.OUTPUT.read_text(), self.text,
                         "ptable_data.cpp differs from the generator's output: regenerate it")

    def test_abundances_agree_with_the_second_source(self):
        # The isotope table and bodr's isotopes.xml come from different compilations: every natural
        # isotope of one must be natural in the other, with the same abundance.
        ours = {(z, a): abundance for z, a, _, abundance, _ in self.isotopes if abundance > 0}
        theirs = generator.read_bodr_abundances()
        self.assertEqual(sorted(ours), sorted(theirs))
        for key, abundance in ours.items():
            self.assertAlmostEqual(float(abundance), float(theirs[key]), delta=1e-6, msg=str(key))

    def test_abundances_of_each_element_add_up_to_100_percent(self):
        totals = defaultdict(Decimal)
        for z, _, _, abundance, _ in self.isotopes:
            totals[z] += abundance
        for z, total in totals.items():
            if total:
                self.assertAlmostEqual(float(total), 100.0, delta=0.01, msg=generator.SYMBOLS[z - 1])

    def test_isotopes_are_complete_and_ordered(self):
        # Copernicium and beyond are known only by nominal mass numbers: they have no isotope records.
        self.assertEqual({z for z, *_ in self.isotopes}, set(range(1, 112)))
        keys = [(z, mass) for z, _, mass, _, _ in self.isotopes]
        self.assertEqual(keys, sorted(keys))
        for z, mass_number, mass, _, _ in self.isotopes:
            self.assertEqual(int(mass + Decimal("0.5")), mass_number, (z, mass))

    def test_named_isotopes(self):
        named = {(z, a): (mass, abundance, symbol) for z, a, mass, abundance, symbol in self.isotopes if symbol}
        self.assertEqual(named, {(1, 2): (Decimal("2.0141017780"), Decimal("0.0115"), "D"),
                                 (1, 3): (Decimal("3.0160492675"), Decimal(0), "T")})

    def test_reference_rows_and_texts(self):
        by_symbol = {e["symbol"]: e for e in self.elements}
        self.assertEqual(by_symbol["Cl"]["mass"], Decimal("35.45000000005"))
        self.assertEqual(by_symbol["Og"]["group"], 4)
        self.assertEqual((by_symbol["Al"]["name"], by_symbol["Cs"]["name"]), ("Aluminum", "Cesium"))
        self.assertEqual([by_symbol[s]["group"] for s in ("La", "Ce", "Yb", "Lu", "Ac", "Th", "Lr")],
                         [3, 4, 16, 3, 3, 4, 17])
        for e in self.elements:
            self.assertTrue(e["name"].isascii() and e["discoverer"].isascii(), e["symbol"])
            self.assertNotIn("&#", e["discoverer"])
            if e["z"] >= 113:
                self.assertEqual(e["discoverer"], "", e["symbol"])


if __name__ == "__main__":
    if not sources_present():
        print("skipped: the source packages are not installed")
        sys.exit(77)
    unittest.main()
