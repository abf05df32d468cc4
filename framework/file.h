// CFile: the owner of one open file, written in binary. Failures throw CFileException with the Windows
// error code, so a write that fails part-way is never mistaken for a stored file.
#pragma once

#include "framework/handle.h"

#include <windows.h>

#include <string>

class CFileException {
public:
    explicit CFileException(DWORD error) noexcept : m_lOsError(error) {}
    DWORD m_lOsError;
};

class CFile {
public:
    // Open flags (the values applications of the platform store and pass around).
    enum OpenFlags : UINT {
        modeRead = 0x0000,
        modeWrite = 0x0001,
        modeReadWrite = 0x0002,
        modeCreate = 0x1000,  // create, truncating a file that exists
        typeBinary = 0x8000,
    };

    CFile() noexcept = default;
    CFile(const CFile&) = delete;
    CFile& operator=(const CFile&) = delete;
    ~CFile() = default; // closes an open file

    // False with GetLastError set when the file cannot be opened.
    bool Open(const std::string& path, UINT flags) noexcept;
    void Write(const void* data, DWORD size);
    // Writes what the system still holds to the disk.
    void Flush();
    // Closing a closed file does nothing.
    void Close();
    void Abort() noexcept { m_file.reset(); }
    bool IsOpen() const noexcept { return static_cast<bool>(m_file); }

private:
    fw::unique_kernel_handle m_file; // null when closed (CreateFile's INVALID_HANDLE_VALUE is not kept)
};

namespace fw {

// Moves the file `from` over the file `to` (or to a new name), as MoveFileEx with MOVEFILE_REPLACE_EXISTING
// does on Windows, where a read-only file at `to` is refused with ERROR_ACCESS_DENIED; Wine would replace it.
// False with GetLastError set when nothing was moved.
bool MoveFileOver(const std::string& from, const std::string& to) noexcept;

} // namespace fw
