#include "addin/NetFileFetch.h"

#include "netfile/GetNetFile.h"
#include "netfile/GetNetFileDlg.h"
#include "netfile/OpenGetNetFile.h"

#include <utility>

namespace {

static_assert(kNetFilePathSize == CGetNetFileDlg::kOutPathSize, "the dialog writes the path into the caller's buffer");

INT_PTR RunDownloadDialog(const std::string& applicationName, const std::string& itemPath, const std::string& action,
                          const std::string& title, char* outPath)
{
    CGetNetFileDlg dialog(applicationName, itemPath, action, title, outPath);
    return dialog.DoModal();
}

// The download part's entry points: the dialog, the downloader's file check, opening the file in the host.
NetFileFetch& Installed()
{
    static NetFileFetch fetch{&RunDownloadDialog, &CGetNetFile::IsAFile, &OpenGetNetFile};
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
