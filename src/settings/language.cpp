// Skeleton: no pack can be loaded yet. The store is being written.
#include "settings/language.h"

#include "settings/ini.h"

namespace stakor {

TLanguage::TLanguage(TIni& ini, std::filesystem::path languageDir)
    : Ini(ini), LanguageDir(std::move(languageDir)) {}

void TLanguage::FindLanguages() {}
bool TLanguage::LoadLanguage(const std::string&) { return false; }
std::string TLanguage::GetText(std::string_view) const { return {}; }
void TLanguage::AddLine(std::string_view) {}

} // namespace stakor
