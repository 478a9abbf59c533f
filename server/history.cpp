// The history store: kept versions as plain files plus one tab-separated index per installation.
#include "b3/history.h"

#include <algorithm>
#include <charconv>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <map>
#include <mutex>
#include <set>
#include <sstream>

#include "b3/edit_object.h"
#include "b3/file_transaction.h"
#include "platform/files.h"
#include "platform/hash.h"
#include "platform/native_path.h"
#include "platform/registry.h"
#include "platform/text1252.h"
#include "server_internal.h"

namespace b3 {

namespace fs = std::filesystem;

struct HistoryOperation::State {
    std::string folder;     // the history's folder: operations of one history join
    std::string operation;  // what every file kept in it is listed as
    std::string id;         // given when its first file is kept
    int files = 0;
    MessageSink messages;  // where what Forget finds is told
};

namespace {

constexpr const char* kIndexName = "index.tsv";
// Version 2 adds each line's hash and operation; older programs read its first seven fields.
constexpr const char* kIndexHeader = "# b3tools history 2";
// Held while the index is read, changed and written back, by every process and thread.
constexpr const char* kLockName = "index.lock";

using detail::Escape;
using detail::SplitTabs;

// Index files with lines that the history leaves out, and how many: gathered while an index is
// read (under the history's lock) and told to the user afterwards.
using SkippedLines = std::map<std::string, std::size_t>;

// The index files already told of. Each index is told of once in a run, however often it is read
// and by whichever store: the editor, say, reads the index through a store of its own for every
// file it keeps.
std::mutex g_skippedMutex;
std::set<std::string> g_skippedTold;

void NoteSkippedLines(const std::string& index, std::size_t count, SkippedLines& skipped) {
    if (count == 0) return;
    const std::lock_guard lock(g_skippedMutex);
    if (g_skippedTold.insert(index).second) skipped[index] = count;
}

// Tells of the index lines that a read left out. Called where no lock of the history is held:
// the host may show the message and wait for the user.
void TellSkippedLines(const SkippedLines& skipped, const MessageSink& messages) {
    for (const auto& [index, count] : skipped) {
        detail::ShowMessage(
            messages,
            "The history index " + index + " has " + std::to_string(count) +
                (count == 1 ? " line" : " lines") +
                " that cannot be read or that name a place outside the installation's kind folders "
                "(a damaged or hand-edited index). The history leaves " +
                (count == 1 ? "it" : "them") +
                " out: the versions they stand for are not listed and cannot be restored.");
    }
}

// A version's id names a file of the versions folder: letters, digits, '-', '_' and '.', not
// starting with a dot.
bool SafeId(const std::string& id) {
    if (id.empty() || id.size() > 80 || id[0] == '.') return false;
    return std::all_of(id.begin(), id.end(), [](char c) {
        return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
               c == '-' || c == '_' || c == '.';
    });
}

// A file the history may keep and restore: "KINDFOLDER/NAME" (a kind folder of the
// installation in any letter case, a plain file name in it) or the journal of a change.
bool InsideKindFolder(const std::string& file) {
    if (file == kJournalName) return true;
    const auto slash = file.find('/');
    if (slash == std::string::npos) return false;
    const std::string folder = platform::AsciiUpper(file.substr(0, slash));
    const std::string name = file.substr(slash + 1);
    const bool kindFolder = folder == "ITEMS" || folder == "ARMY" || folder == "HERO" ||
                            folder == "SITES" || folder == "SPELL";
    if (!kindFolder || name.empty() || name == "." || name == "..") return false;
    return std::none_of(name.begin(), name.end(), [](char c) {
        return c == '/' || c == '\\' || c == ':' || static_cast<unsigned char>(c) < 0x20;
    });
}

// Whether an index line may be acted upon: its id names a file of the versions folder and its
// file a place inside the installation's kind folders. Other lines (a hand-edited index) are
// kept in the index as they are, but never listed, restored or pruned.
bool Trusted(const HistoryEntry& e) {
    return SafeId(e.id) && SafeId(e.operationId) && InsideKindFolder(e.file);
}

std::string IndexLine(const HistoryEntry& e) {
    return Escape(e.id) + '\t' + std::to_string(e.time) + '\t' + Escape(e.operation) + '\t' +
           KindWord(e.kind) + '\t' + Escape(e.name) + '\t' + Escape(e.file) + '\t' +
           std::to_string(e.size) + '\t' + Escape(e.hash) + '\t' + Escape(e.operationId) + '\n';
}

// The open operations of this thread, innermost last.
thread_local std::vector<HistoryOperation::State*> t_operations;

std::string UtcText(std::int64_t seconds, const char* format) {
    const std::time_t t = static_cast<std::time_t>(seconds);
    std::tm tm{};
#ifdef _WIN32
    gmtime_s(&tm, &t);
#else
    gmtime_r(&t, &tm);
#endif
    char buffer[32];
    std::strftime(buffer, sizeof buffer, format, &tm);
    return buffer;
}

// A path as UTF-8 text with `/` between its parts, on every platform.
std::string GenericText(const fs::path& path) {
    std::string text = platform::Utf8Path(path);
#ifdef _WIN32
    std::replace(text.begin(), text.end(), '\\', '/');
#endif
    return text;
}

// The installation's own folder in the store: a readable part of its name and a hash of its
// full path, so that two installations never share a history. On Windows, where a path names the
// same folder in any letter case, the path is case-folded first (as the file system folds it), so
// that "C:\\Games\\B3" and "c:\\games\\b3" share one history; `legacy` receives the name
// that the path had before folding, under which an older history may lie.
std::string StoreFolderName(const std::string& install, std::string* legacy = nullptr) {
    std::error_code ec;
    fs::path full = fs::absolute(platform::FsPath(install), ec).lexically_normal();
    std::string text = GenericText(full);
    while (text.size() > 1 && text.back() == '/') text.pop_back();
    auto name = [](const std::string& path) {
        const std::string base = platform::Utf8Path(platform::FsPath(path).filename());
        std::string readable;
        for (char c : base) {
            const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                               (c >= '0' && c <= '9') || c == '-' || c == '_';
            if (readable.size() < 32) readable += plain ? c : '_';
        }
        if (readable.empty()) readable = "game";
        return readable + "-" + platform::Fnv1aHex(path);
    };
    if (legacy) *legacy = name(text);
    return name(platform::PathCaseFolded(text));
}

std::vector<HistoryEntry> ReadIndexAt(const std::string& folder, SkippedLines& skipped,
                                      std::vector<std::string>* unreadable = nullptr);
bool WriteIndexAt(const std::string& folder, const std::vector<HistoryEntry>& entries,
                  const std::vector<std::string>& unreadable, std::string& problem);

// Makes the history kept under the folder's name before case folding part of the one under its
// folded name: renamed when there is none yet, else its versions and index lines moved over.
void AdoptLegacyHistory(const std::string& legacy, const std::string& folder,
                        SkippedLines& skipped) {
    if (legacy == folder || !platform::IsDirectory(legacy)) return;
    std::error_code ec;
    if (!platform::IsDirectory(folder)) {
        fs::rename(platform::FsPath(legacy), platform::FsPath(folder), ec);
        if (!ec) return;
    }
    std::vector<HistoryEntry> entries = ReadIndexAt(folder, skipped);
    fs::create_directories(platform::FsPath(folder) / "versions", ec);
    if (ec) return;
    for (HistoryEntry e : ReadIndexAt(legacy, skipped)) {
        if (!Trusted(e)) continue;
        const fs::path from = platform::FsPath(legacy) / "versions" / platform::FsPath(e.id);
        std::string id = e.id;
        for (int n = 2; std::any_of(entries.begin(), entries.end(),
                                    [&](const HistoryEntry& x) { return x.id == id; });
             ++n)
            id = e.id + "-" + std::to_string(n);
        fs::rename(from, platform::FsPath(folder) / "versions" / platform::FsPath(id), ec);
        if (ec) return;  // what is left stays where it was
        if (e.operationId == e.id) e.operationId = id;
        e.id = id;
        entries.push_back(std::move(e));
    }
    std::stable_sort(entries.begin(), entries.end(),
                     [](const HistoryEntry& a, const HistoryEntry& b) { return a.time < b.time; });
    std::string text = std::string(kIndexHeader) + "\n";
    for (const HistoryEntry& e : entries) text += IndexLine(e);
    if (!platform::ReplaceFileContents(platform::JoinPath(folder, kIndexName), text, ec)) return;
    fs::remove_all(platform::FsPath(legacy), ec);
}

std::string RelativeTo(const std::string& install, const std::string& path) {
    const fs::path rel = platform::FsPath(path).lexically_relative(platform::FsPath(install));
    const std::string text = GenericText(rel);
    if (text.empty() || text.rfind("..", 0) == 0) return GenericText(platform::FsPath(path));
    return text;
}

}  // namespace

std::string HistoryTimeText(std::int64_t seconds) {
    return UtcText(seconds, "%Y-%m-%dT%H:%M:%SZ");
}

const char* KindWord(int kind) {
    static const char* const words[] = {"item", "army", "hero", "site", "spell"};
    return kind >= 0 && kind < kKindCount ? words[kind] : "";
}

int KindFromWord(const std::string& word) {
    for (int k = 0; k < kKindCount; ++k) {
        if (word == KindWord(k) || word == std::to_string(k)) return k;
    }
    return -1;
}

std::string StampOfRead(const std::string& path, std::string_view head) {
    std::error_code ec;
    const fs::path file = platform::FsPath(path);
    const auto status = fs::status(file, ec);
    if (ec || !fs::is_regular_file(status)) return {};
    const auto size = fs::file_size(file, ec);
    const auto time = fs::last_write_time(file, ec);
    return std::to_string(size) + ":" + std::to_string(time.time_since_epoch().count()) + ":" +
           platform::Fnv1aHex(head);
}

std::string StampFile(const std::string& path, std::size_t limit) {
    std::error_code ec;
    std::string bytes;
    platform::ReadFileBytes(path, bytes, ec, limit);
    return StampOfRead(path, bytes);
}

// ---------------------------------------------------------------------------------------------

std::string HistoryStore::DefaultRoot() {
#ifdef _WIN32
    return platform::UserDataFolder() + "\\B3Tools\\history";
#else
    return platform::UserDataFolder() + "/b3tools/history";
#endif
}

namespace {

// Takes over the histories kept before the folder name was case-folded: the one under the
// unfolded name and those under other spellings of the folder (each says in its installation.txt
// which folder it belongs to). A store is made for every kept file, so the histories' folder is
// looked through again only when its list of folders has changed since the last look.
void AdoptOlderHistories(const std::string& root, const std::string& name,
                         const std::string& legacy, const std::string& folder,
                         SkippedLines& skipped) {
    static std::mutex mutex;
    static std::map<std::string, fs::file_time_type> looked;
    std::error_code timeError;
    const auto changed = fs::last_write_time(platform::FsPath(root), timeError);
    if (!timeError) {
        const std::lock_guard<std::mutex> lock(mutex);
        const auto at = looked.find(folder);
        if (at != looked.end() && at->second == changed) return;
    }
    AdoptLegacyHistory(platform::JoinPath(root, legacy), folder, skipped);
    std::error_code ec;
    std::vector<std::string> others;
    for (const auto& entry : fs::directory_iterator(platform::FsPath(root), ec)) {
        const std::string other = platform::Utf8Path(entry.path());
        std::string about;
        std::error_code readError;
        if (platform::Utf8Path(entry.path().filename()) == name ||
            !platform::ReadFileBytes(platform::JoinPath(other, "installation.txt"), about,
                                     readError, 4096))
            continue;
        while (!about.empty() && (about.back() == '\n' || about.back() == '\r')) about.pop_back();
        if (StoreFolderName(about) == name) others.push_back(other);
    }
    for (const std::string& other : others) AdoptLegacyHistory(other, folder, skipped);
    // As the folder stood before this look: a folder added meanwhile, or removed by the
    // adoption, brings one more look.
    if (!timeError) {
        const std::lock_guard<std::mutex> lock(mutex);
        looked[folder] = changed;
    }
}

}  // namespace

HistoryStore::HistoryStore(std::string installFolder, std::uint64_t capBytes, std::string root,
                           MessageSink messages)
    : install_(std::move(installFolder)), cap_(capBytes), messages_(std::move(messages)) {
    std::string legacy;
    const std::string name = StoreFolderName(install_, &legacy);
    folder_ = platform::JoinPath(root, name);
    if (legacy != name) {
        SkippedLines skipped;
        AdoptOlderHistories(root, name, legacy, folder_, skipped);
        TellSkippedLines(skipped, messages_);
    }
}

HistoryStore::HistoryStore(std::string installFolder, MessageSink messages)
    : HistoryStore(std::move(installFolder), kDefaultCap, DefaultRoot(), std::move(messages)) {}

std::string HistoryStore::VersionPath(const std::string& id) const {
    return platform::JoinPath(platform::JoinPath(folder_, "versions"), id);
}

std::string HistoryStore::TargetPath(const HistoryEntry& entry) const {
    fs::path file = platform::FsPath(entry.file);
    if (file.is_absolute()) return platform::Utf8Path(file.make_preferred());
    return platform::Utf8Path((platform::FsPath(install_) / file).make_preferred());
}

std::vector<HistoryEntry> HistoryStore::ReadIndex() const {
    SkippedLines skipped;
    std::vector<HistoryEntry> entries = ReadIndexAt(folder_, skipped);
    TellSkippedLines(skipped, messages_);
    return entries;
}

namespace {

// A field of digits alone, as the index writes numbers.
template <typename T>
bool WholeField(const std::string& text, T& out) {
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), out);
    return !text.empty() && ec == std::errc() && end == text.data() + text.size();
}

// The index's entries. Lines that cannot be read go to `unreadable` as they are, so that a
// rewrite of the index keeps them; they and the lines that cannot be trusted are told of once.
std::vector<HistoryEntry> ReadIndexAt(const std::string& folder, SkippedLines& skipped,
                                      std::vector<std::string>* unreadable) {
    std::vector<HistoryEntry> entries;
    std::string text;
    std::error_code ec;
    const std::string index = platform::JoinPath(folder, kIndexName);
    if (!platform::ReadFileBytes(index, text, ec)) return entries;
    std::istringstream in(text);
    std::string line;
    std::size_t leftOut = 0;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty() || line[0] == '#') continue;
        const auto parts = SplitTabs(line);
        HistoryEntry e;
        if (parts.size() < 7 || !WholeField(parts[1], e.time) || !WholeField(parts[6], e.size)) {
            ++leftOut;
            if (unreadable) unreadable->push_back(line);
            continue;
        }
        e.id = parts[0];
        e.operation = parts[2];
        e.kind = KindFromWord(parts[3]);
        e.name = parts[4];
        e.file = parts[5];
        // Lines of older histories are one-file operations without a hash.
        if (parts.size() >= 9) {
            e.hash = parts[7];
            e.operationId = parts[8];
        }
        if (e.operationId.empty()) e.operationId = e.id;
        if (!Trusted(e)) ++leftOut;
        entries.push_back(std::move(e));
    }
    NoteSkippedLines(index, leftOut, skipped);
    return entries;
}

bool WriteIndexAt(const std::string& folder, const std::vector<HistoryEntry>& entries,
                  const std::vector<std::string>& unreadable, std::string& problem) {
    std::string text = std::string(kIndexHeader) + "\n";
    for (const HistoryEntry& e : entries) text += IndexLine(e);
    for (const std::string& line : unreadable) text += line + '\n';
    std::error_code ec;
    if (!platform::ReplaceFileContents(platform::JoinPath(folder, kIndexName), text, ec)) {
        problem = ec.message();
        return false;
    }
    return true;
}

// Takes the operation `id` out of the index of the history in `folder`, with its kept bytes.
std::string ForgetIn(const std::string& folder, const std::string& id, SkippedLines& skipped) {
    std::error_code ec;
    platform::FileLock lock;
    if (!lock.Acquire(platform::JoinPath(folder, kLockName), ec))
        return "cannot lock the history folder " + folder + ": " + ec.message();
    std::vector<std::string> unreadable;
    std::vector<HistoryEntry> entries = ReadIndexAt(folder, skipped, &unreadable);
    std::vector<std::string> gone;
    std::erase_if(entries, [&](const HistoryEntry& e) {
        const bool drop = e.operationId == id && Trusted(e);
        if (drop) gone.push_back(e.id);
        return drop;
    });
    if (gone.empty()) return {};
    std::string problem;
    if (!WriteIndexAt(folder, entries, unreadable, problem))
        return "cannot write the history index in " + folder + ": " + problem;
    for (const std::string& version : gone)
        fs::remove(platform::FsPath(folder) / "versions" / platform::FsPath(version), ec);
    return {};
}

}  // namespace

std::string HistoryStore::Forget(const std::string& id) {
    SkippedLines skipped;
    std::string problem = ForgetIn(folder_, id, skipped);
    TellSkippedLines(skipped, messages_);
    return problem;
}

std::string HistoryStore::Keep(const std::string& path, const std::string& operation, int kind,
                               const std::string& name) {
    SkippedLines skipped;
    std::string problem = KeepLocked(path, operation, kind, name, skipped);
    TellSkippedLines(skipped, messages_);
    return problem;
}

std::string HistoryStore::KeepLocked(const std::string& path, const std::string& operation,
                                     int kind, const std::string& name, SkippedLines& skipped) {
    std::error_code ec;
    if (!platform::IsRegularFile(path)) return {};
    const std::string relative = RelativeTo(install_, path);
    if (!InsideKindFolder(relative))
        return path + " is not a file of the installation's kind folders";
    // A file past the cap would not stay in the store: it is neither read nor copied, so that a
    // huge (sparse) file costs no memory.
    const std::uintmax_t size = fs::file_size(platform::FsPath(path), ec);
    if (!ec && size > cap_) return path + " is larger than the history's limit";
    std::string bytes;
    if (!platform::ReadFileBytes(path, bytes, ec))
        return "cannot read " + path + ": " + ec.message();

    fs::create_directories(platform::FsPath(VersionPath("x")).parent_path(), ec);
    if (ec) return "cannot make the history folder " + folder_ + ": " + ec.message();

    // Everything from reading the index to writing it back happens under the lock, so that two
    // processes (or threads) never take the same id or lose each other's lines.
    platform::FileLock lock;
    if (!lock.Acquire(platform::JoinPath(folder_, kLockName), ec))
        return "cannot lock the history folder " + folder_ + ": " + ec.message();
    {
        // The folder's own name says which installation it belongs to.
        const std::string about = platform::JoinPath(folder_, "installation.txt");
        if (!platform::IsRegularFile(about))
            platform::ReplaceFileContents(about, install_ + "\n", ec);
    }

    // The operation open on this thread for this history, if any.
    HistoryOperation::State* open = nullptr;
    for (auto it = t_operations.rbegin(); it != t_operations.rend(); ++it) {
        if ((*it)->folder == folder_) {
            open = *it;
            break;
        }
    }

    std::vector<std::string> unreadable;
    std::vector<HistoryEntry> entries = ReadIndexAt(folder_, skipped, &unreadable);
    HistoryEntry entry;
    entry.time = std::chrono::duration_cast<std::chrono::seconds>(
                     std::chrono::system_clock::now().time_since_epoch())
                     .count();
    const auto taken = [&](const std::string& id) {
        return platform::IsRegularFile(VersionPath(id)) ||
               std::any_of(entries.begin(), entries.end(), [&](const HistoryEntry& e) {
                   return e.id == id || e.operationId == id;
               });
    };
    if (open && !open->id.empty()) {
        // A further file of the open operation: the operation's id and its number in it.
        do {
            entry.id = open->id + "." + std::to_string(++open->files);
        } while (taken(entry.id));
        entry.operationId = open->id;
    } else {
        // The time to the second and a count within it, past every id of that second still held.
        const std::string stem = UtcText(entry.time, "%Y%m%d-%H%M%S") + "-";
        long next = 1;
        for (const auto& e : entries) {
            if (e.id.rfind(stem, 0) == 0)
                next = std::max(next, std::strtol(e.id.c_str() + stem.size(), nullptr, 10) + 1);
        }
        for (;; ++next) {
            entry.id = stem + std::to_string(next);
            if (!taken(entry.id) && !taken(entry.id + ".2")) break;
        }
        entry.operationId = entry.id;
        if (open) {
            open->id = entry.id;
            open->files = 1;
        }
    }
    entry.operation = open ? open->operation : operation;
    entry.kind = kind;
    entry.name = name;
    entry.file = relative;
    entry.size = bytes.size();
    entry.hash = platform::Fnv1aHex(bytes);

    if (!platform::ReplaceFileContents(VersionPath(entry.id), bytes, ec)) {
        return "cannot write to the history folder " + folder_ + ": " + ec.message();
    }
    entries.push_back(entry);

    // Oldest versions go first until the store fits its cap. Lines that cannot be trusted are
    // left as they are: they name no version file of this store.
    std::uint64_t total = 0;
    for (const auto& e : entries)
        if (Trusted(e)) total += e.size;
    std::string warning;
    std::vector<HistoryEntry> kept;
    for (HistoryEntry& e : entries) {
        if (total > cap_ && Trusted(e)) {
            total -= e.size;
            fs::remove(platform::FsPath(VersionPath(e.id)), ec);
            if (e.id == entry.id) warning = path + " is larger than the history's limit";
            continue;
        }
        kept.push_back(std::move(e));
    }
    std::string problem;
    if (!WriteIndexAt(folder_, kept, unreadable, problem)) {
        fs::remove(platform::FsPath(VersionPath(entry.id)), ec);
        return "cannot write the history index in " + folder_ + ": " + problem;
    }
    return warning;
}

std::vector<HistoryEntry> HistoryStore::List(int kind, const std::string& name) const {
    std::vector<HistoryEntry> entries = ReadIndex();
    std::erase_if(entries, [](const HistoryEntry& e) { return !Trusted(e); });
    std::reverse(entries.begin(), entries.end());
    if (kind < 0) return entries;
    const std::string wanted = detail::UpperName(name);
    std::erase_if(entries, [&](const HistoryEntry& e) {
        return e.kind != kind || (!name.empty() && detail::UpperName(e.name) != wanted);
    });
    return entries;
}

std::vector<HistoryOperationEntry> HistoryStore::Operations(int kind,
                                                            const std::string& name) const {
    std::vector<HistoryOperationEntry> operations;
    std::vector<HistoryEntry> entries = ReadIndex();
    for (HistoryEntry& e : entries) {
        if (!Trusted(e)) continue;
        auto it =
            std::find_if(operations.begin(), operations.end(),
                         [&](const HistoryOperationEntry& o) { return o.id == e.operationId; });
        if (it == operations.end()) {
            HistoryOperationEntry o;
            o.id = e.operationId;
            o.time = e.time;
            o.operation = e.operation;
            o.kind = e.kind;
            o.name = e.name;
            operations.push_back(std::move(o));
            it = operations.end() - 1;
        } else {
            if (it->kind != e.kind) it->kind = -1;
            if (detail::UpperName(it->name) != detail::UpperName(e.name)) it->name.clear();
        }
        it->files.push_back(std::move(e));
    }
    std::reverse(operations.begin(), operations.end());
    if (kind < 0) return operations;
    const std::string wanted = detail::UpperName(name);
    std::erase_if(operations, [&](const HistoryOperationEntry& o) {
        return std::none_of(o.files.begin(), o.files.end(), [&](const HistoryEntry& e) {
            return e.kind == kind && (name.empty() || detail::UpperName(e.name) == wanted);
        });
    });
    return operations;
}

std::optional<HistoryEntry> HistoryStore::Find(const std::string& id) const {
    std::vector<HistoryEntry> entries = ReadIndex();
    for (HistoryEntry& e : entries)
        if (e.id == id && Trusted(e)) return e;
    return std::nullopt;
}

std::optional<std::string> HistoryStore::CheckedBytes(const HistoryEntry& entry,
                                                      std::string* why) const {
    const auto fail = [&](const std::string& text) -> std::optional<std::string> {
        if (why) *why = text;
        return std::nullopt;
    };
    if (!Trusted(entry))
        return fail("its index line names a place outside the installation's kind folders");
    std::string bytes;
    std::error_code ec;
    if (!platform::ReadFileBytes(VersionPath(entry.id), bytes, ec))
        return fail("its kept bytes are gone from " + VersionPath(entry.id));
    if (bytes.size() != entry.size) {
        return fail("it holds " + std::to_string(bytes.size()) + " bytes where " +
                    std::to_string(entry.size) + " were kept");
    }
    if (!entry.hash.empty() && platform::Fnv1aHex(bytes) != entry.hash)
        return fail("its bytes are not those that were kept");
    return bytes;
}

std::optional<std::string> HistoryStore::Bytes(const std::string& id) const {
    const auto entry = Find(id);
    if (!entry) return std::nullopt;
    return CheckedBytes(*entry, nullptr);
}

std::vector<HistoryEntry> HistoryStore::RestoreFiles(const std::string& id, const std::string& file,
                                                     std::string* warning) {
    const char* source = "HistoryStore::Restore";
    // A change of several files that was stopped in the middle is finished first, so that the
    // restore starts from whole files (and never replaces that change's journal).
    RecoverInstallation(install_);
    const std::vector<HistoryEntry> entries = ReadIndex();
    std::vector<HistoryEntry> chosen;
    // An operation's id brings back all of its files; a file's own id that one file.
    for (const HistoryEntry& e : entries)
        if (e.operationId == id) chosen.push_back(e);
    if (chosen.empty()) {
        for (const HistoryEntry& e : entries)
            if (e.id == id) chosen.push_back(e);
    }
    if (!file.empty()) {
        std::string wanted = file;
        std::replace(wanted.begin(), wanted.end(), '\\', '/');
        wanted = platform::AsciiUpper(wanted);
        std::erase_if(
            chosen, [&](const HistoryEntry& e) { return platform::AsciiUpper(e.file) != wanted; });
        if (chosen.empty() && !entries.empty()) {
            throw Error(kErrNoSuchVersion, source,
                        "The version \"" + id + "\" in the history of " + install_ +
                            " holds no file " + file + "; \"b3cli history\" lists its files.");
        }
    }
    if (chosen.empty()) {
        throw Error(kErrNoSuchVersion, source,
                    "The history of " + install_ + " holds no version \"" + id +
                        "\"; \"b3cli history\" lists the versions it holds.");
    }
    // Every version is checked before any file is written: nothing is restored from a damaged
    // or untrusted one.
    std::vector<std::string> bytes;
    for (const HistoryEntry& e : chosen) {
        std::string why;
        auto kept = CheckedBytes(e, &why);
        if (!kept) {
            throw Error(kErrDamagedVersion, source,
                        "The kept version \"" + e.id + "\" of " + e.file + " is damaged (" + why +
                            "); nothing was restored. Choose another version.");
        }
        bytes.push_back(std::move(*kept));
    }
    // A change of several files (an import, a patch) was kept as the journal that undoes it:
    // it comes back as one change again.
    if (std::any_of(chosen.begin(), chosen.end(),
                    [](const HistoryEntry& e) { return e.file == kJournalName; }))
        return RestoreChange(chosen, bytes);

    // What each file holds now, put back should a later file fail.
    std::vector<std::optional<std::string>> present;
    for (const HistoryEntry& e : chosen) {
        const std::string target = TargetPath(e);
        std::string now;
        std::error_code ec;
        if (platform::IsRegularFile(target) && platform::ReadFileBytes(target, now, ec))
            present.emplace_back(std::move(now));
        else
            present.emplace_back();
    }
    HistoryOperation operation(*this, "restore");
    std::string problems;
    for (const HistoryEntry& e : chosen) {
        const std::string problem = Keep(TargetPath(e), "restore", e.kind, e.name);
        if (!problem.empty()) problems += (problems.empty() ? "" : "; ") + problem;
    }
    if (warning) *warning = problems;
    for (std::size_t i = 0; i < chosen.size(); ++i) {
        const std::string target = TargetPath(chosen[i]);
        std::error_code ec;
        if (platform::ReplaceFileContents(target, bytes[i], ec)) continue;
        // Nothing is restored then: the files done so far get their bytes back, and the history
        // does not list a restore that did not happen.
        const Error cause = detail::FileError(ec, source, target);
        const Error failure(cause.number(), cause.source(),
                            cause.description() +
                                "; nothing was restored. Free that place (a folder, a program "
                                "holding the file or its write protection stands in the way) and "
                                "restore again.");
        for (std::size_t j = i; j-- > 0;) {
            std::error_code ignored;
            const std::string done = TargetPath(chosen[j]);
            if (present[j])
                platform::ReplaceFileContents(done, *present[j], ignored);
            else
                fs::remove(platform::FsPath(done), ignored);
        }
        operation.Forget();
        throw failure;
    }
    return chosen;
}

std::vector<HistoryEntry> HistoryStore::RestoreChange(const std::vector<HistoryEntry>& chosen,
                                                      const std::vector<std::string>& bytes) {
    FileTransaction change(install_, "restore", chosen.front().name, messages_);
    for (std::size_t i = 0; i < chosen.size(); ++i) {
        const HistoryEntry& e = chosen[i];
        if (e.file != kJournalName) {
            change.Replace(TargetPath(e), bytes[i], e.kind, e.name);
            continue;
        }
        const auto files = JournalChanges(install_, bytes[i]);
        if (!files) {
            throw Error(kErrDamagedVersion, "HistoryStore::Restore",
                        "The kept version \"" + e.id +
                            "\" is damaged (it is no whole journal of a change); nothing was "
                            "restored. Choose another version.");
        }
        for (const FileChange& f : *files) {
            if (f.bytes && f.keepTail)
                change.ReplaceHead(f.path, *f.bytes, f.kind, f.name);
            else if (f.bytes)
                change.Replace(f.path, *f.bytes, f.kind, f.name);
            else
                change.Remove(f.path, f.kind, f.name);
        }
    }
    // The restore is itself one change in the history, undone in one step; should it fail, every
    // file stays as it was and the history holds no trace of it.
    try {
        change.Commit();
    } catch (const Error& e) {
        throw e.withSource("HistoryStore::Restore");
    }
    return chosen;
}

HistoryEntry HistoryStore::Restore(const std::string& id, std::string* warning) {
    return RestoreFiles(id, {}, warning).front();
}

// ---------------------------------------------------------------------------------------------

HistoryOperation::HistoryOperation(const HistoryStore& store, std::string operation) {
    for (const State* open : t_operations)
        if (open->folder == store.folder()) return;  // joins the one already open
    state_ = new State{store.folder(), std::move(operation), {}, 0, store.messageSink()};
    t_operations.push_back(state_);
}

HistoryOperation::HistoryOperation(const std::string& installFolder, std::string operation,
                                   MessageSink messages)
    : HistoryOperation(HistoryStore(installFolder, std::move(messages)), std::move(operation)) {}

HistoryOperation::~HistoryOperation() {
    if (!state_) return;
    std::erase(t_operations, state_);
    delete state_;
}

std::string HistoryOperation::id() const {
    if (state_) return state_->id;
    return {};
}

void HistoryOperation::Forget() {
    if (!state_ || state_->id.empty()) return;
    SkippedLines skipped;
    ForgetIn(state_->folder, state_->id, skipped);
    TellSkippedLines(skipped, state_->messages);
    // Files kept later start an operation of their own.
    state_->id.clear();
    state_->files = 0;
}

void KeepBeforeChange(const std::string& installFolder, const std::string& path,
                      const std::string& operation, int kind, const std::string& name,
                      const MessageSink& messages) {
    std::string problem;
    try {
        problem = HistoryStore(installFolder, messages).Keep(path, operation, kind, name);
    } catch (const std::exception& e) {
        problem = e.what();
    }
    if (problem.empty()) return;
    detail::ShowMessage(messages, "The previous version of " + path +
                                      " could not be kept in the history (" + problem +
                                      "). The change was made all the same.");
}

}  // namespace b3
