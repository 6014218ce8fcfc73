// The method registry: one entry per registered method (a class, or a class and parameter value), in the fixed
// registry order, with the user's favourites, titles and display options, and the game settings the methods read.
#pragma once

#include "stats/GameSettings.h"
#include "stats/StatFramework.h"

#include <memory>
#include <string>
#include <vector>

namespace zorb {

struct TStatMethod {
    const TStatClass* StatClass;
    int Param = 0;
    bool Favorite = true;
    std::string Title;
    std::string Formula; // shredding methods only
};

// Registry order: every method code of the system, with the class where it is built.
struct TRegistrySlot {
    const char* Code;
    const TStatClass* Class; // nullptr until its family is built
};
const std::vector<TRegistrySlot>& RegistryTable();

constexpr int GroupCount = 13;
std::string GroupAbbrev(int group);
std::string GroupCaption(int group); // "{ num } Числа тиража"; "#ERROR#" outside 0..12

class TStatList {
public:
    TStatList();

    // --- Archive and settings ---
    void SetDraws(const TDrawsArray* draws) { FDraws = draws ? draws : &FNoDraws; }
    const TDrawsArray& Draws() const { return *FDraws; }
    void SetSettingsPath(std::string path) { FSettingsPath = std::move(path); }
    void SetLanguageAbbrev(std::string abbrev) { FLanguageAbbrev = std::move(abbrev); }
    void SetHelpFile(std::string path) { FHelpFile = std::move(path); }
    const std::string& HelpFile() const { return FHelpFile; }

    TConfigData Config;
    TWeights SavedWeights;
    TGenerateSettings Generate;
    TShreddingData Shredding;

    // Each opens the settings file afresh; loading raises only when the file cannot be read.
    void LoadSettings() { Config = LoadConfig(FSettingsPath); }
    void SaveSettings() const { SaveConfig(FSettingsPath, Config); }
    void ClearProfits() { Config.Profits.clear(); }
    void LoadGenerateSettings() { Generate = zorb::LoadGenerateSettings(FSettingsPath); }
    void SaveGenerateSettings() const { zorb::SaveGenerateSettings(FSettingsPath, Generate); }
    void LoadShreddingSettings() { Shredding = LoadShredding(FSettingsPath); }
    void SaveShreddingSettings() const { SaveShredding(FSettingsPath, Shredding); }
    void SaveWeights() { SavedWeights = Config.Weights; }
    void RestoreWeights() { Config.Weights = SavedWeights; }
    void ApplyWeights(bool useOwn, const TWeights& own) { Config.Weights = useOwn ? own : SavedWeights; }
    // -C(numbers, 6) x Cost, plus the prize of the first table row for `matches` (none for -1).
    Currency StakeProfit(int numbersCount, int matches) const;

    // --- Entries ---
    void BuildMethods();
    int MethodCount() const { return static_cast<int>(FItems.size()); }
    const TStatMethod& Method(int i) const { return FItems[static_cast<size_t>(i)]; }
    TStatMethod& Method(int i) { return FItems[static_cast<size_t>(i)]; }
    bool IsAvailable(int i) const { return Method(i).StatClass->Available; }
    bool IsVisible(int i) const { return Method(i).StatClass->Visible; }
    bool IsGraphMethod(int i) const { return Method(i).StatClass->IsGraph; }
    bool IsPrefetchable(int i) const { return Method(i).StatClass->CanPrefetch(); }
    bool IsShown(int i) const { return ShowAll || Method(i).Favorite; }
    std::string EntryName(int i) const;
    std::string DisplayName(int i, bool withFlags) const;
    std::string CodeOf(int i) const { return Method(i).StatClass->CodeOf(Method(i).Param); }
    // First entry whose code equals `code` without regard to letter case; -1 when none.
    int FindByCode(const std::string& code) const;
    std::unique_ptr<TCustomStat> CreateStat(int i);
    // Raises "Не выбран метод расчета статистики (cb: %s)!" when `i` is -1.
    std::unique_ptr<TCustomStat> CreateSelectedStat(int i, const std::string& listName);
    std::string HelpTopic(int i) const { return Method(i).StatClass->HelpTopic(Method(i).Param, FHelpFile); }

    // --- Favourites and display options ---
    bool Ordered = false;
    bool ShowGroupName = true;
    bool ShowMethodFlags = true;
    bool ShowAll = true;

    void ShowAllMethods();
    void NormalizeFavorites();
    std::string FavoritesText() const;
    void SetFavoritesText(const std::string& text);
    // The favourites file; both raise on a file that cannot be read or written, keeping what was read so far.
    void LoadNames(const std::string& fileName, bool withOptions);
    void SaveNames(const std::string& fileName, bool withOptions, bool allNames) const;
    std::string StringsSection() const { return "STRINGS_" + FLanguageAbbrev; }

private:
    const TDrawsArray* FDraws;
    TDrawsArray FNoDraws;
    std::string FSettingsPath;
    std::string FLanguageAbbrev = "RUS";
    std::string FHelpFile;
    std::vector<TStatMethod> FItems;
};

} // namespace zorb
