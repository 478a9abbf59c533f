#include "editor/frm_apply_patch.h"

#include <QDir>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <QVBoxLayout>
#include <algorithm>

#include "b3/history.h"
#include "b3/table_columns.h"
#include "platform/text1252.h"

namespace b3::editor {

namespace {

namespace bp = b3::patch;

const QColor kConflictColour(250, 208, 204);

// One line of the table.
struct Row {
    int kind = 0;
    QString object;
    QStringList cells;
    bool conflict = false;
};

QString Kind(int kind) {
    QString word = QString::fromUtf8(b3::KindWord(kind));
    if (!word.isEmpty()) word[0] = word[0].toUpper();
    return word;
}

QString FieldText(const std::string& field) {
    if (field == "(object)") return "(whole object)";
    if (field == "OtherBytes") return "Bytes outside the fields";
    return QString::fromStdString(b3::ColumnWords(field));
}

QTableWidgetItem* Cell(const QString& text) {
    auto* item = new QTableWidgetItem(text);
    item->setFlags(item->flags() & ~Qt::ItemIsEditable);
    item->setToolTip(text);
    return item;
}

std::vector<Row> Rows(const bp::ApplyReport& report) {
    std::vector<Row> rows;
    for (const bp::PlannedChange& c : report.planned) {
        Row row{c.kind, QString::fromStdString(c.object), {}, false};
        const QString object = Kind(c.kind) + " " + row.object;
        if (c.field == "(object)") {
            const bool added = c.after == "added";
            row.cells = {object, FieldText(c.field), QString(), added ? "added" : "removed",
                         added ? "Will be added" : "Will be removed"};
        } else {
            row.cells = {object, FieldText(c.field), QString::fromStdString(c.before),
                         QString::fromStdString(c.after), "Will change"};
        }
        rows.push_back(std::move(row));
    }
    for (const bp::Conflict& c : report.conflicts) {
        Row row{c.kind, QString::fromStdString(c.object), {}, true};
        const QString state = c.field == "(object)" && c.current == "missing"
                                  ? "Conflict: not in this installation"
                              : c.field == "(object)" && c.current == "changed since"
                                  ? "Conflict: changed here since the patch was made"
                                  : QString("Conflict: this installation has %1")
                                        .arg(QString::fromStdString(c.current));
        row.cells = {Kind(c.kind) + " " + row.object, FieldText(c.field),
                     QString::fromStdString(c.base), QString::fromStdString(c.patch), state};
        rows.push_back(std::move(row));
    }
    // Object by object, each in the patch's order.
    std::stable_sort(rows.begin(), rows.end(), [](const Row& a, const Row& b) {
        if (a.kind != b.kind) return a.kind < b.kind;
        return a.object.compare(b.object, Qt::CaseInsensitive) < 0;
    });
    return rows;
}

QString Counted(std::size_t n, const char* one, const char* many) {
    return QString("%1 %2").arg(n).arg(n == 1 ? one : many);
}

}  // namespace

frmApplyPatch::frmApplyPatch(const bp::Patch& patch, const std::string& installFolder,
                             const QString& file, QWidget* parent)
    : QDialog(parent), keep_(bp::ApplyPatch(patch, installFolder, bp::ConflictChoice::Keep, true)) {
    if (!keep_.conflicts.empty())
        take_ = bp::ApplyPatch(patch, installFolder, bp::ConflictChoice::Force, true);
    setWindowTitle("Apply Patch");

    lblPatch = new QLabel(this);
    lblPatch->setObjectName("lblPatch");
    lblPatch->setWordWrap(true);
    lblPatch->setTextFormat(Qt::PlainText);
    QString about = QString("Patch \"%1\" from %2\non %3")
                        .arg(QString::fromStdString(patch.name), QDir::toNativeSeparators(file),
                             QDir::toNativeSeparators(QString::fromStdString(installFolder)));
    if (!patch.description.empty())
        about += "\n" + QString::fromStdString(patch.description).simplified();
    lblPatch->setText(about);

    grdChanges = new QTableWidget(0, 5, this);
    grdChanges->setObjectName("grdChanges");
    grdChanges->setHorizontalHeaderLabels({"Object", "Field", "Old", "New", "State"});
    grdChanges->setSelectionBehavior(QAbstractItemView::SelectRows);
    grdChanges->setWordWrap(false);
    grdChanges->verticalHeader()->hide();
    grdChanges->verticalHeader()->setDefaultSectionSize(grdChanges->fontMetrics().height() + 8);
    grdChanges->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    grdChanges->horizontalHeader()->setStretchLastSection(true);

    lblSummary = new QLabel(this);
    lblSummary->setObjectName("lblSummary");
    lblSummary->setWordWrap(true);

    fraConflicts = new QGroupBox(
        "Where this installation holds another value than the patch's old "
        "one",
        this);
    auto* choices = new QVBoxLayout(fraConflicts);
    optKeep = new QRadioButton("&Keep this installation's value", fraConflicts);
    optKeep->setObjectName("optKeep");
    optTake = new QRadioButton("&Take the patch's value", fraConflicts);
    optTake->setObjectName("optTake");
    optKeep->setChecked(true);
    choices->addWidget(optKeep);
    choices->addWidget(optTake);
    fraConflicts->setVisible(!keep_.conflicts.empty());

    cmdApply = new QPushButton("&Apply", this);
    cmdApply->setObjectName("cmdApply");
    cmdApply->setToolTip("Write the changes; the files as they are now are kept in the history");
    cmdCancel = new QPushButton("Cancel", this);
    cmdCancel->setObjectName("cmdCancel");
    cmdCancel->setToolTip("Close without writing anything");
    cmdCancel->setDefault(true);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(cmdApply);
    buttons->addWidget(cmdCancel);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(lblPatch);
    layout->addWidget(grdChanges, 1);
    layout->addWidget(lblSummary);
    layout->addWidget(fraConflicts);
    layout->addLayout(buttons);
    resize(820, 520);

    connect(optKeep, &QRadioButton::toggled, this, [this] { UpdateSummary(); });
    connect(cmdApply, &QPushButton::clicked, this, [this] { accept(); });
    connect(cmdCancel, &QPushButton::clicked, this, [this] { reject(); });
    FillTable();
    UpdateSummary();
}

bp::ConflictChoice frmApplyPatch::choice() const {
    return optTake->isChecked() ? bp::ConflictChoice::Force : bp::ConflictChoice::Keep;
}

std::size_t frmApplyPatch::filesToWrite() const {
    return choice() == bp::ConflictChoice::Force ? take_.files : keep_.files;
}

void frmApplyPatch::FillTable() {
    const std::vector<Row> rows = Rows(keep_);
    grdChanges->setRowCount(static_cast<int>(rows.size()));
    for (int r = 0; r < static_cast<int>(rows.size()); ++r) {
        const Row& row = rows[static_cast<std::size_t>(r)];
        for (int c = 0; c < row.cells.size(); ++c) {
            QTableWidgetItem* item = Cell(row.cells[c]);
            if (row.conflict) {
                item->setBackground(kConflictColour);
                item->setToolTip(
                    row.cells[c] +
                    "\n\nThis installation holds another value than the one the patch was made "
                    "from. Choose below whether Apply keeps it or takes the patch's.");
            }
            grdChanges->setItem(r, c, item);
        }
    }
    grdChanges->setCurrentItem(nullptr);
    grdChanges->resizeColumnsToContents();
    // Long values (descriptions, pictures) are cut to leave the state in sight; each cell's
    // tooltip has the whole text.
    for (int c : {kOld, kNew}) {
        if (grdChanges->columnWidth(c) > 220) grdChanges->setColumnWidth(c, 220);
    }
}

void frmApplyPatch::UpdateSummary() {
    const bp::ApplyReport& report = choice() == bp::ConflictChoice::Force ? take_ : keep_;
    QString text;
    if (report.files == 0) {
        text = keep_.conflicts.empty()
                   ? "This installation already holds everything the patch changes: there is "
                     "nothing to write."
                   : "Keeping this installation's values leaves nothing to write.";
    } else {
        text = QString(
                   "Apply changes %1, adds %2 and removes %3 (%4). Nothing is written "
                   "before you press Apply; the files as they are now are kept in the "
                   "history.")
                   .arg(Counted(report.objectsChanged, "object", "objects"))
                   .arg(report.objectsAdded)
                   .arg(report.objectsRemoved)
                   .arg(Counted(report.files, "file", "files"));
    }
    if (!keep_.conflicts.empty()) {
        text = Counted(keep_.conflicts.size(), "conflict", "conflicts") + " (red). " + text;
    }
    lblSummary->setText(text);
    cmdApply->setEnabled(report.files > 0);
}

}  // namespace b3::editor
