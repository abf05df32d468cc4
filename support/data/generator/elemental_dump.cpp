// Prints the element data compiled into the packaged element library as tab-separated text, one element
// a line, for generate_ptable.py. Built and run only while the built-in tables are regenerated.
// Columns: number, symbol, name, melting point (K), boiling point (K), solid density, liquid density
// (g/cm3), first ionization energy (kJ/mol), Pauling electronegativity, atomic radius (pm), group, period,
// discoverer, oxidation states (comma-separated). An empty column means the library has no value.
#include <libelemental/table.hh>

#include <iostream>
#include <string>

using namespace Elemental;

namespace {

void PrintFloat(const Float& value)
{
    if (value.has_value())
        std::cout << value.value;
    std::cout << '\t';
}

void PrintInt(const Value<long>& value)
{
    if (value.has_value())
        std::cout << value.value;
    std::cout << '\t';
}

void PrintMessage(const Message& value)
{
    if (value.has_value())
        std::cout << std::string(value.value);
    std::cout << '\t';
}

} // namespace

int main()
{
    std::cout.precision(15);
    for (const Element* element : get_table()) {
        std::cout << element->number << '\t' << element->symbol << '\t';
        PrintMessage(element->get_property(P_NAME));
        PrintFloat(element->get_property(P_MELTING_POINT));
        PrintFloat(element->get_property(P_BOILING_POINT));
        PrintFloat(element->get_property(P_DENSITY_SOLID));
        PrintFloat(element->get_property(P_DENSITY_LIQUID));
        PrintFloat(element->get_property(P_FIRST_ENERGY));
        PrintFloat(element->get_property(P_ELECTRONEGATIVITY));
        PrintFloat(element->get_property(P_ATOMIC_RADIUS));
        PrintInt(element->get_property(P_GROUP));
        PrintInt(element->get_property(P_PERIOD));
        PrintMessage(element->get_property(P_DISCOVERED_BY));
        const auto& states = element->get_property(P_OXIDATION_STATES);
        if (states.has_value())
            for (std::size_t i = 0; i < states.values.size(); ++i)
                std::cout << (i ? "," : "") << states.values[i];
        std::cout << '\n';
    }
}
