#include "calculator/ui/frm_hero.h"

#include <QCoreApplication>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLayout>
#include <QPushButton>
#include <QVBoxLayout>

#include "calculator/ui/errors.h"
#include "calculator/ui/services.h"
#include "calculator/ui/updown_box.h"

namespace b3::oddslab {

using b3::engine::HeroBonus;

namespace {

// The order in which the values go to the screen and back.
constexpr HeroBonus kScreenOrder[] = {
    HeroBonus::Strength,      HeroBonus::Hits,     HeroBonus::Leadership, HeroBonus::Morale,
    HeroBonus::Fortification, HeroBonus::Chaos,    HeroBonus::Fear,       HeroBonus::Siege,
    HeroBonus::Assass,        HeroBonus::Missle,   HeroBonus::Curse,      HeroBonus::Trample,
    HeroBonus::Acid,          HeroBonus::Lightning};

}  // namespace

frmHero::frmHero(CalculatorServices& services, QWidget* parent)
    : QDialog(parent), services_(services) {
    setWindowTitle("Hero Bonuses (Both Intrinsic and from Items)");
    setModal(true);

    auto spinner = [this](HeroBonus bonus) {
        const b3::engine::BonusRange r = b3::engine::SpinnerRange(bonus);
        auto* box = new UpDownBox(r.lo, r.hi, r.lo, false, this);
        box->setMinimumWidth(64);
        spinners_[static_cast<int>(bonus)] = box;
        return box;
    };
    updStrength = spinner(HeroBonus::Strength);
    updHits = spinner(HeroBonus::Hits);
    updMissle = spinner(HeroBonus::Missle);
    updAssass = spinner(HeroBonus::Assass);
    updCurse = spinner(HeroBonus::Curse);
    updAcid = spinner(HeroBonus::Acid);
    updLightning = spinner(HeroBonus::Lightning);
    updTrample = spinner(HeroBonus::Trample);
    updLeadership = spinner(HeroBonus::Leadership);
    updMorale = spinner(HeroBonus::Morale);
    updFortification = spinner(HeroBonus::Fortification);
    updChaos = spinner(HeroBonus::Chaos);
    updFear = spinner(HeroBonus::Fear);
    updSiege = spinner(HeroBonus::Siege);
    txtStrength = updStrength->text();
    txtHits = updHits->text();
    txtMissle = updMissle->text();
    txtAssass = updAssass->text();
    txtCurse = updCurse->text();
    txtAcid = updAcid->text();
    txtLightning = updLightning->text();
    txtTrample = updTrample->text();
    txtLeadership = updLeadership->text();
    txtMorale = updMorale->text();
    txtFortification = updFortification->text();
    txtChaos = updChaos->text();
    txtFear = updFear->text();
    txtSiege = updSiege->text();

    fraUnitInfo = new QGroupBox("Hero Unit Statistics", this);
    auto* unit = new QGridLayout(fraUnitInfo);
    unit->addWidget(new QLabel("Name:", fraUnitInfo), 0, 0);
    lblName = new QLabel(fraUnitInfo);
    lblName->setTextFormat(Qt::PlainText);
    lblName->setMinimumWidth(120);
    unit->addWidget(lblName, 0, 1);
    // Where the hero stands, so that two heroes of the same name are told apart.
    unit->addWidget(new QLabel("Stands at:", fraUnitInfo), 1, 0);
    lblPlace = new QLabel(fraUnitInfo);
    lblPlace->setTextFormat(Qt::PlainText);
    lblPlace->setAccessibleName("Stands at");
    unit->addWidget(lblPlace, 1, 1);
    const std::pair<const char*, UpDownBox*> unitRows[] = {
        {"Strength:", updStrength},    {"Hits:", updHits},      {"Missle:", updMissle},
        {"Assassination:", updAssass}, {"Curse:", updCurse},    {"Acid:", updAcid},
        {"Lightning:", updLightning},  {"Trample:", updTrample}};
    int row = 2;
    // Each spinner is named after its own caption, not after its frame.
    auto name = [](const char* caption) { return QString(caption).chopped(1); };
    for (const auto& [caption, box] : unitRows) {
        box->setAccessibleName(name(caption));
        unit->addWidget(new QLabel(caption, fraUnitInfo), row, 0);
        unit->addWidget(box, row, 1);
        ++row;
    }
    unit->setRowStretch(row, 1);

    fraStackBonus = new QGroupBox("Stack Bonuses", this);
    auto* stack = new QGridLayout(fraStackBonus);
    const std::pair<const char*, UpDownBox*> stackRows[] = {{"Leadership:", updLeadership},
                                                            {"Morale:", updMorale},
                                                            {"Fortification:", updFortification},
                                                            {"Chaos:", updChaos},
                                                            {"Fear:", updFear},
                                                            {"Siege:", updSiege}};
    row = 0;
    for (const auto& [caption, box] : stackRows) {
        box->setAccessibleName(name(caption));
        stack->addWidget(new QLabel(caption, fraStackBonus), row, 0);
        stack->addWidget(box, row, 1);
        ++row;
    }
    stack->setRowStretch(row, 1);

    cmdProceed = new QPushButton("&Done", this);
    cmdProceed->setDefault(true);
    connect(cmdProceed, &QPushButton::clicked, this, [this] { cmdProceed_Click(); });
    cmdCancel = new QPushButton("&Cancel", this);
    cmdCancel->setToolTip("Close without running the battle");
    connect(cmdCancel, &QPushButton::clicked, this, [this] { cmdCancel_Click(); });

    auto* frames = new QHBoxLayout;
    frames->addWidget(fraUnitInfo);
    frames->addWidget(fraStackBonus);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(cmdProceed);
    buttons->addWidget(cmdCancel);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(frames);
    layout->addLayout(buttons);
    setFixedSize(sizeHint());
}

void frmHero::SetPlace(const QString& place) {
    lblPlace->setText(place);
    // The dialog takes the width the text needs.
    fraUnitInfo->layout()->invalidate();
    fraUnitInfo->layout()->activate();
    layout()->invalidate();
    layout()->activate();
    setFixedSize(sizeHint());
}

QLineEdit* frmHero::TextBox(HeroBonus bonus) const {
    return spinners_[static_cast<int>(bonus)]->text();
}

UpDownBox* frmHero::Spinner(HeroBonus bonus) const {
    return spinners_[static_cast<int>(bonus)];
}

void frmHero::Form_Load() {
    Trap(services_, "frmHero::Form_Load", [&] {
        CentreOnScreen(*this);
        LoadHeroInfo();
        SendHeroInfoToScreen();
    });
}

void frmHero::LoadHeroInfo() {
    Trap(services_, "frmHero::LoadHeroInfo", [&] { props_.LoadHeroInfo(); });
}

void frmHero::SendHeroInfoToScreen() {
    Trap(services_, "frmHero::SendHeroInfoToScreen", [&] {
        lblName->setText(HeroName());
        for (HeroBonus bonus : kScreenOrder) {
            UpDownBox* box = Spinner(bonus);
            box->setValue(props_.Get(bonus));
        }
    });
}

void frmHero::SendScreenInfoToProps() {
    Trap(services_, "frmHero::SendScreenInfoToProps", [&] {
        for (HeroBonus bonus : kScreenOrder) SetValueText(bonus, TextBox(bonus)->text());
    });
}

void frmHero::SendPropsToHero() {
    Trap(services_, "frmHero::SendPropsToHero", [&] { props_.SendPropsToHero(); });
}

void frmHero::cmdProceed_Click() {
    Trap(services_, "frmHero::cmdProceed_Click", [&] {
        SendScreenInfoToProps();
        SendPropsToHero();
        accept();
        services_.pumpEvents();
    });
}

void frmHero::cmdCancel_Click() {
    cancelled_ = true;
    reject();
}

void frmHero::keyPressEvent(QKeyEvent* event) {
    // Escape is Cancel: the dialog closes and the battle is not fought.
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        cmdCancel_Click();
        return;
    }
    QDialog::keyPressEvent(event);
}

}  // namespace b3::oddslab
