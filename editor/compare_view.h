// What the main window shows of a comparison with another installation: a bar under the object
// list (what is compared, how many objects differ, End Comparison), an icon and a tooltip on
// every list entry that differs or exists only here, greyed entries for the objects that only
// the other installation holds, and on the view frame the fields whose value differs, with the
// other installation's value in their tooltip.
#pragma once

#include <QIcon>
#include <QPalette>
#include <QPointer>
#include <QString>
#include <map>
#include <memory>
#include <vector>

#include "editor/installation_compare.h"

class QComboBox;
class QFrame;
class QLabel;
class QPushButton;
class QWidget;

namespace b3::editor {

class KindForm;

class CompareView {
public:
    // Puts the bar into the window; marks nothing yet.
    CompareView(KindForm& window, std::unique_ptr<InstallationComparison> comparison);
    // Takes every mark off again: the bar, the list's icons, tooltips and greyed entries, the
    // fields' colours and tooltips.
    ~CompareView();
    CompareView(const CompareView&) = delete;
    CompareView& operator=(const CompareView&) = delete;

    InstallationComparison& comparison() { return *comparison_; }
    // The other installation's folder as people read it.
    QString thereText() const;

    // Marks the entries of the list, just filled for `kind` (each entry's short name from the
    // window), and adds the objects only the other installation holds after them: greyed, not
    // to be chosen, and with no row key (-1). `filter` keeps those whose name holds it.
    void MarkList(int kind, const QString& filter);
    // Marks the view frame's fields of the object with `shortName` (as the list has it); an
    // empty name takes the marks off.
    void MarkForm(int kind, const QString& shortName);

    // The text the tooltip of a marked field or list entry starts with.
    QString differsText() const;
    QString onlyThereText() const;
    static QString onlyHereText() { return "Only in this installation"; }
    // The list entries' marks; a blank one for the same.
    static QIcon StateIcon(CompareState state);

    QFrame* fraCompare = nullptr;
    QLabel* lblCompare = nullptr;
    QPushButton* cmdEndCompare = nullptr;

private:
    // What a field looked like before it was marked.
    struct Saved {
        QPointer<QWidget> widget;
        QString toolTip;
        bool autoFill = false;
        bool ownPalette = false;
        QPalette palette;
    };
    void ClearForm();
    void ClearList();
    void Mark(QWidget* widget, const QStringList& lines);
    // The view frame's control that shows `column` of `kind`; null for none.
    QWidget* ViewWidget(int kind, int column) const;
    QWidget* PictureWidget(int kind, int picture) const;
    void ShowSummary(int kind, const ComparedObject* shown, const QString& shownName);

    KindForm& w_;
    std::unique_ptr<InstallationComparison> comparison_;
    std::vector<Saved> marked_;
    int listKind_ = -1;
};

}  // namespace b3::editor
