// How the drawing host draws a document with GDI: bonds and atom labels from the arranged 2D coordinates,
// charges and isotopes beside the labels, reaction arrows and plus signs, the selection highlighted beneath,
// optionally each atom's host ID, and a status line with what is selected. The same code paints the window and
// answers WM_PRINTCLIENT.
#pragma once

#include "refhost/chem/Layout.h"
#include "refhost/drawing.h"

#include <windows.h>

namespace drawing_host {

// Where the document lies in a client area of the size (the status line takes the bottom).
struct DocumentView {
    refhost::chem::Layout layout;
    refhost::chem::Viewport viewport;
    double bondPixels = 0;
    // How far from an atom or bond a click still hits it.
    double HitRadius() const;
};
DocumentView ViewOf(const refhost::chem::ChemDocument& document, int width, int height);

struct PaintRequest {
    const refhost::DrawingDocument* document = nullptr;   // null: no document open
    std::string title;                                    // the document's name in the status line
    bool atomIds = false;
};
// The area is a client area (it starts at 0, 0).
void PaintDocument(HDC dc, const RECT& area, const PaintRequest& request);

} // namespace drawing_host
