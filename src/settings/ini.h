#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

namespace stakor {

// A setting that could not be written. Memory already holds the new value.
class TSettingsError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Every option of the game, read once at start and written through, one value
// at a time, whenever it changes. Nothing is saved at exit.
//
// On disk the values live in one text file in the format of a registry export
// ("GameStyle"=dword:00000003, "Language"="_English") under the key
// "Software\Orvelan Games\Vexamo Stakor". Strings are stored with a leading "_"
// so that a value saved empty can be told from a missing one.
class TIni {
public:
    // Reads every setting from `file`. Without a file the settings live in
    // memory only: defaults at start, changes kept for this run, nothing written.
    explicit TIni(std::optional<std::filesystem::path> file);

    // $XDG_CONFIG_HOME (or ~/.config) / "Orvelan Games/Vexamo Stakor/settings.reg";
    // nothing when neither variable tells where the user's configuration lives.
    static std::optional<std::filesystem::path> DefaultFile();

    // True when the settings are backed by a file.
    bool RegistryAvailable() const { return File.has_value(); }
    const std::optional<std::filesystem::path>& FilePath() const { return File; }

    bool BossEnable() const { return BossEnable_; }
    const std::string& BossFile() const { return BossFile_; }
    int32_t BossIconNumber() const { return BossIconNumber_; }
    const std::string& BossPassword() const { return BossPassword_; }
    const std::string& BossTitle() const { return BossTitle_; }
    bool FigureRotateClockWise() const { return FigureRotateClockWise_; }
    int32_t GameStyle() const { return GameStyle_; }
    int32_t GlassBgColor() const { return GlassBgColor_; }
    const std::string& GlassBgFileName() const { return GlassBgFileName_; }
    bool GlassBgStretch() const { return GlassBgStretch_; }
    const std::string& GlassFontFileName() const { return GlassFontFileName_; }
    int32_t GlassGridColor() const { return GlassGridColor_; }
    int32_t GlassMode() const { return GlassMode_; }
    bool GlassShowGrid() const { return GlassShowGrid_; }
    bool GlassShowTime() const { return GlassShowTime_; }
    int32_t GlassTrash() const { return GlassTrash_; }
    const std::string& Language() const { return Language_; }
    bool PlayMusic() const { return PlayMusic_; }
    bool PlaySound() const { return PlaySound_; }
    int32_t StartingLevel() const { return StartingLevel_; }
    bool UpSideDownMode() const { return UpSideDownMode_; }

    // The player's keys, in Qt's portable key text ("Left", "Shift+Up"); an
    // empty or unreadable one stands for the default key of its action.
    const std::string& KeyLeft() const { return KeyLeft_; }
    const std::string& KeyRight() const { return KeyRight_; }
    const std::string& KeyRotate() const { return KeyRotate_; }
    const std::string& KeyRotateBack() const { return KeyRotateBack_; }
    const std::string& KeyDrop() const { return KeyDrop_; }
    const std::string& KeyPause() const { return KeyPause_; }
    // A gamepad plays along when one is attached.
    bool UseGamepad() const { return UseGamepad_; }
    // The falling figure's landing place is shown, faint.
    bool ShowShadow() const { return ShowShadow_; }

    // Each setter stores the value in memory, then writes that one value to the
    // file. A refused write throws TSettingsError ("Failed to set data for
    // 'Name'"); the new value stays in memory.
    void SetBossEnable(bool value);
    void SetBossFile(const std::string& value);
    void SetBossIconNumber(int32_t value);
    void SetBossPassword(const std::string& value);
    void SetBossTitle(const std::string& value);
    void SetFigureRotateClockWise(bool value);
    void SetGameStyle(int32_t value);
    void SetGlassBgColor(int32_t value);
    void SetGlassBgFileName(const std::string& value);
    void SetGlassBgStretch(bool value);
    void SetGlassFontFileName(const std::string& value);
    void SetGlassGridColor(int32_t value);
    void SetGlassMode(int32_t value);
    void SetGlassShowGrid(bool value);
    void SetGlassShowTime(bool value);
    void SetGlassTrash(int32_t value);
    void SetLanguage(const std::string& value);
    void SetPlayMusic(bool value);
    void SetPlaySound(bool value);
    void SetStartingLevel(int32_t value);
    void SetUpSideDownMode(bool value);
    void SetKeyLeft(const std::string& value);
    void SetKeyRight(const std::string& value);
    void SetKeyRotate(const std::string& value);
    void SetKeyRotateBack(const std::string& value);
    void SetKeyDrop(const std::string& value);
    void SetKeyPause(const std::string& value);
    void SetUseGamepad(bool value);
    void SetShowShadow(bool value);

    // While set, a refused write goes to `handler` instead of being thrown:
    // at start, before any window can show the error, the game goes on with
    // the new value in memory and reports the refusal later. Empty: throw.
    void SetRefusedWriteHandler(std::function<void(const TSettingsError&)> handler)
    {
        RefusedWrite = std::move(handler);
    }

private:
    bool LoadBool(const char* name, bool fallback) const;
    int32_t LoadInteger(const char* name, int32_t fallback) const;
    std::string LoadString(const char* name, const std::string& fallback) const;
    void Save(const char* name, std::string_view data);
    void SaveBool(const char* name, bool value);
    void SaveInteger(const char* name, int32_t value);
    void SaveString(const char* name, const std::string& value);

    bool BossEnable_ = false;
    std::string BossFile_ = "Notepad.exe";
    int32_t BossIconNumber_ = 0;
    std::string BossPassword_;
    std::string BossTitle_ = "Notepad";
    bool FigureRotateClockWise_ = false;
    int32_t GameStyle_ = 3;
    int32_t GlassBgColor_ = 0x333333;
    std::string GlassBgFileName_ = "Background/bluewave.jpg";
    bool GlassBgStretch_ = true;
    std::string GlassFontFileName_ = "squares.bmp";
    int32_t GlassGridColor_ = 0x808080;
    int32_t GlassMode_ = 2;
    bool GlassShowGrid_ = true;
    bool GlassShowTime_ = false;
    int32_t GlassTrash_ = 0;
    std::string Language_ = "English";
    bool PlayMusic_ = true;
    bool PlaySound_ = true;
    int32_t StartingLevel_ = 1;
    bool UpSideDownMode_ = false;
    std::string KeyLeft_ = "Left";
    std::string KeyRight_ = "Right";
    std::string KeyRotate_ = "Up";
    std::string KeyRotateBack_ = "Shift+Up";
    std::string KeyDrop_ = "Space";
    std::string KeyPause_ = "P";
    bool UseGamepad_ = true;
    bool ShowShadow_ = false;

    std::optional<std::filesystem::path> File;
    std::function<void(const TSettingsError&)> RefusedWrite;
    // The values found in the file, by lower-case name, while the constructor
    // reads them; empty afterwards.
    std::map<std::string, std::string> Stored;
};

} // namespace stakor
