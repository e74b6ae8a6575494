// The help pages: every page, picture and anchor a page links to exists.

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <regex>
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

std::vector<fs::path> Pages()
{
    std::vector<fs::path> pages;
    for (const auto& entry : fs::directory_iterator(HelpDir))
        if (entry.path().extension() == ".html")
            pages.push_back(entry.path());
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

TEST(HelpPages, TheEntryPagesExist)
{
    EXPECT_TRUE(fs::exists(HelpDir / "index.html"));
    ASSERT_TRUE(fs::exists(HelpDir / "main-window.html"));
    const auto anchors = Attributes(ReadFile(HelpDir / "main-window.html"), "name");
    EXPECT_NE(std::find(anchors.begin(), anchors.end(), "context-21"), anchors.end());
}

TEST(HelpPages, EveryLinkAndPictureIsThere)
{
    const auto pages = Pages();
    ASSERT_FALSE(pages.empty());
    for (const fs::path& page : pages) {
        const std::string html = ReadFile(page);
        std::vector<std::string> targets = Attributes(html, "href");
        for (const std::string& src : Attributes(html, "src"))
            targets.push_back(src);
        for (const std::string& target : targets) {
            if (target.starts_with("https://") || target.starts_with("http://"))
                continue;
            const auto hash = target.find('#');
            const std::string file = target.substr(0, hash);
            const fs::path linked = file.empty() ? page : HelpDir / file;
            ASSERT_TRUE(fs::exists(linked)) << page.filename() << " links to " << target;
            if (hash == std::string::npos)
                continue;
            const auto anchors = Attributes(ReadFile(linked), "name");
            EXPECT_NE(std::find(anchors.begin(), anchors.end(), target.substr(hash + 1)), anchors.end())
                << page.filename() << " links to " << target;
        }
    }
}

} // namespace
