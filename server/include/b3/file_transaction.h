// Several files of an installation replaced as one change: either every file gets its new bytes
// (or is deleted) or none does, even when the process is killed in the middle.
//
// Before the first file is touched, a journal that holds every file's old and new bytes is
// written beside the kind folders (replaced whole, flushed to disk). The files are then replaced
// one by one and the journal removed. A journal found later belongs to a change that was stopped
// after it had begun: RecoverInstallation finishes it (rolls it forward), and every command that
// opens the installation calls it first. A change that fails in the middle on its own (a full
// disk, a file another program holds) puts back the files it had replaced before it reports the
// failure.
#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "b3/edit_object.h"

namespace b3 {

// One file of a change: its full path, its new bytes (nothing: the file is deleted), and the
// object it belongs to, for the history.
struct FileChange {
    std::string path;
    std::optional<std::string> bytes;
    int kind = -1;
    std::string name;
    // `bytes` replace the file's first bytes only; what follows them stays as it is (copied
    // through a small buffer, holes of a sparse file staying holes).
    bool keepTail = false;
};

class B3EDTSVR_EXPORT FileTransaction {
public:
    // A change of files inside `installFolder`; `operation` and `name` name it in the history
    // ("patch" and the mod's name). A version the history cannot keep is told through
    // `messages` (standard error when it is empty). `faults` (none but in tests, outliving the
    // change) hears each step of the commit.
    FileTransaction(std::string installFolder, std::string operation, std::string name = {},
                    MessageSink messages = {}, const platform::WriteFaults* faults = nullptr);

    void Replace(const std::string& path, std::string bytes, int kind, const std::string& name);
    // The first bytes of an existing file (a definition record, say) with the rest of the file
    // kept as it is; a file shorter than `bytes` is replaced whole.
    void ReplaceHead(const std::string& path, std::string bytes, int kind, const std::string& name);
    void Remove(const std::string& path, int kind, const std::string& name);

    const std::vector<FileChange>& changes() const { return changes_; }

    // Keeps one version in the history that undoes the whole change (a journal with every
    // file's old bytes, file ".b3tools-journal": restoring it puts the files back as one), writes
    // the journal, replaces and deletes the files, removes the journal. Fails with b3::Error
    // (source "FileTransaction::Commit") with every file as it was and that version taken out of
    // the history again: a path outside the installation (number 5), a journal that cannot be
    // written, a file that cannot be replaced.
    void Commit();

private:
    std::string install_;
    std::string operation_;
    std::string name_;
    MessageSink messages_;
    const platform::WriteFaults* faults_;
    std::vector<FileChange> changes_;
};

// The journal of an unfinished change of `installFolder`.
// The journal's file name, in the installation's own folder.
inline constexpr const char* kJournalName = ".b3tools-journal";
B3EDTSVR_EXPORT std::string JournalPath(const std::string& installFolder);

// Finishes a change of `installFolder` that was stopped in the middle: every file of its journal
// gets its new bytes, then the journal goes. Returns the number of files it put right (0 when
// there was no journal). Fails with b3::Error (source "FileTransaction::Recover") when the
// journal is damaged (it is then left in place, and its name is in the message) or a file
// cannot be written; the journal then stays for the next try.
B3EDTSVR_EXPORT std::size_t RecoverInstallation(const std::string& installFolder);

// The change that the journal `text` of `installFolder` makes: every file with the bytes it gets
// (nothing: it is deleted), the object unknown (kind -1). Nothing when the text is no whole
// journal.
B3EDTSVR_EXPORT std::optional<std::vector<FileChange>> JournalChanges(
    const std::string& installFolder, std::string_view text);

}  // namespace b3
