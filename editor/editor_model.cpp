#include "editor/editor_model.h"

#include <QRegularExpression>

#include "b3/record_layout.h"
#include "platform/files.h"

namespace b3::editor {

namespace {

bool IsKind(int kind) {
    return kind >= 0 && kind < b3::kKindCount;
}

QString CellString(const b3::DataArray& data, std::size_t row, std::size_t column) {
    return QString::fromStdString(data.at(row, column).toString());
}

// A spell's short name is its file's path: the filter and the list look at the file's name.
QString FileNameOfPath(const QString& path) {
    return path.section(QRegularExpression("[/\\\\]"), -1);
}

// The columns the filter looks at, by kind: display names, short name (a spell's file path),
// description.
std::vector<std::size_t> FilterColumns(int kind) {
    switch (kind) {
        case kItem:
            return {2, 1, 3};
        case kArmy:
            return {1, 3, 2};
        case kHero:
            return {1, 2, 4, 3};
        case kSite:
            return {1, 2};
        default:
            return {1, 20, 2};
    }
}

// The row key is the record's number, as the server gives it in the first column.
int RowKey(const b3::Cell& cell) {
    if (!cell.isText()) return static_cast<int>(cell.number());
    bool ok = false;
    const int key = QString::fromStdString(cell.str()).trimmed().toInt(&ok);
    if (!ok) throw b3::Error(13, "", "Type mismatch");
    return key;
}

}  // namespace

int EditorModel::DisplayNameColumn(int kind) {
    return kind == kItem ? 2 : 1;
}

int EditorModel::ShortNameColumn(int kind) {
    return IsKind(kind) ? b3::LayoutOf(kind).shortNameColumn : -1;
}

int EditorModel::PictureKindOf(int kind) {
    return kind == kArmy ? 0 : kind == kHero ? 1 : kind == kSite ? 2 : -1;
}

// ---------------------------------------------------------------------------------------------
// The filter and the list

bool EditorModel::MatchesFilter(int row) const {
    if (filter_.isEmpty()) return true;
    if (row < 0 || static_cast<std::size_t>(row) >= data_.rows()) return false;
    for (std::size_t column : FilterColumns(kind_)) {
        if (column >= data_.columns()) continue;
        QString text = CellString(data_, static_cast<std::size_t>(row), column);
        if (kind_ == kSpell && column == 20) text = FileNameOfPath(text);
        if (text.contains(filter_, Qt::CaseInsensitive)) return true;
    }
    return false;
}

void EditorModel::Relist(const QString& keep) {
    entries_.clear();
    if (!IsKind(kind_)) return;
    const auto nameColumn = static_cast<std::size_t>(DisplayNameColumn(kind_));
    const auto shortColumn = static_cast<std::size_t>(ShortNameColumn(kind_));
    for (std::size_t r = 0; r < data_.rows(); ++r) {
        const bool kept = !keep.isEmpty() &&
                          CellString(data_, r, shortColumn).compare(keep, Qt::CaseInsensitive) == 0;
        if (!kept && !MatchesFilter(static_cast<int>(r))) continue;
        entries_.push_back({CellString(data_, r, nameColumn), RowKey(data_.at(r, 0))});
    }
}

int EditorModel::RowKeyAt(int position) const {
    if (position < 0 || position >= count()) return -1;
    return entries_[static_cast<std::size_t>(position)].rowKey;
}

QString EditorModel::ShortNameAt(int position) const {
    const int row = RowKeyAt(position);
    if (row < 0 || !IsKind(kind_) || static_cast<std::size_t>(row) >= data_.rows()) return {};
    return CellString(data_, static_cast<std::size_t>(row),
                      static_cast<std::size_t>(ShortNameColumn(kind_)));
}

QString EditorModel::DisplayNameAt(int position) const {
    if (position < 0 || position >= count()) return {};
    return entries_[static_cast<std::size_t>(position)].name;
}

int EditorModel::PositionOf(const QString& shortName) const {
    if (shortName.isEmpty()) return -1;
    for (int p = 0; p < count(); ++p)
        if (ShortNameAt(p).compare(shortName, Qt::CaseInsensitive) == 0) return p;
    return -1;
}

// ---------------------------------------------------------------------------------------------
// The working copy

void EditorModel::setBaseline(b3::ObjectArray snapshot) {
    baseline_ = std::move(snapshot);
    baselineKind_ = kind_;
}

bool EditorModel::PictureChosenForKind() const {
    const int pictureKind = PictureKindOf(kind_);
    return pictureKind >= 0 && PictureChosen[static_cast<std::size_t>(pictureKind)];
}

bool EditorModel::Differs(const b3::ObjectArray& now) const {
    if (!HasBaseline()) return false;
    return PictureChosenForKind() || now != baseline_;
}

void EditorModel::ResetObjects(int kind) {
    switch (kind) {
        case kItem:
            StoredItem = std::make_unique<CItem>();
            WorkingItem = std::make_unique<CItem>();
            break;
        case kArmy:
            StoredArmy = std::make_unique<CArmy>();
            WorkingArmy = std::make_unique<CArmy>();
            break;
        case kHero:
            StoredHero = std::make_unique<CHero>();
            WorkingHero = std::make_unique<CHero>();
            break;
        case kSite:
            StoredSite = std::make_unique<CSite>();
            WorkingSite = std::make_unique<CSite>();
            break;
        case kSpell:
            StoredSpell = std::make_unique<CSpell>();
            WorkingSpell = std::make_unique<CSpell>();
            break;
        default:
            break;
    }
}

void EditorModel::ReleaseObjects() {
    StoredItem.reset(), WorkingItem.reset();
    StoredArmy.reset(), WorkingArmy.reset();
    StoredHero.reset(), WorkingHero.reset();
    StoredSite.reset(), WorkingSite.reset();
    StoredSpell.reset(), WorkingSpell.reset();
}

QString EditorModel::WorkingName(int kind) const {
    switch (kind) {
        case kItem:
            return WorkingItem ? WorkingItem->ShortName() : QString();
        case kArmy:
            return WorkingArmy ? WorkingArmy->ShortName() : QString();
        case kHero:
            return WorkingHero ? WorkingHero->ShortName() : QString();
        case kSite:
            return WorkingSite ? WorkingSite->ShortName() : QString();
        case kSpell:
            return WorkingSpell ? WorkingSpell->Path() : QString();
        default:
            return {};
    }
}

void EditorModel::NameWorking(int kind, const QString& shortName, const std::string& folder) {
    switch (kind) {
        case kItem:
            if (WorkingItem) WorkingItem->setShortName(shortName);
            break;
        case kArmy:
            if (WorkingArmy) WorkingArmy->setShortName(shortName);
            break;
        case kHero:
            if (WorkingHero) WorkingHero->setShortName(shortName);
            break;
        case kSite:
            if (WorkingSite) WorkingSite->setShortName(shortName);
            break;
        case kSpell:
            if (WorkingSpell)
                WorkingSpell->setPath(QString::fromStdString(
                    platform::JoinPath(folder, shortName.toStdString() + ".SPL")));
            break;
        default:
            break;
    }
}

void EditorModel::KeepUnshownFields(int kind, int row, b3::ObjectArray& array) const {
    if (row < 0 || static_cast<std::size_t>(row) >= data_.rows()) return;
    std::vector<int> kept;
    if (kind == kArmy) kept = {19, 26, 27};
    if (kind == kHero) kept = {12, 13, 14, 15, 16, 17, 18, 29, 40, 51, 62, 125, 126};
    for (int c : kept) {
        if (static_cast<std::size_t>(c) >= array.size()) continue;
        array[static_cast<std::size_t>(c)] =
            data_.at(static_cast<std::size_t>(row), static_cast<std::size_t>(c));
    }
}

void EditorModel::ClearPictures() {
    for (std::size_t k = 0; k < PendingPicture.size(); ++k) {
        PendingPicture[k].clear();
        PictureChosen[k] = false;
    }
}

}  // namespace b3::editor
