// IsPartialSelection reads each selected atom's and bond's ID once. These tests hold it to a plain scan
// (ContainsAtom for each end of each selected bond, then ContainsBond for each bond of each selected atom)
// on many selections, on hosts with odd IDs, and on hosts that fail part-way through.
#include "webservice/Selection.h"

#include "refhost/application.h"
#include "refhost/chem/Synthetic.h"
#include "refhost/drawing.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

namespace {

using refhost::chem::ChemDocument;

bool ScanPartialSelection(IVelmoraSelection& selection)
{
    IVelmoraBonds bonds = selection.Bonds();
    IVelmoraAtoms atoms = selection.Atoms();
    const long bondCount = bonds.Count();
    for (long index = 1; index <= bondCount; ++index) {
        IVelmoraBond bond = bonds.Item(index);
        IVelmoraAtom first = bond.Atom1();
        IVelmoraAtom second = bond.Atom2();
        if (!ContainsAtom(atoms, first) || !ContainsAtom(atoms, second))
            return true;
    }
    const long atomCount = atoms.Count();
    for (long index = 1; index <= atomCount; ++index) {
        IVelmoraBonds atomBonds = atoms.Item(index).Bonds();
        const long atomBondCount = atomBonds.Count();
        for (long bondIndex = 1; bondIndex <= atomBondCount; ++bondIndex) {
            IVelmoraBond bond = atomBonds.Item(bondIndex);
            if (!ContainsBond(bonds, bond))
                return true;
        }
    }
    return false;
}

// The answer, or the error the host raised (which says where the check stopped).
std::string Outcome(bool (*check)(IVelmoraSelection&), IVelmoraSelection selection)
{
    try {
        return check(selection) ? "partial" : "whole";
    } catch (const COleDispatchException& error) {
        return "raised " + error.m_strDescription;
    } catch (const COleException& error) {
        return "failed " + std::to_string(error.m_sc);
    }
}

// A misbehaviour of the host at one member of one kind of object, set up afresh before each check.
struct Misbehaviour {
    enum { Raise, Fail, Lack } what;
    const char* kind;
    const char* member;
};

// Every member the check calls.
constexpr std::pair<const char*, const char*> kCheckedMembers[] = {
    {"IVelmoraSelection", "Atoms"}, {"IVelmoraSelection", "Bonds"}, {"IVelmoraAtoms", "Count"},
    {"IVelmoraAtoms", "Item"},      {"IVelmoraBonds", "Count"},     {"IVelmoraBonds", "Item"},
    {"IVelmoraBond", "Atom1"},      {"IVelmoraBond", "Atom2"},      {"IVelmoraBond", "ID"},
    {"IVelmoraAtom", "ID"},         {"IVelmoraAtom", "Bonds"},
};

class PartialSelection : public ::testing::Test {
protected:
    std::shared_ptr<refhost::Host> host = refhost::Host::Create("Velmora 19.0", 0x10040);
    std::shared_ptr<refhost::DrawingDocument> drawing;
    Application application{host->Application().Detach()};
    std::mt19937 generator{20240613};

    int Below(int bound) { return static_cast<int>(generator() % static_cast<unsigned>(bound)); }

    void Show(std::shared_ptr<refhost::DrawingDocument> document)
    {
        drawing = std::move(document);
        host->MainWindow().activeDocument = drawing;
    }
    IVelmoraSelection Selection() { return application.ActiveDocument<IVelmoraDocument>().Selection(); }

    // Both checks on the current selection, each under the same misbehaviour; they must agree. Returns the
    // outcome of IsPartialSelection.
    std::string ExpectSameOutcome(const std::vector<Misbehaviour>& misbehaviours = {})
    {
        std::string outcomes[2];
        bool (*checks[2])(IVelmoraSelection&) = {&ScanPartialSelection, &IsPartialSelection};
        for (int index = 0; index < 2; ++index) {
            host->Behave();
            for (std::size_t rule = 0; rule < misbehaviours.size(); ++rule) {
                const Misbehaviour& m = misbehaviours[rule];
                const std::string description = std::string(m.kind) + "." + m.member;
                if (m.what == Misbehaviour::Lack)
                    host->Lack(m.kind, m.member);
                else if (m.what == Misbehaviour::Fail)
                    host->Fail(m.kind, m.member, E_FAIL - static_cast<HRESULT>(rule));
                else
                    host->Raise(m.kind, m.member, -5, description);
            }
            outcomes[index] = Outcome(checks[index], Selection());
        }
        host->Behave();
        EXPECT_EQ(outcomes[1], outcomes[0]);
        return outcomes[1];
    }

    // Random whole groups of a chains document, then perhaps one atom or bond more or less, in random order.
    void SelectAtRandom(ChemDocument& document)
    {
        std::vector<int> groups;
        for (int group = 0; group < static_cast<int>(document.Groups().size()); ++group)
            if (Below(2) == 0)
                groups.push_back(group);
        document.SelectGroups(groups);
        refhost::chem::Selection selection = document.GetSelection();
        auto change = [&](std::vector<int>& chosen, int count) {
            const int choice = Below(4);
            if (choice == 0 && !chosen.empty())
                chosen.erase(chosen.begin() + Below(static_cast<int>(chosen.size())));
            else if (choice == 1)
                chosen.push_back(Below(count));
            std::shuffle(chosen.begin(), chosen.end(), generator);
        };
        change(selection.atoms, static_cast<int>(document.Atoms().size()));
        change(selection.bonds, static_cast<int>(document.Bonds().size()));
        document.Select(selection);
    }

    // A hand-made host whose IDs may repeat, be 0 or name nothing: the selection lists IDs of missing atoms
    // and bonds (read as null objects, ID 0), and bonds may end at atoms that do not exist.
    std::shared_ptr<refhost::DrawingDocument> OddDocument()
    {
        auto document = std::make_shared<refhost::DrawingDocument>();
        for (int index = 0, count = 1 + Below(5); index < count; ++index)
            document->atoms.push_back({Below(6), 0});
        for (int index = 0, count = Below(5); index < count; ++index)
            document->bonds.push_back({10 + Below(4), Below(7), Below(7)});
        for (int index = 0, count = Below(6); index < count; ++index)
            document->selection.atoms.push_back(Below(8));
        for (int index = 0, count = Below(5); index < count; ++index)
            document->selection.bonds.push_back(10 + Below(5));
        return document;
    }
};

TEST_F(PartialSelection, AgreesWithTheScanOnEverySelection)
{
    Show(refhost::DrawingDocument::Open(refhost::chem::MakeChainsDocument(24, 4), nullptr));
    ChemDocument& document = *drawing->chemistry;
    int partial = 0;
    for (int round = 0; round < 60; ++round) {
        SCOPED_TRACE("chains, round " + std::to_string(round));
        SelectAtRandom(document);
        drawing->Synchronize();
        partial += ExpectSameOutcome() == "partial";
    }
    EXPECT_GT(partial, 10) << "the random selections cover both answers";
    EXPECT_LT(partial, 50);

    for (int round = 0; round < 200; ++round) {
        SCOPED_TRACE("odd host, round " + std::to_string(round));
        Show(OddDocument());
        ExpectSameOutcome();
    }
}

TEST_F(PartialSelection, StopsWhereTheScanStopsWhenTheHostFails)
{
    // Empty, whole, bonds without one of their atoms (the first bond or the last: decided before any atom's
    // bonds are read), atoms without one of their bonds (decided on the bonds of an atom). Each under every
    // misbehaviour of one member, and under two members raising at once (the one read first is reported).
    Show(refhost::DrawingDocument::Open(refhost::chem::MakeChainsDocument(12, 2), nullptr));
    ChemDocument& document = *drawing->chemistry;
    const std::vector<refhost::chem::Selection> selections = {
        {},
        {{0, 1, 2, 3, 4, 5}, {0, 1, 2, 3, 4}, {}},
        {{1, 2}, {0, 1}, {}},
        {{0, 1, 2, 3, 4, 5}, {0, 1, 2, 3, 4, 5}, {}},
        {{0, 2, 4}, {}, {}},
        {{5, 4, 3, 2, 1, 0}, {4, 2, 0, 1}, {}},
        {{6, 7, 8, 0, 1}, {5, 6, 0}, {}},
    };
    for (std::size_t selection = 0; selection < selections.size(); ++selection) {
        document.Select(selections[selection]);
        drawing->Synchronize();
        for (const auto& [kind, member] : kCheckedMembers) {
            SCOPED_TRACE("selection " + std::to_string(selection) + ", " + kind + "." + member);
            for (auto what : {Misbehaviour::Raise, Misbehaviour::Fail, Misbehaviour::Lack})
                ExpectSameOutcome({{what, kind, member}});
            for (const auto& [otherKind, otherMember] : kCheckedMembers)
                ExpectSameOutcome({{Misbehaviour::Raise, kind, member}, {Misbehaviour::Raise, otherKind, otherMember}});
        }
    }
}

TEST_F(PartialSelection, ReadsEachSelectedIDOnce)
{
    // A whole chain: every selected atom's and bond's ID once, and the ID of each bond end and of each bond
    // at each atom. The scan rereads the selection for every one of these.
    constexpr int atoms = 400, bonds = atoms - 1;
    Show(refhost::DrawingDocument::Open(refhost::chem::MakeChainsDocument(atoms), nullptr));
    IVelmoraSelection selection = Selection();
    host->ResetLookups();
    EXPECT_FALSE(IsPartialSelection(selection));
    EXPECT_EQ(host->LookupCount("ID"), atoms + bonds + 2 * bonds + 2 * bonds);
}

} // namespace
