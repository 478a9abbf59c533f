#include "editor/powers.h"

#include <QAction>
#include <QComboBox>
#include <QLineEdit>

#include "editor/errors.h"
#include "editor/kind_form.h"
#include "editor/mmain.h"
#include "editor/strings.h"
#include "editor/updown.h"

namespace b3::editor {

void AddSorted(QComboBox* combo, const QString& text, int data) {
    int at = 0;
    while (at < combo->count() && combo->itemText(at).compare(text, Qt::CaseInsensitive) <= 0) {
        ++at;
    }
    combo->insertItem(at, text, data);
}

void FillPowerListImpl(QComboBox* combo, const int* codes, std::size_t n) {
    const QSignalBlocker block(combo);
    for (std::size_t i = 0; i < n; ++i) {
        AddSorted(combo, LoadResString(kPowerBase + codes[i]), codes[i]);
    }
    combo->setCurrentIndex(-1);
}

void SelectText(QComboBox* combo, const QString& text) {
    combo->setCurrentIndex(combo->findText(text, Qt::MatchExactly));
}

int SelectedData(QComboBox* combo) {
    if (combo->currentIndex() < 0) {
        throw b3::Error(381, "", "Invalid property array index");
    }
    return combo->currentData().toInt();
}

void ShowText(QLineEdit* box, const QString& text) {
    box->setText(text);
    box->setCursorPosition(0);
}

int SelectedDataOr(QComboBox* combo, int fallback) {
    return combo->currentIndex() < 0 ? fallback : combo->currentData().toInt();
}

QString CellText(const b3::Cell& cell) {
    return QString::fromStdString(cell.toString());
}

int CellInt(const b3::Cell& cell) {
    if (cell.isText()) {
        bool ok = false;
        const int v = QString::fromStdString(cell.str()).trimmed().toInt(&ok);
        if (!ok) throw b3::Error(13, "", "Type mismatch");
        return v;
    }
    return static_cast<int>(cell.number());
}

QString CellText(const b3::DataArray& data, int row, int column) {
    return CellText(data.at(static_cast<std::size_t>(row), static_cast<std::size_t>(column)));
}

int CellInt(const b3::DataArray& data, int row, int column) {
    return CellInt(data.at(static_cast<std::size_t>(row), static_cast<std::size_t>(column)));
}

b3::Cell TextCell(const QString& text) {
    return b3::Cell::text(text.toStdString());
}

QString PowerName(const b3::_CEditObject& object, int code) {
    return QString::fromStdString(object.ConvertPowerTypeToName(static_cast<std::int16_t>(code)));
}
QString SoundName(const b3::_CEditObject& object, int code) {
    return QString::fromStdString(object.ConvertSoundToName(static_cast<std::int16_t>(code)));
}
QString FacingName(const b3::_CEditObject& object, int code) {
    return QString::fromStdString(object.ConvertFacingToName(static_cast<std::int16_t>(code)));
}

void SetKindTooltips(KindForm& w, int base, const QString& prompt) {
    for (int position : {1, 2, 4, 5, 7}) {
        if (QAction* button = w.tbrButtons[static_cast<std::size_t>(position)])
            button->setToolTip(LoadResString(base + position));
    }
    w.updBrowse->setToolTip(LoadResString(base));
    w.cboEditObject->setPlaceholderText(prompt);
}

}  // namespace b3::editor
