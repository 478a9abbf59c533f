// The stack statistics window: the attacking and the defending stack of a run's first battle,
// unit by unit, with the raw and adjusted stack bonuses. The run fills it and shows it modally;
// the run goes on when the user closes it.
#pragma once

#include <QDialog>

#include "engine/host.h"

class QGroupBox;
class QLabel;
class QPushButton;
class QTableWidget;

namespace b3::oddslab {

class CalculatorServices;

class frmStats : public QDialog {
    Q_OBJECT
public:
    explicit frmStats(CalculatorServices& services, QWidget* parent = nullptr);

    void Form_Load();
    void sscDone_Click();

    // Writes the grids and value labels from the statistics of a run's first battle.
    void Fill(const b3::engine::StackStatistics& stats);

    QGroupBox* fraAttStack;
    QGroupBox* fraDefStack;
    // Index 0 the attacking stack (8 units), 1 the defending stack (32 units).
    QTableWidget* msfgStackStats[2];
    QLabel* lblAttRawLea;
    QLabel* lblAttRawMor;
    QLabel* lblAttRawFor;
    QLabel* lblAttRawCha;
    QLabel* lblAttRawFea;
    QLabel* lblAttRawSie;
    QLabel* lblAttAdjLea;
    QLabel* lblAttAdjMor;
    QLabel* lblAttAdjFor;
    QLabel* lblAttStackBonus;
    QLabel* lblDefRawLea;
    QLabel* lblDefRawMor;
    QLabel* lblDefRawFor;
    QLabel* lblDefRawCha;
    QLabel* lblDefRawFea;
    QLabel* lblDefRawSie;
    QLabel* lblDefAdjLea;
    QLabel* lblDefAdjMor;
    QLabel* lblDefAdjFor;
    QLabel* lblDefStackBonus;
    QPushButton* sscDone;

    // The field widths of the grids' columns, in characters.
    static const int kAttWidths[12];
    static const int kDefWidths[12];

protected:
    // Each grid opens at its first unit.
    void showEvent(QShowEvent* event) override;

private:
    QGroupBox* MakeSide(bool attacking, QLabel** raw[6], QLabel** adjusted[3], QLabel** bonus);

    CalculatorServices& services_;
};

}  // namespace b3::oddslab
