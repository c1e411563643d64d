#include "web/control_page.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <set>
#include <string>
#include <vector>


namespace {

namespace fs = std::filesystem;

const std::string kServerName = "Tarvik 5.6 (Server)     MORWEN 2011";

// A fresh folder for page files, removed afterwards.
class PageFileTest : public testing::Test {
protected:
    void SetUp() override
    {
        Folder = fs::temp_directory_path() / ("tarvik_page_" + std::to_string(getpid()) + "_" +
                                              testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(Folder);
        fs::create_directories(Folder);
    }
    void TearDown() override { fs::remove_all(Folder); }

    fs::path Write(const std::string& bytes) const
    {
        const fs::path file = Folder / "index.html";
        std::ofstream(file, std::ios::binary) << bytes;
        return file;
    }

    fs::path Folder;
};

std::vector<int> NumbersCalledWith(const std::string& page, const std::string& function)
{
    std::vector<int> numbers;
    const std::regex call("onclick=\"" + function + "\\((\\d+)\\)\"");
    for (auto it = std::sregex_iterator(page.begin(), page.end(), call); it != std::sregex_iterator(); ++it)
        numbers.push_back(std::stoi((*it)[1]));
    return numbers;
}

TEST(EmbeddedControlPageTest, IsXhtmlWithCrLfLinesOnly)
{
    const std::string page(EmbeddedControlPage());
    ASSERT_FALSE(page.empty());
    EXPECT_EQ(page.substr(0, kXhtmlDoctype.size() + 2), std::string(kXhtmlDoctype) + "\r\n");
    EXPECT_TRUE(page.ends_with("</html>\r\n"));
    for (size_t i = 0; i < page.size(); ++i) {
        if (page[i] == '\n') {
            ASSERT_TRUE(i > 0 && page[i - 1] == '\r') << "bare LF at " << i;
        }
        if (page[i] == '\r') {
            ASSERT_TRUE(i + 1 < page.size() && page[i + 1] == '\n') << "bare CR at " << i;
        }
        ASSERT_LT(static_cast<unsigned char>(page[i]), 0x80) << "non-ASCII byte at " << i;
    }
    EXPECT_NE(page.find("content=\"text/html; charset=ISO-8859-2\""), std::string::npos);
    EXPECT_NE(page.find("<title>TARVIK_SERVER</title>"), std::string::npos);
    EXPECT_NE(page.find("<legend class=\"legenda\">TARVIK_SERVER</legend>"), std::string::npos);
}

TEST(EmbeddedControlPageTest, HasTheFormFieldsInSubmissionOrder)
{
    const std::string page(EmbeddedControlPage());
    EXPECT_NE(page.find("name=\"ptz_form\" action=\"/\" method=\"get\""), std::string::npos);
    // Buttons are never submitted; the named inputs are, in document order.
    std::vector<std::string> submitted;
    const std::regex input("<input type=\"(text|radio|hidden)\"[^>]* name=\"([a-z_]+)\"");
    for (auto it = std::sregex_iterator(page.begin(), page.end(), input); it != std::sregex_iterator(); ++it) {
        const std::string name = (*it)[2];
        if (submitted.empty() || submitted.back() != name)
            submitted.push_back(name);
    }
    EXPECT_EQ(submitted, (std::vector<std::string>{"id", "speed", "pm", "cp", "cmd", "preset"}));
    EXPECT_NE(page.find("<input type=\"hidden\" name=\"cmd\" value=\"0\" />"), std::string::npos);
    EXPECT_NE(page.find("<input type=\"hidden\" name=\"preset\" value=\"0\" />"), std::string::npos);
    EXPECT_NE(page.find("name=\"pm\" id=\"pm_goto\" value=\"0\" checked=\"checked\""), std::string::npos);
    EXPECT_NE(page.find("name=\"pm\" id=\"pm_set\" value=\"1\""), std::string::npos);
    EXPECT_NE(page.find("name=\"pm\" id=\"pm_clear\" value=\"2\""), std::string::npos);
    EXPECT_NE(page.find("name=\"button_cp\" id=\"button_cp\" value=\"90\" onclick=\"SendCustomPreset()\""),
              std::string::npos);
}

TEST(EmbeddedControlPageTest, ButtonsSendEveryMovementAndPreset)
{
    const std::string page(EmbeddedControlPage());
    const std::vector<int> commands = NumbersCalledWith(page, "SendCmd");
    EXPECT_EQ(std::set<int>(commands.begin(), commands.end()).size(), 15u);
    EXPECT_EQ(commands.size(), 15u);
    for (int code : commands) {
        EXPECT_GE(code, 0);
        EXPECT_LE(code, 14);
    }
    std::vector<int> expectedPresets;
    for (int i = 1; i <= 17; ++i)
        expectedPresets.push_back(i);
    EXPECT_EQ(NumbersCalledWith(page, "SendPreset"), expectedPresets);

    // Captions and codes as the operator sees them.
    for (const char* button : {"value=\"&minus;\" onclick=\"SendCmd(10)\"", "value=\"+\" onclick=\"SendCmd(9)\"",
                               "value=\"&minus;\" onclick=\"SendCmd(11)\"", "value=\"+\" onclick=\"SendCmd(12)\"",
                               "value=\"&minus;\" onclick=\"SendCmd(14)\"", "value=\"+\" onclick=\"SendCmd(13)\"",
                               "value=\"&nbsp;\" onclick=\"SendCmd(5)\"", "value=\"&uarr;\" onclick=\"SendCmd(3)\"",
                               "value=\"&nbsp;\" onclick=\"SendCmd(7)\"", "value=\"&larr;\" onclick=\"SendCmd(1)\"",
                               "class=\"klaw maly_font\" value=\"X\" onclick=\"SendCmd(0)\"",
                               "value=\"&rarr;\" onclick=\"SendCmd(2)\"", "value=\"&nbsp;\" onclick=\"SendCmd(6)\"",
                               "value=\"&darr;\" onclick=\"SendCmd(4)\"", "value=\"&nbsp;\" onclick=\"SendCmd(8)\""})
        EXPECT_NE(page.find(button), std::string::npos) << button;
}

TEST(EmbeddedControlPageTest, HasTheScriptsAndStyleClasses)
{
    const std::string page(EmbeddedControlPage());
    for (const char* text :
         {"function getget(name, def)", "function SendCmd(code)", "function SendPreset(number)",
          "function SendCustomPreset()", "getget(\"id\", 1)", "getget(\"speed\", 32)", "getget(\"cp\", 90)",
          ".klaw {", ".pres {", ".maly_font {", ".edit1 {", ".edit2 {", ".srodek {", ".legenda {",
          "color: rgb(0,70,220)", "class=\"edit1\" name=\"id\"", "class=\"edit1\" name=\"speed\"",
          "class=\"edit2\" name=\"cp\""})
        EXPECT_NE(page.find(text), std::string::npos) << text;
}

TEST_F(PageFileTest, AFileReplacesTheEmbeddedPageWithCrLfLines)
{
    const fs::path file = Write("<p>TARVIK_SERVER</p>\nunix\r\nwindows\rmac\n\nlast without end");
    EXPECT_EQ(LoadControlPage(kServerName, file),
              "<p>" + kServerName + "</p>\r\nunix\r\nwindows\r\nmac\r\n\r\nlast without end\r\n");
}

TEST_F(PageFileTest, KeepsEveryByteOfTheLines)
{
    const fs::path file = Write(std::string("a\0b\xE9\xFF\n", 6));
    EXPECT_EQ(LoadControlPage(kServerName, file), std::string("a\0b\xE9\xFF\r\n", 7));
}

TEST_F(PageFileTest, AnEmptyMissingOrUnreadableFileFallsBack)
{
    const std::string embedded = ReplaceAll(EmbeddedControlPage(), kServerNameToken, kServerName);
    EXPECT_EQ(LoadControlPage(kServerName, Write("")), embedded);
    EXPECT_EQ(LoadControlPage(kServerName, Folder / "missing.html"), embedded);
    fs::create_directories(Folder / "folder.html");
    EXPECT_EQ(LoadControlPage(kServerName, Folder / "folder.html"), embedded);
    EXPECT_EQ(embedded.find("TARVIK_SERVER"), std::string::npos);
    EXPECT_NE(embedded.find("<title>" + kServerName + "</title>"), std::string::npos);
    EXPECT_NE(embedded.find(">" + kServerName + "</legend>"), std::string::npos);
}

TEST_F(PageFileTest, ReadsIndexHtmlFromTheCurrentFolderByDefault)
{
    Write("here TARVIK_SERVER");
    const fs::path previous = fs::current_path();
    fs::current_path(Folder);
    const std::string page = LoadControlPage("Name");
    fs::current_path(previous);
    EXPECT_EQ(page, "here Name\r\n");
}

TEST(ReplaceAllTest, ReplacesEveryTokenCaseSensitively)
{
    EXPECT_EQ(ReplaceAll("aTOKbTOKTOK", "TOK", "x"), "axbxx");
    EXPECT_EQ(ReplaceAll("tok TOK", "TOK", "x"), "tok x");
    EXPECT_EQ(ReplaceAll("TOK", "TOK", "TOKTOK"), "TOKTOK"); // replaced text is not searched again
    EXPECT_EQ(ReplaceAll("", "TOK", "x"), "");
    EXPECT_EQ(ReplaceAll("abc", "", "x"), "abc");
}

} // namespace
