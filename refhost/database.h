// The database host's document: fields with their types and the current record's values. A structure
// field (type 3) holds a molecule, which the recordset hands out as a molecule object with a data object.
#pragma once

#include "refhost/host.h"

#include <vector>

namespace refhost {

struct DatabaseField {
    long type = 0;
    fw::unique_variant value;             // the current record's value (unless the field holds a molecule)
    std::shared_ptr<DataStore> molecule;  // set: the value is a molecule object over this data
};

class DatabaseDocument final : public Document {
public:
    std::vector<DatabaseField> fields;

    fw::ComPtr<IDispatch> CreateView(const std::shared_ptr<Host>& host) override;
};

} // namespace refhost
