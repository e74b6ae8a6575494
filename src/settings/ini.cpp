// Skeleton: settings kept in memory only. The file store is being written.
#include "settings/ini.h"

namespace stakor {

TIni::TIni(std::optional<std::filesystem::path> file) : File(std::move(file)) {}

std::optional<std::filesystem::path> TIni::DefaultFile() { return std::nullopt; }

bool TIni::LoadBool(const char*, bool fallback) const { return fallback; }
int32_t TIni::LoadInteger(const char*, int32_t fallback) const { return fallback; }
std::string TIni::LoadString(const char*, const std::string& fallback) const { return fallback; }
void TIni::SaveBool(const char*, bool) {}
void TIni::SaveInteger(const char*, int32_t) {}
void TIni::SaveString(const char*, const std::string&) {}

#define STAKOR_SETTER(Name, Type, Save) \
    void TIni::Set##Name(Type value) { Name##_ = value; Save(#Name, value); }
STAKOR_SETTER(BossEnable, bool, SaveBool)
STAKOR_SETTER(BossFile, const std::string&, SaveString)
STAKOR_SETTER(BossIconNumber, int32_t, SaveInteger)
STAKOR_SETTER(BossPassword, const std::string&, SaveString)
STAKOR_SETTER(BossTitle, const std::string&, SaveString)
STAKOR_SETTER(FigureRotateClockWise, bool, SaveBool)
STAKOR_SETTER(GameStyle, int32_t, SaveInteger)
STAKOR_SETTER(GlassBgColor, int32_t, SaveInteger)
STAKOR_SETTER(GlassBgFileName, const std::string&, SaveString)
STAKOR_SETTER(GlassBgStretch, bool, SaveBool)
STAKOR_SETTER(GlassFontFileName, const std::string&, SaveString)
STAKOR_SETTER(GlassGridColor, int32_t, SaveInteger)
STAKOR_SETTER(GlassMode, int32_t, SaveInteger)
STAKOR_SETTER(GlassShowGrid, bool, SaveBool)
STAKOR_SETTER(GlassShowTime, bool, SaveBool)
STAKOR_SETTER(GlassTrash, int32_t, SaveInteger)
STAKOR_SETTER(Language, const std::string&, SaveString)
STAKOR_SETTER(PlayMusic, bool, SaveBool)
STAKOR_SETTER(PlaySound, bool, SaveBool)
STAKOR_SETTER(StartingLevel, int32_t, SaveInteger)
STAKOR_SETTER(UpSideDownMode, bool, SaveBool)
#undef STAKOR_SETTER

} // namespace stakor
