#include "cfile.h"

#include <array>
#include <filesystem>
#include <fstream>
#include <memory>
#include <mutex>

#include "platform/files.h"
#include "platform/native_path.h"
#include "platform/text1252.h"
#include "server_internal.h"

namespace b3 {
namespace {

enum class Mode { Binary, Input, Output, None };

struct Channel {
    const CFile* owner = nullptr;  // the object that opened it, which closes what it left open
    Mode mode = Mode::None;
    std::string path;
    std::fstream stream;
};

// Channel numbers belong to the process, as the platform's file numbers do.
struct ChannelPool {
    std::mutex mutex;
    std::array<std::unique_ptr<Channel>, 256> channels;  // index 1..255 used
};

ChannelPool& Pool() {
    static ChannelPool pool;
    return pool;
}

Channel* Find(std::int16_t number) {
    if (number < 1 || number > 255) return nullptr;
    return Pool().channels[static_cast<std::size_t>(number)].get();
}

Channel& Require(std::int16_t number, const char* source) {
    Channel* c = Find(number);
    if (c == nullptr) throw detail::PlatformError(kErrBadFileNumber, source);
    return *c;
}

std::error_code LastError() {
    return std::error_code(errno ? errno : EIO, std::generic_category());
}

}  // namespace

CFile::~CFile() {
    CloseAll();
}

void CFile::CloseAll() {
    std::lock_guard lock(Pool().mutex);
    for (std::int16_t number : opened_) {
        auto& channel = Pool().channels[static_cast<std::size_t>(number)];
        // A channel another object closed may have been given out again since.
        if (channel && channel->owner == this) channel.reset();
    }
    opened_.clear();
}

void CFile::CheckKillable(const std::string& strFileToKill) {
    std::error_code ec;
    const auto status = std::filesystem::symlink_status(platform::FsPath(strFileToKill), ec);
    if (ec || !std::filesystem::is_regular_file(status)) return;
    // Removing a file takes only its folder's permission; a file its owner made read-only is
    // kept all the same, as a write to it is refused.
    using std::filesystem::perms;
    const perms write = perms::owner_write | perms::group_write | perms::others_write;
    if ((status.permissions() & write) == perms::none) {
        throw Error(kErrPermissionDenied, "CFile::KillFile",
                    "Error attempting to delete file. " + strFileToKill +
                        " is read-only; make it writable first to delete it.");
    }
}

void CFile::KillFile(const std::string& strFileToKill) {
    std::error_code ec;
    if (std::filesystem::is_directory(platform::FsPath(strFileToKill), ec)) {
        throw Error(kErrPathFileAccess, "CFile::KillFile", "Error attempting to delete file.");
    }
    CheckKillable(strFileToKill);
    if (!std::filesystem::remove(platform::FsPath(strFileToKill), ec) && ec) {
        if (ec == std::errc::no_such_file_or_directory) return;
        throw Error(detail::FileErrorNumber(ec), "CFile::KillFile",
                    "Error attempting to delete file.");
    }
}

void CFile::Rename(const std::string& OldName, const std::string& NewName) {
    std::error_code ec;
    if (!std::filesystem::exists(platform::FsPath(OldName), ec)) {
        throw detail::PlatformError(kErrFileNotFound, "CFile::Rename");
    }
    if (std::filesystem::exists(platform::FsPath(NewName), ec)) {
        throw detail::PlatformError(58, "CFile::Rename");
    }
    std::filesystem::rename(platform::FsPath(OldName), platform::FsPath(NewName), ec);
    if (ec) throw detail::FileError(ec, "CFile::Rename", NewName);
}

void CFile::CopyFile(const std::string& Source, const std::string& Destination) {
    if (!platform::IsRegularFile(Source)) {
        throw detail::PlatformError(kErrFileNotFound, "CFile::CopyFile");
    }
    std::error_code ec;
    platform::ReplaceOptions options;
    options.faults = faults_;
    if (!platform::CopyFileReplacing(Source, Destination, ec, options)) {
        throw detail::FileError(ec, "CFile::CopyFile", Destination);
    }
}

std::int16_t CFile::OpenAppDefFile(const std::string& FilePath, const std::string& ModeText) {
    std::int16_t number = 0;
    {
        std::lock_guard lock(Pool().mutex);
        for (std::int16_t i = 1; i <= 255; ++i) {
            if (!Pool().channels[static_cast<std::size_t>(i)]) {
                number = i;
                break;
            }
        }
        if (number == 0) throw detail::PlatformError(67, "CFile::OpenAppDefFile");
        Pool().channels[static_cast<std::size_t>(number)] = std::make_unique<Channel>();
        Pool().channels[static_cast<std::size_t>(number)]->owner = this;
    }
    opened_.push_back(number);
    Channel& c = *Find(number);
    c.path = FilePath;
    const std::string mode = platform::AsciiUpper(ModeText);
    auto fail = [&](std::int32_t errNumber) {
        CloseFile(number);
        throw detail::PlatformError(errNumber, "CFile::OpenAppDefFile");
    };
    errno = 0;
    if (mode == "BINARY") {
        c.mode = Mode::Binary;
        if (platform::IsDirectory(FilePath)) fail(kErrPathFileAccess);
        c.stream.open(platform::FsPath(FilePath), std::ios::in | std::ios::out | std::ios::binary);
        if (!c.stream.is_open()) {
            errno = 0;
            std::ofstream create(platform::FsPath(FilePath),
                                 std::ios::out | std::ios::binary | std::ios::app);
            if (!create.is_open()) fail(detail::FileErrorNumber(LastError(), true));
            create.close();
            c.stream.open(platform::FsPath(FilePath),
                          std::ios::in | std::ios::out | std::ios::binary);
            if (!c.stream.is_open()) fail(detail::FileErrorNumber(LastError()));
        }
    } else if (mode == "INPUT") {
        c.mode = Mode::Input;
        if (!platform::IsRegularFile(FilePath)) fail(kErrFileNotFound);
        c.stream.open(platform::FsPath(FilePath), std::ios::in | std::ios::binary);
        if (!c.stream.is_open()) fail(detail::FileErrorNumber(LastError()));
    } else if (mode == "OUTPUT") {
        c.mode = Mode::Output;
        c.stream.open(platform::FsPath(FilePath),
                      std::ios::out | std::ios::trunc | std::ios::binary);
        if (!c.stream.is_open()) fail(detail::FileErrorNumber(LastError(), true));
    }
    return number;
}

void CFile::CloseFile(std::int16_t FileNum) {
    if (Find(FileNum) == nullptr) return;
    std::erase(opened_, FileNum);
    std::lock_guard lock(Pool().mutex);
    Pool().channels[static_cast<std::size_t>(FileNum)].reset();
}

Cell CFile::FlexGet(std::int16_t FileNum, std::int32_t StartByte, std::int32_t VarLength,
                    std::optional<std::int32_t> StringLength) {
    Channel& c = Require(FileNum, "CFile::FlexGet");
    std::int32_t count = 0;
    switch (VarLength) {
        case detail::kWidthByte:
            count = 1;
            break;
        case detail::kWidthInteger:
            count = 2;
            break;
        case detail::kWidthLong:
            count = 4;
            break;
        case detail::kWidthText:
            if (!StringLength) return Cell();
            count = *StringLength;
            break;
        default:
            return Cell();
    }
    if (StartByte < 1 || count < 0)
        throw detail::PlatformError(kErrInvalidArgument, "CFile::FlexGet");
    if (c.mode != Mode::Binary && c.mode != Mode::Input) {
        throw detail::PlatformError(54, "CFile::FlexGet");
    }
    std::string bytes(static_cast<std::size_t>(count), '\0');
    c.stream.clear();
    c.stream.seekg(StartByte - 1);
    c.stream.read(bytes.data(), count);
    c.stream.clear();  // a short read leaves zeros, as bytes past the end read back
    return detail::DecodeField(bytes, VarLength);
}

void CFile::FlexPut(std::int16_t FileNum, std::int32_t StartByte, std::int32_t VarLength,
                    const Cell& PutData) {
    Channel& c = Require(FileNum, "CFile::FlexPut");
    if (VarLength != detail::kWidthByte && VarLength != detail::kWidthInteger &&
        VarLength != detail::kWidthLong && VarLength != detail::kWidthText) {
        return;
    }
    const std::string bytes = detail::EncodeField(PutData, VarLength, "CFile::FlexPut");
    if (StartByte < 1) throw detail::PlatformError(kErrInvalidArgument, "CFile::FlexPut");
    if (c.mode != Mode::Binary && c.mode != Mode::Output) {
        throw detail::PlatformError(54, "CFile::FlexPut");
    }
    c.stream.clear();
    c.stream.seekp(0, std::ios::end);
    const std::streamoff end = c.stream.tellp();
    if (end < StartByte - 1) {
        // Extend with zeros up to the field, so that the gap reads back as zero everywhere.
        const std::string zeros(static_cast<std::size_t>(StartByte - 1 - end), '\0');
        c.stream.write(zeros.data(), static_cast<std::streamsize>(zeros.size()));
    }
    c.stream.seekp(StartByte - 1);
    c.stream.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    c.stream.flush();
    if (!c.stream) {
        c.stream.clear();
        throw detail::FileError(LastError(), "CFile::FlexPut", c.path);
    }
}

}  // namespace b3
