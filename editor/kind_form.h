// KindForm: the editor's form as the per-kind modules and the comparison view see it. The
// controls of the five tabs (each numbered control indexed by the data column it shows), and the
// few things the window does for them. The main window is the one form; the modules and views
// depend on this, never on the window, so that the window calls down into them and nothing calls
// back up.
#pragma once

#include <QString>
#include <array>

#include "b3/edit_object.h"

class QAction;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QPushButton;
class QTabWidget;
class QWidget;

namespace b3::editor {

class EditorServices;
class UpDown;
class frmHeroProps;

// The markers "+" beside power and bonus values, by place.
enum PlusMarker : int {
    kPlusArmyView18,
    kPlusArmyView23,
    kPlusArmyEdit18,
    kPlusArmyEdit23,
    kPlusItemView8,
    kPlusItemView10,
    kPlusItemEdit8,
    kPlusItemEdit10,
    kPlusSiteView4,
    kPlusSiteEdit4,
    kPlusSpellView5,                        // then 9, 13, 17
    kPlusSpellEdit5 = kPlusSpellView5 + 4,  // then 9, 13, 17
    kPlusCount = kPlusSpellEdit5 + 4,
};

class KindForm {
public:
    // The dialogs (quiet while the window only looks at the working copy).
    virtual EditorServices& services() const = 0;
    // The edit object the form shows and writes.
    virtual b3::_CEditObject& editObject() const = 0;
    // The current kind's data, as read.
    virtual const b3::DataArray& DataArray() const = 0;
    // The row key of the selected list entry; -1 when nothing is selected.
    virtual int SelectedRowKey() const = 0;
    // The short name (spells: the file's path) of the object at a list position; empty for none.
    virtual QString ShortNameAt(int position) const = 0;
    // The list position of the object with that short name; -1 when none has it.
    virtual int PositionOf(const QString& shortName) const = 0;
    // The window the form is in (the parent of its messages), and the area below its menus that
    // holds the browse bar and the tabs.
    virtual QWidget* formWindow() = 0;
    virtual QWidget* formArea() const = 0;
    // Hero Properties, when it has been opened.
    virtual frmHeroProps* heroProps() const = 0;

    // Shared display steps of the window.
    virtual void ProcessMoveBonus(const QString& text, int mode) = 0;
    virtual void ShowPluses(int row) = 0;
    virtual void ShowEditPluses() = 0;
    // Shows the picture files of the current army, hero or site beside the view frame.
    virtual void ShowPicturePreview(int pictureKind, const QString& shortName) = 0;
    // A spell power chosen in slot `slot` (0..3): shows or hides that slot's army choice.
    virtual void cboSpellPowers_Click(int slot) = 0;

    // -- controls: the toolbar's buttons, the browse bar, the tabs
    std::array<QAction*, 12> tbrButtons{};  // by position 1 to 11; separators stay null
    UpDown* updBrowse = nullptr;
    QComboBox* cboEditObject = nullptr;
    QTabWidget* sstEditor = nullptr;
    std::array<QLabel*, kPlusCount> lblPlus{};

    // items (columns 0 to 10)
    QGroupBox* fraItemProps = nullptr;
    QGroupBox* fraItemEdit = nullptr;
    std::array<QLabel*, 11> lblItemProps{};
    std::array<QLineEdit*, 11> txtItemProps{};
    std::array<UpDown*, 11> updItemProps{};
    std::array<QComboBox*, 2> cboItemPowers{};
    UpDown* updPicSelect = nullptr;
    std::array<QLabel*, 2> picItem{};

    // armies (columns 0 to 27)
    QGroupBox* fraArmyProps = nullptr;
    QGroupBox* fraArmyEdit = nullptr;
    std::array<QLabel*, 28> lblArmyProps{};
    QListWidget* lstArmyMoveBonuses = nullptr;
    std::array<QLineEdit*, 28> txtArmyProps{};
    std::array<UpDown*, 28> updArmyProps{};
    QComboBox* cboArmyPowers = nullptr;
    QComboBox* cboMoveBonus = nullptr;
    QListWidget* lstMoveBonuses = nullptr;
    QComboBox* cboBonusTerrain = nullptr;
    QComboBox* cboSound = nullptr;
    QComboBox* cboFacing = nullptr;
    std::array<QPushButton*, 3> cmdPicCopy{};  // 0 army, 1 hero, 2 site

    // heroes (columns 0 to 126)
    QGroupBox* fraHeroProps = nullptr;
    QGroupBox* fraHeroEdit = nullptr;
    std::array<QLabel*, 127> lblHeroProps{};
    std::array<QLineEdit*, 127> txtHeroProps{};
    std::array<UpDown*, 127> updHeroProps{};
    QComboBox* cboHeroSound = nullptr;
    QComboBox* cboHeroFacing = nullptr;
    QPushButton* cmdHeroProps = nullptr;

    // sites (columns 0 to 8)
    QGroupBox* fraSiteProps = nullptr;
    QGroupBox* fraSiteEdit = nullptr;
    std::array<QLabel*, 9> lblSiteProps{};
    std::array<QCheckBox*, 9> chkSiteReadOnly{};
    std::array<QLineEdit*, 9> txtSiteProps{};
    std::array<UpDown*, 9> updSiteProps{};
    QComboBox* cboSitePowers = nullptr;
    std::array<QCheckBox*, 9> chkSite{};

    // spells (columns 0 to 20)
    QGroupBox* fraSpellProps = nullptr;
    QGroupBox* fraSpellEdit = nullptr;
    std::array<QLabel*, 21> lblSpellProps{};
    std::array<QLabel*, 4> lblSpellArmy{};
    std::array<QLabel*, 4> lblVal2ReadOnly{};
    std::array<QLineEdit*, 21> txtSpellProps{};
    std::array<UpDown*, 21> updSpellProps{};
    std::array<QComboBox*, 4> cboSpellPowers{};
    std::array<QComboBox*, 4> cboSpellArmy{};
    std::array<QLabel*, 4> lblVal2{};

    // The descriptions, by kind (sites have none): boxes of several lines that keep their text
    // in the column's own box of the arrays above, hidden.
    std::array<QPlainTextEdit*, 5> txtDescription{};

    // Picture previews: army, hero male, hero female, site.
    std::array<QLabel*, 4> picPreview{};

protected:
    KindForm() = default;
    ~KindForm() = default;
    KindForm(const KindForm&) = delete;
    KindForm& operator=(const KindForm&) = delete;
};

}  // namespace b3::editor
