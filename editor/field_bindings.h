// The properties of the editor's value classes bound to the columns of their kind's data array.
// Each kind's module keeps one table: which property holds which column (named as the kind's
// table names it, b3/table_columns.h), where the form edits it and whether the change check and
// the writer take it. The loops here load the stored object from the data array, collect the
// working object from the form, compare the two and write the working object back; the module
// keeps only what is its own (combo boxes, lists, check boxes, the messages of its checks).
#pragma once

#include <QLabel>
#include <QLineEdit>
#include <QString>
#include <QVariant>
#include <array>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

#include "b3/edit_object.h"
#include "b3/record_layout.h"
#include "b3/table_columns.h"
#include "editor/powers.h"
#include "editor/updown.h"

namespace b3::editor {

// Where the working object takes a property from.
enum class FormSource {
    Spin,     // the kind's spinner at the property's column
    TextBox,  // the kind's text box at the property's column
    Stored,   // the stored object: the form does not edit it
    Module,   // the kind's module sets it, if at all
};

// What besides loading the stored object a binding takes part in.
enum FieldUse : unsigned {
    kLoadOnly = 0,
    kCompared = 1,  // a difference counts as a change
    kWritten = 2,   // written into the object array
    kComparedAndWritten = kCompared | kWritten,
};

template <class Object>
struct FieldBinding {
    int column = 0;
    FormSource source = FormSource::Module;
    unsigned use = kLoadOnly;
    std::function<void(Object&, const b3::DataArray&, int row)> load;
    std::function<void(Object&, const UpDown&)> fromSpin;
    std::function<void(Object&, const QLineEdit&)> fromTextBox;
    std::function<void(Object& to, const Object& from)> copy;
    std::function<bool(const Object&, const Object&)> differs;
    std::function<b3::Cell(const Object&)> cell;
};

template <class Object>
using FieldTable = std::vector<FieldBinding<Object>>;

namespace detail {

// The column of `kind` that the kind's table calls `name`, spelt exactly; a name the table lacks
// is a fault of the module's table and fails with number 9 when the table is built.
inline const b3::TableColumn& BoundColumn(int kind, std::string_view name) {
    return b3::TableColumnNamed(kind, name, "FieldBinding");
}

inline int AsInt(const QVariant& v) {
    return v.toInt();
}
template <class T>
requires std::is_integral_v<T>
int AsInt(T v) {
    return static_cast<int>(v);
}

}  // namespace detail

// The column number of the column `name` of `kind`, for a cell the module writes itself.
inline std::size_t ColumnNamed(int kind, std::string_view name) {
    return static_cast<std::size_t>(detail::BoundColumn(kind, name).column);
}

// Binds the property `get`/`set` of `Object` to the column `name` of `kind`. A text property
// takes a text column; a number property (an integer or a QVariant holding one) a number column,
// written as a cell of the column's type.
template <class Object, class Value, class Param>
FieldBinding<Object> Bind(int kind, std::string_view name, Value (Object::*get)() const,
                          void (Object::*set)(Param), FormSource source,
                          unsigned use = kComparedAndWritten) {
    using T = std::remove_cvref_t<Param>;
    constexpr bool kText = std::is_same_v<T, QString>;
    const b3::TableColumn& c = detail::BoundColumn(kind, name);
    if (kText != (c.type == b3::Cell::Type::Text))
        throw b3::Error(b3::kErrTypeMismatch, "FieldBinding",
                        "the column \"" + c.name + "\" holds " + (kText ? "no text" : "no number"));
    if ((source == FormSource::Spin && kText) || (source == FormSource::TextBox && !kText))
        throw b3::Error(
            b3::kErrTypeMismatch, "FieldBinding",
            "the column \"" + c.name + "\" is not edited in a " + (kText ? "spinner" : "text box"));
    FieldBinding<Object> b;
    b.column = c.column;
    b.source = source;
    b.use = use;
    const int column = c.column;
    const b3::Cell::Type type = c.type;
    b.load = [=](Object& o, const b3::DataArray& data, int row) {
        if constexpr (kText)
            (o.*set)(CellText(data, row, column));
        else
            (o.*set)(static_cast<T>(CellInt(data, row, column)));
    };
    b.fromSpin = [=](Object& o, const UpDown& spin) {
        if constexpr (!kText) (o.*set)(static_cast<T>(spin.value()));
    };
    b.fromTextBox = [=](Object& o, const QLineEdit& box) {
        if constexpr (kText) (o.*set)(box.text());
    };
    b.copy = [=](Object& to, const Object& from) { (to.*set)((from.*get)()); };
    b.differs = [=](const Object& a, const Object& k) { return (a.*get)() != (k.*get)(); };
    b.cell = [=](const Object& o) -> b3::Cell {
        if constexpr (kText) {
            return TextCell((o.*get)());
        } else {
            const int v = detail::AsInt((o.*get)());
            switch (type) {
                case b3::Cell::Type::Byte:
                    return ByteCell(v);
                case b3::Cell::Type::Integer:
                    return IntCell(v);
                default:
                    return b3::Cell::long_(v);
            }
        }
    };
    return b;
}

// Empties the labels and text boxes of the columns 1 to `last` of a kind's form and sets each
// spinner to its minimum (or to `start` of its column where that gives a value), shown in the
// spinner's text box. Columns without a control are passed over.
template <std::size_t N, std::size_t M, std::size_t K>
void ResetFormColumns(const std::array<QLabel*, N>& labels, const std::array<QLineEdit*, M>& boxes,
                      const std::array<UpDown*, K>& spins, int last,
                      const std::function<std::optional<int>(int column)>& start = {}) {
    for (int i = 1; i <= last; ++i) {
        const std::size_t k = static_cast<std::size_t>(i);
        if (labels[k]) labels[k]->clear();
        if (boxes[k]) boxes[k]->clear();
        if (spins[k]) {
            const std::optional<int> value = start ? start(i) : std::nullopt;
            spins[k]->setValue(value.value_or(spins[k]->min()));
            boxes[k]->setText(QString::number(spins[k]->value()));
        }
    }
}

// Every bound property of `stored` from row `row` of the data array.
template <class Object>
void LoadFromRow(const FieldTable<Object>& table, Object& stored, const b3::DataArray& data,
                 int row) {
    for (const FieldBinding<Object>& b : table) b.load(stored, data, row);
}

// The properties of `working` that the form's spinners and text boxes edit (both indexed by
// column) and those it keeps from `stored`; the module sets the rest.
template <class Object, std::size_t N, std::size_t M>
void CollectFromForm(const FieldTable<Object>& table, Object& working, const Object& stored,
                     const std::array<UpDown*, N>& spins, const std::array<QLineEdit*, M>& boxes) {
    for (const FieldBinding<Object>& b : table) {
        const auto at = static_cast<std::size_t>(b.column);
        switch (b.source) {
            case FormSource::Spin:
                b.fromSpin(working, *spins.at(at));
                break;
            case FormSource::TextBox:
                b.fromTextBox(working, *boxes.at(at));
                break;
            case FormSource::Stored:
                b.copy(working, stored);
                break;
            case FormSource::Module:
                break;
        }
    }
}

// How many of the compared properties differ between `stored` and `working`.
template <class Object>
int CountChanged(const FieldTable<Object>& table, const Object& stored, const Object& working) {
    int count = 0;
    for (const FieldBinding<Object>& b : table)
        if ((b.use & kCompared) && b.differs(stored, working)) ++count;
    return count;
}

// The written properties of `working` into their cells of `array`.
template <class Object>
void WriteToArray(const FieldTable<Object>& table, const Object& working, b3::ObjectArray& array) {
    for (const FieldBinding<Object>& b : table)
        if (b.use & kWritten) array.at(static_cast<std::size_t>(b.column)) = b.cell(working);
}

}  // namespace b3::editor
