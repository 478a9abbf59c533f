// The GUI tests' look at keyboard mnemonics: the letter after "&" in a caption, and the clashes
// of a window's mnemonics.
#pragma once

#include <QAbstractButton>
#include <QAction>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QString>
#include <QStringList>
#include <QTabBar>
#include <QWidget>
#include <map>
#include <optional>

namespace b3::test {

// The letter after a single "&" of a caption, lower case; none for "&&" or no "&".
inline std::optional<QChar> Mnemonic(const QString& text) {
    for (int i = 0; i + 1 < text.size(); ++i) {
        if (text[i] != '&') continue;
        if (text[i + 1] == '&') {
            ++i;
            continue;
        }
        return text[i + 1].toLower();
    }
    return std::nullopt;
}

namespace detail {

inline void AddClashes(const QString& where, const QStringList& captions, QStringList& clashes) {
    std::map<QChar, QStringList> seen;
    for (const QString& caption : captions)
        if (const auto m = Mnemonic(caption)) seen[*m] << caption;
    for (const auto& [letter, texts] : seen)
        if (texts.size() > 1) clashes << where + ": " + texts.join(" / ");
}

inline void AddMenuClashes(QMenu& menu, const QString& where, QStringList& clashes) {
    QStringList entries;
    for (QAction* a : menu.actions()) {
        if (a->isSeparator() || !a->isVisible()) continue;
        entries << a->text();
        if (a->menu()) AddMenuClashes(*a->menu(), where + " > " + a->menu()->title(), clashes);
    }
    AddClashes(where, entries, clashes);
}

}  // namespace detail

// Every mnemonic clash of `window` as it would be shown now, each "where: caption / caption":
// among its visible buttons, labels, group boxes, tabs and menu bar titles, and among the visible
// entries of each menu of its menu bar (submenus too). Widgets of other windows (dialogs that are
// its children) do not count.
inline QStringList MnemonicClashes(QWidget& window, const QString& where) {
    QStringList captions;
    QStringList clashes;
    for (QWidget* child : window.findChildren<QWidget*>()) {
        if (!child->isVisibleTo(&window) || child->window() != &window) continue;
        if (auto* b = qobject_cast<QAbstractButton*>(child)) captions << b->text();
        if (auto* l = qobject_cast<QLabel*>(child)) captions << l->text();
        if (auto* g = qobject_cast<QGroupBox*>(child)) captions << g->title();
        if (auto* t = qobject_cast<QTabBar*>(child))
            for (int i = 0; i < t->count(); ++i) captions << t->tabText(i);
        if (auto* bar = qobject_cast<QMenuBar*>(child)) {
            for (QAction* a : bar->actions()) {
                captions << a->text();
                if (a->menu())
                    detail::AddMenuClashes(*a->menu(), where + " > " + a->menu()->title(), clashes);
            }
        }
    }
    detail::AddClashes(where, captions, clashes);
    return clashes;
}

}  // namespace b3::test
