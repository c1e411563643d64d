#include "common/settings_path.h"

#include "common/ini_file.h"
#include "support/run_in_child.h"
#include "support/temp_folder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace {

namespace fs = std::filesystem;

struct TExtCase {
    const char* Path;
    const char* Expected;
};

class ChangeFileExtTest : public ::testing::TestWithParam<TExtCase> {};

TEST_P(ChangeFileExtTest, ReplacesOrAppendsTheExtension)
{
    EXPECT_EQ(ChangeFileExt(GetParam().Path, ".ini"), GetParam().Expected);
}

INSTANTIATE_TEST_SUITE_P(Cases, ChangeFileExtTest,
                         ::testing::Values(TExtCase{"/opt/tarvik/tarvik", "/opt/tarvik/tarvik.ini"},
                                           TExtCase{"/opt/tarvik/tarvik.exe", "/opt/tarvik/tarvik.ini"},
                                           TExtCase{"/opt/tarvik.d/tarvik", "/opt/tarvik.d/tarvik.ini"},
                                           TExtCase{"/opt/tarvik/tarvik.1.bin", "/opt/tarvik/tarvik.1.ini"},
                                           TExtCase{"/opt/tarvik/.tarvik", "/opt/tarvik/.tarvik.ini"}));

TEST(SettingsPathTest, NamesTheFilesAfterTheExecutable)
{
    const TSettingsPlace place{"/opt/tarvik/bin/tarvik", "/home/op/.cfg", "/home/op"};
    EXPECT_EQ(SettingsFileBesideExecutable(place), "/opt/tarvik/bin/tarvik.ini");
    EXPECT_EQ(DefaultMacroFile(place), "/opt/tarvik/bin/tarvik.macro");
    EXPECT_EQ(UserSettingsFile(place), "/home/op/.cfg/tarvik/tarvik.ini");
}

TEST(SettingsPathTest, TheUserFileFallsBackToHomeWhenTheVariableIsUnsetOrRelative)
{
    EXPECT_EQ(UserSettingsFile({"/x/tarvik", "", "/home/op"}), "/home/op/.config/tarvik/tarvik.ini");
    EXPECT_EQ(UserSettingsFile({"/x/tarvik", "relative/cfg", "/home/op"}), "/home/op/.config/tarvik/tarvik.ini");
    EXPECT_EQ(UserSettingsFile({"/x/tarvik", "", ""}), "");
}

TEST(SettingsPathTest, TheRunningProgramIsFound)
{
    const TSettingsPlace place = CurrentSettingsPlace();
    EXPECT_EQ(fs::path(place.ExecutablePath).filename(), "common_tests");
    EXPECT_TRUE(fs::exists(place.ExecutablePath));
    EXPECT_EQ(SettingsFileBesideExecutable(place), place.ExecutablePath + ".ini");
    EXPECT_FALSE(place.Home.empty());
}

class SettingsLocationTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        fs::create_directories(Folder.Path("bin"));
        fs::create_directories(Folder.Path("home"));
    }

    TTempFolder Folder;
    TSettingsPlace Place{Folder.Path("bin/tarvik"), "", Folder.Path("home")};
    std::string Beside = Folder.Path("bin/tarvik.ini");
    std::string User = Folder.Path("home/.config/tarvik/tarvik.ini");
};

TEST_F(SettingsLocationTest, AWritableFolderBesideTheExecutableIsUsed)
{
    EXPECT_TRUE(FolderIsWritable(Folder.Path("bin")));
    EXPECT_EQ(SettingsFileToSave(Place), Beside);
    EXPECT_EQ(SettingsFileToLoad(Place), Beside);
    EXPECT_FALSE(fs::exists(Folder.Path("home/.config"))); // nothing created for nothing
}

TEST_F(SettingsLocationTest, LoadingPrefersTheFileBesideTheExecutable)
{
    fs::create_directories(fs::path(User).parent_path());
    WriteFileText(User, "[Settings]\r\nPort=user\r\n");
    EXPECT_EQ(SettingsFileToLoad(Place), User); // the only one that exists
    WriteFileText(Beside, "[Settings]\r\nPort=beside\r\n");
    EXPECT_EQ(SettingsFileToLoad(Place), Beside);
}

TEST_F(SettingsLocationTest, AFolderThatIsNoFolderFallsBackToTheUserFile)
{
    // The executable's "folder" is a plain file here: nothing can be created in it.
    WriteFileText(Folder.Path("blocked"), "");
    const TSettingsPlace place{Folder.Path("blocked/tarvik"), Folder.Path("xdg"), Folder.Path("home")};
    EXPECT_FALSE(FolderIsWritable(Folder.Path("blocked")));
    const std::string user = Folder.Path("xdg/tarvik/tarvik.ini");
    EXPECT_EQ(SettingsFileToSave(place), user);
    EXPECT_TRUE(fs::is_directory(Folder.Path("xdg/tarvik"))); // created for the save
    EXPECT_EQ(SettingsFileToLoad(place), user);
}

TEST_F(SettingsLocationTest, AnUnwritableExecutableFolderSavesToTheUserFileAndLoadsItBack)
{
    // An installed program: the executable's folder belongs to someone else.
    WriteFileText(Beside, "[Settings]\r\nPort=shipped\r\n");
    ::chmod(Beside.c_str(), 0644);
    ::chmod(Folder.Path("bin").c_str(), 0555);
    ::chmod(Folder.Path("home").c_str(), 0777);
    const int code = RunInChild([&] {
        if (!DropToUnprivilegedUser())
            return 10;
        if (FolderIsWritable(Folder.Path("bin")))
            return 11;
        // Before any save the shipped file is what there is.
        if (SettingsFileToLoad(Place) != Beside)
            return 12;
        const std::string target = SettingsFileToSave(Place);
        if (target != User)
            return 13;
        TIniFile ini(SettingsFileToLoad(Place));
        ini.WriteString("Settings", "Port", "changed");
        TIniFile saved(target);
        saved.EraseSection("Settings");
        saved.WriteString("Settings", "Port", ini.ReadString("Settings", "Port", ""));
        if (!saved.UpdateFile())
            return 14;
        // The next start must see the change, not the shipped file again.
        if (SettingsFileToLoad(Place) != User)
            return 15;
        return TIniFile(SettingsFileToLoad(Place)).ReadString("Settings", "Port", "") == "changed" ? 0 : 16;
    });
    ::chmod(Folder.Path("bin").c_str(), 0755);
    EXPECT_EQ(code, 0);
    EXPECT_EQ(ReadFileText(Beside), "[Settings]\r\nPort=shipped\r\n");
}

TEST(SettingsPathTest, AnUnknownExecutableUsesTheUserFile)
{
    const TSettingsPlace place{"", "/tmp/tarvik-nonexistent-xdg", "/home/op"};
    EXPECT_EQ(SettingsFileBesideExecutable(place), "");
    EXPECT_EQ(DefaultMacroFile(place), "");
    EXPECT_EQ(SettingsFileToLoad(place), "/tmp/tarvik-nonexistent-xdg/tarvik/tarvik.ini");
}

} // namespace
