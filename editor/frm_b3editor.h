// frmB3Editor: the editor's main window. One tab per object kind, each with a read-only view
// frame and an edit frame whose numbered controls are indexed by the data column they show; the
// browse spinner and object list above the tabs; the toolbar commands.
#pragma once

#include <QMainWindow>
#include <array>
#include <cstdint>
#include <memory>

#include "b3/edit_object.h"
#include "editor/editor_model.h"
#include "editor/kind_form.h"

class QAction;
class QComboBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QToolBar;

namespace b3::editor {

class EditObjectHolder;
class EditorServices;
class frmHeroProps;
class WorkingCopyHistory;
class CompareView;

class frmB3Editor : public QMainWindow, public KindForm {
    Q_OBJECT
public:
    // The window uses the edit object `holder` holds, which must exist; it re-creates it
    // after every save and delete.
    frmB3Editor(EditorServices& services, EditObjectHolder& holder, QWidget* parent = nullptr);
    ~frmB3Editor() override;

    // What the window shows and edits.
    EditorModel& model() { return model_; }
    const EditorModel& model() const { return model_; }

    // The edit object the window shows and writes, and its holder.
    b3::_CEditObject& editObject() const override;
    EditObjectHolder& editObjectHolder() const { return holder_; }
    // Where the server's and the history's messages go (the program's message box).
    const b3::MessageSink& messages() const;

    // The dialogs; while the window only looks at the working copy (WorkingCopyDiffers) they
    // show nothing.
    EditorServices& services() const override;

    // -- start-up, kinds, browsing
    void Form_Load();
    void OneTimeInitialize();
    void Initialize(std::int16_t kind);
    // Lists the current kind's objects that the filter lets through, and the object with
    // short name `keep` (a spell's path) whether it matches or not.
    void FillEditObjectSelectComboBox(const QString& keep = {});
    void DisplayEditObjectProps(int position, std::int16_t kind);
    void TabChange();
    void CheckForHeroProps();
    void RefreshAll();
    void ExitProgram();
    void FillComboFromStringRange(QComboBox* combo, int rangeCode);

    const b3::DataArray& DataArray() const override { return model_.data(); }

    // -- events
    void cboEditObject_Click();
    void sstEditor_Click();
    void updBrowse_Change();
    void tbrMain_ButtonClick(const QString& key);
    void cboMoveBonus_Click();
    void lstMoveBonuses_DblClick();
    void updArmyProps_Change(int index);
    void updItemProps_Change(int index);
    void updSiteProps_Change(int index);
    void updSpellProps_Change(int index);
    void cboSpellPowers_Click(int slot) override;
    void cmdHeroProps_Click();
    void cmdPicCopy_Click(int index);
    void updPicSelect_Change();

    // -- toolbar commands
    bool IsSaveable(std::int16_t kind);
    bool FillEditObjects(std::int16_t kind);
    bool GetSavePath(std::int16_t kind);
    b3::ObjectArray ConvertObjectToArray(std::int16_t kind);
    // Writes the working copy; true when written (the list is then reloaded).
    bool WriteObject(std::int16_t kind);
    bool GetPrintPath(std::int16_t kind);
    void PrintReport(const QString& path);
    void DeleteEditOject(int position);
    void RevertEditObject();
    void CopyExistingPicture(int kind);

    // -- keeping the user's work
    // Whether the working copy on the current tab differs from the object as it was shown
    // (a picture chosen for it counts); asks nothing.
    bool WorkingCopyDiffers();
    // Before the shown object is left (close, tab, another object, browse, New): asks "Save
    // changes to NAME?" when the working copy differs. True when the user may leave: nothing
    // changed, the changes were saved, or the user discarded them.
    bool MayLeave();
    // Save: fills, checks, names and writes the working copy. True when it was written.
    bool SaveEditObject();
    // The working copy as it stands now, as the object array a save would write.
    b3::ObjectArray WorkingSnapshot();
    void TakeBaseline();
    // Looks whether the shown object's file changed on disk since it was read and offers to
    // reload it.
    void CheckOutsideChange();
    // The stamp of the shown object's file as it is on disk now; empty for none.
    std::string CurrentStamp() const;
    // Whether a kind's folder holds other definition files than the ones read.
    bool FolderDiffers(int kind) const;
    // Takes objects that other programs added, deleted or renamed into the list.
    void FollowFolder();
    // The file name of the shown object's definition file; empty for none.
    QString ShownFileName() const;
    // Opens the history window (versions of the shown object, or of all objects).
    void ShowHistory();
    // The folder of a kind in the installation, and the definition file of an object of it
    // (for spells the short name is the file's path already).
    std::string KindFolder(int kind) const;
    std::string RecordFilePath(int kind, const QString& shortName) const;
    // The short name (spells: the file's path) of the object at a list position; empty for none.
    QString ShortNameAt(int position) const override;
    // The list position of the object with that short name; -1 when none has it.
    int PositionOf(const QString& shortName) const override;

    // -- shared display helpers
    void ProcessMoveBonus(const QString& text, int mode) override;
    void ShowPluses(int row) override;
    void ShowEditPluses() override;
    void BlankHeroPropsIfNeeded();
    // Shows the picture files of the current army, hero or site beside the view frame.
    void ShowPicturePreview(int pictureKind, const QString& shortName) override;
    // The row key of the selected list entry; -1 when nothing is selected.
    int SelectedRowKey() const override;
    // The folder this program was started from (the calculator is looked for there).
    QString ProgramFolder() const;
    void setProgramFolder(const QString& folder) { programFolder_ = folder; }

    // -- installation, menus, filter and remembered state (frm_b3editor_session.cpp)
    void buildSession();
    // File > Open Installation...: asks for the game's folder and opens it.
    void OpenInstallation();
    // Reads the installation in `folder`; on failure says why and keeps the one open now.
    bool SwitchInstallation(const QString& folder);
    // The installation folders opened last, newest first (at most kMaxRecent).
    static QStringList RecentInstallations();
    static constexpr int kMaxRecent = 8;
    // Keeps only the objects whose name, short name or description holds `text`.
    void ApplyFilter(const QString& text);
    // The window title, the status bar and which toolbar buttons can act.
    void UpdateTitle();
    void SaveWindowState();
    void RestoreWindowState();
    // Shrinks and centres the window so that its frame (title bar and borders, known once it is
    // shown) fits the screen's free area, above the taskbar.
    void FitFrameToScreen();
    // The undo history of the working copy on show (Edit > Undo and Redo).
    WorkingCopyHistory& history() const { return *history_; }
    QAction* mnuUndo = nullptr;
    QAction* mnuRedo = nullptr;

    // -- other installations (frm_b3editor_compare.cpp)
    // File > Compare with Installation...: asks for another installation's folder and marks
    // what differs from it in the lists and the view frames.
    void CompareWithInstallation();
    // Compares with the installation in `folder`, which is only read; on failure says why.
    bool StartComparison(const QString& folder);
    void EndComparison();
    // The comparison under way; null when there is none.
    CompareView* comparison() const { return compare_.get(); }
    // File > Apply Patch...: asks for a patch file, shows what it changes, applies it.
    void ApplyPatchFile();
    // Reads the patch in `file`, shows its changes and conflicts and applies it when the user
    // says so; true when it was applied.
    bool ApplyPatchFromFile(const QString& file);
    QAction* mnuCompare = nullptr;
    QAction* mnuEndCompare = nullptr;
    QAction* mnuApplyPatch = nullptr;

    // -- window state
    bool IsReady = false;
    bool BrowseAligned = false;
    bool PictureAligned = false;
    bool SyncingList = false;

    frmHeroProps* heroProps() const override { return frmHeroProps_.get(); }
    QWidget* formWindow() override { return this; }
    QWidget* formArea() const override { return centralWidget(); }

    // -- the window's own controls (the tabs' controls are the form's, kind_form.h)
    QToolBar* tbrMain = nullptr;
    QPushButton* cmdHistory = nullptr;
    QLineEdit* txtFilter = nullptr;
    QMenu* mnuRecent = nullptr;
    QAction* mnuOpenInstallation = nullptr;
    QAction* mnuReload = nullptr;
    QLabel* lblStatusObject = nullptr;
    QLabel* lblStatusInstall = nullptr;

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // The controls (frm_b3editor_layout.cpp).
    void buildToolbar();
    void buildTabs(QWidget* host);
    void buildBrowseBar(QWidget* host);
    QWidget* buildItemTab();
    QWidget* buildArmyTab();
    QWidget* buildHeroTab();
    QWidget* buildSiteTab();
    QWidget* buildSpellTab();
    void txtArmyProps_Change(int index);
    // Shows the object with `shortName` through the list (after a save rebuilt it).
    void ShowByShortName(const QString& shortName);
    // Fills the list again under the filter; the object with `keep` (a short name, a spell's
    // path) stays listed and selected whether it matches or not. Nothing is displayed anew.
    void RelistKeeping(const QString& keep);
    void WatchInstallation();
    bool ConfirmDelete(int position);
    // Whether a new object's name takes the place of an existing object: asks before.
    bool ConfirmReplace(std::int16_t kind, const QString& shortName, bool& replacing);

    EditorServices& services_;
    EditObjectHolder& holder_;
    EditorModel model_;
    std::unique_ptr<frmHeroProps> frmHeroProps_;
    QString programFolder_;
    bool fittedToScreen_ = false;
    bool exiting_ = false;

    int lastBrowseValue_ = 0;     // the spinner's value when that object was shown
    bool leaveApproved_ = false;  // the user already answered for the move under way
    bool quiet_ = false;
    bool restoring_ = false;  // the History window is restoring files
    bool replacing_ = false;  // the save under way replaces an existing object with a new one
    QString reportedStamp_;   // the outside change last reported, so it is reported once
    class QFileSystemWatcher* watcher_ = nullptr;
    std::unique_ptr<EditorServices> silent_;
    std::unique_ptr<WorkingCopyHistory> history_;
    int historyKey_ = -1;  // the row key of the object whose working copy history_ records
    void fillRecentMenu();
    void buildHistory();
    void buildCompareMenu(QMenu* file);
    // Marks the comparison in the list just filled (comparing the kind again first, unless
    // `compareAgain` is false) and on the object on show.
    void MarkComparedList(bool compareAgain = true);
    void MarkComparedObject();
    std::unique_ptr<CompareView> compare_;
};

}  // namespace b3::editor
