// Uses the installed library through its public headers only: an element, a measured number and Base64.
#include <mx/base64.h>
#include <mx/ptable.h>
#include <mx/realnum.h>

#include <cstdio>
#include <string>

int main()
{
    mx::mxPeriodicTable& table = *mx::mxGetPTable();
    table.LoadDefault();
    const mx::mxElement* carbon = table.LookupElement("C");
    if (!carbon || carbon->GetAtomicNumber() != 6) {
        std::puts("carbon not found");
        return 1;
    }
    mxRealNum mass("12.011");
    std::string encoded = mxBinaryToBase64("CCO", false, 72);
    // The encoded text ends with the line break of its last line.
    std::printf("%s %d %s %d %s", carbon->GetSymbol().c_str(), carbon->GetAtomicNumber(), mass.String().c_str(),
                mass.NumSigFig(), encoded.c_str());
    return 0;
}
