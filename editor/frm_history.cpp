#include "editor/frm_history.h"

#include <QComboBox>
#include <QDateTime>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>
#include <filesystem>
#include <set>

#include "b3/record_layout.h"
#include "b3/table_columns.h"
#include "editor/errors.h"
#include "editor/powers.h"
#include "editor/services.h"
#include "platform/files.h"
#include "platform/text1252.h"

namespace b3::editor {

namespace {

const char* const kKindTitle[] = {"Item", "Army", "Hero", "Site", "Spell"};

QString TimeText(std::int64_t seconds) {
    return QDateTime::fromSecsSinceEpoch(seconds).toString("yyyy-MM-dd hh:mm:ss");
}

QTableWidgetItem* Item(const QString& text) {
    auto* item = new QTableWidgetItem(text);
    item->setFlags(item->flags() & ~Qt::ItemIsEditable);
    return item;
}

bool IsDefinitionFile(const b3::HistoryEntry& e) {
    if (e.kind < 0 || e.kind > 4) return false;
    const std::string ext = b3::LayoutOf(e.kind).extension;
    return e.file.size() > ext.size() &&
           platform::AsciiUpper(e.file.substr(e.file.size() - ext.size())) == ext;
}

// A field by its column's name in words ("Display Name", "Level 3 XP"); one without a name by
// its place in the record.
QString FieldName(int kind, const b3::FieldLayout& f) {
    for (const b3::TableColumn& c : b3::TableColumns(kind))
        if (c.column == f.column) return QString::fromStdString(b3::ColumnWords(c.name));
    return QString("column %1 (byte %2)").arg(f.column).arg(f.offset);
}

}  // namespace

frmHistory::frmHistory(EditorServices& services, const std::string& installFolder, int kind,
                       const QString& shortName, QWidget* parent)
    : QDialog(parent), services_(services), store_(installFolder) {
    setWindowTitle("History");
    auto* top = new QHBoxLayout;
    top->addWidget(new QLabel("Show:", this));
    cboFilter = new QComboBox(this);
    cboFilter->setMinimumWidth(260);
    top->addWidget(cboFilter, 1);

    lstVersions = new QTableWidget(0, 5, this);
    lstVersions->setHorizontalHeaderLabels({"Time", "Operation", "Kind", "Name", "File"});
    lstVersions->setSelectionBehavior(QAbstractItemView::SelectRows);
    lstVersions->setSelectionMode(QAbstractItemView::SingleSelection);
    lstVersions->verticalHeader()->hide();
    // Each column as wide as its texts, whatever the window's size; the file takes the rest.
    lstVersions->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    lstVersions->horizontalHeader()->setStretchLastSection(true);

    lblSummary = new QLabel(this);
    lblSummary->setWordWrap(true);
    grdChanges = new QTableWidget(0, 3, this);
    grdChanges->setHorizontalHeaderLabels({"Field", "Kept version", "Now"});
    grdChanges->verticalHeader()->hide();
    grdChanges->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    grdChanges->horizontalHeader()->setSectionResizeMode(0, QHeaderView::ResizeToContents);

    cmdRestore = new QPushButton("Restore", this);
    cmdRestore->setToolTip(
        "Put the selected version back; the present file is kept in the history");
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
        cboFilter->addItem(QString("%1 %2").arg(kKindTitle[k], QString::fromStdString(name)),
                           QStringList{QString::number(k), QString::fromStdString(name)});
    }
    if (!shortName.isEmpty()) {
        const int at = cboFilter->findData(
            QStringList{QString::number(kind),
                        QString::fromStdString(platform::AsciiUpper(shortName.toStdString()))});
        if (at >= 0) cboFilter->setCurrentIndex(at);
    }

    connect(cboFilter, &QComboBox::currentIndexChanged, this, [this] { Reload(); });
    connect(lstVersions, &QTableWidget::itemSelectionChanged, this, [this] { ShowChanges(); });
    connect(cmdRestore, &QPushButton::clicked, this, [this] { RestoreSelected(); });
    connect(cmdClose, &QPushButton::clicked, this, [this] { accept(); });
    Reload();
}

void frmHistory::Reload() {
    const QStringList filter = cboFilter->currentData().toStringList();
    shown_ = filter.size() == 2 ? store_.List(filter[0].toInt(), filter[1].toStdString())
                                : store_.List();
    lstVersions->setRowCount(static_cast<int>(shown_.size()));
    for (int r = 0; r < static_cast<int>(shown_.size()); ++r) {
        const auto& e = shown_[static_cast<std::size_t>(r)];
        lstVersions->setItem(r, 0, Item(TimeText(e.time)));
        lstVersions->setItem(r, 1, Item(QString::fromStdString(e.operation)));
        lstVersions->setItem(r, 2, Item(QString::fromUtf8(b3::KindWord(e.kind))));
        lstVersions->setItem(r, 3, Item(QString::fromStdString(e.name)));
        lstVersions->setItem(r, 4, Item(QString::fromStdString(e.file)));
    }
    lstVersions->resizeColumnsToContents();
    if (!shown_.empty()) {
        lstVersions->selectRow(0);
    } else {
        lblSummary->setText("The history holds no versions of this choice yet.");
        grdChanges->setRowCount(0);
    }
    cmdRestore->setEnabled(!shown_.empty());
}

void frmHistory::ShowChanges() {
    grdChanges->setRowCount(0);
    const int r = lstVersions->currentRow();
    if (r < 0 || r >= static_cast<int>(shown_.size())) return;
    const auto& e = shown_[static_cast<std::size_t>(r)];
    const auto kept = store_.Bytes(e.id);
    std::string now;
    std::error_code ec;
    const bool exists = platform::ReadFileBytes(store_.TargetPath(e), now, ec);
    if (!kept) {
        lblSummary->setText("The bytes of this version are gone from the history.");
        return;
    }
    if (!IsDefinitionFile(e)) {
        lblSummary->setText(QString("%1: %2 bytes kept; %3.")
                                .arg(QString::fromStdString(e.file))
                                .arg(kept->size())
                                .arg(!exists ? QString("the file is gone now")
                                     : now == *kept
                                         ? QString("the file is the same now")
                                         : QString("the file now has %1 bytes").arg(now.size())));
        return;
    }
    // Both versions decoded through the record layout, field by field.
    const b3::RecordLayout& layout = b3::LayoutOf(e.kind);
    const b3::ObjectArray before = b3::DecodeRecord(e.kind, *kept, 0, e.name);
    const b3::ObjectArray after =
        exists ? b3::DecodeRecord(e.kind, now, 0, e.name) : b3::ObjectArray{};
    int changed = 0;
    for (const b3::FieldLayout& f : layout.fields) {
        if (f.access == b3::FieldAccess::WriteOnly) continue;
        const auto c = static_cast<std::size_t>(f.column);
        const QString was = c < before.size() ? CellText(before[c]) : QString();
        const QString is = c < after.size() ? CellText(after[c]) : QString();
        if (exists && was == is) continue;
        const int row = grdChanges->rowCount();
        grdChanges->insertRow(row);
        grdChanges->setItem(row, 0, Item(FieldName(e.kind, f)));
        grdChanges->setItem(row, 1, Item(was));
        grdChanges->setItem(row, 2, Item(exists ? is : QString("(deleted)")));
        ++changed;
    }
    lblSummary->setText(
        !exists ? QString("%1 is gone now; restoring brings it back.")
                      .arg(QString::fromStdString(e.file))
        : changed == 0
            ? QString("%1 holds the same fields now.").arg(QString::fromStdString(e.file))
            : QString("%1: %2 fields differ from the file now.")
                  .arg(QString::fromStdString(e.file))
                  .arg(changed));
}

bool frmHistory::RestoreSelected() {
    bool done = false;
    Trap(services_, "frmHistory::RestoreSelected", [&] {
        const int r = lstVersions->currentRow();
        if (r < 0 || r >= static_cast<int>(shown_.size())) return;
        const auto e = shown_[static_cast<std::size_t>(r)];
        // Every file the same operation kept comes back with it (a deleted army's record and
        // picture together).
        QStringList files;
        for (const b3::HistoryEntry& other : store_.List())
            if (other.operationId == e.operationId)
                files.prepend(QString::fromStdString(other.file));
        if (files.isEmpty()) files.append(QString::fromStdString(e.file));
        const QString text = QString(
                                 "Put %1 back as it was at %2?\r\nThe present file is kept "
                                 "in the history.")
                                 .arg(files.join(", "), TimeText(e.time));
        if (services_.messageBox(this, text, kAppTitle, MsgButtons::YesNo) != MsgResult::Yes)
            return;
        std::string warning;
        store_.RestoreFiles(e.operationId, {}, &warning);
        restored_ = true;
        done = true;
        if (!warning.empty()) {
            services_.messageBox(this,
                                 QString("The present file could not be kept in the history "
                                         "(%1); the version was restored all the same.")
                                     .arg(QString::fromStdString(warning)),
                                 kAppTitle, MsgButtons::Ok);
        }
        Reload();
    });
    return done;
}

}  // namespace b3::editor
