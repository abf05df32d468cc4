#include "refhost/drawing.h"

#include "refhost/chem/Exchange.h"

#include <algorithm>

namespace refhost {
namespace {

// An opened document finds an element through the chemical document's index (the plain model keeps its
// order); one a test assembled is scanned.
template <typename Element>
const Element* AtIndex(const std::vector<Element>& elements, std::optional<int> index)
{
    return index && static_cast<std::size_t>(*index) < elements.size() ? &elements[*index] : nullptr;
}

template <typename Element>
const Element* Scan(const std::vector<Element>& elements, long id)
{
    auto found = std::find_if(elements.begin(), elements.end(), [id](const Element& element) { return element.id == id; });
    return found == elements.end() ? nullptr : &*found;
}

} // namespace

const DrawingAtom* DrawingDocument::FindAtom(long id) const
{
    return chemistry ? AtIndex(atoms, chemistry->AtomIndex(static_cast<int>(id))) : Scan(atoms, id);
}

const DrawingBond* DrawingDocument::FindBond(long id) const
{
    return chemistry ? AtIndex(bonds, chemistry->BondIndex(static_cast<int>(id))) : Scan(bonds, id);
}

const DrawingFragment* DrawingDocument::FindFragment(long id) const
{
    return chemistry ? AtIndex(fragments, chemistry->GroupIndex(static_cast<int>(id))) : Scan(fragments, id);
}

std::vector<long> DrawingDocument::BondsOfAtom(long atomId) const
{
    std::vector<long> ids;
    if (chemistry) {
        if (auto atom = chemistry->AtomIndex(static_cast<int>(atomId)))
            for (int bond : chemistry->BondsOfAtom(*atom))
                ids.push_back(bonds[bond].id);
        return ids;
    }
    for (const DrawingBond& bond : bonds)
        if (bond.atom1 == atomId || bond.atom2 == atomId)
            ids.push_back(bond.id);
    return ids;
}

std::shared_ptr<DrawingDocument> DrawingDocument::Open(chem::ChemDocument document, chem::ElementMassFunction masses)
{
    auto drawing = std::make_shared<DrawingDocument>();
    drawing->chemistry = std::make_shared<chem::ChemDocument>(std::move(document));
    drawing->m_masses = std::move(masses);
    drawing->Synchronize();
    return drawing;
}

void DrawingDocument::Synchronize()
{
    const chem::ChemDocument& source = *chemistry;
    fragments.clear();
    for (const chem::Group& group : source.Groups())
        fragments.push_back({group.id, group.type});
    atoms.clear();
    for (const chem::Atom& atom : source.Atoms())
        atoms.push_back({atom.id, atom.group < 0 ? 0 : source.Groups()[atom.group].id});
    bonds.clear();
    for (const chem::Bond& bond : source.Bonds())
        bonds.push_back({bond.id, source.Atoms()[bond.atom1].id, source.Atoms()[bond.atom2].id});

    // A component is the drawing objects of its fragment groups.
    auto component = [&](const chem::Component& molecule) {
        ReactionComponent objects;
        for (int group : molecule.groups)
            objects.push_back({source.Groups()[group].id});
        return objects;
    };
    reactionSchemes.clear();
    for (const chem::ReactionScheme& scheme : source.ReactionSchemes()) {
        ReactionSchemeModel model;
        for (const chem::ReactionStep& step : scheme.steps) {
            ReactionStepModel stepModel;
            std::transform(step.reactants.begin(), step.reactants.end(), std::back_inserter(stepModel.reactants), component);
            std::transform(step.products.begin(), step.products.end(), std::back_inserter(stepModel.products), component);
            model.steps.push_back(std::move(stepModel));
        }
        reactionSchemes.push_back(std::move(model));
    }

    const chem::Selection& chosen = source.GetSelection();
    selection.atoms.clear();
    for (int atom : chosen.atoms)
        selection.atoms.push_back(atoms[atom].id);
    selection.bonds.clear();
    for (int bond : chosen.bonds)
        selection.bonds.push_back(bonds[bond].id);
    selection.objects.clear();
    for (int group : source.SelectedGroups())
        selection.objects.push_back({fragments[group].id});
    selection.reactionSchemes.assign(chosen.schemes.begin(), chosen.schemes.end());
    selection.molecularWeight = m_masses ? source.SelectionWeight(m_masses) : 0.0;
}

long ExchangeFormat()
{
    static const long format = static_cast<long>(RegisterClipboardFormatA("Velmora Interchange Format"));
    return format;
}

namespace {

using DocumentPointer = std::shared_ptr<DrawingDocument>;

fw::ComPtr<IDispatch> MakeCollection(const std::shared_ptr<Host>& host, std::string_view kind, std::size_t count,
                                     Collection::Factory factory)
{
    return fw::Make<Collection>(host, kind, count, std::move(factory));
}

class DataObjectObject final : public HostObject {
public:
    DataObjectObject(std::shared_ptr<Host> host, std::shared_ptr<DataStore> store, DocumentPointer document)
        : HostObject(std::move(host), "CDataObject"), m_store(std::move(store)), m_document(std::move(document))
    {
    }

private:
    std::span<const fw::DispatchMember> Members() const noexcept override
    {
        static constexpr fw::DispatchMember members[] = {
            fw::Method<&DataObjectObject::GetData>("GetData"),
            fw::Method<&DataObjectObject::SetData>("SetData"),
        };
        return members;
    }
    bool IsExchange(long format) const { return m_document && m_document->chemistry && format == ExchangeFormat(); }

    // An empty VARIANT for a format the store does not hold.
    fw::unique_variant GetData(long format)
    {
        if (IsExchange(format)) {
            std::string bytes = chem::EncodeExchange(chem::WriteSelection(*m_document->chemistry));
            return ByteArray(bytes);
        }
        auto found = m_store->byFormat.find(format);
        return found == m_store->byFormat.end() ? fw::unique_variant() : found->second;
    }
    // Exchange data is pasted: the document gains the structure, which becomes the selection. The text of a
    // structure file given in the same format (a file fetched for the document) is imported as the host opens
    // such a file; only data starting with the exchange format's "VLX" is read as exchange data.
    void SetData(const VARIANT& data, const VARIANT& format)
    {
        long clipboardFormat = ArgumentNumber(format);
        if (!IsExchange(clipboardFormat)) {
            m_store->byFormat[clipboardFormat] = fw::MakeVariant(data);
            return;
        }
        const std::string bytes = ArgumentBytes(data);
        // The host's own error for an empty structure, which a search service may hand back for its input.
        if (bytes.empty())
            throw COleDispatchException("The structure is empty", 0, kEmptyStructureError);
        chem::ReadError error;
        auto pasted = bytes.starts_with("VLX") ? chem::ReadExchange(bytes, &error) : chem::ReadChemDocument(bytes, &error);
        if (!pasted)
            throw COleDispatchException("Cannot paste the structure: " + error.ToString(), 0, E_INVALIDARG);
        m_document->chemistry->Insert(*pasted);
        m_document->Synchronize();
    }

    std::shared_ptr<DataStore> m_store;
    DocumentPointer m_document;
};

class GroupObject final : public HostObject {
public:
    GroupObject(std::shared_ptr<Host> host, DrawingFragment fragment)
        : HostObject(std::move(host), "IVelmoraGroup"), m_fragment(fragment)
    {
    }

private:
    std::span<const fw::DispatchMember> Members() const noexcept override
    {
        static constexpr fw::DispatchMember members[] = {
            fw::Property<&GroupObject::GroupType>("GroupType"),
            fw::Property<&GroupObject::ID>("ID"),
        };
        return members;
    }
    long GroupType() { return m_fragment.groupType; }
    long ID() { return m_fragment.id; }

    DrawingFragment m_fragment;
};

// The fragment group with that id, or no object.
fw::ComPtr<IDispatch> MakeGroup(const std::shared_ptr<Host>& host, const DrawingDocument& document, long id)
{
    const DrawingFragment* fragment = document.FindFragment(id);
    if (fragment == nullptr)
        return nullptr;
    return fw::Make<GroupObject>(host, *fragment);
}

class ObjectObject final : public HostObject {
public:
    ObjectObject(std::shared_ptr<Host> host, DocumentPointer document, DrawingObject object)
        : HostObject(std::move(host), "IVelmoraObject"), m_document(std::move(document)), m_object(object)
    {
    }

private:
    std::span<const fw::DispatchMember> Members() const noexcept override
    {
        static constexpr fw::DispatchMember members[] = {
            fw::Property<&ObjectObject::Fragment>("Fragment"),
        };
        return members;
    }
    fw::ComPtr<IDispatch> Fragment() { return MakeGroup(hostPointer(), *m_document, m_object.fragment); }

    DocumentPointer m_document;
    DrawingObject m_object;
};

// The selection's objects (with its molecular weight and data) or the objects of one reaction component
// (selection null: weight 0.0, no data).
class ObjectsObject final : public HostObject {
public:
    ObjectsObject(std::shared_ptr<Host> host, DocumentPointer document, std::vector<DrawingObject> objects,
                  const DrawingSelection* selection)
        : HostObject(std::move(host), "IVelmoraObjects"), m_document(std::move(document)),
          m_objects(std::move(objects)), m_selection(selection)
    {
    }

private:
    std::span<const fw::DispatchMember> Members() const noexcept override
    {
        static constexpr fw::DispatchMember members[] = {
            fw::Property<&ObjectsObject::MolecularWeight>("MolecularWeight"),
            fw::Property<&ObjectsObject::Data>("Data").Optional(3),
            fw::Property<&ObjectsObject::Count>("Count"),
            fw::Method<&ObjectsObject::Item>("Item"),
        };
        return members;
    }
    double MolecularWeight() { return m_selection != nullptr ? m_selection->molecularWeight : 0.0; }
    fw::unique_variant Data(const VARIANT& dataType, const VARIANT&, const VARIANT&, const VARIANT&)
    {
        if (m_selection == nullptr)
            return {};
        std::string type = ArgumentText(dataType);
        if (auto found = m_selection->dataByType.find(type); found != m_selection->dataByType.end())
            return found->second;
        if (m_document->chemistry && std::ranges::find(kMdlDataTypes, type) != std::end(kMdlDataTypes))
            return fw::MakeVariant(chem::WriteSelection(*m_document->chemistry));
        return {};
    }
    long Count() { return static_cast<long>(m_objects.size()); }
    fw::ComPtr<IDispatch> Item(long index)
    {
        return fw::Make<ObjectObject>(hostPointer(), m_document, m_objects[Position(index, m_objects.size())]);
    }

    DocumentPointer m_document;
    std::vector<DrawingObject> m_objects;
    const DrawingSelection* m_selection;   // owned by m_document
};

fw::ComPtr<IDispatch> MakeBonds(const std::shared_ptr<Host>& host, const DocumentPointer& document,
                                std::vector<long> bondIds);

class AtomObject final : public HostObject {
public:
    AtomObject(std::shared_ptr<Host> host, DocumentPointer document, DrawingAtom atom)
        : HostObject(std::move(host), "IVelmoraAtom"), m_document(std::move(document)), m_atom(atom)
    {
    }

private:
    std::span<const fw::DispatchMember> Members() const noexcept override
    {
        static constexpr fw::DispatchMember members[] = {
            fw::Property<&AtomObject::Bonds>("Bonds"),
            fw::Property<&AtomObject::Fragment>("Fragment"),
            fw::Property<&AtomObject::ID>("ID"),
        };
        return members;
    }
    // Every bond of the document at this atom.
    fw::ComPtr<IDispatch> Bonds() { return MakeBonds(hostPointer(), m_document, m_document->BondsOfAtom(m_atom.id)); }
    fw::ComPtr<IDispatch> Fragment() { return MakeGroup(hostPointer(), *m_document, m_atom.fragment); }
    long ID() { return m_atom.id; }

    DocumentPointer m_document;
    DrawingAtom m_atom;
};

fw::ComPtr<IDispatch> MakeAtom(const std::shared_ptr<Host>& host, const DocumentPointer& document, long id)
{
    const DrawingAtom* atom = document->FindAtom(id);
    if (atom == nullptr)
        return nullptr;
    return fw::Make<AtomObject>(host, document, *atom);
}

fw::ComPtr<IDispatch> MakeAtoms(const std::shared_ptr<Host>& host, const DocumentPointer& document,
                                std::vector<long> atomIds)
{
    std::size_t count = atomIds.size();
    return MakeCollection(host, "IVelmoraAtoms", count, [host, document, atomIds = std::move(atomIds)](std::size_t index) {
        return MakeAtom(host, document, atomIds[index]);
    });
}

class BondObject final : public HostObject {
public:
    BondObject(std::shared_ptr<Host> host, DocumentPointer document, DrawingBond bond)
        : HostObject(std::move(host), "IVelmoraBond"), m_document(std::move(document)), m_bond(bond)
    {
    }

private:
    std::span<const fw::DispatchMember> Members() const noexcept override
    {
        static constexpr fw::DispatchMember members[] = {
            fw::Property<&BondObject::Atom1>("Atom1"),
            fw::Property<&BondObject::Atom2>("Atom2"),
            fw::Property<&BondObject::ID>("ID"),
        };
        return members;
    }
    fw::ComPtr<IDispatch> Atom1() { return MakeAtom(hostPointer(), m_document, m_bond.atom1); }
    fw::ComPtr<IDispatch> Atom2() { return MakeAtom(hostPointer(), m_document, m_bond.atom2); }
    long ID() { return m_bond.id; }

    DocumentPointer m_document;
    DrawingBond m_bond;
};

fw::ComPtr<IDispatch> MakeBonds(const std::shared_ptr<Host>& host, const DocumentPointer& document,
                                std::vector<long> bondIds)
{
    std::size_t count = bondIds.size();
    return MakeCollection(host, "IVelmoraBonds", count, [host, document, bondIds = std::move(bondIds)](std::size_t index) -> fw::ComPtr<IDispatch> {
        const DrawingBond* bond = document->FindBond(bondIds[index]);
        if (bond == nullptr)
            return nullptr;
        return fw::Make<BondObject>(host, document, *bond);
    });
}

fw::ComPtr<IDispatch> MakeComponents(const std::shared_ptr<Host>& host, const DocumentPointer& document,
                                     std::vector<ReactionComponent> components)
{
    std::size_t count = components.size();
    return MakeCollection(host, "IVelmoraReactionStepComponents", count,
                          [host, document, components = std::move(components)](std::size_t index) -> fw::ComPtr<IDispatch> {
                              return fw::Make<ObjectsObject>(host, document, components[index], nullptr);
                          });
}

class ReactionStepObject final : public HostObject {
public:
    ReactionStepObject(std::shared_ptr<Host> host, DocumentPointer document, ReactionStepModel step)
        : HostObject(std::move(host), "IVelmoraReactionStep"), m_document(std::move(document)), m_step(std::move(step))
    {
    }

private:
    std::span<const fw::DispatchMember> Members() const noexcept override
    {
        static constexpr fw::DispatchMember members[] = {
            fw::Property<&ReactionStepObject::Reactants>("Reactants"),
            fw::Property<&ReactionStepObject::Products>("Products"),
        };
        return members;
    }
    fw::ComPtr<IDispatch> Reactants() { return MakeComponents(hostPointer(), m_document, m_step.reactants); }
    fw::ComPtr<IDispatch> Products() { return MakeComponents(hostPointer(), m_document, m_step.products); }

    DocumentPointer m_document;
    ReactionStepModel m_step;
};

class ReactionSchemeObject final : public HostObject {
public:
    ReactionSchemeObject(std::shared_ptr<Host> host, DocumentPointer document, ReactionSchemeModel scheme)
        : HostObject(std::move(host), "IVelmoraReactionScheme"), m_document(std::move(document)), m_scheme(std::move(scheme))
    {
    }

private:
    std::span<const fw::DispatchMember> Members() const noexcept override
    {
        static constexpr fw::DispatchMember members[] = {
            fw::Property<&ReactionSchemeObject::ReactionSteps>("ReactionSteps"),
        };
        return members;
    }
    fw::ComPtr<IDispatch> ReactionSteps()
    {
        auto host = hostPointer();
        return MakeCollection(host, "IVelmoraReactionSteps", m_scheme.steps.size(),
                              [host, document = m_document, steps = m_scheme.steps](std::size_t index) -> fw::ComPtr<IDispatch> {
                                  return fw::Make<ReactionStepObject>(host, document, steps[index]);
                              });
    }

    DocumentPointer m_document;
    ReactionSchemeModel m_scheme;
};

fw::ComPtr<IDispatch> MakeReactionSchemes(const std::shared_ptr<Host>& host, const DocumentPointer& document,
                                          std::vector<std::size_t> positions)
{
    std::size_t count = positions.size();
    return MakeCollection(host, "IVelmoraReactionSchemes", count,
                          [host, document, positions = std::move(positions)](std::size_t index) -> fw::ComPtr<IDispatch> {
                              if (positions[index] >= document->reactionSchemes.size())
                                  return nullptr;
                              return fw::Make<ReactionSchemeObject>(host, document,
                                                                    document->reactionSchemes[positions[index]]);
                          });
}

std::vector<std::size_t> AllPositions(std::size_t count)
{
    std::vector<std::size_t> positions(count);
    for (std::size_t index = 0; index < count; ++index)
        positions[index] = index;
    return positions;
}

class SelectionObject final : public HostObject {
public:
    SelectionObject(std::shared_ptr<Host> host, DocumentPointer document)
        : HostObject(std::move(host), "IVelmoraSelection"), m_document(std::move(document))
    {
    }

private:
    std::span<const fw::DispatchMember> Members() const noexcept override
    {
        static constexpr fw::DispatchMember members[] = {
            fw::Property<&SelectionObject::Atoms>("Atoms"),
            fw::Property<&SelectionObject::Bonds>("Bonds"),
            fw::Property<&SelectionObject::Objects>("Objects"),
            fw::Property<&SelectionObject::ReactionSchemes>("ReactionSchemes"),
            fw::Property<&SelectionObject::DataObject>("DataObject"),
        };
        return members;
    }
    const DrawingSelection& Selected() const { return m_document->selection; }
    fw::ComPtr<IDispatch> Atoms() { return MakeAtoms(hostPointer(), m_document, Selected().atoms); }
    fw::ComPtr<IDispatch> Bonds() { return MakeBonds(hostPointer(), m_document, Selected().bonds); }
    fw::ComPtr<IDispatch> Objects()
    {
        return fw::Make<ObjectsObject>(hostPointer(), m_document, Selected().objects, &Selected());
    }
    fw::ComPtr<IDispatch> ReactionSchemes()
    {
        return MakeReactionSchemes(hostPointer(), m_document, Selected().reactionSchemes);
    }
    fw::ComPtr<IDispatch> DataObject() { return MakeDataObject(hostPointer(), Selected().data, m_document); }

    DocumentPointer m_document;
};

class DocumentObject final : public HostObject {
public:
    DocumentObject(std::shared_ptr<Host> host, DocumentPointer document)
        : HostObject(std::move(host), "IVelmoraDocument"), m_document(std::move(document))
    {
    }

private:
    std::span<const fw::DispatchMember> Members() const noexcept override
    {
        static constexpr fw::DispatchMember members[] = {
            fw::Property<&DocumentObject::Selection>("Selection"),
            fw::Property<&DocumentObject::ReactionSchemes>("ReactionSchemes"),
        };
        return members;
    }
    fw::ComPtr<IDispatch> Selection() { return fw::Make<SelectionObject>(hostPointer(), m_document); }
    fw::ComPtr<IDispatch> ReactionSchemes()
    {
        return MakeReactionSchemes(hostPointer(), m_document, AllPositions(m_document->reactionSchemes.size()));
    }

    DocumentPointer m_document;
};

} // namespace

fw::ComPtr<IDispatch> DrawingDocument::CreateView(const std::shared_ptr<Host>& host)
{
    return fw::Make<DocumentObject>(host, std::static_pointer_cast<DrawingDocument>(shared_from_this()));
}

fw::ComPtr<IDispatch> MakeDataObject(const std::shared_ptr<Host>& host, std::shared_ptr<DataStore> store,
                                     std::shared_ptr<DrawingDocument> document)
{
    return fw::Make<DataObjectObject>(host, std::move(store), std::move(document));
}

} // namespace refhost
