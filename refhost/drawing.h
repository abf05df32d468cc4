// The drawing host family's document: a plain model of atoms, bonds, fragment groups, drawing objects and
// reaction schemes with a selection, and the automation objects over it (IVelmoraDocument,
// IVelmoraSelection, IVelmoraAtoms, ... and the selection's data object).
//
// A test either assembles the plain model by hand or opens a chemical document (a molfile, RXN or RD file
// read by refhost/chem): then the plain model is derived from the chemical one, the selection's data
// answers MDL text and the host's exchange format from it, and exchange data set on the selection is
// pasted into it.
#pragma once

#include "refhost/chem/ChemDocument.h"
#include "refhost/host.h"
#include "refhost/masses.h"

#include <map>
#include <string>
#include <vector>

namespace refhost {

// Identifiers are the host's ID values; a fragment of 0 means "in no fragment group".
struct DrawingFragment {
    long id = 0;
    long groupType = 1;
};

struct DrawingAtom {
    long id = 0;
    long fragment = 0;
};

struct DrawingBond {
    long id = 0;
    long atom1 = 0;
    long atom2 = 0;
};

// A drawing object (a structure, a label, an arrow) as far as the add-in sees it: its fragment group.
struct DrawingObject {
    long fragment = 0;
};

// A reaction component is a set of drawing objects.
using ReactionComponent = std::vector<DrawingObject>;

struct ReactionStepModel {
    std::vector<ReactionComponent> reactants;
    std::vector<ReactionComponent> products;
};

struct ReactionSchemeModel {
    std::vector<ReactionStepModel> steps;
};

struct DrawingSelection {
    std::vector<long> atoms;                 // ids of the selected atoms
    std::vector<long> bonds;                 // ids of the selected bonds
    std::vector<DrawingObject> objects;
    std::vector<std::size_t> reactionSchemes; // positions in the document's reaction schemes
    double molecularWeight = 0.0;
    // What IVelmoraObjects.Data answers per data type (its first argument); VT_EMPTY for other types.
    std::map<std::string, fw::unique_variant> dataByType;
    // The selection's data object (GetData/SetData by clipboard format).
    std::shared_ptr<DataStore> data = std::make_shared<DataStore>();
};

class DrawingDocument final : public Document {
public:
    // A drawing of a chemical document, its selection included. The masses weigh the selection (null: every
    // weight is 0.0).
    static std::shared_ptr<DrawingDocument> Open(chem::ChemDocument document,
                                                 chem::ElementMassFunction masses = PeriodicTableMass);

    // Set for an opened document; after changing it (its selection, its groups), call Synchronize.
    std::shared_ptr<chem::ChemDocument> chemistry;
    // Derives the plain model below from `chemistry`: IDs are the chemical document's, the selection's
    // objects are the fragment groups it touches, its weight is that of its atoms.
    void Synchronize();

    std::vector<DrawingFragment> fragments;
    std::vector<DrawingAtom> atoms;
    std::vector<DrawingBond> bonds;
    std::vector<ReactionSchemeModel> reactionSchemes;
    DrawingSelection selection;

    fw::ComPtr<IDispatch> CreateView(const std::shared_ptr<Host>& host) override;

    const DrawingAtom* FindAtom(long id) const;
    const DrawingBond* FindBond(long id) const;
    const DrawingFragment* FindFragment(long id) const;
    // The ids of the bonds at an atom, in bond order.
    std::vector<long> BondsOfAtom(long atomId) const;

private:
    chem::ElementMassFunction m_masses;
};

// The clipboard format of the host's exchange format ("Velmora Interchange Format"), registered on first use.
long ExchangeFormat();
// The MDL text types the Data property of an opened document's selection answers (with the selection as
// chem::WriteSelection writes it).
inline constexpr std::string_view kMdlDataTypes[] = {"chemical/x-mdl-molfile", "chemical/x-mdl-rxnfile",
                                                     "chemical/x-mdl-rdfile"};

// The error code the host raises when empty exchange data is set on an opened document.
inline constexpr long kEmptyStructureError = -102;

// The host's data object over a store. With a document that has `chemistry`, the exchange format reads the
// document's selection and writes by pasting into the document (empty data raises kEmptyStructureError, bad
// data the host's error with the reader's message); other formats use the store.
fw::ComPtr<IDispatch> MakeDataObject(const std::shared_ptr<Host>& host, std::shared_ptr<DataStore> store,
                                     std::shared_ptr<DrawingDocument> document = nullptr);

} // namespace refhost
