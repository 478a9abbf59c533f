// A host without a window, for programs and benchmarks: it holds the data arrays, the terrain
// and the two sides, confirms every hero dialog with the bonuses it was given, and passes
// progress and results on to optional callbacks.
#pragma once

#include <functional>
#include <optional>
#include <string>

#include "engine/army.h"
#include "engine/hero_dialog.h"
#include "engine/host.h"
#include "engine/unit_list.h"

namespace b3::engine {

class SimpleHost : public CalculatorHost {
public:
    using Bonuses = std::optional<Long>[kHeroBonusCount];

    SimpleHost(DataArray armies, DataArray heroes)
        : armies_(std::move(armies)), heroes_(std::move(heroes)) {}

    void SetTerrain(std::string terrain) { terrain_ = std::move(terrain); }
    UnitData Data() const { return UnitData{&armies_, &heroes_}; }

    // The unit identifier of a short name (an army's if one has it, else a hero's), compared
    // without regard to letter case.
    std::optional<Long> FindUnit(const std::string& shortName) const;

    // Lists a unit on a side; a hero's dialog is confirmed with `bonuses` (none: as loaded).
    CArmy* AddUnit(bool attacking, Long unitId, Long slot, const HealthMarks& marks,
                   const Bonuses* bonuses = nullptr);

    // CalculatorHost
    std::string Terrain() const override { return terrain_; }
    void ShowHeroDialog(CArmy& hero) override;
    const DataArray& Armies() const override { return armies_; }
    const DataArray& Heroes() const override { return heroes_; }
    CAttackArmies& AttArmies() override { return att_; }
    CAttackArmies& DefArmies() override { return def_; }
    std::string PowerTypeName(Long code) const override {
        return powerName ? powerName(code) : std::to_string(code);
    }
    void SetProgress(Long percent) override {
        if (onProgress) onProgress(percent);
    }
    void ShowAttWinPercent(const std::string& text) override { winText = text; }
    void ShowAverage(int index, const std::string& text) override {
        if (index >= 2 && index <= 5) averageTexts[static_cast<std::size_t>(index - 2)] = text;
    }
    void ShowStats(const StackStatistics& stats) override {
        if (onStats) onStats(stats);
    }
    void ReportError(const std::string& label, std::int32_t number,
                     const std::string& description) override {
        if (onError) onError(label, number, description);
    }

    std::function<std::string(Long)> powerName;
    std::function<void(Long)> onProgress;
    std::function<void(const StackStatistics&)> onStats;
    std::function<void(const std::string&, std::int32_t, const std::string&)> onError;
    std::string winText;
    std::string averageTexts[4];

private:
    DataArray armies_;
    DataArray heroes_;
    std::string terrain_ = "field";
    CAttackArmies att_{*this};
    CAttackArmies def_{*this};
    const Bonuses* pending_ = nullptr;
};

}  // namespace b3::engine
