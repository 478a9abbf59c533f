// Comma-separated reports of all objects of a kind.
#include <functional>
#include <initializer_list>

#include "cedit_object.h"
#include "formats/csv.h"
#include "platform/files.h"
#include "platform/text1252.h"
#include "server_internal.h"

namespace b3 {
namespace {

// One line of the report: texts quoted (inner quotes doubled), numbers in plain decimal, empty
// cells as nothing, the line ended by CR LF.
class Line {
public:
    explicit Line(csv::Writer& out) : out_(out) {}
    ~Line() { out_.endRow(); }

    Line& text(std::string_view value) {
        out_.quoted(value);
        return *this;
    }
    Line& texts(std::initializer_list<const char*> values) {
        for (const char* value : values) text(value);
        return *this;
    }
    Line& cell(const Cell& value) {
        if (value.isText()) return text(value.str());
        if (value.isNumber())
            out_.number(value.number());
        else
            out_.empty();
        return *this;
    }

private:
    csv::Writer& out_;
};

std::int16_t Code(const Cell& cell) {
    return static_cast<std::int16_t>(cell.number());
}

// Runs the header and one call per row, pumping the host's events between rows, and names the
// print operation in any failure.
std::string PrintRows(const EventPump& pump, const DataArray& data, const char* source,
                      const std::function<void(csv::Writer&)>& header,
                      const std::function<void(csv::Writer&, std::size_t)>& row) {
    try {
        // Written in the game's encoding (converted when the report is saved).
        std::string out;
        csv::Writer writer(out, csv::Encoding::Windows1252);
        header(writer);
        for (std::size_t r = 0; r < data.rows(); ++r) {
            row(writer, r);
            if (pump) pump();
        }
        return out;
    } catch (const Error& e) {
        throw e.withSource(source);
    }
}

}  // namespace

std::string CEditObject::PrintItems(const DataArray& d) const {
    return PrintRows(
        pumpEvents_, d, "CEditObject::PrintItems",
        [](csv::Writer& out) {
            Line(out).texts({"File Name", "Display Name", "Description", "Relative Power",
                             "Icon Number", "Cost", "Power 1 Name", "Power 1 Value", "Power 2 Name",
                             "Power 2 Value"});
        },
        [&](csv::Writer& out, std::size_t r) {
            Line l(out);
            l.cell(d.at(r, 1)).cell(d.at(r, 2)).cell(d.at(r, 3)).cell(d.at(r, 4)).cell(d.at(r, 5));
            l.cell(d.at(r, 6)).text(ConvertPowerTypeToName(Code(d.at(r, 7)))).cell(d.at(r, 8));
            l.text(ConvertPowerTypeToName(Code(d.at(r, 9)))).cell(d.at(r, 10));
        });
}

std::string CEditObject::PrintArmies(const DataArray& d) const {
    return PrintRows(
        pumpEvents_, d, "CEditObject::PrintArmies",
        [](csv::Writer& out) {
            Line(out).texts({"File Name",
                             "Display Name",
                             "Description",
                             "Medal Chance",
                             "Strength",
                             "Move",
                             "Hits",
                             "Turns",
                             "Upkeep",
                             "View",
                             "Move Bonus 1",
                             "Move Bonus 2",
                             "Move Bonus 3",
                             "Move Bonus 4",
                             "Combat Bonus Terrain",
                             "Combat Bonus Value",
                             "Build Cost",
                             "Setup Cost",
                             "Power Type",
                             "Power Value",
                             "Sound",
                             "Default Facing"});
        },
        [&](csv::Writer& out, std::size_t r) {
            Line l(out);
            l.cell(d.at(r, 3)).cell(d.at(r, 1)).cell(d.at(r, 2));
            for (std::size_t c = 4; c <= 10; ++c) l.cell(d.at(r, c));
            for (std::size_t c = 13; c <= 18; ++c) l.cell(d.at(r, c));
            l.cell(d.at(r, 20)).cell(d.at(r, 21));
            l.text(ConvertPowerTypeToName(Code(d.at(r, 22)))).cell(d.at(r, 23));
            l.text(ConvertSoundToName(Code(d.at(r, 24))));
            l.text(ConvertFacingToName(Code(d.at(r, 25))));
        });
}

std::string CEditObject::PrintHeroes(const DataArray& d) const {
    return PrintRows(
        pumpEvents_, d, "CEditObject::PrintHeroes",
        [](csv::Writer& out) {
            Line l(out);
            l.texts({"File Name", "Display Name Male", "Display Name Female", "Description",
                     "Medal Chance Addition", "Strength", "Move", "Hits", "View", "Move Bonus 1",
                     "Move Bonus 2", "Move Bonus 3", "Move Bonus 4", "Combat Bonus Terrain",
                     "Combat Bonus Value"});
            const auto n = [](int i) { return std::to_string(i); };
            for (int i = 1; i <= 11; ++i) l.text("Level " + n(i) + " Name Male");
            for (int i = 1; i <= 11; ++i) l.text("Level " + n(i) + " Name Female");
            for (int i = 1; i <= 11; ++i) l.text("Level " + n(i) + " XP");
            for (int i = 1; i <= 11; ++i) l.text("Level " + n(i) + " AP");
            for (int p = 1; p <= 10; ++p) {
                l.text("Power " + n(p) + " Type").text("Power " + n(p) + " Value");
                l.text("Power " + n(p) + " Descrip");
            }
            for (int p = 1; p <= 10; ++p) l.text("Power " + n(p) + " Cost");
            for (int i = 1; i <= 10; ++i) l.text("Default Name " + n(i));
            for (int i = 1; i <= 10; ++i) l.text("Default Name " + n(i) + " Gender");
            l.text("Sound").text("Facing");
        },
        [&](csv::Writer& out, std::size_t r) {
            Line l(out);
            l.cell(d.at(r, 4)).cell(d.at(r, 1)).cell(d.at(r, 2)).cell(d.at(r, 3));
            for (std::size_t c = 7; c <= 17; ++c) l.cell(d.at(r, c));
            for (std::size_t c = 19; c <= 62; ++c) l.cell(d.at(r, c));
            for (std::size_t p = 1; p <= 10; ++p) {
                l.text(ConvertPowerTypeToName(Code(d.at(r, 60 + 3 * p))));
                l.cell(d.at(r, 61 + 3 * p));
                l.text(ConvertSpellShortNameToDisplay(d.at(r, 62 + 3 * p).toString()));
            }
            for (std::size_t c = 93; c <= 112; ++c) l.cell(d.at(r, c));
            for (std::size_t c = 113; c <= 122; ++c)
                l.text(ConvertGender(static_cast<int>(d.at(r, c).number())));
            l.text(ConvertSoundToName(Code(d.at(r, 123))));
            l.text(ConvertFacingToName(Code(d.at(r, 124))));
        });
}

std::string CEditObject::PrintSites(const DataArray& d) const {
    return PrintRows(
        pumpEvents_, d, "CEditObject::PrintSites",
        [](csv::Writer& out) {
            Line(out).texts({"File Name", "Display Name", "Power 1 Name", "Power 1 Value",
                             "Can Raze", "Reg. Anim. Operational", "Reg. Anim. Razed"});
        },
        [&](csv::Writer& out, std::size_t r) {
            Line l(out);
            l.cell(d.at(r, 2)).cell(d.at(r, 1));
            l.text(ConvertPowerTypeToName(Code(d.at(r, 3)))).cell(d.at(r, 4));
            for (std::size_t c = 5; c <= 7; ++c) {
                l.text(ConvertTruth(static_cast<std::uint8_t>(d.at(r, c).number())));
            }
        });
}

std::string CEditObject::PrintSpells(const DataArray& d) const {
    return PrintRows(
        pumpEvents_, d, "CEditObject::PrintSpells",
        [](csv::Writer& out) {
            Line l(out);
            l.text("Display Name").text("Description").text("Mana");
            for (int p = 1; p <= 4; ++p) {
                const std::string power = "Power " + std::to_string(p);
                l.text(power + " Name").text(power + " Value 1").text(power + " Value 2");
                l.text(power + " Description");
            }
        },
        [&](csv::Writer& out, std::size_t r) {
            Line l(out);
            l.cell(d.at(r, 1)).cell(d.at(r, 2)).cell(d.at(r, 3));
            for (std::size_t p = 1; p <= 4; ++p) {
                const std::int16_t type = Code(d.at(r, 4 * p));
                l.text(ConvertPowerTypeToName(type))
                    .cell(d.at(r, 4 * p + 1))
                    .cell(d.at(r, 4 * p + 2));
                // Only a summoning names something: the display name of the army it summons.
                std::string description;
                if (type == 22)
                    description = ConvertArmyShortName(d.at(r, 4 * p + 3).toString())[1].toString();
                l.text(description);
            }
        });
}

void CEditObject::PrintReport(const std::string& Path, const std::int32_t& WhichType) {
    if (WhichType < 0 || WhichType >= kKindCount) {
        throw detail::PlatformError(kErrSubscript, "CEditObject::PrintReport");
    }
    try {
        const DataArray& data = caches_[static_cast<std::size_t>(WhichType)];  // never changes
        std::string text;
        switch (WhichType) {
            case kItem:
                text = PrintItems(data);
                break;
            case kArmy:
                text = PrintArmies(data);
                break;
            case kHero:
                text = PrintHeroes(data);
                break;
            case kSite:
                text = PrintSites(data);
                break;
            default:
                text = PrintSpells(data);
                break;
        }
        auto encoded = platform::EncodeCp1252(text);
        if (!encoded) throw detail::PlatformError(kErrTypeMismatch, "CEditObject::PrintReport");
        // The report replaces the target whole, so a failure leaves the user's old file as it was.
        // A terminal or /dev/null is written to; a pipe or any other special file is refused.
        std::error_code ec;
        platform::ReplaceOptions options;
        options.followLinksAnywhere = true;
        options.writeCharacterDevices = true;
        if (!platform::ReplaceFileContents(Path, *encoded, ec, options)) {
            throw detail::FileError(ec, "CEditObject::PrintReport", Path);
        }
    } catch (const Error& e) {
        throw e.withSource("CEditObject::PrintReport");
    }
}

}  // namespace b3
