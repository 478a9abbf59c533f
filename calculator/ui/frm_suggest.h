// The "Suggest" window: the cheapest armies to append to the attacking list so that the exact
// chance of an attacker's win reaches a target. The user sets the target and the most armies to
// add and presses Search; the search runs off the window's thread with its progress shown and
// can be cancelled (the options found by then stay, marked as incomplete). The options are listed
// cheapest first, by the armies' names as the lists show them, and "Add these" appends the chosen
// option's armies to the attacking list.
#pragma once

#include <QDialog>
#include <QString>
#include <functional>
#include <vector>

#include "engine/suggest.h"

class QDoubleSpinBox;
class QLabel;
class QProgressBar;
class QPushButton;
class QSpinBox;
class QTableWidget;
class QTimer;

namespace b3::oddslab {

class CalculatorServices;
class SuggestWorker;

class frmSuggest : public QDialog {
    Q_OBJECT
public:
    // `search` runs the search with the given options (the window builds the battle; it runs on
    // a thread of its own); `unitName` names an army row as the lists do; `add` appends armies
    // to the attacking list.
    using Search = std::function<b3::engine::Suggestion(const b3::engine::SuggestOptions&,
                                                        const std::function<bool()>& cancelled)>;
    using UnitName = std::function<QString(b3::engine::Long army)>;
    using Add = std::function<void(const std::vector<b3::engine::Long>& armies)>;
    frmSuggest(CalculatorServices& services, Search search, UnitName unitName, Add add,
               QWidget* parent = nullptr);
    ~frmSuggest() override;

    // Starts the search; the answer comes when it ends (Searching() turns false).
    void cmdSearch_Click();
    // Stops the search after its current calculation; what it found stays, marked incomplete.
    void cmdCancel_Click();
    // Appends the selected option's armies to the attacking list and closes the window.
    void cmdAddThese_Click();
    bool Searching() const;
    // Waits for a search to end and shows its answer (for the tests and the screenshots).
    void WaitForAnswer();
    const b3::engine::Suggestion& Answer() const { return answer_; }
    // The armies of each row of the table.
    const std::vector<std::vector<b3::engine::Long>>& RowArmies() const { return rowArmies_; }

    QDoubleSpinBox* updTarget;  // percent
    QSpinBox* updMaxAdd;
    QPushButton* cmdSearch;
    QPushButton* cmdCancel;
    QPushButton* cmdAddThese;
    QPushButton* cmdClose;
    QLabel* lblAnswer;
    QProgressBar* prgSearch;
    QLabel* lblProgress;
    // Columns: armies to add, production turns, attacker wins.
    QTableWidget* grdOptions;

protected:
    // Escape cancels a search in progress; otherwise it closes the window.
    void reject() override;

private:
    void ShowProgress();
    void Finished(const b3::engine::Suggestion& answer);
    void Failed(const QString& reason);
    void SetSearching(bool searching);

    CalculatorServices& services_;
    UnitName unitName_;
    Add add_;
    SuggestWorker* worker_;
    QTimer* progressTimer_;
    b3::engine::SuggestOptions options_;
    b3::engine::Suggestion answer_;
    std::vector<std::vector<b3::engine::Long>> rowArmies_;
};

}  // namespace b3::oddslab
