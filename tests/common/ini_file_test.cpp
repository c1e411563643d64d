#include "common/ini_file.h"

#include "support/bytes.h"
#include "support/run_in_child.h"
#include "support/temp_folder.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>
#include <string>

namespace {

namespace fs = std::filesystem;

class IniFileTest : public ::testing::Test {
protected:
    [[nodiscard]] TIniFile FileWith(const std::string& text) const
    {
        WriteFileText(Path, text);
        return TIniFile(Path);
    }

    TTempFolder Folder;
    std::string Path = Folder.Path("tarvik.ini");
};

TEST_F(IniFileTest, AMissingFileIsEmptyAndReadsDefaults)
{
    const TIniFile ini(Path);
    EXPECT_FALSE(ini.ReadFailed());
    EXPECT_FALSE(ini.SectionExists("Settings"));
    EXPECT_FALSE(ini.ValueExists("Settings", "Port"));
    EXPECT_EQ(ini.ReadString("Settings", "Port", "COM1"), "COM1");
    EXPECT_EQ(ini.ReadInteger("Settings", "Protocol", 7), 7);
    EXPECT_TRUE(ini.ReadBool("Settings", "DoubleStop", true));
    EXPECT_TRUE(ini.ReadBytes("Settings", "CustomCommandBytes0").empty());
    EXPECT_EQ(ini.Text(), "");
}

TEST_F(IniFileTest, RoundTripsEveryKind)
{
    TIniFile ini(Path);
    const auto frame = Bytes("FF 01 00 00 00 00 01");
    ini.WriteString("Settings", "Port", "/dev/ttyUSB0");
    ini.WriteString("Settings", "CustomCommandCaption3", " Vector 1 = x ");
    ini.WriteString("Settings", "RemoteHost", "");
    ini.WriteInteger("Settings", "Left", -12);
    ini.WriteInteger("Settings", "Top", INT32_MIN);
    ini.WriteBool("Settings", "ShowCmd", true);
    ini.WriteBool("Settings", "DoubleStop", false);
    ini.WriteBytes("Settings", "CustomCommandBytes3", frame.data(), frame.size());
    ini.WriteBytes("Settings", "CustomCommandBytes4", nullptr, 0);
    ASSERT_TRUE(ini.UpdateFile());

    EXPECT_EQ(ReadFileText(Path), "[Settings]\r\n"
                                  "Port=/dev/ttyUSB0\r\n"
                                  "CustomCommandCaption3= Vector 1 = x \r\n"
                                  "RemoteHost=\r\n"
                                  "Left=-12\r\n"
                                  "Top=-2147483648\r\n"
                                  "ShowCmd=1\r\n"
                                  "DoubleStop=0\r\n"
                                  "CustomCommandBytes3=FF010000000001\r\n"
                                  "CustomCommandBytes4=\r\n");

    const TIniFile again(Path);
    EXPECT_EQ(again.ReadString("Settings", "Port", ""), "/dev/ttyUSB0");
    EXPECT_EQ(again.ReadString("Settings", "CustomCommandCaption3", ""), " Vector 1 = x ");
    EXPECT_EQ(again.ReadString("Settings", "RemoteHost", "default"), "");
    EXPECT_TRUE(again.ValueExists("Settings", "RemoteHost"));
    EXPECT_EQ(again.ReadInteger("Settings", "Left", 0), -12);
    EXPECT_EQ(again.ReadInteger("Settings", "Top", 0), INT32_MIN);
    EXPECT_TRUE(again.ReadBool("Settings", "ShowCmd", false));
    EXPECT_FALSE(again.ReadBool("Settings", "DoubleStop", true));
    EXPECT_EQ(again.ReadBytes("Settings", "CustomCommandBytes3"), frame);
    EXPECT_TRUE(again.ReadBytes("Settings", "CustomCommandBytes4").empty());
}

TEST_F(IniFileTest, MatchesSectionsAndKeysWithoutRegardToCase)
{
    TIniFile ini = FileWith("[SETTINGS]\r\nportSPEED=9600\r\n  Port  =COM3\r\n");
    EXPECT_TRUE(ini.SectionExists("settings"));
    EXPECT_EQ(ini.ReadString("Settings", "PortSpeed", ""), "9600");
    EXPECT_EQ(ini.ReadString("settings", "PORT", ""), "COM3");
    ini.WriteString("Settings", "PORTSPEED", "19200");
    EXPECT_EQ(ini.ReadString("Settings", "PortSpeed", ""), "19200");
    EXPECT_EQ(ini.Text(), "[SETTINGS]\r\nPORTSPEED=19200\r\n  Port  =COM3\r\n");
}

TEST_F(IniFileTest, TheFirstOfTwoEqualKeysWins)
{
    const TIniFile ini = FileWith("[Settings]\nID=1\nid=2\n");
    EXPECT_EQ(ini.ReadInteger("Settings", "ID", 0), 1);
}

TEST_F(IniFileTest, EraseThenWriteGivesExactlyTheKeysInWrittenOrder)
{
    TIniFile ini = FileWith("[Settings]\r\nPTZSpeed=30\r\nHandAdded=x\r\nCustomPresetCaption0=Menu\r\nPort=COM1\r\n");
    ini.EraseSection("settings");
    EXPECT_FALSE(ini.SectionExists("Settings"));
    EXPECT_FALSE(ini.ValueExists("Settings", "HandAdded"));
    ini.WriteString("Settings", "Port", "COM2");
    ini.WriteString("Settings", "PortSpeed", "2400");
    ini.WriteString("Settings", "PTZSpeed", "40");
    EXPECT_EQ(ini.Text(), "[Settings]\r\nPort=COM2\r\nPortSpeed=2400\r\nPTZSpeed=40\r\n");
}

TEST_F(IniFileTest, EraseRemovesEveryCopyOfTheSection)
{
    TIniFile ini = FileWith("[Settings]\nA=1\n[Other]\nB=2\n[settings]\nA=3\n");
    ini.EraseSection("Settings");
    EXPECT_FALSE(ini.ValueExists("Settings", "A"));
    EXPECT_EQ(ini.Text(), "[Other]\r\nB=2\r\n");
}

TEST_F(IniFileTest, OtherSectionsAndTheirLinesSurviveASave)
{
    TIniFile ini = FileWith("; kept comment\n"
                            "[Window]\n"
                            "Theme=dark\n"
                            "; a note\n"
                            "\n"
                            "[Settings]\n"
                            "Port=COM1\n"
                            "\n"
                            "[Last]\n"
                            "not a key line\n");
    ini.EraseSection("Settings");
    ini.WriteString("Settings", "Port", "COM4");
    ini.WriteString("Window", "Width", "300");
    ASSERT_TRUE(ini.UpdateFile());
    EXPECT_EQ(ReadFileText(Path), "; kept comment\r\n"
                                  "[Window]\r\n"
                                  "Theme=dark\r\n"
                                  "; a note\r\n"
                                  "Width=300\r\n"
                                  "\r\n"
                                  "[Last]\r\n"
                                  "not a key line\r\n"
                                  "[Settings]\r\n"
                                  "Port=COM4\r\n");
}

TEST_F(IniFileTest, AcceptsAnyLineEndAndAByteOrderMark)
{
    const TIniFile ini = FileWith("\xEF\xBB\xBF[Settings]\rA=1\nB=2\r\nC=3");
    EXPECT_EQ(ini.ReadInteger("Settings", "A", 0), 1);
    EXPECT_EQ(ini.ReadInteger("Settings", "B", 0), 2);
    EXPECT_EQ(ini.ReadInteger("Settings", "C", 0), 3);
    EXPECT_EQ(ini.Text(), "[Settings]\r\nA=1\r\nB=2\r\nC=3\r\n");
}

TEST_F(IniFileTest, KeepsEightBitTextUnchanged)
{
    const std::string value = "Pr\xEA" "set \xA3\xF3" "d\xBC"; // ISO-8859-2 bytes, not UTF-8
    TIniFile ini(Path);
    ini.WriteString("Settings", "CustomCommandCaption0", value);
    ASSERT_TRUE(ini.UpdateFile());
    EXPECT_EQ(TIniFile(Path).ReadString("Settings", "CustomCommandCaption0", ""), value);
}

TEST_F(IniFileTest, ALineEndInAValueCannotForgeAnotherKey)
{
    TIniFile ini(Path);
    ini.WriteString("Settings", "CustomCommandCaption0", "Menu\r\nConnected=1\n[Evil]");
    ASSERT_TRUE(ini.UpdateFile());
    const TIniFile again(Path);
    EXPECT_FALSE(again.ValueExists("Settings", "Connected"));
    EXPECT_FALSE(again.SectionExists("Evil"));
    EXPECT_EQ(again.ReadString("Settings", "CustomCommandCaption0", ""), "Menu  Connected=1 [Evil]");
}

struct TIntegerCase {
    const char* Value;
    int32_t Expected;
};

class IniIntegerTest : public IniFileTest, public ::testing::WithParamInterface<TIntegerCase> {};

TEST_P(IniIntegerTest, ReadsDecimalOrHexElseTheDefault)
{
    const TIniFile ini = FileWith(std::string("[Settings]\r\nValue=") + GetParam().Value + "\r\n");
    EXPECT_EQ(ini.ReadInteger("Settings", "Value", -77), GetParam().Expected) << '"' << GetParam().Value << '"';
}

INSTANTIATE_TEST_SUITE_P(Cases, IniIntegerTest,
                         ::testing::Values(TIntegerCase{"1", 1}, TIntegerCase{"-5", -5}, TIntegerCase{"0x1", 1},
                                           TIntegerCase{"0X1f", 31}, TIntegerCase{"$FF", 255},
                                           TIntegerCase{" 12", 12}, TIntegerCase{"", -77}, TIntegerCase{"yes", -77},
                                           TIntegerCase{"12 ", -77}, TIntegerCase{"1.0", -77},
                                           TIntegerCase{"4294967295", -77}, TIntegerCase{"0x", -77}));

TEST_F(IniFileTest, BooleansAreIntegersAndAnythingButZeroIsTrue)
{
    const TIniFile ini = FileWith("[Settings]\nA=0\nB=1\nC=2\nD=-1\nE=yes\nF=\nG=0x0\n");
    EXPECT_FALSE(ini.ReadBool("Settings", "A", true));
    EXPECT_TRUE(ini.ReadBool("Settings", "B", false));
    EXPECT_TRUE(ini.ReadBool("Settings", "C", false));
    EXPECT_TRUE(ini.ReadBool("Settings", "D", false));
    EXPECT_FALSE(ini.ReadBool("Settings", "E", false)); // not a number: the default
    EXPECT_TRUE(ini.ReadBool("Settings", "E", true));
    EXPECT_TRUE(ini.ReadBool("Settings", "F", true));
    EXPECT_FALSE(ini.ReadBool("Settings", "G", true));
}

struct TBytesCase {
    const char* Text;
    const char* Bytes; // as Hex() prints them
};

class HexTextToBytesTest : public ::testing::TestWithParam<TBytesCase> {};

TEST_P(HexTextToBytesTest, DecodesPairs)
{
    EXPECT_EQ(Hex(HexTextToBytes(GetParam().Text)), GetParam().Bytes) << '"' << GetParam().Text << '"';
}

INSTANTIATE_TEST_SUITE_P(
    Cases, HexTextToBytesTest,
    ::testing::Values(TBytesCase{"", ""}, TBytesCase{"FF010000000001", "FF 01 00 00 00 00 01"},
                      TBytesCase{"ff010000000001", "FF 01 00 00 00 00 01"}, TBytesCase{"aBcD", "AB CD"},
                      TBytesCase{"FF01000", "FF 01 00"}, TBytesCase{"F", ""},
                      // A pair that is not two hex digits gives 0 and keeps its place.
                      TBytesCase{"FFG1A0", "FF 00 A0"}, TBytesCase{"FF 1A0", "FF 00 A0"},
                      TBytesCase{"zz", "00"}, TBytesCase{"0x01", "00 01"},
                      TBytesCase{"000000000000000000000000000000",
                                 "00 00 00 00 00 00 00 00 00 00 00 00 00 00 00"}));

TEST(BytesToHexTextTest, WritesUpperCasePairsWithoutSeparator)
{
    const auto bytes = Bytes("FF 01 0a B0 00");
    EXPECT_EQ(BytesToHexText(bytes.data(), bytes.size()), "FF010AB000");
    EXPECT_EQ(BytesToHexText(bytes.data(), 0), "");
    uint8_t all[256];
    for (int i = 0; i < 256; ++i)
        all[i] = static_cast<uint8_t>(i);
    const std::string text = BytesToHexText(all, 256);
    EXPECT_EQ(text.size(), 512u);
    const auto back = HexTextToBytes(text);
    EXPECT_TRUE(std::equal(back.begin(), back.end(), all, all + 256));
}

TEST_F(IniFileTest, ThirtyDigitsDecodeToFifteenBytesOfWhichTheCallerKeepsTwelve)
{
    const TIniFile ini = FileWith("[Settings]\r\nCustomCommandBytes0=0102030405060708090A0B0C0D0E0F\r\n");
    const auto bytes = ini.ReadBytes("Settings", "customcommandbytes0");
    ASSERT_EQ(bytes.size(), 15u);
    EXPECT_EQ(Hex(bytes.data(), 12), "01 02 03 04 05 06 07 08 09 0A 0B 0C");
}

TEST_F(IniFileTest, AFailedSaveReportsFalseAndLeavesTheOldFile)
{
    WriteFileText(Path, "[Settings]\r\nPort=COM1\r\n");
    ::chmod(Path.c_str(), 0666);
    ::chmod(Folder.Path().c_str(), 0555);
    const int code = RunInChild([&] {
        if (!DropToUnprivilegedUser())
            return 2;
        TIniFile ini(Path);
        if (ini.ReadFailed() || ini.ReadString("Settings", "Port", "") != "COM1")
            return 3;
        ini.EraseSection("Settings");
        ini.WriteString("Settings", "Port", "COM9");
        return ini.UpdateFile() ? 1 : 0;
    });
    ::chmod(Folder.Path().c_str(), 0755);
    ASSERT_EQ(code, 0);
    EXPECT_EQ(ReadFileText(Path), "[Settings]\r\nPort=COM1\r\n");
}

// The settings hold the web panel's password: a new file is the owner's
// alone, while an existing file keeps the permissions someone gave it.
TEST_F(IniFileTest, ANewFileIsReadableByItsOwnerOnly)
{
    TIniFile ini(Path);
    ini.WriteString("Settings", "AuthenticatePass", "vexto");
    ASSERT_TRUE(ini.UpdateFile());
    struct stat info {};
    ASSERT_EQ(::stat(Path.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);

    ASSERT_EQ(::chmod(Path.c_str(), 0640), 0);
    ASSERT_TRUE(ini.UpdateFile());
    ASSERT_EQ(::stat(Path.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0640u);
}

TEST_F(IniFileTest, AFileThatCannotBeReadIsNeverOverwritten)
{
    fs::create_directory(Path); // a folder where the file should be
    TIniFile ini(Path);
    EXPECT_TRUE(ini.ReadFailed());
    EXPECT_EQ(ini.ReadString("Settings", "Port", "COM1"), "COM1");
    ini.WriteString("Settings", "Port", "COM2");
    EXPECT_FALSE(ini.UpdateFile());
    EXPECT_TRUE(fs::is_directory(Path));
}

TEST_F(IniFileTest, AFileInAMissingFolderReadsEmptyAndCannotBeSaved)
{
    TIniFile ini(Folder.Path("missing/tarvik.ini"));
    EXPECT_FALSE(ini.ReadFailed());
    ini.WriteString("Settings", "Port", "COM2");
    EXPECT_FALSE(ini.UpdateFile());
}

} // namespace
