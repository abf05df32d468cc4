// mxelement: prints what the periodic table knows of elements given by symbol or atomic number: data,
// valences and isotopes. With --table FILE a periodic table text is read over the built-in data first;
// its error text is reported when it is refused.
//
//   mxelement [--table FILE] ELEMENT...     ELEMENT: a symbol (Cl, D) or an atomic number (17)
//
// Exit status: 0 when every element was found, 1 when one was not, 2 for bad usage or a refused table.
#include "mx/ptable.h"
#include "mx/strings.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr const char* kStateNames[] = {"unknown", "solid", "liquid", "gas"};

std::string Mass(const mxRealNum& mass)
{
    return mx::NumToStr(mass.Val(), "%.10g");
}

void PrintRow(const char* label, const std::string& value)
{
    std::printf("  %-22s %s\n", label, value.c_str());
}

const mx::mxElement* Find(const mx::mxPeriodicTable& table, const std::string& argument)
{
    if (!argument.empty() && argument.find_first_not_of("0123456789") == std::string::npos) {
        const mx::mxElement* element = table.GetElement(mx::mxStrToInt(argument.c_str()));
        return element && element->IsDefined() ? element : nullptr;
    }
    return table.GetAtomicNo(argument) ? table.LookupElement(argument) : nullptr;
}

void Print(const mx::mxElement& element)
{
    const int z = element.GetAtomicNumber();
    std::printf("%s  %s  (atomic number %d%s)\n", element.GetSymbol().c_str(), element.GetFullName().c_str(), z,
                element.GetMassNumber() ? (", mass number " + std::to_string(element.GetMassNumber())).c_str() : "");
    PrintRow("average mass", Mass(element.GetAverageMass()));
    PrintRow("exact mass", Mass(element.GetExactMass()));
    PrintRow("melting point (C)", element.GetMP().String());
    PrintRow("boiling point (C)", element.GetBP().String());
    PrintRow("density", element.GetDensity().String());
    PrintRow("ionization potential", element.GetIP().String());
    PrintRow("electronegativity", element.GetEneg().String());
    PrintRow("radius", std::to_string(element.GetRadius()));
    PrintRow("group, period, row", std::to_string(element.GetGroup()) + ", " + std::to_string(element.GetPeriod()) +
                                       ", " + std::to_string(mx::mxPeriodicTable::GetRow(z)));
    PrintRow("state at 25 C", kStateNames[element.GetState(25.0f)]);
    PrintRow("discoverer", element.GetDiscoverer());
    const mx::mxValenceList& valences = element.GetValences();
    PrintRow("valences", valences.size() ? element.GetValencesDescription() + " (preferred " +
                                               std::to_string(valences.PreferredValence()) + ")"
                                         : "none");
    PrintRow("default valence", std::to_string(mx::mxPeriodicTable::DefaultValence(z)));
    PrintRow("natural isotopes", element.GetIsotopesDescription());
    std::printf("  isotopes (%zu): mass number, mass, abundance %%\n", element.GetIsotopes().size());
    for (const mx::mxIsotope& isotope : element.GetIsotopes())
        std::printf("    %4d  %-16s %s%s%s\n", isotope.GetMassNumber(), Mass(isotope.GetMass()).c_str(),
                    mx::NumToStr(isotope.GetAbundance().Val()).c_str(), isotope.GetSymbol().empty() ? "" : "  ",
                    isotope.GetSymbol().c_str());
}

int Usage()
{
    std::fprintf(stderr, "usage: mxelement [--table FILE] ELEMENT...\n"
                         "  ELEMENT is a symbol (Cl, D) or an atomic number (17)\n");
    return 2;
}

} // namespace

int main(int argc, char** argv)
{
    std::vector<std::string> elements;
    const char* tablePath = nullptr;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--table") == 0 && i + 1 < argc)
            tablePath = argv[++i];
        else if (argv[i][0] == '-' && argv[i][1] == '-')
            return Usage();
        else
            elements.push_back(argv[i]);
    }
    if (elements.empty())
        return Usage();

    mx::mxPeriodicTable& table = *mx::mxGetPTable();
    table.LoadDefault();
    if (tablePath) {
        std::string error;
        if (!table.ReadPTableFile(tablePath, &error)) {
            std::fprintf(stderr, "mxelement: %s\n", error.c_str());
            return 2;
        }
    }
    int status = 0;
    for (const std::string& argument : elements) {
        const mx::mxElement* element = Find(table, argument);
        if (!element) {
            std::fprintf(stderr, "mxelement: no element \"%s\"\n", argument.c_str());
            status = 1;
            continue;
        }
        Print(*element);
    }
    return status;
}
