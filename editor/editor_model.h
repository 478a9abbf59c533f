// EditorModel: what B3Tools' main window shows and edits, without a widget. The kind on show
// and its data as read; the filter and the list it lets through (display name and row key, in
// list order); the object on show and the working copy it was shown as (the baseline an unsaved
// change is measured against); the stored and working objects of every kind; pictures chosen
// for a new object; where the last report went. The window fills its list and frames from it
// and hands it what the user does; it never keeps these itself.
#pragma once

#include <QString>
#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "b3/edit_object.h"
#include "editor/edit_objects.h"

namespace b3::editor {

class EditorModel {
public:
    // One entry of the object list: the name the list shows and the object's row in the data.
    struct Entry {
        QString name;
        int rowKey = -1;
    };

    // -- the kind on show and its data, as read
    std::int16_t kind() const { return kind_; }
    void setKind(std::int16_t kind) { kind_ = kind; }
    const b3::DataArray& data() const { return data_; }
    void setData(b3::DataArray data) { data_ = std::move(data); }
    // The column of a kind's display name, and of its short name (a spell's: its file's path).
    static int DisplayNameColumn(int kind);
    static int ShortNameColumn(int kind);
    // 0 army, 1 hero, 2 site: the kinds whose objects have pictures; -1 for the others.
    static int PictureKindOf(int kind);

    // -- the filter and the list
    // Keeps only the objects whose name, short name or description holds `text` (trimmed).
    void setFilter(const QString& text) { filter_ = text.trimmed(); }
    const QString& filter() const { return filter_; }
    // Whether row `row` of the data matches the filter.
    bool MatchesFilter(int row) const;
    // Lists the rows the filter lets through, in data order; the object whose short name is
    // `keep` stays listed whether it matches or not.
    void Relist(const QString& keep = {});
    const std::vector<Entry>& entries() const { return entries_; }
    // How many objects are listed.
    int count() const { return static_cast<int>(entries_.size()); }
    // The row key of a list position; -1 for none (and for the entries that a comparison adds
    // after the listed ones).
    int RowKeyAt(int position) const;
    // The short name (spells: the file's path) and display name of a list position; empty for
    // none.
    QString ShortNameAt(int position) const;
    QString DisplayNameAt(int position) const;
    // The list position of the object with that short name; -1 when none has it.
    int PositionOf(const QString& shortName) const;

    // -- the object on show and its working copy
    // The list position of the object shown; -1 for none (a new object).
    int shownPosition() const { return shownPosition_; }
    void setShownPosition(int position) { shownPosition_ = position; }
    // The working copy as it was shown: unsaved changes are measured against it.
    void setBaseline(b3::ObjectArray snapshot);
    // Whether `now` (the working copy as it stands) differs from the baseline of the kind on
    // show; a picture chosen for the object counts as a change. False without a baseline of
    // this kind.
    bool Differs(const b3::ObjectArray& now) const;
    // Whether a picture was chosen for the object on show (kinds with pictures).
    bool PictureChosenForKind() const;
    bool HasBaseline() const { return baselineKind_ == kind_ && kind_ >= 0 && kind_ <= 4; }

    // -- the objects of every kind as stored and as being edited (made by the fill routines)
    std::unique_ptr<CItem> StoredItem, WorkingItem;
    std::unique_ptr<CArmy> StoredArmy, WorkingArmy;
    std::unique_ptr<CHero> StoredHero, WorkingHero;
    std::unique_ptr<CSite> StoredSite, WorkingSite;
    std::unique_ptr<CSpell> StoredSpell, WorkingSpell;
    // Fresh, empty stored and working objects of a kind.
    void ResetObjects(int kind);
    void ReleaseObjects();
    // The working object's short name (spells: its file's path); empty for a new object and
    // before the objects were filled.
    QString WorkingName(int kind) const;
    // Names the working object; a spell's name becomes its file in `folder`.
    void NameWorking(int kind, const QString& shortName, const std::string& folder);
    // Gives the fields of `array` that no control shows the values that row `row` of the data
    // holds; a new object (row -1) leaves them empty.
    void KeepUnshownFields(int kind, int row, b3::ObjectArray& array) const;

    // -- pictures chosen with "Copy Picture" and not yet placed (by picture kind)
    std::array<QString, 3> PendingPicture;
    std::array<bool, 3> PictureChosen{};
    void ClearPictures();

    // Where the last report was written.
    QString ReportPath;

private:
    std::int16_t kind_ = 0;
    b3::DataArray data_;
    QString filter_;
    std::vector<Entry> entries_;
    int shownPosition_ = -1;
    b3::ObjectArray baseline_;
    int baselineKind_ = -1;
};

}  // namespace b3::editor
