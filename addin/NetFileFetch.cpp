#include "addin/NetFileFetch.h"

#include "netfile/GetNetFile.h"
#include "netfile/GetNetFileDlg.h"
#include "netfile/OpenGetNetFile.h"

#include <utility>

namespace {

static_assert(CGetNetFileDlg::kOutPathSize == kNetFilePathSize);

INT_PTR RunGetNetFileDlg(const std::string& applicationName, const std::string& itemPath, const std::string& action,
                         const std::string& title, char* outPath)
{
    CGetNetFileDlg dialog(applicationName, itemPath, action, title, outPath, nullptr);
    return dialog.DoModal();
}

// The download part's entry points.
NetFileFetch& Installed()
{
    static NetFileFetch fetch{&RunGetNetFileDlg, &CGetNetFile::IsAFile, &OpenGetNetFile};
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
