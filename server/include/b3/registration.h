// Registering the game's installation folder without losing the value that was there: the folder
// must be an installation of the game, another folder already registered is replaced only when
// asked, and the value replaced is kept in the history so that unregistering puts it back as it
// was (or removes the value, and the key made for it, when there was none).
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "b3/edit_object.h"
#include "b3/history.h"
#include "b3edtsvr_export.h"

namespace b3 {

// Another folder is registered (or the value holds no folder) and replacing it was not asked for;
// an unregistration finds the value changed since by someone else.
inline constexpr std::int32_t kErrRegistrationConflict = kComponentErrorBase + 1522;
// The folder does not exist or holds none of the game's kind folders.
inline constexpr std::int32_t kErrNotAnInstallation = kComponentErrorBase + 1523;
// No registration is recorded that could be undone.
inline constexpr std::int32_t kErrNothingToUnregister = kComponentErrorBase + 1524;

struct RegistrationCheck {
    // The folder as it is stored: absolute, clean, without a trailing separator.
    std::string folder;
    // The folder registered now when it is another one ("a value that names no folder" for a
    // number and the like), and where it was found.
    std::optional<std::string> registered;
    std::string registeredWhere;
    // Whether `folder` is registered already, so that nothing needs to be written.
    bool alreadyRegistered = false;
};

// Checks `folder` (UTF-8, relative to the working folder when not absolute) for registering: it
// must exist and hold at least one of the kind folders (else kErrNotAnInstallation). Reads only.
B3EDTSVR_EXPORT RegistrationCheck CheckRegistration(const std::string& folder);

struct RegistrationResult {
    std::string folder;
    std::string where;     // where the value went, in words; empty when nothing was written
    bool changed = false;  // false when the folder was registered already
    std::optional<std::string> replaced;  // the folder it replaced, if any
};

// Stores `folder` as the game's installation folder where the lookup reads it first. Refuses
// with kErrRegistrationConflict, changing nothing, when another folder is registered and
// `replace` is false. Whatever it replaces is recorded under `historyRoot` first.
B3EDTSVR_EXPORT RegistrationResult
RegisterInstallation(const std::string& folder, bool replace,
                     const std::string& historyRoot = HistoryStore::DefaultRoot());

struct UnregistrationResult {
    std::string folder;                   // the folder that was registered
    std::optional<std::string> restored;  // the folder put back; nothing when the value was removed
    std::string where;                    // where, in words
};

// Undoes the last registration recorded under `historyRoot`: every value it replaced is put back
// byte for byte with its type, a value it added is removed with the keys made for it. Refuses
// (kErrRegistrationConflict) when the value was changed since by someone else, and fails with
// kErrNothingToUnregister when no registration is recorded.
B3EDTSVR_EXPORT UnregistrationResult
UnregisterInstallation(const std::string& historyRoot = HistoryStore::DefaultRoot());

// The file under `historyRoot` that records the registrations.
B3EDTSVR_EXPORT std::string RegistrationRecordPath(
    const std::string& historyRoot = HistoryStore::DefaultRoot());

}  // namespace b3
