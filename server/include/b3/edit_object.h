// The edit server's public interface: the tagged cell, the data array, the error type, the
// interface _CEditObject and the factory that creates the edit object by its class identifier.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "b3/message_sink.h"
#include "b3edtsvr_export.h"

namespace b3::platform {
class WriteFaults;  // platform/files.h
}

namespace b3 {

// ---------------------------------------------------------------------------------------------
// Errors

// Every failure of the server: a signed 32-bit number, the operation that reports it (its source)
// and a description.
class B3EDTSVR_EXPORT Error : public std::exception {
public:
    Error(std::int32_t number, std::string source, std::string description);
    std::int32_t number() const noexcept { return number_; }
    const std::string& source() const noexcept { return source_; }
    const std::string& description() const noexcept { return description_; }
    const char* what() const noexcept override { return description_.c_str(); }

    // The same failure, reported by another operation.
    Error withSource(std::string source) const;

private:
    std::int32_t number_;
    std::string source_;
    std::string description_;
};

// The component error base and the server's own numbers.
inline constexpr std::int32_t kComponentErrorBase = static_cast<std::int32_t>(0x80040000u);
inline constexpr std::int32_t kErrInstallNotFound = kComponentErrorBase + 1512;  // -2147219992
inline constexpr std::int32_t kErrNoFiles = kComponentErrorBase + 1513;          // -2147219991
inline constexpr std::int32_t kErrNoName = kComponentErrorBase + 1518;           // -2147219986
// A file changed by another program since it was read; a version the history does not hold.
inline constexpr std::int32_t kErrChangedOnDisk = kComponentErrorBase + 1520;  // -2147219984
inline constexpr std::int32_t kErrNoSuchVersion = kComponentErrorBase + 1521;  // -2147219983

// The platform's numbers that the server reports.
inline constexpr std::int32_t kErrInvalidArgument = 5;
inline constexpr std::int32_t kErrOverflow = 6;
inline constexpr std::int32_t kErrOutOfMemory = 7;
inline constexpr std::int32_t kErrSubscript = 9;
inline constexpr std::int32_t kErrTypeMismatch = 13;
inline constexpr std::int32_t kErrBadFileNumber = 52;
inline constexpr std::int32_t kErrFileNotFound = 53;
inline constexpr std::int32_t kErrDeviceIo = 57;
inline constexpr std::int32_t kErrDiskFull = 61;
inline constexpr std::int32_t kErrPermissionDenied = 70;
inline constexpr std::int32_t kErrPathFileAccess = 75;
inline constexpr std::int32_t kErrPathNotFound = 76;

// The platform's generic description of a number ("Overflow", "File not found", ...).
B3EDTSVR_EXPORT std::string DescribeError(std::int32_t number);

// ---------------------------------------------------------------------------------------------
// Cells and arrays

// A tagged value: empty, byte (unsigned 8-bit), integer (signed 16-bit), long (signed 32-bit) or
// text (UTF-8).
class B3EDTSVR_EXPORT Cell {
public:
    enum class Type { Empty, Byte, Integer, Long, Text };

    Cell() = default;
    static Cell byte(std::uint8_t v) { return Cell(Value(std::in_place_index<1>, v)); }
    static Cell integer(std::int16_t v) { return Cell(Value(std::in_place_index<2>, v)); }
    static Cell long_(std::int32_t v) { return Cell(Value(std::in_place_index<3>, v)); }
    static Cell text(std::string v) { return Cell(Value(std::in_place_index<4>, std::move(v))); }

    Type type() const { return static_cast<Type>(value_.index()); }
    bool isEmpty() const { return type() == Type::Empty; }
    bool isText() const { return type() == Type::Text; }
    bool isNumber() const {
        return type() == Type::Byte || type() == Type::Integer || type() == Type::Long;
    }

    // The number of a numeric cell (0 for the others).
    std::int64_t number() const;
    // The text of a text cell (empty for the others).
    const std::string& str() const;
    // The cell as text: numbers in decimal, empty as "".
    std::string toString() const;

    // "empty", "byte", "integer", "long" or "text".
    static const char* typeName(Type type);

    friend bool operator==(const Cell&, const Cell&) = default;

private:
    using Value =
        std::variant<std::monostate, std::uint8_t, std::int16_t, std::int32_t, std::string>;
    explicit Cell(Value v) : value_(std::move(v)) {}
    Value value_;
};

// One object handed back for writing: cells indexed by the kind's column numbers.
using ObjectArray = std::vector<Cell>;

// A kind's objects: one row per definition file, one column per field.
class B3EDTSVR_EXPORT DataArray {
public:
    DataArray() = default;
    DataArray(std::size_t rows, std::size_t columns)
        : rows_(rows), columns_(columns), cells_(rows * columns) {}

    std::size_t rows() const { return rows_; }
    std::size_t columns() const { return columns_; }
    // Element access; out of range fails with number 9.
    const Cell& at(std::size_t row, std::size_t column) const;
    Cell& at(std::size_t row, std::size_t column);
    // A copy of one row as an object array.
    ObjectArray row(std::size_t row) const;
    // Replaces one row; cells past the array's width are ignored, missing ones become empty.
    void setRow(std::size_t row, ObjectArray values);

    friend bool operator==(const DataArray&, const DataArray&) = default;

private:
    std::size_t rows_ = 0;
    std::size_t columns_ = 0;
    std::vector<Cell> cells_;
};

// ---------------------------------------------------------------------------------------------
// Kinds

enum EditObjectKind : std::int32_t { kItem = 0, kArmy = 1, kHero = 2, kSite = 3, kSpell = 4 };
inline constexpr int kKindCount = 5;

// Column counts of the data arrays, by kind.
inline constexpr int kColumnCount[kKindCount] = {11, 28, 127, 9, 21};

// Picture template types of CopyPictureTemplate (not the kind codes).
enum PictureType : std::int32_t { kArmyPicture = 0, kHeroPicture = 1, kSitePicture = 2 };

// ---------------------------------------------------------------------------------------------
// Identity

struct Guid {
    std::uint32_t data1;
    std::uint16_t data2;
    std::uint16_t data3;
    std::uint8_t data4[8];
    friend constexpr bool operator==(const Guid&, const Guid&) = default;
};

// Type library B3EdtSvr, class CEditObject and its default interface _CEditObject.
inline constexpr Guid LIBID_B3EdtSvr = {0x441F0F8F, 0x79BA, 0x11D1, {0xBC, 0xA4, 0, 0, 0, 0, 0, 0}};
inline constexpr Guid CLSID_CEditObject = {
    0x441F0F8E, 0x79BA, 0x11D1, {0xBC, 0xA4, 0, 0, 0, 0, 0, 0}};
inline constexpr Guid IID__CEditObject = {
    0xE27A0A7D, 0x6B50, 0x11D2, {0x8D, 0x7E, 0, 0, 0, 0, 0, 0}};

// ---------------------------------------------------------------------------------------------
// The interface, members in slot order. Every failure is thrown as b3::Error.

class _CEditObject {
public:
    virtual ~_CEditObject() = default;

    virtual std::int32_t NumEditObjects(const std::int32_t& Index) const = 0;  // 1
    virtual std::string SitePath() const = 0;                                  // 2
    virtual std::string SpellPath() const = 0;                                 // 3
    virtual std::string HeroPath() const = 0;                                  // 4
    virtual std::string ArmyPath() const = 0;                                  // 5
    virtual std::string ItemPath() const = 0;                                  // 6
    virtual std::string InstallPath() const = 0;                               // 7
    virtual void CopyPictureTemplate(const std::int32_t& PictureType,
                                     const std::string& FileName) = 0;            // 8
    virtual DataArray GetEditObjectData(const std::int32_t& DataType) const = 0;  // 9
    virtual void WriteObject(const ObjectArray& DataToWrite,
                             const std::int32_t& ObjectType) = 0;                          // 10
    virtual void PrintReport(const std::string& Path, const std::int32_t& WhichType) = 0;  // 11
    virtual std::string ConvertPowerTypeToName(const std::int16_t& Index) const = 0;       // 12
    virtual std::string ConvertSoundToName(const std::int16_t& Index) const = 0;           // 13
    virtual std::string ConvertFacingToName(const std::int16_t& Index) const = 0;          // 14
    virtual ObjectArray ConvertShortName(std::string ShortName,
                                         const DataArray& ItemDataArray) const = 0;            // 15
    virtual ObjectArray ConvertArmyShortName(std::string ShortName) const = 0;                 // 16
    virtual std::string ShortNameFromPath(std::string Path, std::int32_t PathType) const = 0;  // 17
    virtual void Delete(const std::int32_t& WhichType, const std::string& ShortName) = 0;      // 18
    virtual std::string PicsPath() const = 0;                                                  // 19

    // The stamp (StampFile) of the object's definition file as it was when this object read it;
    // empty when it did not read such a file. For spells ShortName is the file's path.
    virtual std::string FileStamp(const std::int32_t& ObjectType,
                                  const std::string& ShortName) const = 0;  // 20
    // WriteObject that refuses (kErrChangedOnDisk) when ExpectedStamp is not empty and the file
    // no longer matches it. With NewRecord the record is built afresh: fields the array leaves
    // empty are zero instead of the old file's bytes.
    virtual void WriteObjectChecked(const ObjectArray& DataToWrite, const std::int32_t& ObjectType,
                                    const std::string& ExpectedStamp, bool NewRecord) = 0;  // 21
};

// The folder of a kind's definition files: ItemPath() for kItem, and so on (SpellPath() for
// any other kind).
inline std::string KindFolder(const _CEditObject& object, int kind) {
    switch (kind) {
        case kItem:
            return object.ItemPath();
        case kArmy:
            return object.ArmyPath();
        case kHero:
            return object.HeroPath();
        case kSite:
            return object.SitePath();
        default:
            return object.SpellPath();
    }
}

// ---------------------------------------------------------------------------------------------
// Creation and hosts

// Called between the lines of a report so that the host's window can process pending events.
using EventPump = std::function<void()>;

struct CreateOptions {
    // Takes this folder as the installation folder instead of reading the registry store.
    std::optional<std::string> installFolder{};
    // Called between the lines of the object's reports; none by default.
    EventPump pumpEvents{};
    // Where the picture templates an installation lacks are copied from; by default the folder
    // of the server library.
    std::optional<std::string> templateFolder{};
    // The faults the object's writes of the installation's files meet: none but in tests. It
    // must outlive the object.
    const platform::WriteFaults* writeFaults = nullptr;
    // Where the object's messages go (a kind folder it cannot count, a file's previous version
    // the history could not keep); standard error when none is given.
    MessageSink messageSink{};
};

// Creates the object of class `clsid` (CLSID_CEditObject); construction reads the whole
// installation. Fails with the construction's error, or with number 5 for an unknown class.
B3EDTSVR_EXPORT std::unique_ptr<_CEditObject> CreateObject(const Guid& clsid,
                                                           const CreateOptions& options = {});

// Where the installation folder comes from: the folder and a description of the store
// ("registry file PATH", "Wine prefix PATH (32-bit view)", "--install"...). Fails as
// construction does when the game is not registered.
struct InstallLocation {
    std::string folder;
    std::string source;
};
B3EDTSVR_EXPORT InstallLocation LocateInstallation(const CreateOptions& options = {});

// The registry key and value that hold the installation folder.
B3EDTSVR_EXPORT extern const char* const kInstallKey;
B3EDTSVR_EXPORT extern const char* const kInstallValue;

}  // namespace b3
