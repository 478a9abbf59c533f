// The "Suggest" window: the cheapest armies to append to the attacking list so that the exact
// chance of an attacker's win reaches a target. The user sets the target and the most armies to
// add and presses Search; the options are listed cheapest first.
#pragma once

#include <QDialog>
#include <functional>

#include "engine/suggest.h"

class QDoubleSpinBox;
class QLabel;
class QPushButton;
class QSpinBox;
class QTableWidget;

namespace b3::oddslab {

class CalculatorServices;

class frmSuggest : public QDialog {
    Q_OBJECT
public:
    // `search` runs the search with the given options (the window builds the battle).
    using Search = std::function<b3::engine::Suggestion(const b3::engine::SuggestOptions&)>;
    frmSuggest(CalculatorServices& services, Search search, QWidget* parent = nullptr);

    void cmdSearch_Click();
    const b3::engine::Suggestion& Answer() const { return answer_; }

    QDoubleSpinBox* updTarget;  // percent
    QSpinBox* updMaxAdd;
    QPushButton* cmdSearch;
    QPushButton* cmdClose;
    QLabel* lblAnswer;
    // Columns: armies to add, production turns, attacker wins.
    QTableWidget* grdOptions;

private:
    CalculatorServices& services_;
    Search search_;
    b3::engine::Suggestion answer_;
};

}  // namespace b3::oddslab
