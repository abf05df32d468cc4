#include "refhost/database.h"

#include "refhost/drawing.h"

namespace refhost {
namespace {

using DocumentPointer = std::shared_ptr<DatabaseDocument>;

// A 1-based field index, given as a VARIANT.
const DatabaseField& FieldAt(const DatabaseDocument& document, const VARIANT& index)
{
    return document.fields[Position(ArgumentNumber(index), document.fields.size())];
}

class FieldObject final : public HostObject {
public:
    FieldObject(std::shared_ptr<Host> host, long type) : HostObject(std::move(host), "IRavelleField"), m_type(type) {}

private:
    std::span<const fw::DispatchMember> Members() const noexcept override
    {
        static constexpr fw::DispatchMember members[] = {
            fw::Property<&FieldObject::Type>("Type"),
        };
        return members;
    }
    long Type() { return m_type; }

    long m_type;
};

class FieldsObject final : public HostObject {
public:
    FieldsObject(std::shared_ptr<Host> host, DocumentPointer document)
        : HostObject(std::move(host), "IRavelleFields"), m_document(std::move(document))
    {
    }

private:
    std::span<const fw::DispatchMember> Members() const noexcept override
    {
        static constexpr fw::DispatchMember members[] = {
            fw::Property<&FieldsObject::Count>("Count"),
            fw::Method<&FieldsObject::Item>("Item"),
        };
        return members;
    }
    short Count() { return static_cast<short>(m_document->fields.size()); }
    fw::ComPtr<IDispatch> Item(const VARIANT& index)
    {
        return fw::Make<FieldObject>(hostPointer(), FieldAt(*m_document, index).type);
    }

    DocumentPointer m_document;
};

class MoleculeObject final : public HostObject {
public:
    MoleculeObject(std::shared_ptr<Host> host, std::shared_ptr<DataStore> data)
        : HostObject(std::move(host), "IRavelleMolecule"), m_data(std::move(data))
    {
    }

private:
    std::span<const fw::DispatchMember> Members() const noexcept override
    {
        static constexpr fw::DispatchMember members[] = {
            fw::Property<&MoleculeObject::DataObject>("DataObject"),
        };
        return members;
    }
    fw::ComPtr<IDispatch> DataObject() { return MakeDataObject(hostPointer(), m_data); }

    std::shared_ptr<DataStore> m_data;
};

class RecordsetObject final : public HostObject {
public:
    RecordsetObject(std::shared_ptr<Host> host, DocumentPointer document)
        : HostObject(std::move(host), "IRavelleRecordset"), m_document(std::move(document))
    {
    }

private:
    std::span<const fw::DispatchMember> Members() const noexcept override
    {
        static constexpr fw::DispatchMember members[] = {
            fw::Property<&RecordsetObject::Value>("Value"),
        };
        return members;
    }
    fw::unique_variant Value(const VARIANT& index)
    {
        const DatabaseField& field = FieldAt(*m_document, index);
        if (field.molecule)
            return fw::MakeVariant(fw::Make<MoleculeObject>(hostPointer(), field.molecule));
        return field.value;
    }

    DocumentPointer m_document;
};

class DatabaseDocumentObject final : public HostObject {
public:
    DatabaseDocumentObject(std::shared_ptr<Host> host, DocumentPointer document)
        : HostObject(std::move(host), "IRavelleDocument"), m_document(std::move(document))
    {
    }

private:
    std::span<const fw::DispatchMember> Members() const noexcept override
    {
        static constexpr fw::DispatchMember members[] = {
            fw::Property<&DatabaseDocumentObject::Fields>("Fields"),
            fw::Property<&DatabaseDocumentObject::Recordset>("Recordset"),
        };
        return members;
    }
    fw::ComPtr<IDispatch> Fields() { return fw::Make<FieldsObject>(hostPointer(), m_document); }
    fw::ComPtr<IDispatch> Recordset() { return fw::Make<RecordsetObject>(hostPointer(), m_document); }

    DocumentPointer m_document;
};

} // namespace

fw::ComPtr<IDispatch> DatabaseDocument::CreateView(const std::shared_ptr<Host>& host)
{
    return fw::Make<DatabaseDocumentObject>(host, std::static_pointer_cast<DatabaseDocument>(shared_from_this()));
}

} // namespace refhost
