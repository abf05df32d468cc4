#include "framework/ole_exception.h"

#include "framework/com.h"

#include <cstdio>
#include <new>

namespace {

std::string DescribeResult(HRESULT result)
{
    char text[48];
    std::snprintf(text, sizeof text, "automation error 0x%08lX", static_cast<unsigned long>(result));
    return text;
}

// Allocation failure leaves the field null: the codes still arrive.
BSTR AllocOrNull(const std::string& text) noexcept
{
    if (text.empty())
        return nullptr;
    try {
        return fw::AllocBstr(text).release();
    } catch (...) {
        return nullptr;
    }
}

} // namespace

COleException::COleException(HRESULT result) : std::runtime_error(DescribeResult(result)), m_sc(result) {}

COleDispatchException::COleDispatchException(std::string description, WORD wCode, SCODE scode)
    : std::runtime_error(description), m_wCode(wCode), m_scError(scode), m_strDescription(std::move(description))
{
}

long COleDispatchException::ErrorCode() const noexcept
{
    if (m_scError != 0)
        return static_cast<long>(m_scError);
    return static_cast<short>(m_wCode);
}

namespace fw {

HRESULT ReportException(EXCEPINFO* info) noexcept
{
    if (info == nullptr)
        return DISP_E_EXCEPTION;
    *info = EXCEPINFO{};
    std::string description;
    std::string source;
    std::string helpFile;
    try {
        throw;
    } catch (const COleDispatchException& error) {
        info->wCode = error.m_wCode;
        info->scode = error.m_scError;
        info->dwHelpContext = error.m_dwHelpContext;
        try {
            description = error.m_strDescription;
            source = error.m_strSource;
            helpFile = error.m_strHelpFile;
        } catch (...) {
        }
    } catch (const COleException& error) {
        info->scode = error.m_sc;
        description = error.what();
    } catch (const std::bad_alloc&) {
        info->scode = E_OUTOFMEMORY;
    } catch (const std::exception& error) {
        info->scode = E_FAIL;
        try {
            description = error.what();
        } catch (...) {
        }
    } catch (...) {
        info->scode = E_UNEXPECTED;
    }
    info->bstrDescription = AllocOrNull(description);
    info->bstrSource = AllocOrNull(source);
    info->bstrHelpFile = AllocOrNull(helpFile);
    return DISP_E_EXCEPTION;
}

COleDispatchException TakeException(EXCEPINFO& info)
{
    if (info.pfnDeferredFillIn != nullptr)
        info.pfnDeferredFillIn(&info);
    unique_bstr description(info.bstrDescription);
    unique_bstr source(info.bstrSource);
    unique_bstr helpFile(info.bstrHelpFile);
    info.bstrDescription = info.bstrSource = info.bstrHelpFile = nullptr;
    COleDispatchException error(BstrToNarrow(description.get()), info.wCode, info.scode);
    error.m_strSource = BstrToNarrow(source.get());
    error.m_strHelpFile = BstrToNarrow(helpFile.get());
    error.m_dwHelpContext = info.dwHelpContext;
    return error;
}

} // namespace fw
