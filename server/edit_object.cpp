// Construction of the edit object, its data locations, caches, writers and deletes, and the
// factory through which the programs create it.
#include "cedit_object.h"

#include <filesystem>
#include <iostream>

#include "b3/file_transaction.h"
#include "b3/history.h"
#include "b3/record_layout.h"
#include "b3/table_columns.h"
#include "platform/file_names.h"
#include "platform/files.h"
#include "platform/native_path.h"
#include "platform/registry.h"
#include "platform/text1252.h"
#include "server_internal.h"

namespace b3 {

const char* const kInstallKey =
    "SOFTWARE\\Slate Crown Entertainment\\Banerule III: Gloamkings Tide\\1.0";
const char* const kInstallValue = "$Install_ToDirectory$";

namespace {

const char* const kBuilderNames[kKindCount] = {
    "CEditObject::BuildItemArray", "CEditObject::BuildArmyArray", "CEditObject::BuildHeroArray",
    "CEditObject::BuildSiteArray", "CEditObject::BuildSpellArray"};

constexpr const char* kArmyTemplate = "NEWARMY.PCX";
constexpr const char* kSiteTemplate = "NEWSITE.PCX";

// Drops `head` characters from the front and `tail` from the back of UTF-8 text; nothing when the
// text is shorter.
std::optional<std::string> DropCharacters(std::string_view text, std::size_t head,
                                          std::size_t tail) {
    std::vector<std::size_t> starts;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80) starts.push_back(i);
    }
    if (head + tail > starts.size()) return std::nullopt;
    const std::size_t from = head < starts.size() ? starts[head] : text.size();
    const std::size_t to = tail == 0 ? text.size() : starts[starts.size() - tail];
    return std::string(text.substr(from, to - from));
}

void ModuleAnchor() {}

}  // namespace

namespace detail {

void ShowMessage(const MessageSink& sink, const std::string& text) {
    if (sink) {
        sink(text);
    } else {
        std::cerr << text << std::endl;
    }
}

}  // namespace detail

InstallLocation LocateInstallation(const CreateOptions& options) {
    // Every folder, given or read, is handed on as FolderFromValue cleans it: a trailing
    // separator would double the one the kind folders are joined with.
    if (options.installFolder)
        return {platform::FolderFromValue(*options.installFolder), "--install"};
    auto hit = platform::LookupMachineValue(kInstallKey, kInstallValue);
    if (!hit) {
        throw Error(kErrInstallNotFound, "CEditObject::FindInstallPath",
                    DescribeError(kErrInstallNotFound) +
                        ": no installation folder of the game is registered (b3cli register DIR "
                        "records one)");
    }
    return {std::move(hit->folder), hit->source};
}

std::unique_ptr<_CEditObject> CreateObject(const Guid& clsid, const CreateOptions& options) {
    if (!(clsid == CLSID_CEditObject)) {
        throw Error(429, "B3EdtSvr", "Cannot create an object of an unknown class");
    }
    return std::make_unique<CEditObject>(options);
}

// ---------------------------------------------------------------------------------------------
// Construction

CEditObject::CEditObject(const CreateOptions& options)
    : file_(options.writeFaults),
      pumpEvents_(options.pumpEvents),
      templateFolder_(options.templateFolder.value_or("")),
      writeFaults_(options.writeFaults),
      messages_(options.messageSink) {
    try {
        FindInstallPath(options);
    } catch (const Error& e) {
        if (e.number() == kErrInstallNotFound) throw e.withSource("CEditObject::FindInstallPath");
        throw e.withSource("CEditObject::Class_Initialize");
    }
    try {
        // A change of several files that was stopped in the middle is finished before anything
        // is read, so that no program sees half of it.
        RecoverInstallation(installPath_);
        CheckPictureTemplates();
        for (int kind = 0; kind < kKindCount; ++kind) BuildEditObjectFileArray(kind);
    } catch (const Error& e) {
        file_.CloseAll();
        throw e.withSource("CEditObject::Class_Initialize");
    } catch (const std::bad_alloc&) {
        throw detail::PlatformError(kErrOutOfMemory, "CEditObject::Class_Initialize");
    }
}

void CEditObject::FindInstallPath(const CreateOptions& options) {
    installPath_ = LocateInstallation(options).folder;
    // Installations copied from Windows media keep any letter case: the kind folders are found
    // whatever their case.
    auto sub = [&](const char* name) {
        return platform::JoinPath(installPath_, platform::FindEntryIgnoreCase(installPath_, name));
    };
    itemPath_ = sub("Items");
    armyPath_ = sub("Army");
    heroPath_ = sub("Hero");
    sitePath_ = sub("Sites");
    spellPath_ = sub("Spell");
    picsPath_ = sub("EDPICTS");
}

void CEditObject::CheckPictureTemplates() {
    bool armySeen = false;
    bool siteSeen = false;
    std::error_code ec;
    for (const std::string& name : platform::ListFiles(picsPath_, "*.PCX", ec)) {
        const std::string upper = platform::AsciiUpper(name);
        armySeen = armySeen || upper == kArmyTemplate;
        siteSeen = siteSeen || upper == kSiteTemplate;
    }
    if (armySeen && siteSeen) return;
    // A missing pictures folder is made, so that the templates can be placed in it.
    if (!platform::IsDirectory(picsPath_) && platform::IsDirectory(installPath_)) {
        std::filesystem::create_directory(platform::FsPath(picsPath_), ec);
    }
    std::string libraryFolder = templateFolder_;
    if (libraryFolder.empty()) {
        libraryFolder = platform::ModuleFolderOf(reinterpret_cast<const void*>(&ModuleAnchor));
    }
    // A copy of the game that cannot be written (a CD, a read-only mount) is still read; a
    // template that could not be placed makes a later CopyPictureTemplate fail instead.
    auto place = [&](const char* name) {
        try {
            file_.CopyFile(platform::JoinPath(libraryFolder, name),
                           platform::JoinPath(picsPath_, name));
        } catch (const Error& e) {
            const bool unwritable =
                e.number() == kErrPermissionDenied ||
                (e.number() == kErrPathNotFound && !platform::IsDirectory(picsPath_));
            if (!unwritable) throw;
        }
    };
    if (!armySeen) place(kArmyTemplate);
    if (!siteSeen) place(kSiteTemplate);
}

const std::string& CEditObject::KindPath(int kind) const {
    switch (kind) {
        case kItem:
            return itemPath_;
        case kArmy:
            return armyPath_;
        case kHero:
            return heroPath_;
        case kSite:
            return sitePath_;
        default:
            return spellPath_;
    }
}

std::int32_t CEditObject::CountEditObjectFiles(int kind) {
    return static_cast<std::int32_t>(EnumerateKind(kind).size());
}

std::vector<std::string> CEditObject::EnumerateKind(int kind) {
    std::error_code ec;
    auto names =
        platform::ListFiles(KindPath(kind), std::string("*") + LayoutOf(kind).extension, ec);
    if (ec) {
        const Error e =
            detail::FileError(ec, "CEditObject::CountEditObjectFiles", KindPath(kind) + "/x");
        detail::ShowMessage(messages_, std::to_string(e.number()) + "\r\n" + e.source() + "\r\n" +
                                           e.description() + ": " + KindPath(kind));
        return {};
    }
    return names;
}

void CEditObject::BuildEditObjectFileArray(int kind) {
    const RecordLayout& layout = LayoutOf(kind);
    const std::string& folder = KindPath(kind);
    try {
        // One enumeration serves both the count and the rows, so the two always agree.
        const std::vector<std::string> names = EnumerateKind(kind);
        if (names.empty()) {
            // Says which folder and which kind, so that the user knows what to put right.
            throw Error(kErrNoFiles, "CEditObject::BuildEditObjectFileArray",
                        DescribeError(kErrNoFiles) + ": the folder " + folder + " holds no " +
                            layout.kindName + " files (*" + layout.extension + ").");
        }
        std::error_code ec;
        DataArray build(names.size(), static_cast<std::size_t>(layout.columns));
        std::string bytes;
        for (std::size_t row = 0; row < names.size(); ++row) {
            const std::string path = platform::JoinPath(folder, names[row]);
            if (!platform::ReadFileBytes(path, bytes, ec,
                                         static_cast<std::size_t>(layout.recordLength))) {
                throw detail::FileError(ec, kBuilderNames[kind], path);
            }
            stamps_[path] = StampOfRead(path, bytes);
            // A name that is not UTF-8 is read as Windows-1252, as the game reads it; writing
            // and deleting find the file again by that text.
            const std::string text = platform::FileNameText(names[row]);
            const std::string name = kind == kSpell
                                         ? platform::JoinPath(folder, text)
                                         : DropCharacters(text, 0, 4).value_or(std::string());
            build.setRow(row, DecodeRecord(kind, bytes, static_cast<std::int32_t>(row), name));
        }
        counts_[static_cast<std::size_t>(kind)] = static_cast<std::int32_t>(names.size());
        caches_[static_cast<std::size_t>(kind)] = std::move(build);
    } catch (const Error& e) {
        throw e.withSource("CEditObject::BuildEditObjectFileArray");
    }
}

// ---------------------------------------------------------------------------------------------
// Questions answered from the caches

std::int32_t CEditObject::NumEditObjects(const std::int32_t& Index) const {
    if (Index < 0 || Index > 5) throw detail::PlatformError(kErrSubscript, "B3EdtSvr");
    return counts_[static_cast<std::size_t>(Index)];
}

DataArray CEditObject::GetEditObjectData(const std::int32_t& DataType) const {
    if (DataType < 0 || DataType >= kKindCount) {
        throw detail::PlatformError(kErrSubscript, "CEditObject::GetEditObjectData");
    }
    return caches_[static_cast<std::size_t>(DataType)];
}

std::string CEditObject::ShortNameFromPath(std::string Path, std::int32_t PathType) const {
    if (PathType < 0 || PathType >= kKindCount) {
        throw detail::PlatformError(kErrInvalidArgument, "CEditObject::ShortNameFromPath");
    }
    const std::size_t folderLength = platform::Utf8Length(KindPath(PathType));
    auto name = DropCharacters(Path, folderLength + 1, 4);
    if (!name) throw detail::PlatformError(kErrInvalidArgument, "CEditObject::ShortNameFromPath");
    return *name;
}

// ---------------------------------------------------------------------------------------------
// Writing, deleting, templates

std::string CEditObject::FileInFolder(const std::string& folder, const std::string& name) const {
    return platform::JoinPath(folder, platform::FindEntryIgnoreCase(folder, name));
}

void CEditObject::RefuseShortName(const std::string& name, const char* source) {
    if (detail::IsSafeShortName(name)) return;
    // Says why, without quoting the name: it may be anything at all.
    throw Error(kErrInvalidArgument, source,
                DescribeError(kErrInvalidArgument) + ": the short name cannot name a file: " +
                    FileNameProblem(name).value_or("Windows cannot hold it") + "; choose another");
}

std::string CEditObject::SpellFile(const std::string& path, const char* source) const {
    // The path must name a spell file directly inside the spell folder, compared as the
    // platform compares paths (on Windows either separator); the file is found there without
    // regard to letter case, as the files of every other kind.
    const std::string name = platform::PathInsideFolder(path, spellPath_).value_or(std::string());
    const bool spellFile = name.size() > 4 && platform::AsciiUpper(name.substr(name.size() - 4)) ==
                                                  LayoutOf(kSpell).extension;
    if (!spellFile) {
        throw Error(kErrInvalidArgument, source,
                    DescribeError(kErrInvalidArgument) +
                        ": a spell is named by the full path of its .SPL file in " + spellPath_);
    }
    RefuseShortName(name.substr(0, name.size() - 4), source);
    return FileInFolder(spellPath_, name);
}

std::string CEditObject::RecordFilePath(int kind, const ObjectArray& object) const {
    const RecordLayout& layout = LayoutOf(kind);
    const char* source = kind == kItem   ? "CEditObject::WriteItem"
                         : kind == kArmy ? "CEditObject::WriteArmy"
                         : kind == kHero ? "CEditObject::WriteHero"
                         : kind == kSite ? "CEditObject::WriteSite"
                                         : "CEditObject::WriteSpell";
    if (object.size() < static_cast<std::size_t>(layout.columns))
        throw detail::TooFewCells(kind, object.size(), source);
    const std::string name = object[static_cast<std::size_t>(layout.shortNameColumn)].toString();
    if (kind == kSpell) return SpellFile(name, source);
    RefuseShortName(name, source);
    return FileInFolder(KindPath(kind), name + layout.extension);
}

void CEditObject::KeepInHistory(const std::string& path, const char* operation, int kind,
                                const std::string& name) const {
    KeepBeforeChange(installPath_, path, operation, kind, name, messages_);
}

void CEditObject::WriteRecord(int kind, const ObjectArray& object, const std::string* expectedStamp,
                              bool newRecord) {
    const std::string path = RecordFilePath(kind, object);
    const std::size_t recordLength = static_cast<std::size_t>(LayoutOf(kind).recordLength);
    if (expectedStamp && !expectedStamp->empty() &&
        StampFile(path, recordLength) != *expectedStamp) {
        throw Error(kErrChangedOnDisk, "CEditObject::WriteObject",
                    "The file " + path +
                        " was changed by another program since it was read. Reload it, or "
                        "confirm that your version replaces it.");
    }
    std::string existing;
    std::error_code ec;
    const bool exists = std::filesystem::exists(platform::FsPath(path), ec);
    if (exists) {
        if (!platform::IsRegularFile(path)) {
            throw detail::FileError(std::make_error_code(std::errc::not_supported),
                                    "CEditObject::WriteObject", path);
        }
        // Only the record is read; whatever follows it in the file is copied over unread.
        if (!newRecord && !platform::ReadFileBytes(path, existing, ec, recordLength)) {
            throw detail::FileError(ec, "CEditObject::WriteObject", path);
        }
    }
    // Every field is checked before anything is written; the file is then replaced whole, so a
    // failure leaves an existing file as it was and no new file behind.
    const std::string bytes = EncodeRecord(kind, object, std::move(existing));
    const std::string name =
        kind == kSpell
            ? platform::FileNameText(platform::Utf8Path(platform::FsPath(path).stem()))
            : object[static_cast<std::size_t>(LayoutOf(kind).shortNameColumn)].toString();
    if (exists) KeepInHistory(path, "save", kind, name);
    // A new record replaces the whole file; otherwise what follows the record is kept.
    platform::ReplaceOptions options;
    options.keepTail = !newRecord;
    options.faults = writeFaults_;
    if (!platform::ReplaceFileContents(path, bytes, ec, options)) {
        throw detail::FileError(ec, "CEditObject::WriteObject", path);
    }
}

void CEditObject::WriteObject(const ObjectArray& DataToWrite, const std::int32_t& ObjectType) {
    if (ObjectType < 0 || ObjectType >= kKindCount) return;
    try {
        WriteRecord(ObjectType, DataToWrite);
    } catch (const Error& e) {
        throw e.withSource("CEditObject::WriteObject");
    } catch (const std::bad_alloc&) {
        throw detail::PlatformError(kErrOutOfMemory, "CEditObject::WriteObject");
    }
}

void CEditObject::WriteObjectChecked(const ObjectArray& DataToWrite, const std::int32_t& ObjectType,
                                     const std::string& ExpectedStamp, bool NewRecord) {
    if (ObjectType < 0 || ObjectType >= kKindCount) return;
    try {
        WriteRecord(ObjectType, DataToWrite, &ExpectedStamp, NewRecord);
    } catch (const Error& e) {
        throw e.withSource("CEditObject::WriteObject");
    }
}

std::string CEditObject::FileStamp(const std::int32_t& ObjectType,
                                   const std::string& ShortName) const {
    if (ObjectType < 0 || ObjectType >= kKindCount) return {};
    std::string path;
    if (ObjectType == kSpell) {
        try {
            path = SpellFile(ShortName, "CEditObject::FileStamp");
        } catch (const Error&) {
            return {};
        }
    } else {
        if (!detail::IsSafeShortName(ShortName)) return {};
        path = FileInFolder(KindPath(ObjectType), ShortName + LayoutOf(ObjectType).extension);
    }
    const auto hit = stamps_.find(path);
    return hit == stamps_.end() ? std::string() : hit->second;
}

void CEditObject::Delete(const std::int32_t& WhichType, const std::string& ShortName) {
    if (WhichType < 0 || WhichType >= kKindCount) return;
    try {
        if (WhichType == kSpell) {
            const std::string spellFile = SpellFile(ShortName, "CEditObject::Delete");
            CFile::CheckKillable(spellFile);
            KeepInHistory(
                spellFile, "delete", kSpell,
                platform::FileNameText(platform::Utf8Path(platform::FsPath(spellFile).stem())));
            file_.KillFile(spellFile);
            return;
        }
        RefuseShortName(ShortName, "CEditObject::Delete");
        const std::string& folder = KindPath(WhichType);
        std::vector<std::string> files = {ShortName + LayoutOf(WhichType).extension};
        if (WhichType == kArmy || WhichType == kSite) files.push_back(ShortName + ".PCX");
        if (WhichType == kHero) {
            files.push_back(ShortName + "f.PCX");
            files.push_back(ShortName + "m.PCX");
        }
        // A file that may not be deleted stops the deletion before any file goes.
        for (const std::string& name : files) CFile::CheckKillable(FileInFolder(folder, name));
        // The object's files are one entry of the history, restored together.
        const HistoryOperation operation(installPath_, "delete", messages_);
        for (const std::string& name : files) {
            const std::string path = FileInFolder(folder, name);
            KeepInHistory(path, "delete", WhichType, ShortName);
            file_.KillFile(path);
        }
    } catch (const Error& e) {
        throw e.withSource("CEditObject::Delete");
    }
}

std::string CEditObject::TemplatePath(const char* name) const {
    return FileInFolder(picsPath_, name);
}

void CEditObject::CopyPictureTemplate(const std::int32_t& PictureType,
                                      const std::string& FileName) {
    if (PictureType < kArmyPicture || PictureType > kSitePicture) return;
    RefuseShortName(FileName, "CEditObject::CopyPictureTemplate");
    // A picture the template replaces is kept in the history first; a hero's two pictures are
    // one entry of the history.
    const HistoryOperation operation(installPath_, "template", messages_);
    const auto place = [&](const char* templateName, int kind, const std::string& target) {
        const std::string path = FileInFolder(KindPath(kind), target);
        KeepInHistory(path, "template", kind, FileName);
        file_.CopyFile(TemplatePath(templateName), path);
    };
    switch (PictureType) {
        case kArmyPicture:
            place(kArmyTemplate, kArmy, FileName + ".PCX");
            break;
        case kHeroPicture:
            place(kArmyTemplate, kHero, FileName + "m.PCX");
            place(kArmyTemplate, kHero, FileName + "f.PCX");
            break;
        case kSitePicture:
            place(kSiteTemplate, kSite, FileName + ".PCX");
            break;
    }
}

}  // namespace b3
