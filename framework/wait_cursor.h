// CWaitCursor: shows the wait cursor for its lifetime and then puts back the cursor that was showing, on every
// way out of the scope.
#pragma once

#include <windows.h>

class CWaitCursor {
public:
    CWaitCursor() noexcept : m_previous(SetCursor(LoadCursor(nullptr, IDC_WAIT))) {}
    ~CWaitCursor() { SetCursor(m_previous); }
    CWaitCursor(const CWaitCursor&) = delete;
    CWaitCursor& operator=(const CWaitCursor&) = delete;

private:
    HCURSOR m_previous;
};
