#include "ui_support.h"

#include <gtest/gtest.h>

#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

namespace b3::oddslab::test {

namespace {

// Every window test runs on the offscreen platform with one application object.
class QtEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        // A test that sets its own offscreen screen (a configuration file) keeps it.
        if (!qEnvironmentVariable("QT_QPA_PLATFORM").startsWith("offscreen"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        static int argc = 1;
        static char name[] = "calculator_ui_test";
        static char* argv[] = {name, nullptr};
        app_ = std::make_unique<QApplication>(argc, argv);
        QApplication::setQuitOnLastWindowClosed(false);
        // What the windows remember goes to a folder of this run's own: never the user's
        // settings, never the Windows registry, and no two test programs share it.
        settings_ = std::make_unique<QTemporaryDir>();
        QSettings::setDefaultFormat(QSettings::IniFormat);
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, settings_->path());
    }
    void TearDown() override {
        settings_.reset();
        app_.reset();
    }

private:
    std::unique_ptr<QApplication> app_;
    std::unique_ptr<QTemporaryDir> settings_;
};

[[maybe_unused]] ::testing::Environment* const kQt =
    ::testing::AddGlobalTestEnvironment(new QtEnvironment);

}  // namespace

FakeEditObject::FakeEditObject(const std::vector<ArmyRow>& armies,
                               const std::vector<HeroRow>& heroes)
    : armies_(armies.size(), b3::kColumnCount[b3::kArmy]),
      heroes_(heroes.size(), b3::kColumnCount[b3::kHero]) {
    for (std::size_t r = 0; r < armies.size(); ++r) {
        armies_.setRow(r, b3test::ArmyCells(armies[r], static_cast<std::int32_t>(r)));
    }
    for (std::size_t r = 0; r < heroes.size(); ++r) {
        heroes_.setRow(r, b3test::HeroCells(heroes[r], static_cast<std::int32_t>(r)));
    }
}

void FakeEditObject::Unused() {
    throw b3::Error(b3::kErrInvalidArgument, "FakeEditObject", "not used by the calculator");
}

std::int32_t FakeEditObject::NumEditObjects(const std::int32_t& Index) const {
    if (Index == b3::kArmy) return static_cast<std::int32_t>(armies_.rows());
    if (Index == b3::kHero) return static_cast<std::int32_t>(heroes_.rows());
    return 0;
}

b3::DataArray FakeEditObject::GetEditObjectData(const std::int32_t& DataType) const {
    if (failData)
        throw b3::Error(b3::kErrNoFiles, "CEditObject::GetEditObjectData",
                        "The folder holds no definition files.");
    if (DataType == b3::kArmy) return armies_;
    if (DataType == b3::kHero) return heroes_;
    Unused();
}

std::string FakeEditObject::ConvertPowerTypeToName(const std::int16_t& Index) const {
    static const std::map<int, std::string> kNames = {
        {0, "None"}, {1, "Leadership"}, {2, "Chaos"},   {3, "Morale"},
        {4, "Fear"}, {6, "Fortify"},    {37, "Banding"}};
    const auto it = kNames.find(Index);
    if (it == kNames.end())
        throw b3::Error(b3::kErrNoName, "CEditObject::ConvertPowerTypeToName",
                        "The code has no name.");
    return it->second;
}

std::unique_ptr<FakeEditObject> MakeTinyGame() {
    std::vector<ArmyRow> armies = {
        {"Footmen", 4, 2, 1, "field", 1, 3, 2},
        {"Goblins", 3, 1, 1, "hills", 1, 2, 1},
        {"Wall Guard", 5, 2, 2, "city", 2, 6, 2},
        {"Archers", 3, 1, 1},
        {"Knights", 6, 2, 3},
        {"Wights", 3, 2, 2, "", 0, 0, 0, "", " Undead  ", "infantry"},
    };
    std::vector<HeroRow> heroes = {{"Brute", 20, 3}, {"Sage", 4, 1}, {"Scout", 5, 2}};
    return std::make_unique<FakeEditObject>(armies, heroes);
}

void Pick(frmOddsLab& w, int side, const QString& name, int times) {
    const int at = w.cboArmies[side]->findText(name);
    ASSERT_GE(at, 0) << name.toStdString();
    for (int i = 0; i < times; ++i) {
        w.cboArmies[side]->setCurrentIndex(at);
        emit w.cboArmies[side]->activated(at);
    }
}

QStringList Texts(const frmOddsLab& w, int side) {
    QStringList texts;
    for (int i = 0; i < w.lstArmies[side]->count(); ++i)
        texts << w.lstArmies[side]->item(i)->text();
    return texts;
}

void Select(frmOddsLab& w, int side, int focused, const std::vector<int>& selected) {
    QListWidget* list = w.lstArmies[side];
    list->setFocus();
    list->selectionModel()->setCurrentIndex(list->model()->index(focused, 0),
                                            QItemSelectionModel::NoUpdate);
    list->clearSelection();
    for (int i : selected) list->item(i)->setSelected(true);
}

void OpenMenu(frmOddsLab& w, int side) {
    QListWidget* list = w.lstArmies[side];
    w.lstArmies_MouseUp(
        side, Qt::RightButton,
        list->currentItem() ? list->visualItemRect(list->currentItem()).center() : QPoint(2, 2));
}

std::string HealthRow(const frmOddsLab& w, int side, int row) {
    std::string s;
    for (int c = 1; c <= 7; ++c) {
        if (c > 1) s += ' ';
        s += std::to_string(w.Health(side).at(row, c));
    }
    return s;
}

}  // namespace b3::oddslab::test
