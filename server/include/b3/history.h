// The history store: before the suite replaces or deletes a file of an installation (a definition
// file, a picture, a site's text), the file's previous bytes are kept in a per-user store, so that
// any version can be put back. Keeping a version never stops the change itself.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "b3/message_sink.h"
#include "b3edtsvr_export.h"

namespace b3 {

// A kept version that is damaged (shorter, longer or other bytes than were kept) or whose index
// line names a place outside the installation's kind folders: it is never restored.
inline constexpr std::int32_t kErrDamagedVersion =
    static_cast<std::int32_t>(0x80040000u) + 1525;  // -2147219979

// One kept version of one file.
struct HistoryEntry {
    std::string id;         // stable, unique in the installation's history
    std::int64_t time = 0;  // when it was kept, seconds since 1970 (UTC)
    std::string operation;  // "save", "delete", "template", "picture", "restore", "import", ...
    int kind = -1;          // 0 item ... 4 spell
    std::string name;       // the object's short name
    std::string file;       // the file, relative to the installation folder ('/' separated)
    std::uint64_t size = 0;
    std::string hash;         // of the kept bytes (16 hex digits); empty in older histories
    std::string operationId;  // the operation that kept it; the id itself in older histories
};

// One operation (a save, a delete, an import of many objects, a template copy, a restore) and
// every file version it kept, in the order it kept them. Its id is that of its first file.
struct HistoryOperationEntry {
    std::string id;
    std::int64_t time = 0;
    std::string operation;
    int kind = -1;     // that of its files; -1 when they belong to several kinds
    std::string name;  // that of its files; empty when they belong to several objects
    std::vector<HistoryEntry> files;
};

class B3EDTSVR_EXPORT HistoryStore {
public:
    static constexpr std::uint64_t kDefaultCap = 256ull * 1024 * 1024;

    // The history of the installation in `installFolder`, kept under `root` (by default the
    // user's store, see DefaultRoot) and holding at most `capBytes` of kept bytes (oldest
    // versions are dropped first). What the store has to tell the user (index lines it leaves
    // out) goes to `messages`, standard error when it is empty.
    explicit HistoryStore(std::string installFolder, std::uint64_t capBytes = kDefaultCap,
                          std::string root = DefaultRoot(), MessageSink messages = {});
    HistoryStore(std::string installFolder, MessageSink messages);

    // $XDG_DATA_HOME/b3tools/history (default ~/.local/share/...); on Windows
    // %LOCALAPPDATA%\B3Tools\history.
    static std::string DefaultRoot();

    const std::string& installFolder() const { return install_; }
    // This installation's folder inside the store.
    const std::string& folder() const { return folder_; }
    const MessageSink& messageSink() const { return messages_; }

    // Keeps the current bytes of `path` (a file of the installation, inside one of its kind
    // folders) before it is replaced or deleted; nothing when it does not exist. The version
    // joins the HistoryOperation open on this thread for this installation, if any; otherwise it
    // is an operation of its own. Safe between processes: the index is changed under a lock.
    // Returns what went wrong, empty on success.
    std::string Keep(const std::string& path, const std::string& operation, int kind,
                     const std::string& name);

    // Every kept version, newest first; with a kind (>= 0) and name only that object's
    // (the name compared without regard to letter case). Index lines that name a place outside
    // the installation's kind folders are left out; the user is told of them once in a run.
    std::vector<HistoryEntry> List(int kind = -1, const std::string& name = {}) const;
    // Every operation, newest first, with all its files; with a kind and name only the
    // operations that kept a file of that object.
    std::vector<HistoryOperationEntry> Operations(int kind = -1,
                                                  const std::string& name = {}) const;
    std::optional<HistoryEntry> Find(const std::string& id) const;
    // The bytes of a version; nothing when they are gone or damaged.
    std::optional<std::string> Bytes(const std::string& id) const;
    // The full path of a version's file in the installation.
    std::string TargetPath(const HistoryEntry& entry) const;

    // Puts versions back in place: every file of the operation `id` names (or the one file when
    // `id` names a file's version), only `file` of it when that is not empty (relative to the
    // installation, compared without regard to letter case). Every version is checked (its
    // place, size and hash) before any file is written; the files it replaces are kept first, as
    // one operation "restore", and a failure to keep them is returned in `warning`. Fails with
    // b3::Error: kErrNoSuchVersion for an unknown id or file, kErrDamagedVersion for a version
    // that cannot be trusted, a file error when a file cannot be written.
    std::vector<HistoryEntry> RestoreFiles(const std::string& id, const std::string& file = {},
                                           std::string* warning = nullptr);
    // The same for the whole of `id`; returns its first file.
    HistoryEntry Restore(const std::string& id, std::string* warning = nullptr);

    // Takes the operation `id` out of the history (its index lines and kept bytes): the change
    // it was kept for failed and left every file as it was. Returns what went wrong, empty on
    // success.
    std::string Forget(const std::string& id);

private:
    // Index files with lines the history leaves out, and how many, to be told to the user.
    using SkippedLines = std::map<std::string, std::size_t>;

    // The index's entries; the lines it leaves out are told of at once.
    std::vector<HistoryEntry> ReadIndex() const;
    std::string KeepLocked(const std::string& path, const std::string& operation, int kind,
                           const std::string& name, SkippedLines& skipped);
    std::vector<HistoryEntry> RestoreChange(const std::vector<HistoryEntry>& chosen,
                                            const std::vector<std::string>& bytes);
    std::string VersionPath(const std::string& id) const;
    std::optional<std::string> CheckedBytes(const HistoryEntry& entry, std::string* why) const;

    std::string install_;
    std::uint64_t cap_;
    std::string folder_;
    MessageSink messages_;
};

// One operation in the history: every file kept while it is open, on this thread and for this
// installation, is one entry of the history, restored in one step. Operations opened inside an
// open one of the same installation join it. Open one around every change of several files
// (a delete, an import, a template copy); a file kept with none open is an operation of its own.
class B3EDTSVR_EXPORT HistoryOperation {
public:
    // What the operation has to tell the user goes to `messages` (the store's own for the
    // second form), standard error when it is empty.
    HistoryOperation(const std::string& installFolder, std::string operation,
                     MessageSink messages = {});
    HistoryOperation(const HistoryStore& store, std::string operation);
    ~HistoryOperation();
    HistoryOperation(const HistoryOperation&) = delete;
    HistoryOperation& operator=(const HistoryOperation&) = delete;

    // The operation's id once a file has been kept; empty before.
    std::string id() const;

    // Takes every version kept in this operation out of the history again, for a change that
    // failed and left the files as they were. Nothing for an operation that joined an outer one:
    // the outer one decides.
    void Forget();

    struct State;

private:
    State* state_ = nullptr;  // null when this one joined an outer operation
};

// Keeps `path` in the history of `installFolder` before it is changed; a failure is shown
// through `messages` (standard error when it is empty) and the change goes on.
B3EDTSVR_EXPORT void KeepBeforeChange(const std::string& installFolder, const std::string& path,
                                      const std::string& operation, int kind,
                                      const std::string& name, const MessageSink& messages = {});

// A file's identity as read: its size, modification time and a hash of its first `limit` bytes
// (all when 0). Empty when the file does not exist.
B3EDTSVR_EXPORT std::string StampFile(const std::string& path, std::size_t limit = 0);

// The same stamp from `head`, the first `limit` bytes of `path` that the caller has just read,
// so that a file that is read anyway is not read a second time.
std::string StampOfRead(const std::string& path, std::string_view head);

// A version's time as ISO 8601 in UTC: "2026-12-07T19:05:12Z".
B3EDTSVR_EXPORT std::string HistoryTimeText(std::int64_t seconds);

// "item", "army", "hero", "site", "spell"; "" for other codes.
B3EDTSVR_EXPORT const char* KindWord(int kind);
// The kind of a word or of a code "0" to "4"; -1 for anything else.
B3EDTSVR_EXPORT int KindFromWord(const std::string& word);

}  // namespace b3
