// CWinThread and AfxBeginThread: a worker thread that runs one function. The thread is created suspended,
// so its owner can record it before the function's first step, and started with Resume.
#pragma once

#include "framework/handle.h"

#include <windows.h>

#include <memory>

class CWinThread {
public:
    using Procedure = DWORD(WINAPI*)(void* parameter);

    CWinThread(const CWinThread&) = delete;
    CWinThread& operator=(const CWinThread&) = delete;
    // Does not wait: the thread runs on and ends by itself.
    ~CWinThread() = default;

    DWORD ThreadId() const noexcept { return m_id; }
    HANDLE Handle() const noexcept { return m_handle.get(); }
    void Resume() noexcept { ResumeThread(m_handle.get()); }
    // True once the thread has ended (at once when it has); false when the limit passed first.
    bool Wait(DWORD milliseconds = INFINITE) const noexcept;

private:
    friend std::unique_ptr<CWinThread> AfxBeginThread(Procedure, void*, int, UINT, DWORD);
    CWinThread(HANDLE handle, DWORD id) noexcept : m_handle(handle), m_id(id) {}

    fw::unique_kernel_handle m_handle;
    DWORD m_id;
};

// A new thread running procedure(parameter) at the priority; nothing when it cannot be made. With
// CREATE_SUSPENDED in createFlags it waits for Resume.
std::unique_ptr<CWinThread> AfxBeginThread(CWinThread::Procedure procedure, void* parameter,
                                           int priority = THREAD_PRIORITY_NORMAL, UINT stackSize = 0,
                                           DWORD createFlags = 0);
