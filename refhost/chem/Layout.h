// Where the stand-in drawing host draws a chemical document: a 2D position for every atom in the document's
// own units (y grows upwards, as in molfiles), the arrows and plus signs of its reactions, the labels of its
// atoms, and the mapping of those units onto a window's pixels with the hit tests of a click. Portable, so the
// arrangement is tested and fuzzed natively.
#pragma once

#include "refhost/chem/ChemDocument.h"

#include <optional>
#include <string>
#include <vector>

namespace refhost::chem {

struct Point {
    double x = 0, y = 0;
};

struct Box {
    Point low, high;
    bool empty = true;

    void Add(Point point);
    void Add(const Box& box);
    double Width() const { return empty ? 0 : high.x - low.x; }
    double Height() const { return empty ? 0 : high.y - low.y; }
    // True when the boxes come closer than `gap` (touching boxes overlap for a gap above 0).
    bool Overlaps(const Box& other, double gap) const;
};

struct Arrow {
    Point from, to;
};

struct Layout {
    std::vector<Point> atoms;   // by atom index
    std::vector<Arrow> arrows;  // one per reaction step
    std::vector<Point> pluses;  // centres of the plus signs between components
    Box bounds;                 // of everything above
    double bondLength = 1;      // the median bond length, which sets every gap
};

// Each step of a reaction scheme becomes a row, one below the other: its reactants left to right with plus
// signs between them, the arrow with the agents above it, the products. The reaction files give each molecule
// coordinates of its own, so components are moved into place; molecules outside reactions keep theirs unless
// they would overlap what is already placed (a structure pasted at the coordinates of one already drawn):
// then they move right of everything.
Layout ArrangeDocument(const ChemDocument& document);

// Layout units to pixels of a client area: the layout is fitted into the area less a margin and centred, with
// its aspect kept and y turned downwards; a small drawing is not enlarged beyond maxPixelsPerBond.
struct Viewport {
    double scale = 1;   // pixels per unit
    double originX = 0, originY = 0;

    Point ToPixels(Point units) const { return {originX + units.x * scale, originY - units.y * scale}; }
    double BondPixels(const Layout& layout) const { return layout.bondLength * scale; }
};
Viewport FitLayout(const Layout& layout, double width, double height, double margin, double maxPixelsPerBond);

// The nearest atom within `radius` pixels of the pixel, or the nearest bond whose line passes within it.
std::optional<int> AtomAt(const Layout& layout, const Viewport& view, Point pixel, double radius);
std::optional<int> BondAt(const ChemDocument& document, const Layout& layout, const Viewport& view, Point pixel,
                          double radius);

// What is written at an atom: the symbol with its implicit hydrogens ("OH", "NH2", and for a lone hydride of
// oxygen's column or a halogen "H2O", "HCl"), or nothing for a carbon that has bonds, no charge, no isotope and
// no radical (the corner of the skeleton).
std::string AtomLabel(const ChemDocument& document, int atom);
// A charge as it is written beside a label: "+", "2+", "-", "3-"; empty for 0.
std::string ChargeText(int charge);

} // namespace refhost::chem
