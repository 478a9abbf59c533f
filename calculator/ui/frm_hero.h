// The hero bonus dialog: before a run, the user enters the bonuses of one hero unit that the game
// data does not hold (its strength and hits as they stand, its special attacks and the stack
// bonuses of its abilities and items). It edits the army it is handed: "Done" writes the values
// back, the close box leaves the army as it was, and Cancel (or Escape) leaves it as it was and
// calls off the Attack that opened the dialog.
#pragma once

#include <QDialog>
#include <QString>
#include <cstdint>

#include "engine/army.h"
#include "engine/hero_dialog.h"

class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace b3::oddslab {

class CalculatorServices;
class UpDownBox;

class frmHero : public QDialog {
    Q_OBJECT
public:
    explicit frmHero(CalculatorServices& services, QWidget* parent = nullptr);

    // The army being edited; set before the dialog loads.
    void SetHero(b3::engine::CArmy* hero) { props_.SetHero(hero); }
    b3::engine::CArmy* Hero() const { return props_.Hero(); }
    // Where the hero stands: its side and list position ("Attacking side, list position 3
    // (Stack 1)").
    void SetPlace(const QString& place);

    // The dialog's values, each kept within its bounds by its setter (Strength 1..14, Hits 1..4,
    // the others 0..10); a text that is not a number leaves a value unchanged.
    QString HeroName() const { return QString::fromStdString(props_.HeroName()); }
    void SetHeroName(const QString& name) { props_.SetHeroName(name.toStdString()); }
    b3::engine::Long Value(b3::engine::HeroBonus bonus) const { return props_.Get(bonus); }
    void SetValue(b3::engine::HeroBonus bonus, std::int64_t value) { props_.Set(bonus, value); }
    void SetValueText(b3::engine::HeroBonus bonus, const QString& text) {
        props_.SetText(bonus, text.toStdString());
    }

    // Centres the window, reads the hero and shows its values.
    void Form_Load();
    void cmdProceed_Click();
    void cmdCancel_Click();
    // Whether the dialog was left with Cancel or Escape.
    bool Cancelled() const { return cancelled_; }

    void LoadHeroInfo();
    void SendHeroInfoToScreen();
    void SendScreenInfoToProps();
    void SendPropsToHero();

    // The text box and spinner of a bonus.
    QLineEdit* TextBox(b3::engine::HeroBonus bonus) const;
    UpDownBox* Spinner(b3::engine::HeroBonus bonus) const;

    QGroupBox* fraUnitInfo;
    QGroupBox* fraStackBonus;
    QLabel* lblName;
    QLabel* lblPlace;
    QLineEdit* txtStrength;
    QLineEdit* txtHits;
    QLineEdit* txtMissle;
    QLineEdit* txtAssass;
    QLineEdit* txtCurse;
    QLineEdit* txtAcid;
    QLineEdit* txtLightning;
    QLineEdit* txtTrample;
    QLineEdit* txtLeadership;
    QLineEdit* txtMorale;
    QLineEdit* txtFortification;
    QLineEdit* txtChaos;
    QLineEdit* txtFear;
    QLineEdit* txtSiege;
    UpDownBox* updStrength;
    UpDownBox* updHits;
    UpDownBox* updMissle;
    UpDownBox* updAssass;
    UpDownBox* updCurse;
    UpDownBox* updAcid;
    UpDownBox* updLightning;
    UpDownBox* updTrample;
    UpDownBox* updLeadership;
    UpDownBox* updMorale;
    UpDownBox* updFortification;
    UpDownBox* updChaos;
    UpDownBox* updFear;
    UpDownBox* updSiege;
    QPushButton* cmdProceed;
    QPushButton* cmdCancel;

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    CalculatorServices& services_;
    b3::engine::HeroBonusDialog props_;
    UpDownBox* spinners_[b3::engine::kHeroBonusCount] = {};
    bool cancelled_ = false;
};

}  // namespace b3::oddslab
