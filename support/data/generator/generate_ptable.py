#!/usr/bin/python3
"""Generates the built-in element and isotope tables (ptable_data.cpp) from public reference data that
Debian packages ship. The output is committed, so building the library needs none of these packages;
install them only to regenerate or to run test_generate_ptable.py:

    apt-get install python3-periodictable libelemental-dev bodr g++ pkg-config
    support/data/generator/generate_ptable.py            # rewrites support/data/ptable_data.cpp
    support/data/generator/generate_ptable.py --check    # exit 1 when the committed file is out of date

Sources, their licences and what is taken from each: support/data/SOURCES.md.
"""

import argparse
import html
import os
import re
import subprocess
import sys
import tempfile
import unicodedata
import xml.etree.ElementTree as ET
from decimal import Decimal
from pathlib import Path

HERE = Path(__file__).resolve().parent
OUTPUT = HERE.parent / "ptable_data.cpp"
BODR_ELEMENTS = Path("/usr/share/bodr/elements.xml")
BODR_ISOTOPES = Path("/usr/share/bodr/isotopes.xml")
CML = {"c": "http://www.xml-cml.org/schema"}
PACKAGES = ("python3-periodictable", "libelemental-dev", "bodr")

SYMBOLS = (
    "H He Li Be B C N O F Ne Na Mg Al Si P S Cl Ar K Ca Sc Ti V Cr Mn Fe Co Ni Cu Zn Ga Ge As Se Br Kr "
    "Rb Sr Y Zr Nb Mo Tc Ru Rh Pd Ag Cd In Sn Sb Te I Xe Cs Ba La Ce Pr Nd Pm Sm Eu Gd Tb Dy Ho Er Tm Yb "
    "Lu Hf Ta W Re Os Ir Pt Au Hg Tl Pb Bi Po At Rn Fr Ra Ac Th Pa U Np Pu Am Cm Bk Cf Es Fm Md No Lr Rf "
    "Db Sg Bh Hs Mt Ds Rg Cn Nh Fl Mc Lv Ts Og").split()
assert len(SYMBOLS) == 118

# The library spells these names the American way.
NAME_SPELLING = {"Aluminium": "Aluminum", "Caesium": "Cesium"}

# Isotopes with a symbol of their own.
NAMED_ISOTOPES = {(1, 2): "D", (1, 3): "T"}

# Valence lists of the main-group elements, preferred valence first. They are the library's chemistry
# rules rather than measured data (an alkali metal may be bare, valence 0, or bonded once); transition
# metals, lanthanides and actinides have none. Each non-zero valence is checked against the oxidation
# states of the element data.
VALENCES = {
    "H": [1], "He": [0],
    **{s: [0, 1] for s in ("Li", "Na", "K", "Rb", "Cs", "Fr")},
    **{s: [0, 2] for s in ("Be", "Mg", "Ca", "Sr", "Ba", "Ra")},
    "B": [3], "Al": [3], "Ga": [2, 3], "In": [1, 2, 3], "Tl": [1, 3],
    "C": [4], "Si": [4], "Ge": [4, 2], "Sn": [4, 2], "Pb": [4, 2],
    "N": [3], **{s: [3, 5] for s in ("P", "As", "Sb", "Bi")},
    "O": [2], **{s: [2, 4, 6] for s in ("S", "Se", "Te")}, "Po": [2, 3, 4, 6],
    "F": [1], **{s: [1, 3, 5, 7] for s in ("Cl", "Br", "I", "At")},
    "Ne": [0], "Ar": [0], "Rn": [0], "Kr": [0, 2], "Xe": [0, 2, 4, 6],
}

# Reference rows: the values the library has always shipped for these elements, on which callers and the
# tests rely exactly. Where the packaged data differs (other measurements, densities of the liquid rather
# than the gas, the group kept for oganesson) these win; the generator reports each difference.
# Columns: melting point, boiling point (degrees Celsius), density, ionization potential, group, period,
# electronegativity, radius.
REFERENCE_ROWS = {
    1: ("-259.14", "-252.87", "0.07", "1312", 1, 1, "2.2", 25),
    2: ("-272.2", "-268.93", "0.15", "2372.3", 18, 1, "0", 0),
    6: ("3527", "4000", "2.267", "1086.5", 14, 2, "2.55", 70),
    7: ("-210.1", "-195.79", "0.81", "1402.3", 15, 2, "3.04", 65),
    16: ("115.21", "444.72", "1.96", "999.6", 16, 3, "2.58", 100),
    17: ("-101.55", "-34.04", "1.56", "1251.2", 17, 3, "3.16", 100),
    26: ("1538", "2861", "7.874", "762.5", 8, 4, "1.83", 140),
    32: ("938.25", "2820", "5.323", "762", 14, 4, "2.01", 125),
    118: ("0", "0", "0", "0", 4, 7, "0", 0),
}
REFERENCE_MASSES = {1: "1.00800000005", 2: "4.00260200005", 6: "12.01100000005", 7: "14.00700000005",
                    16: "32.06000000005", 17: "35.45000000005", 26: "55.84500000005", 32: "72.63000000005",
                    118: "294.00000000005"}

# Average masses get the offset that reading a table text adds, (m * 1e10 + 0.5) / 1e10, so built-in and
# text-loaded masses compare equal; masses given to more than ten decimals keep their digits.
MASS_OFFSET = Decimal("5e-11")
KELVIN = Decimal("273.15")
EV_TO_KJ_PER_MOL = Decimal("96.485332")


def package_version(name):
    result = subprocess.run(["dpkg-query", "-W", "-f=${Version}", name], capture_output=True, text=True)
    return result.stdout.strip() if result.returncode == 0 else "not installed"


def decimal_text(value):
    """Plain decimal text without exponent or superfluous zeros, valid as a C++ literal."""
    text = format(value.normalize(), "f")
    return "0" if text in ("-0", "") else text


def strip_uncertainty(text):
    """'1.0078250321(4)' -> '1.0078250321'; estimate marks '#' and nominal '[294]' rows count as absent."""
    text = text.strip().rstrip("#")
    if not text or text.startswith("["):
        return None
    return re.sub(r"\(\d+\)$", "", text)


def ascii_text(text):
    """The library's texts are 8-bit system code page strings: keep them ASCII."""
    text = unicodedata.normalize("NFKD", html.unescape(text))
    return text.encode("ascii", "ignore").decode("ascii")


def read_isotopes():
    """Isotope mass table of python3-periodictable: one row per isotope, 'Z-Sym-A,mass,abundance,avg'."""
    from periodictable import mass
    isotopes, skipped = [], []
    for row in mass.massdata.split("\n"):
        if not row.strip():
            continue
        code, mass_text, abundance_text, _ = row.rstrip("\\").split(",")
        z, symbol, mass_number = code.split("-")
        z, mass_number = int(z), int(mass_number)
        assert SYMBOLS[z - 1] == symbol, row
        exact = strip_uncertainty(mass_text)
        if exact is None:  # only a nominal mass number is known: no exact mass to offer
            skipped.append(code)
            continue
        abundance = strip_uncertainty(abundance_text) or "0"
        isotopes.append((z, mass_number, Decimal(exact), Decimal(abundance), NAMED_ISOTOPES.get((z, mass_number))))
    isotopes.sort(key=lambda i: (i[0], i[2]))
    return isotopes, skipped


def read_elemental(work_dir):
    """Element data compiled into libelemental, dumped by elemental_dump.cpp."""
    flags = subprocess.run(["pkg-config", "--cflags", "--libs", "libelemental"], capture_output=True, text=True,
                           check=True).stdout.split()
    program = Path(work_dir) / "elemental_dump"
    subprocess.run(["c++", "-std=c++14", "-w", str(HERE / "elemental_dump.cpp"), "-o", str(program), *flags],
                   check=True)
    rows = {}
    for line in subprocess.run([str(program)], capture_output=True, text=True, check=True).stdout.splitlines():
        (number, symbol, name, melting, boiling, solid, liquid, energy, eneg, radius, group, period, discoverer,
         states) = line.split("\t")
        rows[int(number)] = dict(symbol=symbol, name=name, melting=melting, boiling=boiling, solid=solid,
                                 liquid=liquid, energy=energy, eneg=eneg, radius=radius, group=group, period=period,
                                 discoverer=discoverer,
                                 states=[int(s) for s in states.split(",")] if states else [])
    return rows


def read_bodr_elements():
    rows = {}
    for atom in ET.parse(BODR_ELEMENTS).getroot().findall("c:atom", CML):
        values = {}
        for item in atom:
            values[item.get("dictRef")] = item.text if item.text is not None else item.get("value")
        rows[int(values["bo:atomicNumber"])] = values
    return rows


def read_bodr_abundances():
    """(Z, A) -> abundance in percent, from bodr's isotopes.xml."""
    abundances = {}
    for isotope in ET.parse(BODR_ISOTOPES).getroot().iter("{%s}isotope" % CML["c"]):
        values = {s.get("dictRef"): s.text for s in isotope}
        if "bo:relativeAbundance" in values:
            z = int(values["bo:atomicNumber"])
            abundances[(z, int(isotope.get("number")))] = Decimal(values["bo:relativeAbundance"])
    return abundances


def celsius(kelvin_text):
    return Decimal(kelvin_text) - KELVIN if kelvin_text else Decimal(0)


def average_mass(text):
    value = Decimal(text)
    decimals = -value.as_tuple().exponent
    return value if decimals > 10 else value + MASS_OFFSET


def f_block_group(z, group):
    """Lanthanum and lutetium 3, cerium to ytterbium 4 to 16; actinium 3, thorium to lawrencium 4 to 17."""
    if z in (57, 71, 89):
        return 3
    if 58 <= z <= 70:
        return z - 54
    if 90 <= z <= 103:
        return z - 86
    return group


def build_elements(elemental, bodr, report):
    elements = []
    for z in range(1, 119):
        lib, blue = elemental[z], bodr[z]
        symbol = SYMBOLS[z - 1]
        assert lib["symbol"] == symbol, (z, lib["symbol"])
        energy = Decimal(lib["energy"]) if lib["energy"] else (
            (Decimal(blue["bo:ionization"]) * EV_TO_KJ_PER_MOL).quantize(Decimal("0.1"))
            if blue.get("bo:ionization") else Decimal(0))
        row = dict(
            z=z, symbol=symbol, name=NAME_SPELLING.get(lib["name"], lib["name"]),
            mass=average_mass(blue["bo:mass"]),
            melting=celsius(lib["melting"] or blue.get("bo:meltingpoint")),
            boiling=celsius(lib["boiling"] or blue.get("bo:boilingpoint")),
            density=Decimal(lib["solid"] or lib["liquid"] or 0),
            energy=energy,
            group=f_block_group(z, int(lib["group"] or 0)),
            period=int(lib["period"] or blue.get("bo:period") or 0),
            discoverer="" if z >= 113 else ascii_text(lib["discoverer"]),
            eneg=Decimal(lib["eneg"] or blue.get("bo:electronegativityPauling") or 0),
            radius=int(Decimal(lib["radius"] or 0)),
            valences=VALENCES.get(symbol, []),
        )
        for valence in row["valences"]:
            if valence and valence not in [abs(s) for s in lib["states"]] and lib["states"]:
                report.append(f"{symbol}: valence {valence} is not among the oxidation states {lib['states']}")
        if z in REFERENCE_ROWS:
            pinned = dict(zip(("melting", "boiling", "density", "energy", "group", "period", "eneg", "radius"),
                              REFERENCE_ROWS[z]))
            for key, value in pinned.items():
                value = Decimal(value) if isinstance(value, str) else value
                if row[key] != value:
                    report.append(f"{symbol}: {key} {decimal_text(row[key]) if isinstance(row[key], Decimal) else row[key]}"
                                  f" from the sources, reference value {value}")
                row[key] = value
            assert decimal_text(row["mass"]) == REFERENCE_MASSES[z], (symbol, row["mass"])
        elements.append(row)
    return elements


def c_string(text):
    return '"' + text.replace("\\", "\\\\").replace('"', '\\"') + '"'


def render(elements, isotopes, skipped, versions):
    first_isotope, isotope_count = {}, {}
    for index, (z, *_) in enumerate(isotopes):
        first_isotope.setdefault(z, index)
        isotope_count[z] = isotope_count.get(z, 0) + 1
    out = []
    out.append("// Built-in element and isotope tables. Generated by support/data/generator/generate_ptable.py; do not edit.")
    out.append("// Sources (see SOURCES.md): " + "; ".join(f"{p} {v}" for p, v in versions.items()) + ".")
    out.append(f"// {len(elements)} elements, {len(isotopes)} isotopes with an exact mass "
               f"({len(skipped)} rows with only a nominal mass left out: {', '.join(skipped)}).")
    out.append('#include "builtin_ptable.h"')
    out.append("")
    out.append("namespace mx::builtin {")
    out.append("")
    out.append("// atomic number, symbol, name, average mass, melting point, boiling point, density, ionization potential,")
    out.append("// group, period, discoverer, electronegativity, radius, valence count, valences (preferred first),")
    out.append("// first isotope, isotope count")
    out.append(f"const ElementRecord kElements[{len(elements)}] = {{")
    for e in elements:
        valences = "{" + ", ".join(str(v) for v in e["valences"]) + "}"
        z = e["z"]
        out.append(f"    {{{z}, {c_string(e['symbol'])}, {c_string(e['name'])}, {decimal_text(e['mass'])}, "
                   f"{decimal_text(e['melting'])}, {decimal_text(e['boiling'])}, {decimal_text(e['density'])}, "
                   f"{decimal_text(e['energy'])}, {e['group']}, {e['period']}, {c_string(e['discoverer'])}, "
                   f"{decimal_text(e['eneg'])}, {e['radius']}, {len(e['valences'])}, {valences}, "
                   f"{first_isotope.get(z, 0)}, {isotope_count.get(z, 0)}}},")
    out.append("};")
    out.append("")
    out.append("// exact mass, natural abundance in percent; by atomic number, then mass")
    out.append(f"const IsotopeRecord kIsotopes[{len(isotopes)}] = {{")
    for z, mass_number, exact, abundance, _ in isotopes:
        out.append(f"    {{{decimal_text(exact)}, {decimal_text(abundance)}}},  // {SYMBOLS[z - 1]}-{mass_number}")
    out.append("};")
    out.append("")
    out.append("const std::size_t kIsotopeCount = sizeof kIsotopes / sizeof kIsotopes[0];")
    out.append("")
    out.append("// isotopes with a symbol of their own: atomic number, position in the element's isotopes, symbol")
    named = [(z, index - first_isotope[z], symbol) for index, (z, _, _, _, symbol) in enumerate(isotopes) if symbol]
    out.append(f"const NamedIsotopeRecord kNamedIsotopes[{len(named)}] = {{")
    for z, position, symbol in named:
        out.append(f"    {{{z}, {position}, {c_string(symbol)}}},")
    out.append("};")
    out.append("")
    out.append("const std::size_t kNamedIsotopeCount = sizeof kNamedIsotopes / sizeof kNamedIsotopes[0];")
    out.append("")
    out.append("} // namespace mx::builtin")
    return "\n".join(out) + "\n"


def generate(report):
    versions = {p: package_version(p) for p in PACKAGES}
    isotopes, skipped = read_isotopes()
    with tempfile.TemporaryDirectory() as work_dir:
        elemental = read_elemental(work_dir)
    elements = build_elements(elemental, read_bodr_elements(), report)
    return render(elements, isotopes, skipped, versions), elements, isotopes


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--check", action="store_true", help="compare with the committed file instead of writing")
    parser.add_argument("--output", type=Path, default=OUTPUT)
    args = parser.parse_args()
    report = []
    text, elements, isotopes = generate(report)
    for line in report:
        print("note:", line, file=sys.stderr)
    if args.check:
        current = args.output.read_text() if args.output.exists() else ""
        if current != text:
            print(f"{args.output} is out of date: run {sys.argv[0]}", file=sys.stderr)
            return 1
        return 0
    args.output.write_text(text)
    print(f"wrote {args.output}: {len(elements)} elements, {len(isotopes)} isotopes")
    return 0


if __name__ == "__main__":
    sys.exit(main())
