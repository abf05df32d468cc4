#include "painter.h"

#include "framework/gdi.h"
#include "framework/handle.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace drawing_host {
namespace {

using refhost::chem::ChemDocument;
using refhost::chem::Point;

constexpr int kStatusHeight = 22;
constexpr double kMargin = 28;
constexpr double kMaxBondPixels = 48;
constexpr COLORREF kBackground = RGB(255, 255, 255);
constexpr COLORREF kInk = RGB(0, 0, 0);
constexpr COLORREF kSelection = RGB(150, 200, 255);
constexpr COLORREF kStatusBackground = RGB(236, 236, 236);
constexpr COLORREF kIdInk = RGB(120, 120, 120);

struct ElementColour {
    std::string_view symbol;
    COLORREF colour;
};
constexpr ElementColour kElementColours[] = {
    {"N", RGB(32, 64, 208)},  {"O", RGB(208, 32, 32)},   {"S", RGB(176, 136, 0)},   {"P", RGB(208, 112, 0)},
    {"F", RGB(0, 144, 0)},    {"Cl", RGB(0, 144, 0)},    {"Br", RGB(144, 40, 40)},  {"I", RGB(112, 0, 144)},
    {"Li", RGB(112, 64, 176)}, {"Na", RGB(112, 64, 176)}, {"K", RGB(112, 64, 176)},
};

COLORREF ColourOf(std::string_view symbol)
{
    for (const ElementColour& element : kElementColours)
        if (element.symbol == symbol)
            return element.colour;
    return kInk;
}

int Round(double value)
{
    return static_cast<int>(std::lround(std::clamp(value, -1e6, 1e6)));
}

fw::unique_hfont MakeFont(double pixels)
{
    return fw::unique_hfont(CreateFontA(-Round(pixels), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                                        OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                                        DEFAULT_PITCH | FF_SWISS, "Tahoma"));
}

void Line(HDC dc, Point from, Point to)
{
    MoveToEx(dc, Round(from.x), Round(from.y), nullptr);
    LineTo(dc, Round(to.x), Round(to.y));
}

SIZE TextSize(HDC dc, const std::string& text)
{
    SIZE size{};
    GetTextExtentPoint32A(dc, text.data(), static_cast<int>(text.size()), &size);
    return size;
}

void Text(HDC dc, const std::string& text, double left, double top)
{
    TextOutA(dc, Round(left), Round(top), text.data(), static_cast<int>(text.size()));
}

class Painter {
public:
    // The area starts at the DC's origin (a client area).
    Painter(HDC dc, const RECT& area, const ChemDocument& document)
        : m_dc(dc), m_document(document), m_view(ViewOf(m_document, area.right, area.bottom)),
          m_bond(m_view.bondPixels), m_fontHeight(std::clamp(m_bond * 0.42, 11.0, 22.0)),
          m_selectedAtoms(m_document.Atoms().size()), m_selectedBonds(m_document.Bonds().size())
    {
        for (int atom : m_document.GetSelection().atoms)
            m_selectedAtoms[atom] = true;
        for (int bond : m_document.GetSelection().bonds)
            m_selectedBonds[bond] = true;
        for (int atom = 0; atom < static_cast<int>(m_document.Atoms().size()); ++atom)
            m_labels.push_back(refhost::chem::AtomLabel(m_document, atom));
    }

    void Paint(bool atomIds)
    {
        Selection();
        Bonds();
        Labels();
        Reactions();
        if (atomIds)
            Ids();
    }

private:
    Point At(int atom) const { return m_view.viewport.ToPixels(m_view.layout.atoms[atom]); }

    // Wide strokes in the selection colour beneath the selected bonds, and discs beneath the selected atoms.
    void Selection()
    {
        fw::unique_hpen halo(CreatePen(PS_SOLID, std::max(4, Round(m_bond * 0.3)), kSelection));
        fw::SelectedObject pen(m_dc, halo.get());
        for (std::size_t bond = 0; bond < m_selectedBonds.size(); ++bond)
            if (m_selectedBonds[bond])
                Line(m_dc, At(m_document.Bonds()[bond].atom1), At(m_document.Bonds()[bond].atom2));
        fw::unique_hbrush fill(CreateSolidBrush(kSelection));
        fw::SelectedObject brush(m_dc, fill.get());
        fw::SelectedObject noPen(m_dc, GetStockObject(NULL_PEN));
        const double radius = std::max(5.0, m_bond * 0.25);
        for (std::size_t atom = 0; atom < m_selectedAtoms.size(); ++atom)
            if (m_selectedAtoms[atom]) {
                const Point centre = At(static_cast<int>(atom));
                Ellipse(m_dc, Round(centre.x - radius), Round(centre.y - radius), Round(centre.x + radius),
                        Round(centre.y + radius));
            }
    }

    // Single, double and triple bonds as parallel strokes, aromatic ones with a dashed second stroke, query
    // bonds dashed; a bond stops short of a label at either end.
    void Bonds()
    {
        fw::unique_hpen solid(CreatePen(PS_SOLID, std::max(1, Round(m_bond / 24)), kInk));
        fw::unique_hpen dashed(CreatePen(PS_DOT, 1, kInk));
        const double gap = std::max(2.0, m_bond * 0.09);
        const double labelRadius = m_fontHeight * 0.6;
        for (const auto& bond : m_document.Bonds()) {
            Point from = At(bond.atom1), to = At(bond.atom2);
            const double length = std::hypot(to.x - from.x, to.y - from.y);
            const double trimFrom = m_labels[bond.atom1].empty() ? 0 : labelRadius;
            const double trimTo = m_labels[bond.atom2].empty() ? 0 : labelRadius;
            if (length - trimFrom - trimTo < 2)
                continue;
            const Point along{(to.x - from.x) / length, (to.y - from.y) / length};
            const Point across{-along.y, along.x};
            from = {from.x + along.x * trimFrom, from.y + along.y * trimFrom};
            to = {to.x - along.x * trimTo, to.y - along.y * trimTo};
            auto stroke = [&](HPEN pen, double offset, double shorten) {
                fw::SelectedObject chosen(m_dc, pen);
                Line(m_dc, {from.x + across.x * offset + along.x * shorten, from.y + across.y * offset + along.y * shorten},
                     {to.x + across.x * offset - along.x * shorten, to.y + across.y * offset - along.y * shorten});
            };
            switch (bond.type) {
            case 1: stroke(solid.get(), 0, 0); break;
            case 2:
                stroke(solid.get(), -gap / 2 - 0.5, 0);
                stroke(solid.get(), gap / 2 + 0.5, 0);
                break;
            case 3:
                stroke(solid.get(), 0, 0);
                stroke(solid.get(), -gap - 0.5, 0);
                stroke(solid.get(), gap + 0.5, 0);
                break;
            case 4:
                stroke(solid.get(), 0, 0);
                stroke(dashed.get(), gap + 1, length * 0.12);
                break;
            default: stroke(dashed.get(), 0, 0); break;
            }
        }
    }

    // Element symbols with their hydrogens, coloured by element, a charge at the upper right and a mass number
    // at the upper left.
    void Labels()
    {
        fw::unique_hfont font = MakeFont(m_fontHeight);
        fw::unique_hfont small = MakeFont(m_fontHeight * 0.7);
        SetBkMode(m_dc, TRANSPARENT);
        for (std::size_t index = 0; index < m_labels.size(); ++index) {
            if (m_labels[index].empty())
                continue;
            const auto& atom = m_document.Atoms()[index];
            const Point centre = At(static_cast<int>(index));
            SetTextColor(m_dc, ColourOf(atom.symbol));
            fw::SelectedObject normal(m_dc, font.get());
            const SIZE size = TextSize(m_dc, m_labels[index]);
            const double left = centre.x - size.cx / 2.0, top = centre.y - size.cy / 2.0;
            Text(m_dc, m_labels[index], left, top);
            fw::SelectedObject raised(m_dc, small.get());
            if (std::string charge = refhost::chem::ChargeText(atom.charge); !charge.empty())
                Text(m_dc, charge, left + size.cx, top - m_fontHeight * 0.3);
            if (atom.massNumber > 0) {
                const std::string mass = std::to_string(atom.massNumber);
                Text(m_dc, mass, left - TextSize(m_dc, mass).cx, top - m_fontHeight * 0.3);
            }
        }
    }

    void Reactions()
    {
        fw::unique_hpen pen(CreatePen(PS_SOLID, std::max(1, Round(m_bond / 24)), kInk));
        fw::unique_hbrush fill(CreateSolidBrush(kInk));
        fw::SelectedObject penChosen(m_dc, pen.get());
        fw::SelectedObject brushChosen(m_dc, fill.get());
        const double head = std::max(6.0, m_bond * 0.25);
        for (const auto& arrow : m_view.layout.arrows) {
            const Point from = m_view.viewport.ToPixels(arrow.from), to = m_view.viewport.ToPixels(arrow.to);
            Line(m_dc, from, {to.x - head / 2, to.y});
            const POINT tip[] = {{Round(to.x), Round(to.y)},
                                 {Round(to.x - head), Round(to.y - head * 0.4)},
                                 {Round(to.x - head), Round(to.y + head * 0.4)}};
            Polygon(m_dc, tip, 3);
        }
        const double arm = std::max(4.0, m_bond * 0.22);
        for (const auto& plus : m_view.layout.pluses) {
            const Point centre = m_view.viewport.ToPixels(plus);
            Line(m_dc, {centre.x - arm, centre.y}, {centre.x + arm + 1, centre.y});
            Line(m_dc, {centre.x, centre.y - arm}, {centre.x, centre.y + arm + 1});
        }
    }

    // Each atom's host ID beside it, which is what script steps and the add-in's selection name.
    void Ids()
    {
        fw::unique_hfont font = MakeFont(std::max(9.0, m_fontHeight * 0.6));
        fw::SelectedObject chosen(m_dc, font.get());
        SetTextColor(m_dc, kIdInk);
        SetBkMode(m_dc, TRANSPARENT);
        for (std::size_t index = 0; index < m_labels.size(); ++index) {
            const Point centre = At(static_cast<int>(index));
            Text(m_dc, std::to_string(m_document.Atoms()[index].id), centre.x + 4, centre.y + 2);
        }
    }

    HDC m_dc;
    const ChemDocument& m_document;
    DocumentView m_view;
    double m_bond;
    double m_fontHeight;
    std::vector<bool> m_selectedAtoms, m_selectedBonds;
    std::vector<std::string> m_labels;
};

std::string StatusText(const PaintRequest& request)
{
    if (request.document == nullptr || !request.document->chemistry)
        return "No document. File > Open... opens a molfile, SD, RXN or RD file.";
    const ChemDocument& document = *request.document->chemistry;
    const auto& selection = document.GetSelection();
    char text[512];
    std::snprintf(text, sizeof text, "%s: %zu atoms, %zu bonds, %zu reactions.   Selected: %zu atoms, %zu bonds, MW %.2f",
                  request.title.c_str(), document.Atoms().size(), document.Bonds().size(),
                  document.ReactionSchemes().size(), selection.atoms.size(), selection.bonds.size(),
                  request.document->selection.molecularWeight);
    return text;
}

} // namespace

double DocumentView::HitRadius() const
{
    return std::clamp(bondPixels * 0.3, 4.0, 12.0);
}

DocumentView ViewOf(const ChemDocument& document, int width, int height)
{
    DocumentView view;
    view.layout = refhost::chem::ArrangeDocument(document);
    view.viewport = refhost::chem::FitLayout(view.layout, width, std::max(1, height - kStatusHeight), kMargin,
                                             kMaxBondPixels);
    view.bondPixels = view.viewport.BondPixels(view.layout);
    return view;
}

void PaintDocument(HDC dc, const RECT& area, const PaintRequest& request)
{
    fw::unique_hbrush background(CreateSolidBrush(kBackground));
    FillRect(dc, &area, background.get());
    if (request.document != nullptr && request.document->chemistry)
        Painter(dc, area, *request.document->chemistry).Paint(request.atomIds);

    RECT status = area;
    status.top = std::max(area.top, area.bottom - kStatusHeight);
    fw::unique_hbrush statusBackground(CreateSolidBrush(kStatusBackground));
    FillRect(dc, &status, statusBackground.get());
    fw::SelectedObject font(dc, GetStockObject(DEFAULT_GUI_FONT));
    SetTextColor(dc, kInk);
    SetBkMode(dc, TRANSPARENT);
    status.left += 6;
    const std::string text = StatusText(request);
    DrawTextA(dc, text.c_str(), static_cast<int>(text.size()), &status, DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_END_ELLIPSIS);
}

} // namespace drawing_host
