// The periodic table text reader on arbitrary text over the built-in table: a refused text must leave
// the table exactly as it was; an accepted one must be safe to query.
#include "mx/ptable.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

namespace {

const mx::mxPeriodicTable& BuiltIn()
{
    static const mx::mxPeriodicTable table = [] {
        mx::mxPeriodicTable loaded;
        loaded.LoadDefault();
        return loaded;
    }();
    return table;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    mx::mxPeriodicTable table(BuiltIn());
    int line = 0;
    std::string message;
    if (!table.LoadElementsTable(text, line, message)) {
        if (table != BuiltIn() || line < 1 || message.size() > text.size())
            std::abort();
        return 0;
    }
    for (int z = 1; z <= table.MaxAtomicNo(); ++z) {
        const mx::mxElement* element = table.GetElement(z);
        (void)element->GetIsotopesDescription();
        (void)element->GetExactMass();
        (void)table.FindElement(element->GetSymbol().c_str(), nullptr, true, nullptr);
    }
    return 0;
}
