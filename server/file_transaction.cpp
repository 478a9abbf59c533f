// Changes of several files as one, through a journal of old and new bytes.
//
// The journal is one file, ".b3tools-journal" in the installation folder:
//
//   b3tools journal 2\n
//   then per file:  PATH\n STAGED\n OLD-SIZE\n NEW-SIZE\n PART\n OLD-BYTES NEW-BYTES
//   end HASH\n
//
// PATH is relative to the installation folder with '/' between its parts; a size of "-" stands
// for a file that does not exist (before: it is new; after: it is deleted). STAGED is the file
// that holds the new bytes beside the file until it takes its place ("-" for none), removed
// when the change is finished. PART is "whole" when the bytes are the whole file, "head" when
// they are its first bytes and the rest of the file stays. HASH is the FNV-1a hash of
// everything before the line, so that a journal damaged after it was written is known. A
// journal of version 1 (kept in older histories) has no PART line: every file is whole.
#include "b3/file_transaction.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <filesystem>

#ifndef _WIN32
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#include "b3/history.h"
#include "platform/files.h"
#include "platform/hash.h"
#include "platform/native_path.h"
#include "server_internal.h"

namespace b3 {

namespace fs = std::filesystem;

namespace {

constexpr const char* kJournalHeader = "b3tools journal 2\n";
constexpr const char* kJournalHeaderV1 = "b3tools journal 1\n";

void StepDone(const platform::WriteFaults* faults, std::size_t done) {
    if (faults) faults->StepDone(done);
}

using platform::Fnv1aHex;

struct JournalEntry {
    std::string relative;  // '/' separated
    std::optional<std::string> before;
    std::optional<std::string> after;
    std::string staged;     // relative, like `relative`; empty for none
    bool keepTail = false;  // the bytes are the file's first bytes; the rest stays
};

std::string FullPath(const std::string& install, const std::string& relative) {
    return platform::Utf8Path((platform::FsPath(install) / platform::FsPath(relative))
                                  .lexically_normal()
                                  .make_preferred());
}

std::string JournalText(const std::vector<JournalEntry>& entries) {
    std::string text = kJournalHeader;
    const auto size = [](const std::optional<std::string>& bytes) {
        return bytes ? std::to_string(bytes->size()) : std::string("-");
    };
    for (const JournalEntry& e : entries) {
        text += e.relative + '\n' + (e.staged.empty() ? std::string("-") : e.staged) + '\n' +
                size(e.before) + '\n' + size(e.after) + '\n' + (e.keepTail ? "head" : "whole") +
                '\n';
        if (e.before) text += *e.before;
        if (e.after) text += *e.after;
    }
    text += "end " + Fnv1aHex(text) + '\n';
    return text;
}

// The entries of a journal; nothing when it is damaged.
std::optional<std::vector<JournalEntry>> ParseJournal(std::string_view text) {
    const std::string_view header = kJournalHeader;
    constexpr std::size_t kEndLine = 21;  // "end " + 16 hexadecimal digits + "\n"
    if (text.size() < header.size() + kEndLine) return std::nullopt;
    const bool withParts = text.substr(0, header.size()) == header;
    if (!withParts && text.substr(0, header.size()) != kJournalHeaderV1) return std::nullopt;
    const std::size_t endLine = text.size() - kEndLine;
    if (text.substr(endLine) != "end " + Fnv1aHex(text.substr(0, endLine)) + '\n')
        return std::nullopt;
    std::vector<JournalEntry> entries;
    std::size_t at = header.size();
    const auto line = [&](std::string& out) {
        const auto nl = text.find('\n', at);
        if (nl == std::string_view::npos || nl >= endLine) return false;
        out.assign(text.substr(at, nl - at));
        at = nl + 1;
        return true;
    };
    const auto size = [](const std::string& t, std::optional<std::size_t>& out) {
        if (t == "-") return true;
        std::size_t n = 0;
        const auto [end, ec] = std::from_chars(t.data(), t.data() + t.size(), n);
        if (ec != std::errc() || end != t.data() + t.size()) return false;
        out = n;
        return true;
    };
    while (at < endLine) {
        JournalEntry e;
        std::string before, after;
        std::optional<std::size_t> nBefore, nAfter;
        std::string part = "whole";
        if (!line(e.relative) || !line(e.staged) || !line(before) || !line(after) ||
            (withParts && !line(part)) || !size(before, nBefore) || !size(after, nAfter) ||
            e.relative.empty() || (part != "whole" && part != "head"))
            return std::nullopt;
        e.keepTail = part == "head";
        // Only the head of a file that is there before and after.
        if (e.keepTail && (!nBefore || !nAfter || *nBefore != *nAfter)) return std::nullopt;
        if (e.staged == "-") e.staged.clear();
        // Only files inside the installation: no absolute paths, no way up.
        for (const std::string* path : {&e.relative, &e.staged}) {
            const fs::path p = platform::FsPath(*path);
            if (p.has_root_path() || p.has_root_name()) return std::nullopt;
            for (const fs::path& piece : p)
                if (piece == "..") return std::nullopt;
        }
        for (auto [n, out] : {std::pair{nBefore, &e.before}, std::pair{nAfter, &e.after}}) {
            if (!n) continue;
            if (*n > endLine - at) return std::nullopt;
            *out = std::string(text.substr(at, *n));
            at += *n;
        }
        entries.push_back(std::move(e));
    }
    return entries;
}

// Gives the file the bytes (or removes it); with `keepTail`, the bytes are its first ones and the
// rest stays. The error, if any.
std::error_code Put(const std::string& path, const std::optional<std::string>& bytes,
                    bool keepTail) {
    std::error_code ec;
    if (bytes) {
        platform::ReplaceOptions options;
        options.keepTail = keepTail;
        platform::ReplaceFileContents(path, *bytes, ec, options);
        return ec;
    }
    fs::remove(platform::FsPath(path), ec);
    return ec;
}

// Every entry's new bytes; on a failure the entries done so far get their old bytes back and
// the failure is thrown.
void RollForward(const std::string& install, const std::vector<JournalEntry>& entries,
                 const char* source) {
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const std::string path = FullPath(install, entries[i].relative);
        if (const std::error_code ec = Put(path, entries[i].after, entries[i].keepTail)) {
            for (std::size_t j = i; j-- > 0;)
                Put(FullPath(install, entries[j].relative), entries[j].before, entries[j].keepTail);
            Put(path, entries[i].before, entries[i].keepTail);
            throw detail::FileError(ec, source, path);
        }
    }
}

// The staged file of each change with new bytes, "" where the file is deleted or must be replaced
// the careful way (ReplaceFileContents): a link, a file of another owner or without write
// permission, and on Windows every file. A staged file is hidden, named as ReplaceFileContents
// names its temporary files (so that one left by a killed process is cleaned away in time), and
// has the permissions of the file it replaces.
std::vector<std::string> StageAll(const std::vector<FileChange>& changes, const char* source) {
    std::vector<std::string> staged(changes.size());
#ifndef _WIN32
    const auto unstage = [&staged] {
        for (const std::string& temp : staged)
            if (!temp.empty()) ::unlink(temp.c_str());
    };
    for (std::size_t i = 0; i < changes.size(); ++i) {
        const FileChange& c = changes[i];
        if (!c.bytes || c.keepTail) continue;
        struct stat st {};
        const bool exists = ::lstat(c.path.c_str(), &st) == 0;
        // A file without write permission goes the careful way too, which refuses it even for
        // the superuser, whom access() lets through.
        if (exists && (!S_ISREG(st.st_mode) || st.st_uid != ::geteuid() || st.st_nlink > 1 ||
                       (st.st_mode & 0222) == 0 || ::access(c.path.c_str(), W_OK) != 0))
            continue;
        const fs::path target = platform::FsPath(c.path);
        const std::string temp = platform::Utf8Path(
            target.parent_path() / platform::FsPath(platform::NewReplacementTemporaryName(
                                       platform::Utf8Path(target.filename()))));
        const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0) {
            const std::error_code ec(errno, std::generic_category());
            unstage();
            throw detail::FileError(ec, source, c.path);
        }
        staged[i] = temp;
        std::size_t done = 0;
        bool ok = true;
        while (ok && done < c.bytes->size()) {
            const ssize_t n = ::write(fd, c.bytes->data() + done, c.bytes->size() - done);
            if (n < 0 && errno == EINTR) continue;
            ok = n > 0;
            if (ok) done += static_cast<std::size_t>(n);
        }
        if (ok && exists) ok = ::fchmod(fd, st.st_mode & 07777) == 0;
        const std::error_code ec(ok ? 0 : errno, std::generic_category());
        if (::close(fd) != 0 || !ok) {
            unstage();
            throw detail::FileError(ec ? ec : std::make_error_code(std::errc::io_error), source,
                                    c.path);
        }
    }
#else
    (void)changes;
    (void)source;
#endif
    return staged;
}

// Puts the staged files in place (the others the careful way) and deletes what goes, then makes
// it all durable before the journal may go. On a failure the files done so far get their old
// bytes back, the rest of the staged files are removed, and the failure is thrown.
void PutStaged(const platform::WriteFaults* faults, const std::string& install,
               const std::vector<JournalEntry>& entries, const std::vector<std::string>& staged,
               const char* source) {
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const std::string path = FullPath(install, entries[i].relative);
        std::error_code ec;
        if (!staged[i].empty()) {
            fs::rename(platform::FsPath(staged[i]), platform::FsPath(path), ec);
        } else {
            ec = Put(path, entries[i].after, entries[i].keepTail);
        }
        if (ec) {
            for (std::size_t j = i + 1; j < entries.size(); ++j)
                if (!staged[j].empty()) fs::remove(platform::FsPath(staged[j]), ec);
            for (std::size_t j = i; j-- > 0;)
                Put(FullPath(install, entries[j].relative), entries[j].before, entries[j].keepTail);
            if (!staged[i].empty()) fs::remove(platform::FsPath(staged[i]), ec);
            throw detail::FileError(ec, source, path);
        }
        StepDone(faults, i + 1);
    }
#ifdef __linux__
    // One flush of the whole file system instead of one per file.
    const int fd = ::open(JournalPath(install).c_str(), O_RDONLY | O_CLOEXEC);
    if (fd >= 0) {
        ::syncfs(fd);
        ::close(fd);
    }
#elif !defined(_WIN32)
    ::sync();
#endif
}

// Writes the new bytes beside their files, the journal that names them, then puts them in
// place and removes the journal. A failure leaves every file as it was.
void StageAndPut(const platform::WriteFaults* faults, const std::string& install,
                 const std::vector<FileChange>& changes, std::vector<JournalEntry>& entries,
                 const std::string& journal, const char* source) {
    std::error_code ec;
    // The new bytes are written beside their files before the journal says they are coming; a
    // failure then leaves every file as it was.
    std::vector<std::string> staged;
    try {
        staged = StageAll(changes, source);
    } catch (...) {
        fs::remove(platform::FsPath(journal), ec);
        throw;
    }
    for (std::size_t i = 0; i < entries.size(); ++i) {
        if (staged[i].empty()) continue;
        const fs::path relative = platform::FsPath(entries[i].relative).parent_path() /
                                  platform::FsPath(staged[i]).filename();
        entries[i].staged = platform::Utf8Path(relative);
#ifdef _WIN32
        std::replace(entries[i].staged.begin(), entries[i].staged.end(), '\\', '/');
#endif
    }
    if (!platform::ReplaceFileContents(journal, JournalText(entries), ec)) {
        const Error failure = detail::FileError(ec, source, journal);
        for (const std::string& temp : staged) fs::remove(platform::FsPath(temp), ec);
        fs::remove(platform::FsPath(journal), ec);
        throw failure;
    }
    StepDone(faults, 0);
    try {
        PutStaged(faults, install, entries, staged, source);
    } catch (...) {
        fs::remove(platform::FsPath(journal), ec);
        throw;
    }
    fs::remove(platform::FsPath(journal), ec);
}

}  // namespace

std::string JournalPath(const std::string& installFolder) {
    return platform::JoinPath(installFolder, kJournalName);
}

FileTransaction::FileTransaction(std::string installFolder, std::string operation, std::string name,
                                 MessageSink messages, const platform::WriteFaults* faults)
    : install_(std::move(installFolder)),
      operation_(std::move(operation)),
      name_(std::move(name)),
      messages_(std::move(messages)),
      faults_(faults) {}

void FileTransaction::Replace(const std::string& path, std::string bytes, int kind,
                              const std::string& name) {
    changes_.push_back({path, std::move(bytes), kind, name});
}

void FileTransaction::ReplaceHead(const std::string& path, std::string bytes, int kind,
                                  const std::string& name) {
    changes_.push_back({path, std::move(bytes), kind, name, true});
}

void FileTransaction::Remove(const std::string& path, int kind, const std::string& name) {
    changes_.push_back({path, std::nullopt, kind, name});
}

void FileTransaction::Commit() {
    const char* const source = "FileTransaction::Commit";
    if (changes_.empty()) return;
    // A change that was stopped before is finished first, so that this one starts from whole files.
    RecoverInstallation(install_);

    std::vector<JournalEntry> entries;
    entries.reserve(changes_.size());
    for (const FileChange& c : changes_) {
        const auto inside = platform::PathInsideFolder(c.path, install_);
        if (!inside) {
            throw Error(kErrInvalidArgument, source,
                        "The file " + c.path + " lies outside the installation " + install_);
        }
        JournalEntry e;
        e.relative = *inside;
#ifdef _WIN32
        std::replace(e.relative.begin(), e.relative.end(), '\\', '/');
#endif
        std::error_code ec;
        if (platform::IsRegularFile(c.path)) {
            // Of a file whose head alone changes, only the head is read (and journaled); a file
            // shorter than the new head is replaced whole.
            const std::uintmax_t size = fs::file_size(platform::FsPath(c.path), ec);
            if (ec) throw detail::FileError(ec, source, c.path);
            e.keepTail = c.keepTail && c.bytes && !c.bytes->empty() && size >= c.bytes->size();
            std::string bytes;
            if (!platform::ReadFileBytes(c.path, bytes, ec, e.keepTail ? c.bytes->size() : 0))
                throw detail::FileError(ec, source, c.path);
            e.before = std::move(bytes);
        } else if (fs::exists(platform::FsPath(c.path), ec)) {
            throw detail::FileError(std::make_error_code(std::errc::not_supported), source, c.path);
        }
        e.after = c.bytes;
        entries.push_back(std::move(e));
    }

    // One version in the history for the whole change: a journal that puts every file back as
    // it was. Restoring that version makes that journal's change, as one change again (and one
    // operation of the history, which can be restored in its turn). Should this process
    // be stopped before the change's own journal replaces it, the next command finds this one
    // and writes the files' present bytes again, which changes nothing.
    std::vector<JournalEntry> undo = entries;
    for (JournalEntry& e : undo) std::swap(e.before, e.after);
    std::error_code ec;
    const std::string journal = JournalPath(install_);
    if (!platform::ReplaceFileContents(journal, JournalText(undo), ec))
        throw detail::FileError(ec, source, journal);
    HistoryOperation history(install_, operation_, messages_);
    KeepBeforeChange(install_, journal, operation_, -1, name_, messages_);
    try {
        StageAndPut(faults_, install_, changes_, entries, journal, source);
    } catch (...) {
        // Every file is as it was: the history claims no change.
        history.Forget();
        throw;
    }
}

std::optional<std::vector<FileChange>> JournalChanges(const std::string& installFolder,
                                                      std::string_view text) {
    const auto entries = ParseJournal(text);
    if (!entries) return std::nullopt;
    std::vector<FileChange> changes;
    for (const JournalEntry& e : *entries)
        changes.push_back({FullPath(installFolder, e.relative), e.after, -1, {}, e.keepTail});
    return changes;
}

std::size_t RecoverInstallation(const std::string& installFolder) {
    const char* const source = "FileTransaction::Recover";
    const std::string journal = JournalPath(installFolder);
    if (!platform::IsRegularFile(journal)) return 0;
    std::string text;
    std::error_code ec;
    if (!platform::ReadFileBytes(journal, text, ec)) throw detail::FileError(ec, source, journal);
    const auto entries = ParseJournal(text);
    if (!entries) {
        throw Error(kErrPathFileAccess, source,
                    "The journal " + journal +
                        " of a change that was stopped is damaged, so the change cannot be "
                        "finished. Check the installation's files (b3cli history lists the "
                        "versions kept before the change), then delete the journal.");
    }
    // Each file gets its new bytes again, whether or not it had them already; the new bytes that
    // were waiting beside their files are not needed any more.
    RollForward(installFolder, *entries, source);
    for (const JournalEntry& e : *entries)
        if (!e.staged.empty()) fs::remove(platform::FsPath(FullPath(installFolder, e.staged)), ec);
    fs::remove(platform::FsPath(journal), ec);
    return entries->size();
}

}  // namespace b3
