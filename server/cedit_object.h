// CEditObject: the edit server's one class. Construction reads the whole installation; the
// object then answers from its caches, writes and deletes objects, copies picture templates,
// converts codes to names and writes reports.
#pragma once

#include <array>
#include <map>
#include <string>
#include <vector>

#include "b3/edit_object.h"
#include "cfile.h"

namespace b3 {

class CEditObject final : public _CEditObject {
public:
    explicit CEditObject(const CreateOptions& options = {});

    std::int32_t NumEditObjects(const std::int32_t& Index) const override;
    std::string SitePath() const override { return sitePath_; }
    std::string SpellPath() const override { return spellPath_; }
    std::string HeroPath() const override { return heroPath_; }
    std::string ArmyPath() const override { return armyPath_; }
    std::string ItemPath() const override { return itemPath_; }
    std::string InstallPath() const override { return installPath_; }
    void CopyPictureTemplate(const std::int32_t& PictureType, const std::string& FileName) override;
    DataArray GetEditObjectData(const std::int32_t& DataType) const override;
    void WriteObject(const ObjectArray& DataToWrite, const std::int32_t& ObjectType) override;
    void PrintReport(const std::string& Path, const std::int32_t& WhichType) override;
    std::string ConvertPowerTypeToName(const std::int16_t& Index) const override;
    std::string ConvertSoundToName(const std::int16_t& Index) const override;
    std::string ConvertFacingToName(const std::int16_t& Index) const override;
    ObjectArray ConvertShortName(std::string ShortName,
                                 const DataArray& ItemDataArray) const override;
    ObjectArray ConvertArmyShortName(std::string ShortName) const override;
    std::string ShortNameFromPath(std::string Path, std::int32_t PathType) const override;
    void Delete(const std::int32_t& WhichType, const std::string& ShortName) override;
    std::string PicsPath() const override { return picsPath_; }
    std::string FileStamp(const std::int32_t& ObjectType,
                          const std::string& ShortName) const override;
    void WriteObjectChecked(const ObjectArray& DataToWrite, const std::int32_t& ObjectType,
                            const std::string& ExpectedStamp, bool NewRecord) override;

    // Internal operations, public for the tests.
    std::int32_t CountEditObjectFiles(int kind);
    std::string ConvertSpellShortNameToDisplay(const std::string& ShortName) const;
    static std::string ConvertGender(std::int32_t gender);
    static std::string ConvertTruth(std::uint8_t flag);
    const std::string& KindPath(int kind) const;

private:
    void FindInstallPath(const CreateOptions& options);
    void CheckPictureTemplates();
    void BuildEditObjectFileArray(int kind);
    // The kind's file names in enumeration order; a folder that cannot be read is reported
    // through the object's message sink and yields none.
    std::vector<std::string> EnumerateKind(int kind);
    void WriteRecord(int kind, const ObjectArray& object,
                     const std::string* expectedStamp = nullptr, bool newRecord = false);
    // Keeps a file of the installation in the history before it is replaced or deleted.
    void KeepInHistory(const std::string& path, const char* operation, int kind,
                       const std::string& name) const;
    std::string RecordFilePath(int kind, const ObjectArray& object) const;
    // The spell file that `path` names inside the spell folder (compared as the platform compares
    // paths); fails with 5 for anything else.
    std::string SpellFile(const std::string& path, const char* source) const;
    // Refuses, with number 5 and the reason, a short name that cannot name a file.
    static void RefuseShortName(const std::string& name, const char* source);
    std::string TemplatePath(const char* name) const;
    std::string FileInFolder(const std::string& folder, const std::string& name) const;

    std::string PrintItems(const DataArray& data) const;
    std::string PrintArmies(const DataArray& data) const;
    std::string PrintHeroes(const DataArray& data) const;
    std::string PrintSites(const DataArray& data) const;
    std::string PrintSpells(const DataArray& data) const;

    CFile file_;
    EventPump pumpEvents_;        // between the lines of a report; may be empty
    std::string templateFolder_;  // where missing picture templates come from; empty: ours
    const platform::WriteFaults* writeFaults_;
    MessageSink messages_;  // the host's; standard error when empty
    std::string installPath_, itemPath_, armyPath_, heroPath_, sitePath_, spellPath_, picsPath_;
    std::array<DataArray, kKindCount> caches_;
    std::array<std::int32_t, 6> counts_{};
    std::map<std::string, std::string> stamps_;  // definition file path -> stamp when read
};

}  // namespace b3
