#pragma once

#include <filesystem>
#include <string>

namespace stakor {

class TIni;
class TLanguage;

// The language of the pack in force, as a code such as "de" or "pt_BR": the
// pack's "LangCode" entry, else a code known from the pack's name ("German"
// gives "de"). Empty when no pack is loaded or neither says; a code that is
// not two or three small letters (with an optional "_XX" region) is ignored.
std::string PackLanguageCode(const TLanguage& lang, const std::string& packName);
std::string PackLanguageCode(const TLanguage& lang, const TIni& ini);

// Qt's own texts (the buttons of the message boxes, the name prompt, the
// colour and picture choosers) in that language: installs Qt's translation
// for the code and removes the one installed before. English when the code is
// empty or Qt has no translation for it; nothing is said about a missing file.
void UseQtTexts(const std::string& code);
// The same for the pack in force, at start and after each change of pack.
void UseQtTextsOfPack(const TLanguage& lang, const TIni& ini);
// The code whose Qt texts are in force; empty for English.
std::string QtTextsInForce();

// The help pages in that language: the code's folder under the help folder
// when it has a contents page (for "pt_BR" also "pt"), else the help folder
// itself, which holds the English pages.
std::filesystem::path HelpFolder(const std::filesystem::path& helpRoot, const std::string& code);

} // namespace stakor
