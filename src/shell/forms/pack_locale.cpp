#include "shell/forms/pack_locale.h"

#include <array>
#include <memory>
#include <string_view>
#include <utility>

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

#include "settings/ini.h"
#include "settings/language.h"

namespace stakor {

namespace {

// Pack names whose language is known without a "LangCode" entry, in lower case.
constexpr std::array<std::pair<std::string_view, std::string_view>, 6> NamedLanguages = {{
    {"english", "en"},
    {"german", "de"},
    {"deutsch", "de"},
    {"french", "fr"},
    {"francais", "fr"},
    {"fran\xc3\xa7" "ais", "fr"},
}};

// The one translator the game installs, owned by the application and found
// again by this name when the pack changes.
constexpr char TranslatorName[] = "StakorQtTexts";
constexpr char CodeProperty[] = "languageCode";

std::string Lower(std::string text)
{
    for (char& c : text)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return text;
}

std::string Trimmed(std::string_view text)
{
    while (!text.empty() && static_cast<unsigned char>(text.front()) <= 32)
        text.remove_prefix(1);
    while (!text.empty() && static_cast<unsigned char>(text.back()) <= 32)
        text.remove_suffix(1);
    return std::string(text);
}

// "de", "fra", "pt_BR": the code becomes part of file and folder names, so
// nothing else is taken from a pack.
bool ValidCode(std::string_view code)
{
    const auto letters = [](std::string_view part, char first, char last) {
        for (char c : part)
            if (c < first || c > last)
                return false;
        return true;
    };
    const std::string_view language = code.substr(0, code.find('_'));
    if (language.size() < 2 || language.size() > 3 || !letters(language, 'a', 'z'))
        return false;
    if (language.size() == code.size())
        return true;
    const std::string_view region = code.substr(language.size() + 1);
    return region.size() == 2 && letters(region, 'A', 'Z');
}

QTranslator* InstalledTranslator()
{
    QCoreApplication* application = QCoreApplication::instance();
    return application ? application->findChild<QTranslator*>(QLatin1String(TranslatorName), Qt::FindDirectChildrenOnly)
                       : nullptr;
}

} // namespace

std::string PackLanguageCode(const TLanguage& lang, const std::string& packName)
{
    if (!lang.Loaded())
        return {};
    if (const auto entry = lang.FindText("LangCode")) {
        const std::string code = Trimmed(*entry);
        if (ValidCode(code))
            return code;
    }
    const std::string name = Lower(packName);
    for (const auto& [known, code] : NamedLanguages)
        if (name == known)
            return std::string(code);
    return {};
}

std::string PackLanguageCode(const TLanguage& lang, const TIni& ini)
{
    return PackLanguageCode(lang, ini.Language());
}

void UseQtTexts(const std::string& code)
{
    QCoreApplication* application = QCoreApplication::instance();
    if (!application)
        return;
    QTranslator* old = InstalledTranslator();
    if (old && old->property(CodeProperty).toString().toStdString() == code)
        return;
    if (old) {
        QCoreApplication::removeTranslator(old);
        delete old;
    }
    // Qt's own texts are English; so are they when Qt lacks the language.
    if (code.empty() || code == "en" || !ValidCode(code))
        return;
    auto translator = std::make_unique<QTranslator>();
    if (!translator->load(QStringLiteral("qtbase_") + QString::fromStdString(code),
            QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        return;
    translator->setObjectName(QLatin1String(TranslatorName));
    translator->setProperty(CodeProperty, QString::fromStdString(code));
    translator->setParent(application);
    QCoreApplication::installTranslator(translator.release());
}

void UseQtTextsOfPack(const TLanguage& lang, const TIni& ini)
{
    UseQtTexts(PackLanguageCode(lang, ini));
}

std::string QtTextsInForce()
{
    const QTranslator* translator = InstalledTranslator();
    return translator ? translator->property(CodeProperty).toString().toStdString() : std::string();
}

std::filesystem::path HelpFolder(const std::filesystem::path& helpRoot, const std::string& code)
{
    if (!ValidCode(code))
        return helpRoot;
    std::error_code error;
    for (const std::string& folder : {code, code.substr(0, code.find('_'))})
        if (std::filesystem::is_regular_file(helpRoot / folder / "index.html", error))
            return helpRoot / folder;
    return helpRoot;
}

} // namespace stakor
