// The server's file channel: every file operation of the server goes through it. Records are
// accessed field by field, by 1-based position and width code.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "b3/edit_object.h"

// <windows.h>, where a user of this header has included it, makes CopyFile a macro for its own
// CopyFileA/CopyFileW; the member keeps its name.
#ifdef CopyFile
#undef CopyFile
#endif

namespace b3 {

class CFile {
public:
    // The file writes meet `faults` when given (tests).
    explicit CFile(const platform::WriteFaults* faults = nullptr) : faults_(faults) {}
    CFile(const CFile&) = delete;
    CFile& operator=(const CFile&) = delete;
    ~CFile();

    // Deletes a file; a file that does not exist is not an error. A file without write
    // permission (mode 444, the read-only attribute) is refused with number 70, whoever runs
    // the program, as writing it is.
    void KillFile(const std::string& strFileToKill);
    // Refuses, as KillFile does, a file that is there but may not be changed; passes otherwise.
    static void CheckKillable(const std::string& strFileToKill);
    void Rename(const std::string& OldName, const std::string& NewName);
    // Copies Source over Destination (replacing it safely).
    void CopyFile(const std::string& Source, const std::string& Destination);
    // Opens FilePath on the lowest free channel, 1 to 255. Modes (any case): "BINARY" read and
    // write at any position, created when missing; "INPUT" read; "OUTPUT" write, emptied first.
    // Other modes ("APPEND", "RANDOM", ...) take a channel with no file behind it.
    std::int16_t OpenAppDefFile(const std::string& FilePath, const std::string& Mode);
    void CloseFile(std::int16_t FileNum);
    // Reads at 1-based StartByte; width 8 needs StringLength. Bytes past the end read as zeros.
    Cell FlexGet(std::int16_t FileNum, std::int32_t StartByte, std::int32_t VarLength,
                 std::optional<std::int32_t> StringLength = std::nullopt);
    // Writes at 1-based StartByte; writing past the end extends the file (gaps read as zeros).
    void FlexPut(std::int16_t FileNum, std::int32_t StartByte, std::int32_t VarLength,
                 const Cell& PutData);

    // Closes every channel this object opened (what a failing operation's trap does).
    void CloseAll();

private:
    const platform::WriteFaults* faults_;
    std::vector<std::int16_t> opened_;  // channels this object opened and has not closed
};

}  // namespace b3
