#include "editor/frm_b3editor.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QStyle>
#include <QTabWidget>
#include <QTextCursor>
#include <QTextDocument>
#include <QToolBar>
#include <QVBoxLayout>

#include "b3/record_layout.h"
#include "common_ui/screen_fit.h"
#include "editor/compare_view.h"
#include "editor/errors.h"
#include "editor/frm_heroprops.h"
#include "editor/mmain.h"
#include "editor/modules.h"
#include "editor/pictures.h"
#include "editor/powers.h"
#include "editor/save_names.h"
#include "editor/services.h"
#include "editor/strings.h"
#include "editor/updown.h"
#include "editor/working_copy_history.h"
#include "platform/files.h"

namespace b3::editor {

namespace {

void ProgramAnchor() {}

// Shows the hourglass while a command runs.
class WaitCursor {
public:
    WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QApplication::restoreOverrideCursor(); }
};

}  // namespace

// ---------------------------------------------------------------------------------------------
// Construction of the window

frmB3Editor::frmB3Editor(EditorServices& services, EditObjectHolder& holder, QWidget* parent)
    : QMainWindow(parent), services_(services), holder_(holder) {
    setWindowTitle("Banerule 3 Editor");
    buildToolbar();

    auto* central = new QWidget(this);
    auto* column = new QVBoxLayout(central);
    column->setContentsMargins(6, 4, 6, 6);
    buildBrowseBar(central);
    column->addWidget(updBrowse->parentWidget());

    buildTabs(central);
    column->addWidget(sstEditor, 1);
    setCentralWidget(central);

    connect(sstEditor, &QTabWidget::currentChanged, this, [this] { sstEditor_Click(); });
    connect(updBrowse, &UpDown::changed, this, [this] { updBrowse_Change(); });
    connect(cboEditObject, &QComboBox::currentIndexChanged, this,
            [this] { cboEditObject_Click(); });

    Form_Load();
    buildSession();
    RestoreWindowState();
}

frmB3Editor::~frmB3Editor() = default;

void frmB3Editor::Form_Load() {
    Trap(services_, "frmB3Editor::Form_Load", [&] {
        // Large enough for the largest tab without scrolling, where the screen allows.
        adjustSize();
        QSize content;
        for (int i = 0; i < sstEditor->count(); ++i)
            if (auto* area = qobject_cast<QScrollArea*>(sstEditor->widget(i)))
                content = content.expandedTo(area->widget()->sizeHint());
        resize(std::max({width(), content.width() + 40, 900}),
               std::max({height(), content.height() + height() - sstEditor->height() + 40, 600}));
        if (const QScreen* screen = QApplication::primaryScreen()) {
            const QRect area = screen->availableGeometry();
            // Never larger than the screen: the tabs scroll instead.
            resize(std::min(width(), area.width()), std::min(height(), area.height()));
            move(area.left() + (area.width() - width()) / 2,
                 area.top() + (area.height() - height()) / 2);
        }
        IsReady = false;
        model_.setData(editObject().GetEditObjectData(0));
        OneTimeInitialize();
        model_.setKind(0);
        Initialize(model_.kind());
        IsReady = true;
    });
}

void frmB3Editor::OneTimeInitialize() {
    Trap(services_, "frmB3Editor::OneTimeInitialize", [&] {
        updPicSelect->setMax(31);
        MItem::FillItemPowerComboBox(cboItemPowers[0]);
        MItem::FillItemPowerComboBox(cboItemPowers[1]);
        MArmy::FillArmyPowerComboBox(cboArmyPowers);
        MSite::FillSitePowerComboBox(cboSitePowers);
        for (QComboBox* c : cboSpellPowers) MSpell::FillSpellPowerComboBox(c);
        FillComboFromStringRange(cboSound, 22);
        FillComboFromStringRange(cboHeroSound, 22);
        FillComboFromStringRange(cboFacing, 23);
        FillComboFromStringRange(cboHeroFacing, 23);
        FillComboFromStringRange(cboMoveBonus, 11);
        FillComboFromStringRange(cboBonusTerrain, 15);
    });
}

void frmB3Editor::FillComboFromStringRange(QComboBox* combo, int rangeCode) {
    int first = 0, last = -1;
    switch (rangeCode) {
        case 22:
            first = kSoundBase, last = kSoundBase + 10;
            break;
        case 23:
            first = kFacingBase, last = kFacingBase + 7;
            break;
        case 11:
            first = kMoveTerrainBase, last = kMoveTerrainBase + 7;
            break;
        case 15:
            first = kCombatTerrainBase, last = kCombatTerrainBase + 6;
            break;
        default:
            return;
    }
    const QSignalBlocker block(combo);
    for (int id = first; id <= last; ++id) combo->addItem(LoadResString(id), id);
    combo->setCurrentIndex(-1);
}

void frmB3Editor::Initialize(std::int16_t kind) {
    // Reloading the list is no move away from an object the user is asked about.
    const bool approved = leaveApproved_;
    leaveApproved_ = true;
    Trap(services_, "frmB3Editor::Initialize", [&] {
        SyncingList = true;
        FillEditObjectSelectComboBox();
        SyncingList = false;
        // The objects listed: all of the kind, or those the filter lets through.
        updBrowse->setMax(model_.count() - 1);
        BrowseAligned = true;
        updBrowse->setValue(updBrowse->min());
        for (QLabel* plus : lblPlus) plus->setVisible(false);
        BrowseAligned = false;
        PictureAligned = false;
        SyncingList = false;
        cboEditObject->setCurrentIndex(-1);
        switch (kind) {
            case kItem:
                MItem::Initialize(*this);
                break;
            case kArmy:
                MArmy::Initialize(*this);
                break;
            case kHero:
                MHero::Initialize(*this);
                break;
            case kSite:
                MSite::Initialize(*this);
                break;
            case kSpell:
                MSpell::Initialize(*this);
                break;
            default:
                break;
        }
        TakeBaseline();
        MarkComparedList();
    });
    leaveApproved_ = approved;
    UpdateTitle();
}

void frmB3Editor::FillEditObjectSelectComboBox(const QString& keep) {
    Trap(services_, "frmB3Editor::FillEditObjectSelectComboBox", [&] {
        cboEditObject->clear();
        model_.Relist(keep);
        for (const EditorModel::Entry& entry : model_.entries())
            cboEditObject->addItem(entry.name, entry.rowKey);
    });
}

void frmB3Editor::DisplayEditObjectProps(int position, std::int16_t kind) {
    Trap(services_, "frmB3Editor::DisplayEditObjectProps", [&] {
        if (!IsReady) return;
        if (position < 0 || position >= cboEditObject->count()) return;
        const int row = model_.RowKeyAt(position);
        if (row < 0) return;  // an object only another installation holds
        const b3::DataArray& table = DataArray();
        switch (kind) {
            case kItem:
                MItem::DisplayProps(*this, table, row);
                break;
            case kArmy:
                MArmy::DisplayProps(*this, table, row);
                break;
            case kHero:
                MHero::DisplayProps(*this, table, row);
                break;
            case kSite:
                MSite::DisplayProps(*this, table, row);
                break;
            case kSpell:
                MSpell::DisplayProps(*this, table, row);
                break;
            default:
                break;
        }
        // The working copy is measured against what was shown once the list selects it (the
        // spinner moves the list after the display).
        if (cboEditObject->currentIndex() == position) TakeBaseline();
        model_.setShownPosition(position);
        reportedStamp_.clear();
        MarkComparedObject();
    });
}

int frmB3Editor::SelectedRowKey() const {
    return model_.RowKeyAt(cboEditObject->currentIndex());
}

void frmB3Editor::cboEditObject_Click() {
    Trap(services_, "frmB3Editor::cboEditObject_Click", [&] {
        const int pos = cboEditObject->currentIndex();
        if (!SyncingList && pos != -1 && pos != model_.shownPosition() && !leaveApproved_ &&
            WorkingCopyDiffers()) {
            // The list moved before the question could be asked: it goes back to the shown
            // object until the user has answered.
            const QString target = ShortNameAt(pos);
            SyncingList = true;
            cboEditObject->setCurrentIndex(model_.shownPosition());
            SyncingList = false;
            if (!MayLeave()) return;
            if (PositionOf(target) >= 0) ShowByShortName(target);
            return;
        }
        BlankHeroPropsIfNeeded();
        if (pos != -1 && !SyncingList) {
            DisplayEditObjectProps(pos, model_.kind());
            // Browsing goes on from the object chosen.
            const QSignalBlocker block(updBrowse);
            updBrowse->setValue(pos);
            BrowseAligned = true;
            lastBrowseValue_ = updBrowse->value();
        }
    });
}

void frmB3Editor::updBrowse_Change() {
    Trap(services_, "frmB3Editor::updBrowse_Change", [&] {
        // The first step after the list was loaded shows the first object; from then on the
        // spinner's value is the list position.
        const int pos = BrowseAligned ? updBrowse->value() : updBrowse->value() - 1;
        if (IsReady && pos != model_.shownPosition() && !leaveApproved_ && WorkingCopyDiffers()) {
            const QString target = ShortNameAt(pos);
            {
                const QSignalBlocker block(updBrowse);
                updBrowse->setValue(lastBrowseValue_);
            }
            if (!MayLeave()) return;
            if (PositionOf(target) >= 0) ShowByShortName(target);
            return;
        }
        BlankHeroPropsIfNeeded();
        DisplayEditObjectProps(pos, model_.kind());
        SyncingList = true;
        cboEditObject->setCurrentIndex(pos < cboEditObject->count() ? pos : -1);
        SyncingList = false;
        BrowseAligned = true;
        if (IsReady) TakeBaseline();
    });
}

void frmB3Editor::sstEditor_Click() {
    const int target = sstEditor->currentIndex();
    if (target != model_.kind() && !leaveApproved_ && WorkingCopyDiffers()) {
        {
            const QSignalBlocker block(sstEditor);
            sstEditor->setCurrentIndex(model_.kind());
        }
        if (!MayLeave()) return;
        const QSignalBlocker block(sstEditor);
        sstEditor->setCurrentIndex(target);
    }
    TabChange();
}

void frmB3Editor::TabChange() {
    Trap(services_, "frmB3Editor::TabChange", [&] {
        IsReady = false;
        WaitCursor wait;
        model_.setKind(static_cast<std::int16_t>(sstEditor->currentIndex()));
        if (FolderDiffers(model_.kind())) {
            // Other programs added, deleted or renamed objects of this kind meanwhile.
            holder_.ReleaseEditObject();
            holder_.CreateEditObject();
        }
        model_.setData(editObject().GetEditObjectData(model_.kind()));
        Initialize(model_.kind());
        CheckForHeroProps();
        TakeBaseline();  // the hero's working copy includes the grid, loaded just now
        IsReady = true;
    });
    IsReady = true;
}

void frmB3Editor::CheckForHeroProps() {
    Trap(services_, "frmB3Editor::CheckForHeroProps", [&] {
        if (model_.kind() == kHero) {
            if (!frmHeroProps_) frmHeroProps_ = std::make_unique<frmHeroProps>(*this, this);
        } else {
            frmHeroProps_.reset();
        }
    });
}

void frmB3Editor::BlankHeroPropsIfNeeded() {
    Trap(services_, "frmB3Editor::BlankHeroPropsIfNeeded", [&] {
        if (model_.kind() == kHero && frmHeroProps_) {
            frmHeroProps_->setHasFilledProps(false);
            frmHeroProps_->Forget();
        }
    });
}

void frmB3Editor::cmdHeroProps_Click() {
    Trap(services_, "frmB3Editor::cmdHeroProps_Click", [&] {
        CheckForHeroProps();
        if (!frmHeroProps_) return;
        if (!frmHeroProps_->HasFilledProps() && !frmHeroProps_->HoldsKeptEdits()) {
            const int row = SelectedRowKey();
            if (row >= 0) {
                frmHeroProps_->StartFromPreexistArray(DataArray(), row);
            } else {
                frmHeroProps_->CreateEmptyArray();
            }
        }
        const frmHeroProps::State before = frmHeroProps_->state();
        b3::ui::FitToScreen(frmHeroProps_.get());
        services_.execDialog(*frmHeroProps_);
        if (!frmHeroProps_) return;
        const frmHeroProps::State after = frmHeroProps_->state();
        // Edits the user kept are one step of the working copy's history.
        if (after.values == before.values && after.dirty == before.dirty) return;
        history_->push(new ChangeValueCommand<frmHeroProps::State>(
            "Hero Properties", before, after, [this](const frmHeroProps::State& state) {
                if (frmHeroProps_) frmHeroProps_->setState(state);
            }));
    });
}

void frmB3Editor::RefreshAll() {
    Trap(services_, "frmB3Editor::RefreshAll", [&] {
        holder_.ReleaseEditObject();
        holder_.CreateEditObject();
        model_.setData(editObject().GetEditObjectData(model_.kind()));
        // Every tab, the site tab included, comes back with nothing selected and nothing shown.
        model_.ClearPictures();
        Initialize(model_.kind());
        WatchInstallation();
    });
}

void frmB3Editor::ExitProgram() {
    Trap(services_, "frmB3Editor::ExitProgram", [&] {
        if (exiting_) return;
        if (!MayLeave()) return;
        exiting_ = true;
        model_.ReleaseObjects();
        holder_.ReleaseEditObject();
        frmHeroProps_.reset();
        hide();
        services_.quit();
    });
}

void frmB3Editor::closeEvent(QCloseEvent* event) {
    // Closing asks about unsaved changes first; Cancel keeps the window open.
    SaveWindowState();
    ExitProgram();
    if (exiting_) {
        event->accept();
    } else {
        event->ignore();
    }
}

bool frmB3Editor::eventFilter(QObject* watched, QEvent* event) {
    if (watched == txtArmyProps[20] && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        const QString text = key->text();
        if (key->key() == Qt::Key_Backspace) return false;
        // Character keys other than the digits are dropped; moving keys keep working.
        if (!text.isEmpty() && text.at(0).isPrint() &&
            !(text.size() == 1 && text.at(0).isDigit() && text.at(0).unicode() < 128)) {
            return true;
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

// ---------------------------------------------------------------------------------------------
// Army tab events

void frmB3Editor::txtArmyProps_Change(int index) {
    Trap(services_, "frmB3Editor::txtArmyProps_Change", [&] {
        if (index != 20) return;
        QLineEdit* box = txtArmyProps[20];
        const QString text = box->text();
        if (text.isEmpty()) {
            box->setText("0");
            return;
        }
        bool ok = false;
        const long long v = text.toLongLong(&ok);
        if (!ok || v > 9999) box->setText("9999");
    });
}

void frmB3Editor::ProcessMoveBonus(const QString& text, int mode) {
    Trap(services_, "frmB3Editor::ProcessMoveBonus", [&] {
        if (mode != 1) return;
        const QString t = text.trimmed();
        if (!t.isEmpty()) lstMoveBonuses->addItem(t.toLower());
    });
}

void frmB3Editor::cboMoveBonus_Click() {
    Trap(services_, "frmB3Editor::cboMoveBonus_Click", [&] {
        if (cboMoveBonus->currentIndex() >= 0 && lstMoveBonuses->count() < 4) {
            lstMoveBonuses->addItem(cboMoveBonus->currentText());
        }
    });
}

void frmB3Editor::lstMoveBonuses_DblClick() {
    Trap(services_, "frmB3Editor::lstMoveBonuses_DblClick", [&] {
        const int row = lstMoveBonuses->currentRow();
        if (row >= 0) delete lstMoveBonuses->takeItem(row);
    });
}

void frmB3Editor::updArmyProps_Change(int index) {
    Trap(services_, "frmB3Editor::updArmyProps_Change", [&] {
        if (index == 18 || index == 23) ShowEditPluses();
    });
}

void frmB3Editor::updItemProps_Change(int index) {
    Trap(services_, "frmB3Editor::updItemProps_Change", [&] {
        if (index == 8 || index == 10) ShowEditPluses();
    });
}

void frmB3Editor::updSiteProps_Change(int index) {
    Trap(services_, "frmB3Editor::updSiteProps_Change", [&] {
        if (index == 4) ShowEditPluses();
    });
}

void frmB3Editor::updSpellProps_Change(int index) {
    Trap(services_, "frmB3Editor::updSpellProps_Change", [&] {
        if (index == 5 || index == 9 || index == 13 || index == 17) ShowEditPluses();
    });
}

void frmB3Editor::cboSpellPowers_Click(int slot) {
    Trap(services_, "frmB3Editor::cboSpellPowers_Click", [&] {
        const std::size_t n = static_cast<std::size_t>(slot);
        QComboBox* power = cboSpellPowers[n];
        const bool summon =
            power->currentIndex() >= 0 && power->currentData().toInt() == kSummonArmy;
        cboSpellArmy[n]->setVisible(summon);
        if (!summon) cboSpellArmy[n]->setCurrentIndex(-1);
        UpDown* value2 = updSpellProps[6 + 4 * n];
        value2->setVisible(summon);
        lblVal2[n]->setVisible(summon);
        // The second value only means something for a summoning power: its box is hidden with
        // its spinner otherwise.
        txtSpellProps[6 + 4 * n]->setVisible(summon);
        txtSpellProps[6 + 4 * n]->setEnabled(summon);
    });
}

// ---------------------------------------------------------------------------------------------
// Plus markers

void frmB3Editor::ShowPluses(int row) {
    Trap(services_, "frmB3Editor::ShowPluses", [&] {
        const auto& d = DataArray();
        auto mark = [&](int marker, int column) {
            lblPlus[static_cast<std::size_t>(marker)]->setVisible(CellInt(d, row, column) != 0);
        };
        switch (model_.kind()) {
            case kArmy:
                mark(kPlusArmyView23, 23);
                mark(kPlusArmyView18, 18);
                break;
            case kItem:
                mark(kPlusItemView8, 8);
                mark(kPlusItemView10, 10);
                break;
            case kSite:
                mark(kPlusSiteView4, 4);
                break;
            case kSpell:
                for (int n = 0; n < 4; ++n) mark(kPlusSpellView5 + n, 5 + 4 * n);
                break;
            default:
                break;
        }
    });
}

void frmB3Editor::ShowEditPluses() {
    Trap(services_, "frmB3Editor::ShowEditPluses", [&] {
        auto mark = [&](int marker, UpDown* spinner) {
            lblPlus[static_cast<std::size_t>(marker)]->setVisible(spinner->value() != 0);
        };
        switch (model_.kind()) {
            case kArmy:
                mark(kPlusArmyEdit23, updArmyProps[23]);
                mark(kPlusArmyEdit18, updArmyProps[18]);
                break;
            case kItem:
                mark(kPlusItemEdit8, updItemProps[8]);
                mark(kPlusItemEdit10, updItemProps[10]);
                break;
            case kSite:
                mark(kPlusSiteEdit4, updSiteProps[4]);
                break;
            case kSpell:
                for (int n = 0; n < 4; ++n)
                    mark(kPlusSpellEdit5 + n, updSpellProps[static_cast<std::size_t>(5 + 4 * n)]);
                break;
            default:
                break;
        }
    });
}

// ---------------------------------------------------------------------------------------------
// Pictures

void frmB3Editor::updPicSelect_Change() {
    Trap(services_, "frmB3Editor::updPicSelect_Change", [&] {
        // The picture shown is always the one the spinner's number saves.
        const int id = kFirstItemBitmap + updPicSelect->value();
        picItem[1]->setPixmap(ItemBitmap(id));
        picItem[1]->setProperty("b3Bitmap", id);
        PictureAligned = true;
    });
}

void frmB3Editor::ShowPicturePreview(int pictureKind, const QString& shortName) {
    Trap(services_, "frmB3Editor::ShowPicturePreview", [&] {
        auto show = [&](QLabel* label, const QString& path) {
            QString problem;
            const QImage image = path.isEmpty() ? QImage() : LoadPcxImage(path, &problem);
            label->setProperty("b3PicturePath", path);
            if (image.isNull()) {
                label->setPixmap(QPixmap());
                label->setText(path.isEmpty() ? QString() : problem);
                return;
            }
            QImage shown = image;
            if (image.width() <= 64 && image.height() <= 64) {
                shown = image.scaled(image.size() * 2, Qt::KeepAspectRatio, Qt::FastTransformation);
            } else if (image.width() > 160 || image.height() > 160) {
                shown = image.scaled(160, 160, Qt::KeepAspectRatio, Qt::SmoothTransformation);
            }
            label->setPixmap(QPixmap::fromImage(shown));
        };
        auto& eo = editObject();
        auto inFolder = [&](const std::string& folder, const QString& name) {
            if (name.isEmpty()) return QString();
            const std::string file = platform::FindEntryIgnoreCase(folder, name.toStdString());
            return QString::fromStdString(platform::JoinPath(folder, file));
        };
        const std::size_t k = static_cast<std::size_t>(pictureKind);
        const bool pending = shortName.isEmpty() && model_.PictureChosen[k];
        switch (pictureKind) {
            case 0:
                show(picPreview[0], pending ? model_.PendingPicture[0]
                                            : inFolder(eo.ArmyPath(), shortName + ".PCX"));
                break;
            case 1:
                show(picPreview[1], pending ? model_.PendingPicture[1]
                                            : inFolder(eo.HeroPath(), shortName + "m.PCX"));
                show(picPreview[2], pending ? model_.PendingPicture[1]
                                            : inFolder(eo.HeroPath(), shortName + "f.PCX"));
                break;
            case 2:
                show(picPreview[3], pending ? model_.PendingPicture[2]
                                            : inFolder(eo.SitePath(), shortName + ".PCX"));
                break;
            default:
                break;
        }
    });
}

QString frmB3Editor::ProgramFolder() const {
    if (!programFolder_.isEmpty()) return programFolder_;
    return QString::fromStdString(
        platform::ModuleFolderOf(reinterpret_cast<const void*>(&ProgramAnchor)));
}

}  // namespace b3::editor
