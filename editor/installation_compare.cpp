#include "editor/installation_compare.h"

#include "b3/record_layout.h"
#include "b3/table_columns.h"
#include "editor/editor_model.h"
#include "editor/powers.h"
#include "patch/patch.h"
#include "platform/native_path.h"
#include "platform/text1252.h"

namespace b3::editor {

namespace {

namespace bp = b3::patch;

// A code shown by its name where the view frame shows the name; the code itself when the name
// cannot be had.
QString Named(const b3::_CEditObject& names, QString (*name)(const b3::_CEditObject&, int),
              std::int64_t code) {
    try {
        const QString text = name(names, static_cast<int>(code));
        if (!text.isEmpty()) return text;
    } catch (...) {
        // A code without a name: shown as the number.
    }
    return QString::number(code);
}

// A value as the view frame shows it: codes by their names, the hero's medal chance signed,
// texts without quotes (an empty one as ""), pictures by size.
QString ValueText(const bp::FieldDef& def, const bp::json& value, const b3::_CEditObject& names) {
    if (def.type != bp::FieldDef::Type::Column)
        return QString::fromStdString(bp::ShowValue(def, value));
    if (value.is_string()) {
        const std::string text = value.get<std::string>();
        return text.empty() ? QString("\"\"") : QString::fromStdString(text);
    }
    if (!value.is_number_integer()) return QString::fromStdString(bp::ShowValue(def, value));
    const auto n = value.get<std::int64_t>();
    const std::string& name = def.column.name;
    const bool powerType = name == "PowerType" || (name.rfind("Power", 0) == 0 && name.size() > 4 &&
                                                   name.substr(name.size() - 4) == "Type");
    if (powerType) return Named(names, &PowerName, n);
    if (name == "Sound") return Named(names, &SoundName, n);
    if (name == "DefaultFacing" || name == "Facing") return Named(names, &FacingName, n);
    if (name == "MedalChanceAddition") return QString::number(static_cast<std::int8_t>(n));
    return QString::number(n);
}

QString Words(const bp::FieldDef& def) {
    if (def.type == bp::FieldDef::Type::OtherBytes) return "Bytes outside the fields";
    return QString::fromStdString(b3::ColumnWords(def.name));
}

const ComparedObject& SameObject() {
    static const ComparedObject same;
    return same;
}

}  // namespace

std::string ComparedName(int kind, const QString& listedShortName) {
    const std::string text = listedShortName.toStdString();
    if (kind != kSpell) return text;
    return platform::Utf8Path(platform::FsPath(text).stem());
}

InstallationComparison::InstallationComparison(std::string here, std::string there)
    : here_(std::move(here)), there_(std::move(there)) {}

void InstallationComparison::setHereFolder(std::string here) {
    here_ = std::move(here);
    compared_ = {};
    for (auto& objects : objects_) objects.clear();
    for (auto& names : onlyThere_) names.clear();
}

void InstallationComparison::Refresh(int kind, const b3::_CEditObject& names) {
    const auto k = static_cast<std::size_t>(kind);
    // Both read only: the other folder is never written, and the editor's own is its server's
    // to put right.
    const bp::Installation a(here_, bp::Installation::Access::ReadOnly);
    const bp::Installation b(there_, bp::Installation::Access::ReadOnly);
    const bp::InstallationDifference d = bp::Compare(a, b, {kind});

    std::map<std::string, ComparedObject> objects;
    std::vector<std::string> onlyThere;
    for (const bp::ObjectDifference& o : d.changed) {
        ComparedObject c{CompareState::Differs, o.name, {}, {}};
        for (const bp::FieldChange& f : o.fields) {
            const bp::FieldDef& def = *bp::FindField(kind, f.field);
            ComparedField field{f.field,
                                Words(def),
                                -1,
                                -1,
                                ValueText(def, f.before, names),
                                ValueText(def, f.after, names)};
            if (def.type == bp::FieldDef::Type::Column) field.column = def.column.column;
            if (def.type == bp::FieldDef::Type::Picture) field.picture = def.picture;
            c.fields.push_back(std::move(field));
        }
        objects[platform::AsciiUpper(o.name)] = std::move(c);
    }
    for (const auto& [objectKind, name] : d.onlyInA)
        objects[platform::AsciiUpper(name)] = {CompareState::OnlyHere, name, {}, {}};
    const auto& defs = bp::FieldDefs(kind);
    for (const auto& [objectKind, name] : d.onlyInB) {
        ComparedObject c{CompareState::OnlyThere, name, QString::fromStdString(name), {}};
        if (const auto object = b.Load(kind, name)) {
            const std::vector<bp::json> values = bp::ObjectValues(*object);
            for (std::size_t i = 0; i < defs.size(); ++i) {
                if (defs[i].type == bp::FieldDef::Type::Column &&
                    defs[i].column.column == EditorModel::DisplayNameColumn(kind) &&
                    values[i].is_string() && !values[i].get<std::string>().empty())
                    c.displayName = QString::fromStdString(values[i].get<std::string>());
            }
        }
        const std::string key = platform::AsciiUpper(name);
        onlyThere.push_back(key);
        objects[key] = std::move(c);
    }
    objects_[k] = std::move(objects);
    onlyThere_[k] = std::move(onlyThere);
    compared_[k] = true;
}

const ComparedObject& InstallationComparison::Find(int kind, std::string_view shortName) const {
    if (kind < 0 || kind >= kKindCount) return SameObject();
    const auto& objects = objects_[static_cast<std::size_t>(kind)];
    const auto hit = objects.find(platform::AsciiUpper(shortName));
    return hit == objects.end() ? SameObject() : hit->second;
}

std::vector<const ComparedObject*> InstallationComparison::OnlyThere(int kind) const {
    std::vector<const ComparedObject*> out;
    if (kind < 0 || kind >= kKindCount) return out;
    const auto k = static_cast<std::size_t>(kind);
    for (const std::string& key : onlyThere_[k]) out.push_back(&objects_[k].at(key));
    return out;
}

InstallationComparison::Counts InstallationComparison::CountsOf(int kind) const {
    Counts counts;
    if (kind < 0 || kind >= kKindCount) return counts;
    for (const auto& [key, o] : objects_[static_cast<std::size_t>(kind)]) {
        if (o.state == CompareState::Differs) ++counts.differ;
        if (o.state == CompareState::OnlyHere) ++counts.onlyHere;
        if (o.state == CompareState::OnlyThere) ++counts.onlyThere;
    }
    return counts;
}

}  // namespace b3::editor
