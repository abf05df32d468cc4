// The two automation exceptions. COleDispatchException is an error raised inside an automation member (it
// travels through IDispatch::Invoke as DISP_E_EXCEPTION with an EXCEPINFO); COleException is any other failed
// automation call, carrying its HRESULT.
//
// The error code of a dispatch exception (ErrorCode) is its scode read as a signed 32-bit number; when the
// raiser used the 16-bit wCode field instead (EXCEPINFO allows one or the other), it is wCode read as a
// signed 16-bit number. So a host that raises -102 gives -102 whichever field it chose.
#pragma once

#include <windows.h>
#include <oleauto.h>

#include <stdexcept>
#include <string>

class COleException : public std::runtime_error {
public:
    explicit COleException(HRESULT result);
    HRESULT m_sc;
};

class COleDispatchException : public std::runtime_error {
public:
    explicit COleDispatchException(std::string description, WORD wCode = 0, SCODE scode = 0);

    // The exception's error code (see above).
    long ErrorCode() const noexcept;

    WORD m_wCode;
    SCODE m_scError;
    std::string m_strDescription;
    std::string m_strSource;
    std::string m_strHelpFile;
    DWORD m_dwHelpContext = 0;
};

namespace fw {

// Fills an EXCEPINFO (which may be null) from the exception being handled and returns DISP_E_EXCEPTION.
// Call only inside a catch block: a dispatch exception keeps its codes and texts, a COleException gives
// its HRESULT as scode, std::bad_alloc E_OUTOFMEMORY, any other exception E_FAIL with its text.
HRESULT ReportException(EXCEPINFO* info) noexcept;

// Builds the exception an EXCEPINFO describes and frees the EXCEPINFO's strings (runs a deferred fill-in
// first).
COleDispatchException TakeException(EXCEPINFO& info);

} // namespace fw
