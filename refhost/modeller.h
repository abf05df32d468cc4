// The 3D host family's documents: atoms (counted only) and a data object, opened by path through
// Application.Documents.
#pragma once

#include "refhost/host.h"

#include <string>

namespace refhost {

struct Window;

class ModellerDocument final : public Document {
public:
    std::string path;   // the file OpenDocument opened (empty for a document a test made)
    long atomCount = 0;
    std::shared_ptr<DataStore> data = std::make_shared<DataStore>();

    fw::ComPtr<IDispatch> CreateView(const std::shared_ptr<Host>& host) override;
};

// Application.Documents: OpenDocument(path) makes a ModellerDocument for the path, records it in the host's
// documents and makes it the window's active document.
fw::ComPtr<IDispatch> MakeDocuments(const std::shared_ptr<Host>& host, const std::shared_ptr<Window>& window);

} // namespace refhost
