#include "framework/worker_thread.h"

bool CWinThread::Wait(DWORD milliseconds) const noexcept
{
    return WaitForSingleObject(m_handle.get(), milliseconds) == WAIT_OBJECT_0;
}

std::unique_ptr<CWinThread> AfxBeginThread(CWinThread::Procedure procedure, void* parameter, int priority,
                                           UINT stackSize, DWORD createFlags)
{
    DWORD id = 0;
    HANDLE handle = CreateThread(nullptr, stackSize, procedure, parameter, createFlags | CREATE_SUSPENDED, &id);
    if (!handle)
        return nullptr;
    std::unique_ptr<CWinThread> thread(new CWinThread(handle, id));
    SetThreadPriority(handle, priority);
    if (!(createFlags & CREATE_SUSPENDED))
        thread->Resume();
    return thread;
}
