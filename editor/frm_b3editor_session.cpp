// frmB3Editor around the tabs: the File menu with the installations (open, recent, reload), the
// filter over the object list, the window title and status bar, the keyboard shortcuts, and the
// size, place and tab remembered between runs.
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QRegularExpression>
#include <QScreen>
#include <QSettings>
#include <QShowEvent>
#include <QStatusBar>
#include <QTabWidget>
#include <algorithm>

#include "b3/record_layout.h"
#include "b3/table_columns.h"
#include "common_ui/recent_list.h"
#include "common_ui/screen_fit.h"
#include "editor/errors.h"
#include "editor/frm_b3editor.h"
#include "editor/mmain.h"
#include "editor/services.h"
#include "editor/updown.h"
#include "editor/working_copy_history.h"

namespace b3::editor {

namespace {

constexpr const char* kRecentKey = "editor/recentInstallations";
constexpr const char* kGeometryKey = "editor/geometry";
constexpr const char* kTabKey = "editor/tab";

QString FieldWords(const std::string& name) {
    return QString::fromStdString(b3::ColumnWords(name));
}

QString CellString(const b3::Cell& cell) {
    return QString::fromStdString(cell.toString());
}

// A folder as the recent list keeps it: absolute, clean, with the platform's separators.
QString CleanFolder(const QString& folder) {
    return QDir::toNativeSeparators(QDir::cleanPath(QDir(folder).absolutePath()));
}

// Puts `folder` first in the recent list; the same folder spelled otherwise (the other
// separator, a trailing one, and on Windows other letter case) is not kept twice.
void RememberInstallation(const QString& given) {
    QSettings settings;
    settings.setValue(kRecentKey,
                      b3::ui::RecentWithFirst(settings.value(kRecentKey).toStringList(),
                                              CleanFolder(given), frmB3Editor::kMaxRecent));
}

}  // namespace

void frmB3Editor::buildSession() {
    // Shortcuts and mnemonics of the toolbar.
    const struct {
        int position;
        const char* text;
        QKeySequence keys;
    } shortcuts[] = {
        {1, "&New", QKeySequence::New},       {2, "&Save", QKeySequence::Save},
        {4, "&Delete", QKeySequence::Delete}, {5, "&Undo", QKeySequence()},
        {7, "&Print", QKeySequence::Print},   {9, "&Calculator", QKeySequence()},
        {11, "E&xit", QKeySequence()},
    };
    for (const auto& s : shortcuts) {
        // The tabs set the tooltips; the text gets its mnemonic and the action its keys.
        QAction* a = tbrButtons[static_cast<std::size_t>(s.position)];
        a->setText(s.text);
        if (!s.keys.isEmpty()) a->setShortcut(s.keys);
    }

    QMenu* file = menuBar()->addMenu("&File");
    file->setObjectName("mnuFile");
    mnuOpenInstallation = file->addAction("&Open Installation...", this, [this] {
        Trap(services_, "frmB3Editor::OpenInstallation", [&] { OpenInstallation(); });
    });
    mnuOpenInstallation->setObjectName("mnuOpenInstallation");
    mnuOpenInstallation->setShortcut(QKeySequence::Open);
    mnuRecent = file->addMenu("Recent &Installations");
    mnuRecent->setObjectName("mnuRecent");
    mnuReload = file->addAction("&Reload", this, [this] {
        // Unsaved changes are asked about first, as before any other move away.
        if (MayLeave()) RefreshAll();
    });
    mnuReload->setObjectName("mnuReload");
    mnuReload->setShortcut(QKeySequence::Refresh);
    file->addSeparator();
    buildCompareMenu(file);
    file->addSeparator();
    for (std::size_t position : {1u, 2u, 4u, 5u, 7u}) file->addAction(tbrButtons[position]);
    file->addSeparator();
    file->addAction(tbrButtons[11]);
    fillRecentMenu();

    // The filter beside the object list.
    txtFilter = new QLineEdit(cboEditObject->parentWidget());
    txtFilter->setObjectName("txtFilter");
    txtFilter->setPlaceholderText("Find by name, short name or description");
    txtFilter->setClearButtonEnabled(true);
    txtFilter->setMinimumWidth(240);
    auto* row = static_cast<QHBoxLayout*>(cboEditObject->parentWidget()->layout());
    auto* label = new QLabel("F&ind:", cboEditObject->parentWidget());
    label->setBuddy(txtFilter);
    row->insertWidget(row->indexOf(cboEditObject) + 1, label);
    row->insertWidget(row->indexOf(label) + 1, txtFilter);
    connect(txtFilter, &QLineEdit::textChanged, this, [this](const QString& text) {
        Trap(services_, "frmB3Editor::ApplyFilter", [&] { ApplyFilter(text); });
    });

    lblStatusObject = new QLabel(this);
    lblStatusObject->setObjectName("lblStatusObject");
    lblStatusInstall = new QLabel(this);
    lblStatusInstall->setObjectName("lblStatusInstall");
    statusBar()->addWidget(lblStatusObject, 1);
    statusBar()->addPermanentWidget(lblStatusInstall);
    connect(cboEditObject, &QComboBox::currentIndexChanged, this, [this] { UpdateTitle(); });
    connect(sstEditor, &QTabWidget::currentChanged, this, [this](int tab) {
        QSettings().setValue(kTabKey, tab);
        UpdateTitle();
    });
    buildHistory();
    if (holder_.HasEditObject())
        RememberInstallation(QString::fromStdString(editObject().InstallPath()));
    UpdateTitle();
}

void frmB3Editor::buildHistory() {
    QGroupBox* const frames[kKindCount] = {fraItemEdit, fraArmyEdit, fraHeroEdit, fraSiteEdit,
                                           fraSpellEdit};
    history_ = std::make_unique<WorkingCopyHistory>(
        [this] {
            QGroupBox* const edit[kKindCount] = {fraItemEdit, fraArmyEdit, fraHeroEdit, fraSiteEdit,
                                                 fraSpellEdit};
            return model_.kind() >= 0 && model_.kind() < kKindCount
                       ? static_cast<QWidget*>(edit[model_.kind()])
                       : nullptr;
        },
        this);
    for (QGroupBox* frame : frames) history_->watch(frame);
    // The description boxes keep their text in the hidden boxes of their columns.
    const std::array<QLineEdit*, kKindCount> held = {txtItemProps[3], txtArmyProps[2],
                                                     txtHeroProps[3], nullptr, txtSpellProps[2]};
    for (int k = 0; k < kKindCount; ++k) {
        const auto i = static_cast<std::size_t>(k);
        if (txtDescription[i] && held[i]) history_->pairBox(txtDescription[i], held[i]);
    }

    // Each control's change is named after its field.
    const auto name = [](int kind, int column) {
        for (const b3::TableColumn& c : b3::TableColumns(kind))
            if (c.column == column) return FieldWords(c.name);
        return QString("Field");
    };
    const auto label = [&](int kind, auto& boxes, auto& spinners) {
        for (std::size_t c = 0; c < boxes.size(); ++c) {
            if (boxes[c]) history_->setLabel(boxes[c], name(kind, static_cast<int>(c)));
            if (spinners[c]) history_->setLabel(spinners[c], name(kind, static_cast<int>(c)));
        }
    };
    label(kItem, txtItemProps, updItemProps);
    label(kArmy, txtArmyProps, updArmyProps);
    label(kHero, txtHeroProps, updHeroProps);
    label(kSite, txtSiteProps, chkSite);
    label(kSpell, txtSpellProps, updSpellProps);
    history_->setLabel(updPicSelect, "Icon Number");
    history_->setLabel(cboItemPowers[0], "Power 1 Type");
    history_->setLabel(cboItemPowers[1], "Power 2 Type");
    history_->setLabel(cboArmyPowers, "Power Type");
    history_->setLabel(lstMoveBonuses, "Move Bonuses");
    history_->setLabel(cboMoveBonus, "Move Bonuses");
    history_->setLabel(cboBonusTerrain, "Combat Bonus Terrain");
    history_->setLabel(cboSound, "Sound");
    history_->setLabel(cboFacing, "Default Facing");
    history_->setLabel(cboHeroSound, "Sound");
    history_->setLabel(cboHeroFacing, "Facing");
    history_->setLabel(cboSitePowers, "Power 1 Type");
    for (std::size_t p = 0; p < 4; ++p) {
        history_->setLabel(cboSpellPowers[p], QString("Power %1 Type").arg(p + 1));
        history_->setLabel(cboSpellArmy[p], QString("Power %1 Description").arg(p + 1));
    }

    // Another object, another tab or the files read again: a new working copy.
    // A move the user cancels ("Save changes?") puts the list back on the same object, whose
    // working copy keeps its history.
    connect(cboEditObject, &QComboBox::currentIndexChanged, history_.get(), [this] {
        const int key = SelectedRowKey();
        if (key >= 0 && key == historyKey_) return;
        historyKey_ = key;
        history_->restart();
    });
    connect(sstEditor, &QTabWidget::currentChanged, history_.get(), [this] {
        historyKey_ = -1;
        history_->restart();
    });
    // The toolbar's Undo puts the stored object back as one change that can itself be undone.
    connect(tbrButtons[5], &QAction::triggered, history_.get(),
            [this] { history_->nameNextChange("Undo Changes"); });

    QMenu* edit = menuBar()->addMenu("&Edit");
    edit->setObjectName("mnuEdit");
    mnuUndo = history_->stack().createUndoAction(this, "&Undo");
    mnuUndo->setObjectName("mnuUndo");
    mnuUndo->setShortcut(QKeySequence::Undo);
    mnuRedo = history_->stack().createRedoAction(this, "&Redo");
    mnuRedo->setObjectName("mnuRedo");
    mnuRedo->setShortcuts(
        {QKeySequence(Qt::CTRL | Qt::Key_Y), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z)});
    edit->addAction(mnuUndo);
    edit->addAction(mnuRedo);
    edit->addSeparator();
    QAction* find = edit->addAction("&Find", this, [this] {
        txtFilter->setFocus();
        txtFilter->selectAll();
    });
    find->setShortcut(QKeySequence::Find);
    history_->restart();
}

void frmB3Editor::fillRecentMenu() {
    mnuRecent->clear();
    const QStringList recent = RecentInstallations();
    for (int i = 0; i < recent.size(); ++i) {
        const QString folder = recent[i];
        QAction* a =
            mnuRecent->addAction(QString("&%1 %2").arg(i + 1).arg(QDir::toNativeSeparators(folder)),
                                 this, [this, folder] {
                                     Trap(services_, "frmB3Editor::SwitchInstallation",
                                          [&] { SwitchInstallation(folder); });
                                 });
        a->setData(folder);
    }
    mnuRecent->setEnabled(!recent.isEmpty());
}

QStringList frmB3Editor::RecentInstallations() {
    return QSettings().value(kRecentKey).toStringList();
}

void frmB3Editor::OpenInstallation() {
    FileDialogRequest request;
    request.title = "Open Installation";
    request.initialFolder = holder_.HasEditObject()
                                ? QString::fromStdString(editObject().InstallPath())
                                : QDir::homePath();
    request.save = false;
    request.folder = true;
    const auto chosen = services_.fileDialog(this, request);
    if (chosen) SwitchInstallation(*chosen);
}

bool frmB3Editor::SwitchInstallation(const QString& folder) {
    if (!MayLeave()) return false;
    const b3::CreateOptions previous = holder_.CreateOptions();
    const QString clean = CleanFolder(folder);
    holder_.UseInstallFolder(clean.toStdString());
    try {
        holder_.CreateEditObject();
    } catch (const b3::Error& e) {
        services_.messageBox(
            this,
            QString("The folder %1 cannot be opened as the game's installation:\n%2\n\nChoose the "
                    "folder that holds the game's Army, Hero, Items, Sites and Spell folders.")
                .arg(clean, QString::fromStdString(e.description())),
            kAppTitle, MsgButtons::Error);
        holder_.SetCreateOptions(previous);
        holder_.ReleaseEditObject();
        try {
            holder_.CreateEditObject();
        } catch (const b3::Error&) {
            // The previous installation is gone too; the tabs keep what they show.
        }
        return false;
    }
    RememberInstallation(clean);
    fillRecentMenu();
    txtFilter->clear();
    IsReady = false;
    model_.setData(editObject().GetEditObjectData(model_.kind()));
    Initialize(model_.kind());
    IsReady = true;
    UpdateTitle();
    return true;
}

void frmB3Editor::ApplyFilter(const QString& text) {
    model_.setFilter(text);
    // Only the list changes: the frames keep the object on show, and it stays that object (and
    // listed) whether it matches or not.
    RelistKeeping(ShortNameAt(model_.shownPosition()));
}

void frmB3Editor::RelistKeeping(const QString& keep) {
    {
        const QSignalBlocker blockList(cboEditObject);
        const QSignalBlocker blockBrowse(updBrowse);
        SyncingList = true;
        FillEditObjectSelectComboBox(keep);
        updBrowse->setMax(model_.count() - 1);
        const int at = PositionOf(keep);
        cboEditObject->setCurrentIndex(at);
        updBrowse->setValue(at >= 0 ? at : updBrowse->min());
        BrowseAligned = at >= 0;
        SyncingList = false;
        // The object on show keeps its working copy at its new place in the list.
        model_.setShownPosition(at);
        lastBrowseValue_ = updBrowse->value();
        MarkComparedList();
    }
    UpdateTitle();
}

void frmB3Editor::UpdateTitle() {
    if (!lblStatusInstall) return;
    const QString install =
        holder_.HasEditObject() ? QString::fromStdString(editObject().InstallPath()) : QString();
    QString object;
    const int row = SelectedRowKey();
    const b3::DataArray& table = DataArray();
    if (row >= 0 && static_cast<std::size_t>(row) < table.rows() && model_.kind() >= 0 &&
        model_.kind() < kKindCount) {
        const b3::RecordLayout& layout = b3::LayoutOf(model_.kind());
        const QString name = CellString(table.at(static_cast<std::size_t>(row),
                                                 static_cast<std::size_t>(layout.shortNameColumn)));
        const QString file = model_.kind() == kSpell
                                 ? name.section(QRegularExpression("[/\\\\]"), -1)
                                 : name + layout.extension;
        object = QString("%1 (%2)").arg(file.left(file.size() - 4), file);
        lblStatusObject->setText(QString("%1 %2").arg(sstEditor->tabText(model_.kind()), object));
    } else {
        lblStatusObject->setText(
            model_.filter().isEmpty()
                ? QString("%1 objects").arg(model_.count())
                : QString("%1 of %2 objects match").arg(model_.count()).arg(table.rows()));
    }
    lblStatusInstall->setText(QDir::toNativeSeparators(install));
    QString title = "Banerule 3 Editor";
    if (!object.isEmpty()) title += " - " + object;
    if (!install.isEmpty()) title += " - " + QDir::toNativeSeparators(install);
    setWindowTitle(title);
    // Delete and Undo act on the object on show.
    const bool selected = row >= 0;
    tbrButtons[4]->setEnabled(selected);
    tbrButtons[5]->setEnabled(selected);
}

void frmB3Editor::SaveWindowState() {
    QSettings settings;
    settings.setValue(kGeometryKey, saveGeometry());
    settings.setValue(kTabKey, sstEditor->currentIndex());
}

void frmB3Editor::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (fittedToScreen_) return;
    fittedToScreen_ = true;
    FitFrameToScreen();
}

void frmB3Editor::FitFrameToScreen() {
    b3::ui::FitToScreen(this);
}

void frmB3Editor::RestoreWindowState() {
    QSettings settings;
    const QByteArray geometry = settings.value(kGeometryKey).toByteArray();
    if (!geometry.isEmpty()) restoreGeometry(geometry);
    const int tab = settings.value(kTabKey, 0).toInt();
    if (tab > 0 && tab < sstEditor->count()) sstEditor->setCurrentIndex(tab);
}

}  // namespace b3::editor
