#include "refhost/modeller.h"

#include "refhost/application.h"
#include "refhost/drawing.h"

namespace refhost {
namespace {

class ModellerDocumentObject final : public HostObject {
public:
    ModellerDocumentObject(std::shared_ptr<Host> host, std::shared_ptr<ModellerDocument> document)
        : HostObject(std::move(host), "IKorvaneDocument"), m_document(std::move(document))
    {
    }

private:
    std::span<const fw::DispatchMember> Members() const noexcept override
    {
        static constexpr fw::DispatchMember members[] = {
            fw::Property<&ModellerDocumentObject::Atoms>("Atoms"),
            fw::Property<&ModellerDocumentObject::DataObject>("DataObject"),
        };
        return members;
    }
    // Only the count is answered: the atoms themselves are not part of the stand-in.
    fw::ComPtr<IDispatch> Atoms()
    {
        return fw::Make<Collection>(hostPointer(), "IKorvaneAtoms", static_cast<std::size_t>(m_document->atomCount),
                                    [](std::size_t) { return fw::ComPtr<IDispatch>(); });
    }
    fw::ComPtr<IDispatch> DataObject() { return MakeDataObject(hostPointer(), m_document->data); }

    std::shared_ptr<ModellerDocument> m_document;
};

class DocumentsObject final : public HostObject {
public:
    DocumentsObject(std::shared_ptr<Host> host, std::shared_ptr<Window> window)
        : HostObject(std::move(host), "IKorvaneDocuments"), m_window(std::move(window))
    {
    }

private:
    std::span<const fw::DispatchMember> Members() const noexcept override
    {
        static constexpr fw::DispatchMember members[] = {
            fw::Method<&DocumentsObject::OpenDocument>("OpenDocument"),
            fw::Property<&DocumentsObject::Count>("Count"),
        };
        return members;
    }
    fw::ComPtr<IDispatch> OpenDocument(const std::string& path)
    {
        auto document = std::make_shared<ModellerDocument>();
        document->path = path;
        host().documents.push_back(document);
        m_window->activeDocument = document;
        return document->CreateView(hostPointer());
    }
    long Count() { return static_cast<long>(host().documents.size()); }

    std::shared_ptr<Window> m_window;
};

} // namespace

fw::ComPtr<IDispatch> ModellerDocument::CreateView(const std::shared_ptr<Host>& host)
{
    return fw::Make<ModellerDocumentObject>(host, std::static_pointer_cast<ModellerDocument>(shared_from_this()));
}

fw::ComPtr<IDispatch> MakeDocuments(const std::shared_ptr<Host>& host, const std::shared_ptr<Window>& window)
{
    return fw::Make<DocumentsObject>(host, window);
}

} // namespace refhost
