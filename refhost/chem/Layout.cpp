#include "refhost/chem/Layout.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace refhost::chem {

void Box::Add(Point point)
{
    if (empty) {
        low = high = point;
        empty = false;
        return;
    }
    low = {std::min(low.x, point.x), std::min(low.y, point.y)};
    high = {std::max(high.x, point.x), std::max(high.y, point.y)};
}

void Box::Add(const Box& box)
{
    if (!box.empty) {
        Add(box.low);
        Add(box.high);
    }
}

bool Box::Overlaps(const Box& other, double gap) const
{
    if (empty || other.empty)
        return false;
    return low.x - gap < other.high.x && other.low.x - gap < high.x && low.y - gap < other.high.y
           && other.low.y - gap < high.y;
}

namespace {

double MedianBondLength(const ChemDocument& document)
{
    std::vector<double> lengths;
    for (const Bond& bond : document.Bonds()) {
        const Atom& one = document.Atoms()[bond.atom1];
        const Atom& two = document.Atoms()[bond.atom2];
        double length = std::hypot(two.x - one.x, two.y - one.y);
        if (length > 0 && std::isfinite(length))
            lengths.push_back(length);
    }
    if (lengths.empty())
        return 1;
    auto middle = lengths.begin() + static_cast<std::ptrdiff_t>(lengths.size() / 2);
    std::nth_element(lengths.begin(), middle, lengths.end());
    return *middle;
}

// Atoms that move together, with their box in the file's coordinates.
struct Piece {
    std::vector<int> atoms;
    Box box;
};

class Arranger {
public:
    explicit Arranger(const ChemDocument& document) : m_document(document), m_placed(document.Atoms().size())
    {
        for (const Atom& atom : document.Atoms())
            m_layout.atoms.push_back({atom.x, atom.y});
        m_layout.bondLength = MedianBondLength(document);
        m_gap = m_layout.bondLength;
    }

    Layout Arrange()
    {
        for (const ReactionScheme& scheme : m_document.ReactionSchemes())
            for (const ReactionStep& step : scheme.steps)
                PlaceRow(step);
        for (int group = 0; group < static_cast<int>(m_document.Groups().size()); ++group)
            PlaceFreeGroup(group);
        for (const Point& atom : m_layout.atoms)
            m_layout.bounds.Add(atom);
        return std::move(m_layout);
    }

private:
    // Adds the group's atoms that nothing placed before took.
    void Take(int group, Piece& piece)
    {
        for (int atom : m_document.Groups()[group].atoms)
            if (!m_placed[atom]) {
                m_placed[atom] = true;
                piece.atoms.push_back(atom);
                piece.box.Add(m_layout.atoms[atom]);
            }
    }

    Piece Collect(const Component& component)
    {
        Piece piece;
        for (int group : component.groups)
            Take(group, piece);
        return piece;
    }

    std::vector<Piece> Collect(const std::vector<Component>& components)
    {
        std::vector<Piece> pieces;
        for (const Component& component : components)
            if (Piece piece = Collect(component); !piece.atoms.empty())
                pieces.push_back(std::move(piece));
        return pieces;
    }

    // Moves the piece so that its box starts at `left` and is centred on `middle`; returns its right edge.
    double Move(const Piece& piece, double left, double middle)
    {
        return Shift(piece, left - piece.box.low.x, middle - (piece.box.low.y + piece.box.high.y) / 2);
    }

    double Shift(const Piece& piece, double dx, double dy)
    {
        for (int atom : piece.atoms)
            m_layout.atoms[atom] = {m_layout.atoms[atom].x + dx, m_layout.atoms[atom].y + dy};
        Box moved;
        moved.Add(Point{piece.box.low.x + dx, piece.box.low.y + dy});
        moved.Add(Point{piece.box.high.x + dx, piece.box.high.y + dy});
        Occupy(moved);
        return moved.high.x;
    }

    void Occupy(const Box& box)
    {
        m_occupied.push_back(box);
        m_layout.bounds.Add(box);
    }

    // Places the pieces of one side left to right from x, with plus signs between them; returns the right edge.
    double PlaceSide(const std::vector<Piece>& pieces, double x, double middle)
    {
        for (std::size_t index = 0; index < pieces.size(); ++index) {
            if (index > 0) {
                m_layout.pluses.push_back({x + m_gap, middle});
                m_layout.bounds.Add(m_layout.pluses.back());
                x += 2 * m_gap;
            }
            x = Move(pieces[index], x, middle);
        }
        return x;
    }

    void PlaceRow(const ReactionStep& step)
    {
        const std::vector<Piece> reactants = Collect(step.reactants);
        const std::vector<Piece> products = Collect(step.products);
        const std::vector<Piece> agents = Collect(step.agents);

        double half = 0, agentsWidth = 0, agentsHeight = 0;
        for (const auto* side : {&reactants, &products})
            for (const Piece& piece : *side)
                half = std::max(half, piece.box.Height() / 2);
        for (const Piece& piece : agents) {
            agentsWidth += piece.box.Width() + (agentsWidth > 0 ? m_gap : 0);
            agentsHeight = std::max(agentsHeight, piece.box.Height());
        }
        const double above = agents.empty() ? half : std::max(half, m_gap / 2 + agentsHeight);
        const double middle = m_rows == 0 ? 0 : m_bottom - 2 * m_gap - above;
        ++m_rows;

        double x = PlaceSide(reactants, 0, middle);
        const double start = reactants.empty() ? x : x + m_gap;
        const double length = std::max(3 * m_gap, agentsWidth + 2 * m_gap);
        const Arrow arrow{{start, middle}, {start + length, middle}};
        m_layout.arrows.push_back(arrow);
        Box arrowBox;
        arrowBox.Add(Point{arrow.from.x, middle - m_gap / 4});
        arrowBox.Add(Point{arrow.to.x, middle + m_gap / 4});
        Occupy(arrowBox);

        double agentX = start + (length - agentsWidth) / 2;
        for (const Piece& piece : agents)
            agentX = Shift(piece, agentX - piece.box.low.x, middle + m_gap / 2 - piece.box.low.y) + m_gap;
        PlaceSide(products, arrow.to.x + m_gap, middle);
        m_bottom = middle - std::max(half, m_gap / 4);
    }

    void PlaceFreeGroup(int group)
    {
        Piece piece;
        Take(group, piece);
        if (piece.atoms.empty())
            return;
        const bool clashes = std::any_of(m_occupied.begin(), m_occupied.end(),
                                         [&](const Box& box) { return box.Overlaps(piece.box, m_gap / 10); });
        const double dx = clashes ? m_layout.bounds.high.x + 2 * m_gap - piece.box.low.x : 0;
        Shift(piece, dx, 0);
    }

    const ChemDocument& m_document;
    Layout m_layout;
    std::vector<bool> m_placed;
    std::vector<Box> m_occupied;
    double m_gap = 1;
    int m_rows = 0;
    double m_bottom = 0;   // lowest extent of the rows placed so far
};

double SquaredDistance(Point one, Point two)
{
    return (one.x - two.x) * (one.x - two.x) + (one.y - two.y) * (one.y - two.y);
}

double SquaredDistanceToSegment(Point point, Point from, Point to)
{
    const double dx = to.x - from.x, dy = to.y - from.y;
    const double lengthSquared = dx * dx + dy * dy;
    double along = lengthSquared > 0 ? ((point.x - from.x) * dx + (point.y - from.y) * dy) / lengthSquared : 0;
    along = std::clamp(along, 0.0, 1.0);
    return SquaredDistance(point, {from.x + along * dx, from.y + along * dy});
}

} // namespace

Layout ArrangeDocument(const ChemDocument& document)
{
    return Arranger(document).Arrange();
}

Viewport FitLayout(const Layout& layout, double width, double height, double margin, double maxPixelsPerBond)
{
    const double available[] = {std::max(width - 2 * margin, 1.0), std::max(height - 2 * margin, 1.0)};
    double scale = maxPixelsPerBond / layout.bondLength;
    if (layout.bounds.Width() > 0)
        scale = std::min(scale, available[0] / layout.bounds.Width());
    if (layout.bounds.Height() > 0)
        scale = std::min(scale, available[1] / layout.bounds.Height());
    if (!(scale > 0) || !std::isfinite(scale))
        scale = 1;
    const Box& bounds = layout.bounds;
    const double middleX = bounds.empty ? 0 : (bounds.low.x + bounds.high.x) / 2;
    const double middleY = bounds.empty ? 0 : (bounds.low.y + bounds.high.y) / 2;
    return {scale, width / 2 - middleX * scale, height / 2 + middleY * scale};
}

std::optional<int> AtomAt(const Layout& layout, const Viewport& view, Point pixel, double radius)
{
    std::optional<int> nearest;
    double best = radius * radius;
    for (std::size_t atom = 0; atom < layout.atoms.size(); ++atom) {
        const double distance = SquaredDistance(view.ToPixels(layout.atoms[atom]), pixel);
        if (distance <= best) {
            best = distance;
            nearest = static_cast<int>(atom);
        }
    }
    return nearest;
}

std::optional<int> BondAt(const ChemDocument& document, const Layout& layout, const Viewport& view, Point pixel,
                          double radius)
{
    std::optional<int> nearest;
    double best = radius * radius;
    for (std::size_t index = 0; index < document.Bonds().size(); ++index) {
        const Bond& bond = document.Bonds()[index];
        const double distance = SquaredDistanceToSegment(pixel, view.ToPixels(layout.atoms[bond.atom1]),
                                                         view.ToPixels(layout.atoms[bond.atom2]));
        if (distance <= best) {
            best = distance;
            nearest = static_cast<int>(index);
        }
    }
    return nearest;
}

std::string AtomLabel(const ChemDocument& document, int atomIndex)
{
    const Atom& atom = document.Atoms().at(atomIndex);
    if (atom.symbol == "C" && atom.charge == 0 && atom.massNumber == 0 && atom.radical == 0
        && !document.BondsOfAtom(atomIndex).empty())
        return {};
    const int hydrogens = document.ImplicitHydrogens(atomIndex);
    std::string label = hydrogens == 0 ? "" : hydrogens == 1 ? "H" : "H" + std::to_string(hydrogens);
    // The hydrides of oxygen's column and of the halogens are written hydrogen first (H2O, HCl).
    constexpr std::string_view kHydrogenFirst[] = {"O", "S", "Se", "Te", "F", "Cl", "Br", "I"};
    const bool hydrogenFirst = document.BondsOfAtom(atomIndex).empty()
                               && std::find(std::begin(kHydrogenFirst), std::end(kHydrogenFirst), atom.symbol)
                                      != std::end(kHydrogenFirst);
    return hydrogenFirst ? label + atom.symbol : atom.symbol + label;
}

std::string ChargeText(int charge)
{
    if (charge == 0)
        return {};
    const char* sign = charge > 0 ? "+" : "-";
    return std::abs(charge) == 1 ? sign : std::to_string(std::abs(charge)) + sign;
}

} // namespace refhost::chem
