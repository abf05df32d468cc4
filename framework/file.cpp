#include "framework/file.h"

bool CFile::Open(const std::string& path, UINT flags) noexcept
{
    DWORD access = GENERIC_READ;
    if (flags & modeWrite)
        access = GENERIC_WRITE;
    else if (flags & modeReadWrite)
        access = GENERIC_READ | GENERIC_WRITE;
    const DWORD disposition = (flags & modeCreate) ? CREATE_ALWAYS : OPEN_EXISTING;
    HANDLE file = CreateFileA(path.c_str(), access, FILE_SHARE_READ, nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
    m_file.reset(file == INVALID_HANDLE_VALUE ? nullptr : file);
    return IsOpen();
}

void CFile::Write(const void* data, DWORD size)
{
    DWORD written = 0;
    if (!WriteFile(m_file.get(), data, size, &written, nullptr))
        throw CFileException(GetLastError());
    if (written != size)
        throw CFileException(ERROR_DISK_FULL);
}

void CFile::Flush()
{
    if (!FlushFileBuffers(m_file.get()))
        throw CFileException(GetLastError());
}

void CFile::Close()
{
    if (m_file && !CloseHandle(m_file.release()))
        throw CFileException(GetLastError());
}

bool fw::MoveFileOver(const std::string& from, const std::string& to) noexcept
{
    const DWORD attributes = GetFileAttributesA(to.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY)) {
        SetLastError(ERROR_ACCESS_DENIED);
        return false;
    }
    return MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING) != FALSE;
}
