// Registering an installation folder in the game's registry value without losing the value it
// replaces: every replaced value is recorded beside the histories, and unregistering puts the
// newest one back.
#include "b3/registration.h"

#include <algorithm>
#include <chrono>
#include <filesystem>

#include "b3/edit_object.h"
#include "b3/history.h"
#include "platform/files.h"
#include "platform/native_path.h"
#include "platform/registry.h"
#include "server_internal.h"

namespace b3 {

namespace fs = std::filesystem;

using detail::Escape;
using detail::SplitTabs;

namespace {

constexpr const char* kRegistrationsName = "registrations.tsv";
constexpr const char* kRegistrationsHeader = "# b3tools registrations 1";
constexpr const char* kNoFolderValue = "a value that names no folder";

struct RegistrationRecord {
    std::int64_t time = 0;
    std::string folder;
    std::vector<platform::SavedMachineValue> replaced;
};

// Whether two folders are one, as the platform compares paths.
bool SameFolder(const std::string& a, const std::string& b) {
    std::string x = platform::FolderFromValue(a);
    std::string y = platform::FolderFromValue(b);
#ifdef _WIN32
    for (std::string* s : {&x, &y}) std::replace(s->begin(), s->end(), '/', '\\');
#endif
    return platform::PathCaseFolded(x) == platform::PathCaseFolded(y);
}

std::vector<RegistrationRecord> ReadRegistrations(const std::string& file) {
    std::vector<RegistrationRecord> records;
    std::string text;
    std::error_code ec;
    if (!platform::ReadFileBytes(file, text, ec)) return records;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '#') continue;
        const auto parts = SplitTabs(line);
        if (parts.size() < 2) continue;
        RegistrationRecord r;
        r.time = std::strtoll(parts[0].c_str(), nullptr, 10);
        r.folder = parts[1];
        bool readable = true;
        for (std::size_t i = 2; i < parts.size(); ++i) {
            auto saved = platform::DecodeSavedValue(parts[i]);
            if (!saved) {
                readable = false;
                break;
            }
            r.replaced.push_back(std::move(*saved));
        }
        if (readable) records.push_back(std::move(r));
    }
    return records;
}

void WriteRegistrations(const std::string& file, const std::vector<RegistrationRecord>& records,
                        const char* source) {
    std::string text = std::string(kRegistrationsHeader) + "\n";
    for (const RegistrationRecord& r : records) {
        text += std::to_string(r.time) + '\t' + Escape(r.folder);
        for (const auto& saved : r.replaced) text += '\t' + platform::EncodeSavedValue(saved);
        text += '\n';
    }
    std::error_code ec;
    fs::create_directories(platform::FsPath(file).parent_path(), ec);
    if (!platform::ReplaceFileContents(file, text, ec)) throw detail::FileError(ec, source, file);
}

[[noreturn]] void ThrowStoreError(const std::error_code& ec, const char* source,
                                  const std::string& what) {
    throw Error(kErrPermissionDenied, source,
                "The installation folder cannot be changed in " + what + ": " + ec.message() +
                    "; nothing was changed.");
}

}  // namespace

std::string RegistrationRecordPath(const std::string& historyRoot) {
    return platform::JoinPath(historyRoot, kRegistrationsName);
}

RegistrationCheck CheckRegistration(const std::string& folder) {
    constexpr const char* kSource = "CheckRegistration";
    std::error_code ec;
    fs::path full = fs::absolute(platform::FsPath(folder), ec);
    if (ec) {
        throw Error(kErrNotAnInstallation, kSource,
                    "The folder " + folder + " cannot be made absolute: " + ec.message() + ".");
    }
    RegistrationCheck check;
    check.folder = platform::FolderFromValue(platform::Utf8Path(full.lexically_normal()));
    if (!platform::IsDirectory(check.folder)) {
        throw Error(kErrNotAnInstallation, kSource,
                    "The folder " + check.folder +
                        " does not exist; nothing was registered. Give the folder the game is "
                        "installed in, the one that holds its Army, Hero, Items, Sites and Spell "
                        "folders.");
    }
    bool anyKind = false;
    for (const char* kind : {"Items", "Army", "Hero", "Sites", "Spell"}) {
        anyKind = anyKind || platform::IsDirectory(platform::JoinPath(
                                 check.folder, platform::FindEntryIgnoreCase(check.folder, kind)));
    }
    if (!anyKind) {
        throw Error(kErrNotAnInstallation, kSource,
                    "The folder " + check.folder +
                        " holds none of the game's folders Army, Hero, Items, Sites and Spell; "
                        "nothing was registered. Give the folder the game is installed in.");
    }

    // Any value at a place the registration would write that is not this folder, and the folder
    // the lookup finds first (a Wine prefix's, say, that a stored folder would hide).
    const auto places = platform::SnapshotMachineValue(kInstallKey, kInstallValue, ec);
    if (ec) {
        throw Error(kErrPermissionDenied, kSource,
                    "The registered installation folder cannot be read from " +
                        platform::MachineValueStoreName() + ": " + ec.message() + ".");
    }
    for (const auto& saved : places) {
        if (!saved.valueExisted) continue;
        if (saved.folder && SameFolder(*saved.folder, check.folder)) continue;
        check.registered = saved.folder ? *saved.folder : std::string(kNoFolderValue);
        check.registeredWhere = platform::DescribeSavedPlace(saved, kInstallKey);
        return check;
    }
    if (const auto hit = platform::LookupMachineValue(kInstallKey, kInstallValue)) {
        if (!SameFolder(hit->folder, check.folder)) {
            check.registered = hit->folder;
            check.registeredWhere = hit->source;
            return check;
        }
        check.alreadyRegistered = true;
    }
    return check;
}

RegistrationResult RegisterInstallation(const std::string& folder, bool replace,
                                        const std::string& historyRoot) {
    constexpr const char* kSource = "RegisterInstallation";
    const RegistrationCheck check = CheckRegistration(folder);
    RegistrationResult result;
    result.folder = check.folder;
    if (check.alreadyRegistered) return result;
    if (check.registered && !replace) {
        throw Error(kErrRegistrationConflict, kSource,
                    "The game's installation folder is registered as " + *check.registered +
                        " (in " + check.registeredWhere + "); nothing was changed.");
    }
    result.replaced = check.registered;

    std::error_code ec;
    RegistrationRecord record;
    record.time = std::chrono::duration_cast<std::chrono::seconds>(
                      std::chrono::system_clock::now().time_since_epoch())
                      .count();
    record.folder = check.folder;
    record.replaced = platform::SnapshotMachineValue(kInstallKey, kInstallValue, ec);
    if (ec) ThrowStoreError(ec, kSource, platform::MachineValueStoreName());

    // The values it replaces are kept before anything is written.
    const std::string file = RegistrationRecordPath(historyRoot);
    std::vector<RegistrationRecord> records = ReadRegistrations(file);
    const std::vector<RegistrationRecord> before = records;
    records.push_back(record);
    WriteRegistrations(file, records, kSource);

    const auto where = platform::StoreMachineValue(kInstallKey, kInstallValue, check.folder, ec);
    if (!where) {
        try {
            WriteRegistrations(file, before, kSource);
        } catch (const Error&) {
            // The record of a change that did not happen only makes unregister refuse.
        }
        ThrowStoreError(ec, kSource, platform::MachineValueStoreName());
    }
    result.where = *where;
    result.changed = true;
    return result;
}

UnregistrationResult UnregisterInstallation(const std::string& historyRoot) {
    constexpr const char* kSource = "UnregisterInstallation";
    const std::string file = RegistrationRecordPath(historyRoot);
    std::vector<RegistrationRecord> records = ReadRegistrations(file);
    if (records.empty()) {
        throw Error(kErrNothingToUnregister, kSource,
                    "No registration of an installation folder is recorded in " + file +
                        "; nothing was changed.");
    }
    const RegistrationRecord record = records.back();
    // Every place must still hold the registered folder: a value someone changed since (the
    // game's installer, say) is not overwritten.
    for (const auto& saved : record.replaced) {
        std::error_code ec;
        const auto now = platform::CurrentValueAt(saved, kInstallKey, kInstallValue, ec);
        if (!now) ThrowStoreError(ec, kSource, platform::DescribeSavedPlace(saved, kInstallKey));
        const bool ours =
            now->valueExisted && now->folder && SameFolder(*now->folder, record.folder);
        if (!ours) {
            throw Error(kErrRegistrationConflict, kSource,
                        "The installation folder in " +
                            platform::DescribeSavedPlace(saved, kInstallKey) + " is " +
                            (now->valueExisted ? (now->folder ? *now->folder : kNoFolderValue)
                                               : std::string("gone")) +
                            " now, not " + record.folder +
                            " as registered; it was changed since, so nothing was changed.");
        }
    }
    UnregistrationResult result;
    result.folder = record.folder;
    for (auto it = record.replaced.rbegin(); it != record.replaced.rend(); ++it) {
        std::error_code ec;
        if (!platform::RestoreMachineValue(*it, kInstallKey, kInstallValue, ec))
            ThrowStoreError(ec, kSource, platform::DescribeSavedPlace(*it, kInstallKey));
    }
    if (!record.replaced.empty()) {
        const auto& first = record.replaced.front();
        result.where = platform::DescribeSavedPlace(first, kInstallKey);
        if (first.valueExisted) result.restored = first.folder ? *first.folder : kNoFolderValue;
    }
    records.pop_back();
    WriteRegistrations(file, records, kSource);
    return result;
}

}  // namespace b3
