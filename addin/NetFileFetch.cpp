#include "addin/NetFileFetch.h"

#include <utility>

namespace {

// The download part's entry points. The download dialog is not part of the build yet, so a fetch item
// ends without a dialog; its functions go here once it is.
NetFileFetch& Installed()
{
    static NetFileFetch fetch{};
    return fetch;
}

} // namespace

const NetFileFetch& InstalledNetFileFetch()
{
    return Installed();
}

ScopedNetFileFetch::ScopedNetFileFetch(const NetFileFetch& standIn) : m_previous(std::exchange(Installed(), standIn)) {}

ScopedNetFileFetch::~ScopedNetFileFetch()
{
    Installed() = m_previous;
}
