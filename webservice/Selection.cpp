#include "webservice/Selection.h"

#include "addin/ConfigStore.h"
#include "framework/resources.h"
#include "resources/resource.h"

#include <algorithm>
#include <optional>
#include <stdexcept>
#include <unordered_set>

UINT vlxFormat = 0;
UINT kvnVLXFormat = 0;

namespace {

constexpr long kFragmentGroupType = 1;
constexpr long kStructureFieldType = 3;

void RegisterFormat(UINT& format, const char* name)
{
    if (format == 0)
        format = RegisterClipboardFormatA(name);
}

bool Contains(const std::vector<std::int32_t>& identifiers, std::int32_t identifier)
{
    return std::find(identifiers.begin(), identifiers.end(), identifier) != identifiers.end();
}

// A linear scan, one host call per member for its ID, that stops at the first match.
template <typename Collection>
bool ContainsID(Collection& members, long id)
{
    const long count = members.Count();
    for (long index = 1; index <= count; ++index)
        if (members.Item(index).ID() == id)
            return true;
    return false;
}

// Membership by host ID in a collection, reading each member's ID at most once into a hashed set. A test
// that misses the set reads on from where earlier tests stopped, up to the first member with the ID: these
// are the reads a scan from the start (ContainsID) makes for the first time, in its order, so the host
// raises where the scan would, without the rereading that makes repeated scans quadratic.
template <typename Collection>
class MemberIDs {
public:
    explicit MemberIDs(Collection& members) : m_members(members) {}

    bool Contains(long id)
    {
        if (m_read.contains(id))
            return true;
        if (!m_count)
            m_count = m_members.Count();
        while (m_next <= *m_count) {
            const long member = m_members.Item(m_next++).ID();
            m_read.insert(member);
            if (member == id)
                return true;
        }
        return false;
    }

private:
    Collection& m_members;
    std::optional<long> m_count;
    long m_next = 1;
    std::unordered_set<long> m_read;
};

// Appends the fragment of each component of a step's reactants or products, -1 included.
void CollectFragmentIDs(IVelmoraReactionStepComponents components, std::vector<std::int32_t>& identifiers)
{
    const long count = components.Count();
    for (long index = 1; index <= count; ++index) {
        IVelmoraObjects component = components.Item(index);
        identifiers.push_back(GetFragmentID(component));
    }
}

// The structure of the current record: the data of the molecule in its first structure field; empty when
// the document has no structure field or the record no molecule.
fw::unique_variant ReadDatabaseStructure(IRavelleDocument document)
{
    IRavelleFields fields = document.Fields();
    if (!fields)
        return {};
    const short count = fields.Count();
    short structureField = 0;
    for (int index = 1; index <= count && structureField == 0; ++index)
        if (fields.Item(static_cast<short>(index)).Type() == kStructureFieldType)
            structureField = static_cast<short>(index);
    IRavelleRecordset recordset = document.Recordset();
    if (structureField == 0 || !recordset)
        return {};
    fw::unique_variant value = recordset.Value(structureField);
    fw::unique_variant object;
    if (FAILED(fw::Coerce(*value, VT_DISPATCH, object)) || V_DISPATCH(object.get()) == nullptr)
        return {};
    V_DISPATCH(object.get())->AddRef();
    IRavelleMolecule molecule(V_DISPATCH(object.get()));
    return molecule.DataObject().GetData(static_cast<long>(vlxFormat));
}

} // namespace

bool GetStructureData(Application& application, std::string dataType, std::string& data, int& numReactions,
                      std::string& message, VelmoraSelectionType& selectionType)
{
    numReactions = 0;
    selectionType = SelectionSubstructure;
    RegisterFormat(vlxFormat, vlxFormatName);

    fw::unique_variant value;
    const TreviskApp app = IdentifyApp(application);
    if (IsDrawingApp(app)) {
        IVelmoraDocument document = application.ActiveDocument<IVelmoraDocument>();
        IVelmoraSelection selection = document.Selection();
        if (!ValidateVelmoraSelection(selection, numReactions, message))
            return false;
        selectionType = AnalyzeVelmoraSelection(document);
        if (dataType == vlxMimeType) {
            value = selection.DataObject().GetData(static_cast<long>(vlxFormat));
        } else {
            fw::unique_variant type = fw::unique_variant::adopt(VariantFrom(dataType));
            fw::unique_variant missing = fw::unique_variant::adopt(VariantFrom());
            value = selection.Objects().Data(*type, *missing, *missing, *missing);
        }
    } else if (IsModelApp(app)) {
        RegisterFormat(kvnVLXFormat, "Velmora");
        value = application.ActiveDocument<IKorvaneDocument>().DataObject().GetData(static_cast<long>(kvnVLXFormat));
    } else if (app == appRavelle) {
        value = ReadDatabaseStructure(application.ActiveDocument<IRavelleDocument>());
    } else {
        throw std::runtime_error("Unknown application");
    }
    // An error value (a host without the member, a type it refuses) is no structure: VariantToString would
    // give the text "Error", which would go out as the structure.
    data = value.type() == VT_ERROR ? std::string() : VariantToString(*value);
    return true;
}

void SetStructureData(Application& application, std::string data, IDispatch* targetDocument)
{
    RegisterFormat(vlxFormat, vlxFormatName);
    if (!IsDrawingApp(IdentifyApp(application)))
        return;
    IVelmoraDocument document = targetDocument != nullptr ? IVelmoraDocument(targetDocument, false)
                                                          : application.ActiveDocument<IVelmoraDocument>();
    fw::unique_variant bytes =
        fw::unique_variant::adopt(VariantFrom(reinterpret_cast<const unsigned char*>(data.data()), data.size()));
    fw::unique_variant format = fw::unique_variant::adopt(VariantFrom(static_cast<long>(vlxFormat)));
    document.Selection().DataObject().SetData(*bytes, *format);
}

bool ValidateVelmoraSelection(IVelmoraSelection& selection, int& numReactions, std::string& message)
{
    numReactions = GetNumReactions(selection);
    if (numReactions > 1) {
        message = fw::LoadResourceString(IDS_MULTIPLE_REACTIONS);
        return false;
    }
    if (numReactions == 1) {
        if (selection.ReactionSchemes().Item(1).ReactionSteps().Count() > 1) {
            message = fw::LoadResourceString(IDS_MULTISTEP_REACTION);
            return false;
        }
        return true;
    }
    if (numReactions == 0) {
        if (IsPartialSelection(selection))
            message = fw::LoadResourceString(IDS_PARTIAL_SELECTION);
        if (HasMultipleStructures(selection))
            message = fw::LoadResourceString(IDS_MULTIPLE_STRUCTURES);
    }
    return true;
}

VelmoraSelectionType AnalyzeVelmoraSelection(IVelmoraDocument& document)
{
    IVelmoraSelection selection = document.Selection();
    if (GetNumReactions(selection) > 0)
        return SelectionReaction;

    // Every reaction of the document, selected or not.
    std::vector<std::int32_t> reactants, products;
    IVelmoraReactionSchemes schemes = document.ReactionSchemes();
    const long schemeCount = schemes.Count();
    for (long scheme = 1; scheme <= schemeCount; ++scheme) {
        IVelmoraReactionSteps steps = schemes.Item(scheme).ReactionSteps();
        const long stepCount = steps.Count();
        for (long index = 1; index <= stepCount; ++index) {
            IVelmoraReactionStep step = steps.Item(index);
            CollectFragmentIDs(step.Reactants(), reactants);
            CollectFragmentIDs(step.Products(), products);
        }
    }
    if (reactants.empty() && products.empty())
        return SelectionSubstructure;

    // A selection that takes part on both sides counts as products.
    bool isReactant = false, isProduct = false;
    for (std::int32_t fragment : GetSelectionFragments(selection)) {
        isReactant = isReactant || Contains(reactants, fragment);
        isProduct = isProduct || Contains(products, fragment);
        if (isReactant && isProduct)
            return SelectionProducts;
    }
    if (isReactant)
        return SelectionReactants;
    return isProduct ? SelectionProducts : SelectionSubstructure;
}

int GetNumReactions(IVelmoraSelection& selection)
{
    IVelmoraReactionSchemes schemes = selection.ReactionSchemes();
    const long count = schemes.Count();
    if (count == 1) {
        IVelmoraReactionSteps steps = schemes.Item(1).ReactionSteps();
        if (steps.Count() == 1) {
            IVelmoraReactionStep step = steps.Item(1);
            if (step.Reactants().Count() == 0 || step.Products().Count() == 0)
                return 0;
        }
    }
    return static_cast<int>(count);
}

bool IsPartialSelection(IVelmoraSelection& selection)
{
    IVelmoraBonds bonds = selection.Bonds();
    IVelmoraAtoms atoms = selection.Atoms();
    MemberIDs selectedAtoms(atoms);
    MemberIDs selectedBonds(bonds);
    const long bondCount = bonds.Count();
    for (long index = 1; index <= bondCount; ++index) {
        IVelmoraBond bond = bonds.Item(index);
        IVelmoraAtom first = bond.Atom1();
        IVelmoraAtom second = bond.Atom2();
        if (!selectedAtoms.Contains(first.ID()) || !selectedAtoms.Contains(second.ID()))
            return true;
    }
    const long atomCount = atoms.Count();
    for (long index = 1; index <= atomCount; ++index) {
        IVelmoraBonds atomBonds = atoms.Item(index).Bonds();
        const long atomBondCount = atomBonds.Count();
        for (long bondIndex = 1; bondIndex <= atomBondCount; ++bondIndex)
            if (!selectedBonds.Contains(atomBonds.Item(bondIndex).ID()))
                return true;
    }
    return false;
}

bool HasMultipleStructures(IVelmoraSelection& selection)
{
    return GetSelectionFragments(selection).size() > 1;
}

std::vector<std::int32_t> GetSelectionFragments(IVelmoraSelection& selection)
{
    std::vector<std::int32_t> fragments;
    IVelmoraAtoms atoms = selection.Atoms();
    const long count = atoms.Count();
    for (long index = 1; index <= count; ++index) {
        const std::int32_t fragment = atoms.Item(index).Fragment().ID();
        if (!Contains(fragments, fragment))
            fragments.push_back(fragment);
    }
    return fragments;
}

int GetFragmentID(IVelmoraObjects& component)
{
    const long count = component.Count();
    for (long index = 1; index <= count; ++index) {
        try {
            IVelmoraGroup group = component.Item(index).Fragment();
            if (group && group.GroupType() == kFragmentGroupType)
                return group.ID();
        } catch (const COleDispatchException&) {
            // The host failed on this object: the next one may still name the fragment.
        } catch (const COleException&) {
        }
    }
    return -1;
}

bool ContainsAtom(IVelmoraAtoms& atoms, IVelmoraAtom& atom)
{
    return ContainsID(atoms, atom.ID());
}

bool ContainsBond(IVelmoraBonds& bonds, IVelmoraBond& bond)
{
    return ContainsID(bonds, bond.ID());
}

bool IsBinary(std::string dataType)
{
    return dataType.find("xml") == std::string::npos;
}
