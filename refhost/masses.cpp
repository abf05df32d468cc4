#include "refhost/masses.h"

#include "mx/ptable.h"

namespace refhost {
namespace {

const mx::mxPeriodicTable& Table()
{
    static const mx::mxPeriodicTable table = [] {
        mx::mxPeriodicTable loaded;
        loaded.LoadDefault();
        return loaded;
    }();
    return table;
}

} // namespace

double PeriodicTableMass(std::string_view symbol, int massNumber)
{
    // LookupElement also takes the longest symbol that starts the text ("Cx" would read as carbon): only
    // an exact match counts.
    const mx::mxElement* element = Table().LookupElement(symbol);
    if (element == nullptr || element->GetSymbol() != symbol)
        return 0.0;
    if (massNumber == 0)
        return element->GetAverageMass().Val();
    const mx::mxIsotope* isotope = element->GetIsotope(massNumber);
    return isotope != nullptr ? isotope->GetMass().Val() : 0.0;
}

} // namespace refhost
