// The comparison of the installation being edited with another one, kind by kind, through the
// patch library's differences: which objects differ (and in which values), which exist only here
// and which only there. Neither folder is ever written; the other one is only read.
#pragma once

#include <QString>
#include <array>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "b3/edit_object.h"

namespace b3::editor {

enum class CompareState { Same, Differs, OnlyHere, OnlyThere };

// One value that differs, as people read it.
struct ComparedField {
    std::string field;  // the patch's name of the value ("Strength", "PictureFile")
    QString words;      // the same in words ("Strength", "Picture File")
    int column = -1;    // the data array's column; -1 for the picture files and the other bytes
    int picture = -1;   // the picture's place among the object's picture files; -1 for none
    QString here;
    QString there;
};

struct ComparedObject {
    CompareState state = CompareState::Same;
    std::string name;     // the short name as the installation that holds it spells it
    QString displayName;  // only-there objects: the name the other installation gives it
    std::vector<ComparedField> fields;  // Differs only
};

class InstallationComparison {
public:
    // `here` is the installation the editor shows, `there` the one it is compared with. Reads
    // nothing yet.
    InstallationComparison(std::string here, std::string there);

    const std::string& hereFolder() const { return here_; }
    // Another installation is shown now: it is compared instead, once Refresh is called.
    void setHereFolder(std::string here);
    const std::string& thereFolder() const { return there_; }

    // Compares the objects of `kind` again, from the files as they are now. Fails with
    // b3::Error when either folder cannot be read as an installation. `names` names the codes.
    void Refresh(int kind, const b3::_CEditObject& names);
    // Whether `kind` was compared since the comparison began.
    bool Compared(int kind) const { return compared_[static_cast<std::size_t>(kind)]; }

    // The object of `kind` with that short name (letter case ignored); Same for one that is
    // equal in both or was not compared.
    const ComparedObject& Find(int kind, std::string_view shortName) const;
    // The objects of `kind` that only the other installation holds, in its folder's order.
    std::vector<const ComparedObject*> OnlyThere(int kind) const;

    struct Counts {
        int differ = 0, onlyHere = 0, onlyThere = 0;
    };
    Counts CountsOf(int kind) const;

private:
    std::string here_;
    std::string there_;
    std::array<bool, kKindCount> compared_{};
    // By kind, then by the short name in capitals.
    std::array<std::map<std::string, ComparedObject>, kKindCount> objects_;
    std::array<std::vector<std::string>, kKindCount> onlyThere_;  // keys, in order
};

// The short name an object is known by in a comparison: the file name without its extension
// (a spell's list entry carries the file's full path).
std::string ComparedName(int kind, const QString& listedShortName);

}  // namespace b3::editor
