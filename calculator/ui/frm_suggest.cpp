#include "calculator/ui/frm_suggest.h"

#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QStringList>
#include <QTableWidget>
#include <QVBoxLayout>

#include "calculator/ui/errors.h"
#include "calculator/ui/services.h"
#include "engine/battle_calc.h"

namespace b3::oddslab {

frmSuggest::frmSuggest(CalculatorServices& services, Search search, QWidget* parent)
    : QDialog(parent), services_(services), search_(std::move(search)) {
    setWindowTitle("Suggest Reinforcements");
    updTarget = new QDoubleSpinBox(this);
    updTarget->setRange(1, 100);
    updTarget->setDecimals(1);
    updTarget->setSuffix(" %");
    updTarget->setValue(90);
    updTarget->setAccessibleName("Target win chance");
    updMaxAdd = new QSpinBox(this);
    updMaxAdd->setRange(1, 4);
    updMaxAdd->setValue(3);
    updMaxAdd->setAccessibleName("Most armies to add");
    cmdSearch = new QPushButton("&Search", this);
    cmdSearch->setDefault(true);
    cmdClose = new QPushButton("&Close", this);
    lblAnswer = new QLabel(this);
    lblAnswer->setWordWrap(true);
    lblAnswer->setTextFormat(Qt::PlainText);
    grdOptions = new QTableWidget(0, 3, this);
    grdOptions->setHorizontalHeaderLabels({"Add to the attack", "Turns", "Attacker wins"});
    grdOptions->verticalHeader()->hide();
    grdOptions->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grdOptions->horizontalHeader()->setSectionResizeMode(0, QHeaderView::Stretch);
    grdOptions->setAccessibleName("Suggested additions");
    connect(cmdSearch, &QPushButton::clicked, this, [this] { cmdSearch_Click(); });
    connect(cmdClose, &QPushButton::clicked, this, &QDialog::accept);

    auto* form = new QFormLayout;
    form->addRow("Win chance to reach:", updTarget);
    form->addRow("Most armies to add:", updMaxAdd);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(cmdSearch);
    buttons->addWidget(cmdClose);
    auto* layout = new QVBoxLayout(this);
    auto* intro = new QLabel(
        "The cheapest armies, in production turns, to append to the attacking list so that the "
        "exact chance of an attacker's win reaches the target.",
        this);
    intro->setWordWrap(true);
    layout->addWidget(intro);
    layout->addLayout(form);
    layout->addWidget(grdOptions, 1);
    layout->addWidget(lblAnswer);
    layout->addLayout(buttons);
    resize(520, 380);
}

void frmSuggest::cmdSearch_Click() {
    Trap(services_, "frmSuggest::cmdSearch_Click", [&] {
        b3::engine::SuggestOptions options;
        options.target = updTarget->value() / 100.0;
        options.maxAdd = updMaxAdd->value();
        options.timeLimit = 10;
        services_.setBusy(true);
        struct Restore {
            CalculatorServices& s;
            ~Restore() { s.setBusy(false); }
        } restore{services_};
        try {
            answer_ = search_(options);
        } catch (const std::invalid_argument& e) {
            // RunRefused among them: the battle as listed cannot be computed exactly.
            grdOptions->setRowCount(0);
            lblAnswer->setText(QString::fromStdString(e.what()));
            return;
        }
        grdOptions->setRowCount(0);
        // The table lists the options; the text says the rest (reached, best found, stopped).
        for (const auto& o : answer_.options) {
            QStringList names;
            for (const auto& n : o.add) names << QString::fromStdString(n);
            const int row = grdOptions->rowCount();
            grdOptions->insertRow(row);
            grdOptions->setItem(row, 0, new QTableWidgetItem(names.join(" + ")));
            auto* turns = new QTableWidgetItem(QString::number(o.turns));
            turns->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            grdOptions->setItem(row, 1, turns);
            auto* win =
                new QTableWidgetItem(QString::number(o.winProbability * 100.0, 'f', 2) + "%");
            win->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            grdOptions->setItem(row, 2, win);
        }
        QString text = QString::fromStdString(SuggestionText(answer_, options.maxAdd));
        if (!answer_.options.empty()) text = text.section('\n', 0, 0);
        if (!answer_.complete)
            text +=
                "\nThe search stopped early: every cheaper addition was tried, dearer ones "
                "may be missing.";
        lblAnswer->setText(text.trimmed());
    });
}

}  // namespace b3::oddslab
