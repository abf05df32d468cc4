// Molfile, RXN and RD file reader and the exchange-format header: any bytes give a document or an error
// with a line, and a document that was read writes out as text that reads back to the same text. Every
// document read can be arranged for drawing, fitted into a window and clicked on.
#include "refhost/chem/Exchange.h"
#include "refhost/chem/Layout.h"

#include <cstdint>
#include <cstdlib>
#include <stdexcept>
#include <string_view>

using namespace refhost::chem;

namespace {

void CheckRefusal(const ReadError& error)
{
    if (error.line < 0 || error.message.empty())
        std::abort();
}

double AnyMass(std::string_view symbol, int massNumber) { return static_cast<double>(symbol.size() + massNumber); }

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    ReadError error;
    if (!ReadExchange(text, &error))
        CheckRefusal(error);

    auto document = ReadChemDocument(text, &error);
    if (!document) {
        CheckRefusal(error);
        return 0;
    }
    for (int atom = 0; atom < static_cast<int>(document->Atoms().size()); ++atom) {
        document->ImplicitHydrogens(atom);
        AtomLabel(*document, atom);
    }
    const Layout layout = ArrangeDocument(*document);
    const Viewport view = FitLayout(layout, 640, 480, 20, 48);
    if (layout.atoms.size() != document->Atoms().size() || !(view.scale > 0))
        std::abort();
    for (const Point& atom : layout.atoms) {
        const Point pixel = view.ToPixels(atom);
        if (!(pixel.x >= -1 && pixel.x <= 641 && pixel.y >= -1 && pixel.y <= 481))
            std::abort();   // everything fits into the window
    }
    if (!layout.atoms.empty())
        AtomAt(layout, view, view.ToPixels(layout.atoms.front()), 8);
    BondAt(*document, layout, view, {320, 240}, 8);
    document->SelectAll();
    document->SelectedGroups();
    document->SelectionWeight(AnyMass);
    try {
        WriteSelection(*document);
        const std::string written = WriteChemDocument(*document);
        const auto reread = ReadChemDocument(written, &error);
        if (!reread || WriteChemDocument(*reread) != written)
            std::abort();
    } catch (const std::length_error&) {
        // Molecules of several SD records together may exceed what one V2000 molfile can count.
    }
    return 0;
}
