#include "editor/frm_history.h"

#include <QComboBox>
#include <QDateTime>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <filesystem>
#include <set>

#include "editor/errors.h"
#include "editor/history_changes.h"
#include "editor/services.h"
#include "platform/files.h"
#include "platform/text1252.h"

namespace b3::editor {

namespace {

const char* const kKindTitle[] = {"Item", "Army", "Hero", "Site", "Spell"};

constexpr int kOperationRole = Qt::UserRole;
constexpr int kFileRole = Qt::UserRole + 1;

QString TimeText(std::int64_t seconds) {
    return QDateTime::fromSecsSinceEpoch(seconds).toString("yyyy-MM-dd hh:mm:ss");
}

QTableWidgetItem* Item(const QString& text) {
    auto* item = new QTableWidgetItem(text);
    item->setFlags(item->flags() & ~Qt::ItemIsEditable);
    return item;
}

QString Text(const std::string& text) {
    return QString::fromStdString(text);
}

// The object a kept file belongs to, as the filter names it: "Army ORCS" (short names in any
// letter case name one object); a change of several objects (a patch) by its own name.
QString ObjectText(const b3::HistoryEntry& e) {
    if (e.kind >= 0 && e.kind <= 4)
        return QString("%1 %2").arg(kKindTitle[e.kind], Text(platform::AsciiUpper(e.name)));
    return Text(e.name);
}

// The objects of an operation: "Army ORCS", "Army ORCS, Army WOLVES", "Item A, Item B and 5
// more".
QString ObjectsText(const b3::HistoryOperationEntry& o) {
    QStringList objects;
    for (const b3::HistoryEntry& e : o.files) {
        const QString text = ObjectText(e);
        if (!text.isEmpty() && !objects.contains(text, Qt::CaseInsensitive)) objects << text;
    }
    if (objects.size() > 3)
        return QString("%1, %2 and %3 more").arg(objects[0], objects[1]).arg(objects.size() - 2);
    return objects.join(", ");
}

// The file name without its folder: "ORCS.ARM".
QString FileName(const std::string& file) {
    const QString text = Text(file);
    return text.mid(text.lastIndexOf('/') + 1);
}

}  // namespace

frmHistory::frmHistory(EditorServices& services, const std::string& installFolder, int kind,
                       const QString& shortName, QWidget* parent, const b3::MessageSink& messages)
    : QDialog(parent), services_(services), store_(installFolder, messages) {
    setWindowTitle("History");
    auto* top = new QHBoxLayout;
    top->addWidget(new QLabel("Show:", this));
    cboFilter = new QComboBox(this);
    cboFilter->setMinimumWidth(260);
    top->addWidget(cboFilter, 1);

    lstVersions = new QTreeWidget(this);
    lstVersions->setColumnCount(4);
    lstVersions->setHeaderLabels({"Time", "Operation", "Objects", "Files"});
    lstVersions->setSelectionBehavior(QAbstractItemView::SelectRows);
    lstVersions->setSelectionMode(QAbstractItemView::SingleSelection);
    lstVersions->setToolTip(
        "Each row is one change of the files; open it to see its files, and choose one of them "
        "to restore only that file");
    // Each column as wide as its texts, whatever the window's size; the files take the rest.
    lstVersions->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    lstVersions->header()->setStretchLastSection(true);

    lblSummary = new QLabel(this);
    lblSummary->setWordWrap(true);
    grdChanges = new QTableWidget(0, 3, this);
    grdChanges->setHorizontalHeaderLabels({"Field", "Kept version", "Now"});
    grdChanges->verticalHeader()->hide();
    grdChanges->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    grdChanges->horizontalHeader()->setSectionResizeMode(0, QHeaderView::ResizeToContents);

    cmdRestore = new QPushButton("Restore", this);
    cmdClose = new QPushButton("Close", this);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(cmdRestore);
    buttons->addWidget(cmdClose);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(lstVersions, 3);
    layout->addWidget(lblSummary);
    layout->addWidget(grdChanges, 2);
    layout->addLayout(buttons);
    resize(760, 560);

    // One filter entry per object the history holds, the shown object first.
    cboFilter->addItem("All objects", QStringList{});
    std::set<std::pair<int, std::string>> objects;
    for (const auto& e : store_.List()) objects.insert({e.kind, platform::AsciiUpper(e.name)});
    if (!shortName.isEmpty() && kind >= 0 && kind <= 4)
        objects.insert({kind, platform::AsciiUpper(shortName.toStdString())});
    for (const auto& [k, name] : objects) {
        if (k < 0 || k > 4) continue;
        cboFilter->addItem(QString("%1 %2").arg(kKindTitle[k], Text(name)),
                           QStringList{QString::number(k), Text(name)});
    }
    if (!shortName.isEmpty()) {
        const int at = cboFilter->findData(QStringList{
            QString::number(kind), Text(platform::AsciiUpper(shortName.toStdString()))});
        if (at >= 0) cboFilter->setCurrentIndex(at);
    }

    connect(cboFilter, &QComboBox::currentIndexChanged, this, [this] { Reload(); });
    connect(lstVersions, &QTreeWidget::currentItemChanged, this, [this] { ShowChanges(); });
    connect(cmdRestore, &QPushButton::clicked, this, [this] { RestoreSelected(); });
    connect(cmdClose, &QPushButton::clicked, this, [this] { accept(); });
    Reload();
}

frmHistory::Choice frmHistory::ChoiceOf(const QTreeWidgetItem* row) const {
    if (!row) return {};
    const int operation = row->data(0, kOperationRole).toInt();
    if (operation < 0 || operation >= static_cast<int>(shown_.size())) return {};
    return {operation, row->data(0, kFileRole).toInt()};
}

void frmHistory::Reload() {
    const QStringList filter = cboFilter->currentData().toStringList();
    shown_ = filter.size() == 2 ? store_.Operations(filter[0].toInt(), filter[1].toStdString())
                                : store_.Operations();
    lstVersions->clear();
    for (int i = 0; i < static_cast<int>(shown_.size()); ++i) {
        const b3::HistoryOperationEntry& o = shown_[static_cast<std::size_t>(i)];
        const bool several = o.files.size() > 1;
        auto* row = new QTreeWidgetItem(
            lstVersions,
            {TimeText(o.time), Text(o.operation), ObjectsText(o),
             several ? QString("%1 files").arg(o.files.size()) : Text(o.files.front().file)});
        row->setData(0, kOperationRole, i);
        row->setData(0, kFileRole, -1);
        if (!several) continue;
        for (int f = 0; f < static_cast<int>(o.files.size()); ++f) {
            const b3::HistoryEntry& e = o.files[static_cast<std::size_t>(f)];
            // The object only where the operation changed several.
            const QString object = ObjectText(e) == row->text(2) ? QString() : ObjectText(e);
            auto* file = new QTreeWidgetItem(row, {QString(), QString(), object, Text(e.file)});
            file->setData(0, kOperationRole, i);
            file->setData(0, kFileRole, f);
        }
    }
    if (!shown_.empty()) {
        lstVersions->setCurrentItem(lstVersions->topLevelItem(0));
    } else {
        lblSummary->setText("The history holds no versions of this choice yet.");
        grdChanges->setRowCount(0);
    }
    cmdRestore->setEnabled(!shown_.empty());
}

void frmHistory::ShowChanges() {
    grdChanges->setRowCount(0);
    const Choice choice = ChoiceOf(lstVersions->currentItem());
    if (choice.operation < 0) return;
    const b3::HistoryOperationEntry& o = shown_[static_cast<std::size_t>(choice.operation)];
    std::vector<b3::HistoryEntry> files = o.files;
    if (choice.file >= 0) files = {o.files[static_cast<std::size_t>(choice.file)]};
    cmdRestore->setToolTip(choice.file >= 0 || files.size() == 1
                               ? "Put this file back as it was; the present file is kept in the "
                                 "history"
                               : "Put every file of this change back as it was, in one step; the "
                                 "present files are kept in the history");

    const bool several = files.size() > 1;
    int changed = 0;
    QStringList lost;
    bool allThere = true;
    for (const b3::HistoryEntry& e : files) {
        const auto kept = store_.Bytes(e.id);
        if (!kept) {
            lost << Text(e.file);
            continue;
        }
        std::string bytes;
        std::error_code ec;
        std::optional<std::string> now;
        if (platform::ReadFileBytes(store_.TargetPath(e), bytes, ec)) now = std::move(bytes);
        if (!now) allThere = false;
        for (const FieldDifference& d : VersionDifferences(e, *kept, now)) {
            const int row = grdChanges->rowCount();
            grdChanges->insertRow(row);
            grdChanges->setItem(row, 0,
                                Item(several ? FileName(e.file) + ": " + d.field : d.field));
            grdChanges->setItem(row, 1, Item(d.kept));
            grdChanges->setItem(row, 2, Item(d.now));
            ++changed;
        }
    }

    if (!lost.isEmpty()) {
        lblSummary->setText(
            several
                ? QString("The kept bytes of %1 are gone from the history.").arg(lost.join(", "))
                : QString("The bytes of this version are gone from the history."));
        return;
    }
    if (several) {
        QStringList names;
        for (const b3::HistoryEntry& e : files) names << Text(e.file);
        lblSummary->setText(
            QString("This %1 kept %2 files (%3); %4")
                .arg(Text(o.operation))
                .arg(files.size())
                .arg(names.join(", "))
                .arg(changed == 0   ? QString("the files are the same now.")
                     : changed == 1 ? QString("1 difference from the files now.")
                                    : QString("%1 differences from the files now.").arg(changed)));
        return;
    }
    const b3::HistoryEntry& e = files.front();
    const QString file = Text(e.file);
    if (!IsDefinitionFile(e)) {
        lblSummary->setText(!allThere
                                ? QString("%1 is gone now; restoring brings it back.").arg(file)
                            : changed == 0 ? QString("%1 is the same now.").arg(file)
                                           : QString("%1 is another file now.").arg(file));
        return;
    }
    lblSummary->setText(
        !allThere      ? QString("%1 is gone now; restoring brings it back.").arg(file)
        : changed == 0 ? QString("%1 holds the same fields now.").arg(file)
        : changed == 1 ? QString("%1: 1 field differs from the file now.").arg(file)
                       : QString("%1: %2 fields differ from the file now.").arg(file).arg(changed));
}

bool frmHistory::RestoreSelected() {
    bool done = false;
    Trap(services_, "frmHistory::RestoreSelected", [&] {
        const Choice choice = ChoiceOf(lstVersions->currentItem());
        if (choice.operation < 0) return;
        const b3::HistoryOperationEntry o = shown_[static_cast<std::size_t>(choice.operation)];
        // The whole operation comes back in one step (a deleted army's record and picture
        // together), or the one file chosen below it.
        QStringList files;
        if (choice.file >= 0) {
            files << Text(o.files[static_cast<std::size_t>(choice.file)].file);
        } else {
            for (const b3::HistoryEntry& e : o.files) files << Text(e.file);
        }
        const QString text =
            QString("Put %1 back as it was at %2?\r\n%3")
                .arg(files.join(", "), TimeText(o.time),
                     files.size() == 1 ? QString("The present file is kept in the history.")
                                       : QString("The present files are kept in the history."));
        if (services_.messageBox(this, text, kAppTitle, MsgButtons::YesNo) != MsgResult::Yes)
            return;
        std::string warning;
        store_.RestoreFiles(o.id, choice.file >= 0 ? files.front().toStdString() : std::string(),
                            &warning);
        restored_ = true;
        done = true;
        if (!warning.empty()) {
            services_.messageBox(this,
                                 QString("The present file could not be kept in the history "
                                         "(%1); the version was restored all the same.")
                                     .arg(Text(warning)),
                                 kAppTitle, MsgButtons::Ok);
        }
        Reload();
    });
    return done;
}

}  // namespace b3::editor
