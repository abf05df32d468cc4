// One owner template for every kind of Windows handle, and one alias per handle type. reset() keeps
// GetLastError so a failing call's error survives the cleanup of what came before it.
#pragma once

#include <windows.h>
#include <objbase.h>

#include <utility>

namespace fw {

template <typename Handle, auto Close, Handle Invalid = Handle{}>
class unique_handle {
public:
    unique_handle() noexcept = default;
    explicit unique_handle(Handle handle) noexcept : m_handle(handle) {}
    unique_handle(unique_handle&& other) noexcept : m_handle(other.release()) {}
    unique_handle& operator=(unique_handle&& other) noexcept
    {
        if (this != &other)
            reset(other.release());
        return *this;
    }
    unique_handle(const unique_handle&) = delete;
    unique_handle& operator=(const unique_handle&) = delete;
    ~unique_handle() { reset(); }

    Handle get() const noexcept { return m_handle; }
    explicit operator bool() const noexcept { return m_handle != Invalid; }
    Handle release() noexcept { return std::exchange(m_handle, Invalid); }
    void reset(Handle handle = Invalid) noexcept
    {
        if (m_handle != Invalid) {
            DWORD lastError = GetLastError();
            Close(m_handle);
            SetLastError(lastError);
        }
        m_handle = handle;
    }
    // For APIs that return a handle through an out-parameter: releases the current one first.
    Handle* put() noexcept
    {
        reset();
        return &m_handle;
    }

private:
    Handle m_handle = Invalid;
};


using unique_hkey = unique_handle<HKEY, &RegCloseKey>;
using unique_kernel_handle = unique_handle<HANDLE, &CloseHandle>;
using unique_hglobal = unique_handle<HGLOBAL, &GlobalFree>;
using unique_hfont = unique_handle<HFONT, &DeleteObject>;
using unique_hbitmap = unique_handle<HBITMAP, &DeleteObject>;
using unique_hbrush = unique_handle<HBRUSH, &DeleteObject>;
using unique_hpen = unique_handle<HPEN, &DeleteObject>;
using unique_hdc = unique_handle<HDC, &DeleteDC>;   // memory DCs (CreateCompatibleDC)
using unique_hcursor = unique_handle<HCURSOR, &DestroyCursor>;
// Text that COM allocates for the caller (StringFromCLSID, ...).
using unique_cotaskmem_string = unique_handle<LPOLESTR, &CoTaskMemFree>;

} // namespace fw
