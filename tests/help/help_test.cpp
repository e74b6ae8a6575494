// The help pages, in English and in each translation: every page, picture and
// anchor a page links to exists, every page is reachable from the contents,
// and each translation has the pages, anchors and links the English help has.

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace {

namespace fs = std::filesystem;

const fs::path HelpDir = fs::path(STAKOR_SOURCE_DATA_DIR) / "help";

std::string ReadFile(const fs::path& file)
{
    std::ifstream in(file, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// The English help sits in the help folder itself; each translation in a
// folder named by its language code, beside the shared pictures.
struct TLanguageHelp {
    std::string Code; // empty for English
    fs::path Folder;
};

std::vector<TLanguageHelp> Languages()
{
    std::vector<TLanguageHelp> languages{{"", HelpDir}};
    for (const auto& entry : fs::directory_iterator(HelpDir))
        if (entry.is_directory() && entry.path().filename() != "images")
            languages.push_back({entry.path().filename().string(), entry.path()});
    std::sort(languages.begin(), languages.end(), [](const auto& a, const auto& b) { return a.Code < b.Code; });
    return languages;
}

std::set<std::string> PageNames(const fs::path& folder)
{
    std::set<std::string> pages;
    for (const auto& entry : fs::directory_iterator(folder))
        if (entry.is_regular_file() && entry.path().extension() == ".html")
            pages.insert(entry.path().filename().string());
    return pages;
}

// The values of one attribute (href, src or name) in a page.
std::vector<std::string> Attributes(const std::string& html, const std::string& name)
{
    std::vector<std::string> values;
    const std::regex pattern("\\b" + name + "=\"([^\"]*)\"", std::regex::icase);
    for (auto it = std::sregex_iterator(html.begin(), html.end(), pattern); it != std::sregex_iterator(); ++it)
        values.push_back((*it)[1].str());
    return values;
}

std::set<std::string> Anchors(const fs::path& page)
{
    const auto names = Attributes(ReadFile(page), "name");
    return {names.begin(), names.end()};
}

bool External(const std::string& target)
{
    return target.starts_with("https://") || target.starts_with("http://");
}

// Every link and picture of a page, with the shared pictures named the same
// from every language's folder, so the languages can be compared.
std::vector<std::string> Targets(const fs::path& page)
{
    const std::string html = ReadFile(page);
    std::vector<std::string> targets = Attributes(html, "href");
    for (std::string src : Attributes(html, "src")) {
        if (src.starts_with("../"))
            src = src.substr(3);
        targets.push_back(src);
    }
    return targets;
}

bool ValidUtf8(const std::string& text)
{
    for (size_t i = 0; i < text.size();) {
        const auto c = static_cast<unsigned char>(text[i]);
        const size_t length = c < 0x80 ? 1 : (c >> 5) == 0x6 ? 2 : (c >> 4) == 0xE ? 3 : (c >> 3) == 0x1E ? 4 : 0;
        if (length == 0 || i + length > text.size())
            return false;
        for (size_t k = 1; k < length; ++k)
            if ((static_cast<unsigned char>(text[i + k]) >> 6) != 0x2)
                return false;
        i += length;
    }
    return true;
}

std::string Title(const std::string& html)
{
    const auto start = html.find("<title>");
    const auto end = html.find("</title>");
    return start == std::string::npos || end == std::string::npos ? std::string() : html.substr(start + 7, end - start - 7);
}

TEST(HelpPages, TheEntryPagesExistInEveryLanguage)
{
    const auto languages = Languages();
    std::set<std::string> codes;
    for (const auto& language : languages)
        codes.insert(language.Code);
    EXPECT_EQ(codes, (std::set<std::string>{"", "de", "fr"}));
    for (const auto& language : languages) {
        SCOPED_TRACE("language '" + language.Code + "'");
        EXPECT_TRUE(fs::exists(language.Folder / "index.html"));
        ASSERT_TRUE(fs::exists(language.Folder / "main-window.html"));
        EXPECT_TRUE(Anchors(language.Folder / "main-window.html").contains("context-21"));
    }
}

TEST(HelpPages, EveryLinkAndPictureIsThere)
{
    for (const auto& language : Languages()) {
        for (const std::string& name : PageNames(language.Folder)) {
            const fs::path page = language.Folder / name;
            const std::string html = ReadFile(page);
            std::vector<std::string> targets = Attributes(html, "href");
            for (const std::string& src : Attributes(html, "src"))
                targets.push_back(src);
            for (const std::string& target : targets) {
                if (External(target))
                    continue;
                const auto hash = target.find('#');
                const std::string file = target.substr(0, hash);
                const fs::path linked = (file.empty() ? page : language.Folder / file).lexically_normal();
                // Nothing outside the help: the installed help has nothing else beside it.
                const auto inside = linked.lexically_relative(HelpDir);
                EXPECT_FALSE(inside.empty() || *inside.begin() == "..") << page << " links to " << target;
                ASSERT_TRUE(fs::is_regular_file(linked)) << page << " links to " << target;
                if (hash == std::string::npos)
                    continue;
                EXPECT_TRUE(Anchors(linked).contains(target.substr(hash + 1))) << page << " links to " << target;
            }
        }
    }
}

TEST(HelpPages, EveryPageIsReachableFromTheContents)
{
    for (const auto& language : Languages()) {
        std::set<std::string> reached{"index.html"};
        std::vector<std::string> todo{"index.html"};
        while (!todo.empty()) {
            const std::string page = todo.back();
            todo.pop_back();
            for (const std::string& target : Attributes(ReadFile(language.Folder / page), "href")) {
                const std::string file = target.substr(0, target.find('#'));
                if (External(target) || file.empty() || file.find('/') != std::string::npos)
                    continue;
                if (reached.insert(file).second)
                    todo.push_back(file);
            }
        }
        EXPECT_EQ(reached, PageNames(language.Folder)) << "language '" << language.Code << "'";
    }
}

// A translation is the English help in another language: the same pages, the
// same anchors (F1 opens "context-21" in any of them), the same links and
// pictures in the same order.
TEST(HelpPages, EachTranslationMatchesTheEnglishHelp)
{
    const std::set<std::string> english = PageNames(HelpDir);
    ASSERT_FALSE(english.empty());
    for (const auto& language : Languages()) {
        if (language.Code.empty())
            continue;
        SCOPED_TRACE("language '" + language.Code + "'");
        EXPECT_EQ(PageNames(language.Folder), english);
        for (const std::string& name : english) {
            if (!fs::exists(language.Folder / name))
                continue;
            SCOPED_TRACE(name);
            EXPECT_EQ(Anchors(language.Folder / name), Anchors(HelpDir / name));
            EXPECT_EQ(Targets(language.Folder / name), Targets(HelpDir / name));
            const std::string html = ReadFile(language.Folder / name);
            EXPECT_NE(html.find("<html lang=\"" + language.Code + "\">"), std::string::npos);
            // Translated, not copied.
            EXPECT_NE(Title(html), Title(ReadFile(HelpDir / name)));
        }
    }
}

TEST(HelpPages, EveryPageIsUtf8AndSaysSo)
{
    for (const auto& language : Languages())
        for (const std::string& name : PageNames(language.Folder)) {
            const std::string html = ReadFile(language.Folder / name);
            EXPECT_TRUE(ValidUtf8(html)) << language.Folder / name;
            EXPECT_NE(html.find("<meta http-equiv=\"Content-Type\" content=\"text/html; charset=utf-8\">"),
                std::string::npos)
                << language.Folder / name;
            EXPECT_FALSE(Title(html).empty()) << language.Folder / name;
        }
}

} // namespace
