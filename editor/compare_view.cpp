#include "editor/compare_view.h"

#include <QBoxLayout>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFrame>
#include <QLabel>
#include <QListWidget>
#include <QPainter>
#include <QPushButton>
#include <QStandardItemModel>
#include <QTabWidget>

#include "b3/record_layout.h"
#include "editor/kind_form.h"

namespace b3::editor {

namespace {

// The colours of the three marks: a value or object that differs, an object only here, one only
// there.
const QColor kDiffersColour(255, 226, 140);
const QColor kDiffersDot(214, 150, 0);
const QColor kOnlyHereDot(40, 150, 60);
const QColor kOnlyThereDot(150, 150, 150);

// At most this many values are listed in a list entry's tooltip.
constexpr int kMaxTooltipFields = 12;
// Values longer than this are cut in tooltips.
constexpr int kMaxValueLength = 80;

QString Cut(const QString& text) {
    return text.size() <= kMaxValueLength ? text : text.left(kMaxValueLength - 3) + "...";
}

QString Dot(const QColor& colour, const QString& glyph) {
    return QString("<span style=\"color:%1\">%2</span>").arg(colour.name(), glyph);
}

}  // namespace

QIcon CompareView::StateIcon(CompareState state) {
    QPixmap pm(16, 16);
    pm.fill(Qt::transparent);
    // The same: no mark, but as wide as one, so that the names stay in line.
    if (state == CompareState::Same) return QIcon(pm);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF dot(3, 3, 10, 10);
    switch (state) {
        case CompareState::Differs:
            p.setPen(QPen(kDiffersDot.darker(130), 1));
            p.setBrush(kDiffersDot);
            p.drawEllipse(dot);
            break;
        case CompareState::OnlyHere:
            p.setPen(QPen(kOnlyHereDot.darker(130), 1));
            p.setBrush(kOnlyHereDot);
            p.drawEllipse(dot);
            p.setPen(QPen(Qt::white, 2));
            p.drawLine(QPointF(8, 5), QPointF(8, 11));
            p.drawLine(QPointF(5, 8), QPointF(11, 8));
            break;
        default:
            p.setPen(QPen(kOnlyThereDot, 1.5));
            p.setBrush(Qt::NoBrush);
            p.drawEllipse(dot);
            break;
    }
    return QIcon(pm);
}

CompareView::CompareView(KindForm& window, std::unique_ptr<InstallationComparison> comparison)
    : w_(window), comparison_(std::move(comparison)) {
    fraCompare = new QFrame(w_.formArea());
    fraCompare->setObjectName("fraCompare");
    fraCompare->setFrameShape(QFrame::StyledPanel);
    fraCompare->setAutoFillBackground(true);
    QPalette palette = fraCompare->palette();
    palette.setColor(QPalette::Window, QColor(255, 248, 224));
    fraCompare->setPalette(palette);
    auto* row = new QHBoxLayout(fraCompare);
    row->setContentsMargins(6, 2, 6, 2);
    lblCompare = new QLabel(fraCompare);
    lblCompare->setObjectName("lblCompare");
    lblCompare->setTextFormat(Qt::RichText);
    lblCompare->setWordWrap(true);
    lblCompare->setToolTip(QString("Compared with %1, which is only read. The fields that differ "
                                   "are marked; their tooltips give the values there.")
                               .arg(thereText()));
    cmdEndCompare = new QPushButton("End Comparison", fraCompare);
    cmdEndCompare->setObjectName("cmdEndCompare");
    cmdEndCompare->setToolTip("Take the comparison's marks off");
    row->addWidget(lblCompare, 1);
    row->addWidget(cmdEndCompare, 0, Qt::AlignVCenter);
    // Between the object list and the tabs.
    if (auto* column = qobject_cast<QBoxLayout*>(w_.formArea()->layout()))
        column->insertWidget(1, fraCompare);
}

CompareView::~CompareView() {
    ClearForm();
    ClearList();
    // The bar goes once the event that ended the comparison (its own button's click) is done.
    fraCompare->hide();
    if (auto* column = qobject_cast<QBoxLayout*>(w_.formArea()->layout()))
        column->removeWidget(fraCompare);
    fraCompare->deleteLater();
}

QString CompareView::thereText() const {
    return QDir::toNativeSeparators(QString::fromStdString(comparison_->thereFolder()));
}

QString CompareView::differsText() const {
    return QString("Differs from %1").arg(thereText());
}

QString CompareView::onlyThereText() const {
    return QString("Only in %1").arg(thereText());
}

void CompareView::MarkList(int kind, const QString& filter) {
    listKind_ = kind;
    QComboBox* list = w_.cboEditObject;
    const QSignalBlocker block(list);
    const int current = list->currentIndex();
    for (int p = 0; p < list->count(); ++p) {
        static const ComparedObject unlisted;
        const QString shortName = w_.ShortNameAt(p);
        const ComparedObject& o =
            shortName.isEmpty() ? unlisted : comparison_->Find(kind, ComparedName(kind, shortName));
        QString tip;
        if (o.state == CompareState::OnlyHere) tip = onlyHereText();
        if (o.state == CompareState::Differs) {
            QStringList lines{differsText() + ":"};
            for (std::size_t i = 0; i < o.fields.size(); ++i) {
                if (static_cast<int>(i) == kMaxTooltipFields) {
                    lines << QString("and %1 more").arg(o.fields.size() - i);
                    break;
                }
                const ComparedField& f = o.fields[i];
                lines << QString("%1: %2 here, %3 there").arg(f.words, Cut(f.here), Cut(f.there));
            }
            tip = lines.join('\n');
        }
        list->setItemData(p, StateIcon(o.state), Qt::DecorationRole);
        list->setItemData(p, tip.isEmpty() ? QVariant() : QVariant(tip), Qt::ToolTipRole);
    }
    // The objects only the other installation holds, after this one's, greyed.
    auto* model = qobject_cast<QStandardItemModel*>(list->model());
    for (const ComparedObject* o : comparison_->OnlyThere(kind)) {
        const QString name = QString::fromStdString(o->name);
        if (!filter.isEmpty() && !o->displayName.contains(filter, Qt::CaseInsensitive) &&
            !name.contains(filter, Qt::CaseInsensitive))
            continue;
        list->addItem(StateIcon(CompareState::OnlyThere), o->displayName + " (only there)", -1);
        const int at = list->count() - 1;
        list->setItemData(at, QString("%1 (%2)").arg(onlyThereText(), name), Qt::ToolTipRole);
        if (model) model->item(at)->setEnabled(false);
    }
    list->setCurrentIndex(current);
    ShowSummary(kind, nullptr, {});
}

void CompareView::ClearList() {
    QComboBox* list = w_.cboEditObject;
    const QSignalBlocker block(list);
    const int current = list->currentIndex();
    for (int p = list->count() - 1; p >= 0; --p) {
        if (list->itemData(p).toInt() < 0) {
            list->removeItem(p);
            continue;
        }
        list->setItemData(p, QVariant(), Qt::DecorationRole);
        list->setItemData(p, QVariant(), Qt::ToolTipRole);
    }
    list->setCurrentIndex(current < list->count() ? current : -1);
}

QWidget* CompareView::ViewWidget(int kind, int column) const {
    const auto c = static_cast<std::size_t>(column);
    switch (kind) {
        case kItem:
            if (column == 5) return w_.picItem[0];
            return c < w_.lblItemProps.size() ? w_.lblItemProps[c] : nullptr;
        case kArmy:
            if (column >= 13 && column <= 16) return w_.lstArmyMoveBonuses;
            return c < w_.lblArmyProps.size() ? w_.lblArmyProps[c] : nullptr;
        case kHero:
            // The levels, powers and default names are in the More Properties window.
            if (column >= 19 && column <= 122) return w_.cmdHeroProps;
            if (column == 5) return w_.picPreview[1];
            if (column == 6) return w_.picPreview[2];
            return c < w_.lblHeroProps.size() ? w_.lblHeroProps[c] : nullptr;
        case kSite:
            if (column >= 5 && column <= 7) return w_.chkSiteReadOnly[c];
            return c < w_.lblSiteProps.size() ? w_.lblSiteProps[c] : nullptr;
        case kSpell:
            if (column >= 7 && column <= 19 && (column - 7) % 4 == 0)
                return w_.lblSpellArmy[static_cast<std::size_t>((column - 7) / 4)];
            return c < w_.lblSpellProps.size() ? w_.lblSpellProps[c] : nullptr;
        default:
            return nullptr;
    }
}

QWidget* CompareView::PictureWidget(int kind, int picture) const {
    if (kind == kArmy) return w_.picPreview[0];
    if (kind == kSite) return w_.picPreview[3];
    if (kind == kHero) return w_.picPreview[picture == 0 ? 1 : 2];
    return nullptr;
}

void CompareView::Mark(QWidget* widget, const QStringList& lines) {
    Saved saved{widget, widget->toolTip(), widget->autoFillBackground(),
                widget->testAttribute(Qt::WA_SetPalette), widget->palette()};
    marked_.push_back(saved);
    QPalette palette = widget->palette();
    for (QPalette::ColorRole role : {QPalette::Window, QPalette::Base, QPalette::Button})
        palette.setColor(role, kDiffersColour);
    widget->setPalette(palette);
    widget->setAutoFillBackground(true);
    widget->setProperty("b3Differs", true);
    QString tip = lines.join('\n');
    if (!saved.toolTip.isEmpty()) tip = saved.toolTip + "\n\n" + tip;
    widget->setToolTip(tip);
}

void CompareView::ClearForm() {
    // Undone newest first, so that a widget marked twice gets its first state back.
    for (auto s = marked_.rbegin(); s != marked_.rend(); ++s) {
        if (!s->widget) continue;
        s->widget->setToolTip(s->toolTip);
        s->widget->setAutoFillBackground(s->autoFill);
        s->widget->setPalette(s->ownPalette ? s->palette : QPalette());
        s->widget->setProperty("b3Differs", QVariant());
    }
    marked_.clear();
}

void CompareView::MarkForm(int kind, const QString& shortName) {
    ClearForm();
    if (shortName.isEmpty()) {
        ShowSummary(kind, nullptr, {});
        return;
    }
    const ComparedObject& o = comparison_->Find(kind, ComparedName(kind, shortName));
    // Each control with the values it shows that differ (a list of move bonuses shows four).
    std::vector<std::pair<QWidget*, std::vector<const ComparedField*>>> controls;
    for (const ComparedField& f : o.fields) {
        QWidget* widget = f.picture >= 0  ? PictureWidget(kind, f.picture)
                          : f.column >= 0 ? ViewWidget(kind, f.column)
                                          : nullptr;
        if (!widget) continue;
        auto hit = std::find_if(controls.begin(), controls.end(),
                                [&](const auto& c) { return c.first == widget; });
        if (hit == controls.end()) {
            controls.push_back({widget, {}});
            hit = controls.end() - 1;
        }
        hit->second.push_back(&f);
    }
    for (const auto& [widget, fields] : controls) {
        QStringList lines{differsText()};
        for (const ComparedField* f : fields) {
            lines << (fields.size() == 1 ? QString("There: %1").arg(Cut(f->there))
                                         : QString("%1 there: %2").arg(f->words, Cut(f->there)));
        }
        Mark(widget, lines);
    }
    const int position = w_.PositionOf(shortName);
    ShowSummary(kind, &o, position >= 0 ? w_.cboEditObject->itemText(position) : shortName);
}

void CompareView::ShowSummary(int kind, const ComparedObject* shown, const QString& shownName) {
    const InstallationComparison::Counts n = comparison_->CountsOf(kind);
    const QString nbsp(QChar(0x00A0));
    // Each count stays in one piece where the line wraps.
    const auto count = [&](const QColor& colour, char16_t glyph, int number, const QString& what) {
        return Dot(colour, QString(QChar(glyph))) + nbsp + QString::number(number) + nbsp + what;
    };
    QString text =
        QString("Comparing with <b>%1</b>. %2: %3, %4, %5.")
            .arg(QFontMetrics(lblCompare->font())
                     .elidedText(thereText(), Qt::ElideMiddle, 320)
                     .toHtmlEscaped(),
                 w_.sstEditor->tabText(kind),
                 count(kDiffersDot, 0x25CF, n.differ, n.differ == 1 ? "differs" : "differ"),
                 count(kOnlyHereDot, 0x25CF, n.onlyHere, QString("only") + nbsp + "here"),
                 count(kOnlyThereDot, 0x25CB, n.onlyThere, QString("only") + nbsp + "there"));
    if (shown) {
        const QString name = shownName.toHtmlEscaped();
        if (shown->state == CompareState::OnlyHere) {
            text += QString(" %1 is only in this installation.").arg(name);
        } else if (shown->state == CompareState::Same) {
            text += QString(" %1 is the same there.").arg(name);
        } else {
            QStringList fields;
            for (const ComparedField& f : shown->fields) fields << f.words.toHtmlEscaped();
            text += QString(" %1 differs in %2.").arg(name, fields.join(", "));
        }
    }
    lblCompare->setText(text);
}

}  // namespace b3::editor
