#include "sim_output.h"

#include "json_writer.h"
#include "protocol/frame_builder.h"
#include "support/bytes.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <gtest/gtest.h>

namespace {

// Parses one line as a JSON object with Qt's parser; fails the test when it
// is not valid JSON.
QJsonObject ParseObject(const std::string& line)
{
    QJsonParseError error{};
    const QJsonDocument document =
        QJsonDocument::fromJson(QByteArray(line.data(), static_cast<qsizetype>(line.size())), &error);
    EXPECT_EQ(error.error, QJsonParseError::NoError) << error.errorString().toStdString() << " in " << line;
    EXPECT_TRUE(document.isObject()) << line;
    return document.object();
}

TFrameEvent MakeFrameEvent(const std::string& hex, TPresetOutcome preset = TPresetOutcome::None)
{
    TFrameEvent event;
    event.TimeMs = 1234;
    event.Bytes = Bytes(hex);
    event.Analysis = AnalyzeFrame(event.Bytes[0] == 0xA0 ? TProtocol::PelcoP : TProtocol::PelcoD, event.Bytes);
    event.Preset = preset;
    event.State.Pan = 12.5;
    event.State.Tilt = -3.25;
    event.State.PanSpeed = 32;
    event.State.ZoomMotion = 1;
    event.State.Presets = {1, 5};
    return event;
}

TEST(JsonWriterTest, StringsAreEscapedAndParseBack)
{
    struct TCase {
        std::string Text;
        QString Expected;
    };
    const TCase cases[] = {
        {"plain", "plain"},
        {"quote \" and backslash \\", "quote \" and backslash \\"},
        {"line\nfeed\rtab\t", "line\nfeed\rtab\t"},
        {std::string("nul\0bell\x07" "del\x7F", 12), QString::fromLatin1("nul\0bell\x07" "del\x7F", 12)},
        {"caf\xC3\xA9", QString::fromUtf8("caf\xC3\xA9")},
        {"\xE2\x82\xAC and \xF0\x9F\x93\xB7", QString::fromUtf8("\xE2\x82\xAC and \xF0\x9F\x93\xB7")},
        // Bytes that are no UTF-8 are the 8-bit characters they stand for.
        {"Kam\xEAra", QString::fromLatin1("Kam\xEAra")},
        {"\xC3", QString::fromLatin1("\xC3")},
        {"\xC0\xAF", QString::fromLatin1("\xC0\xAF")},     // overlong
        {"\xED\xA0\x80", QString::fromLatin1("\xED\xA0\x80")}, // a surrogate
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Text);
        const std::string json = TJsonObject().String("text", c.Text).Text();
        const QJsonObject object = ParseObject(json);
        EXPECT_EQ(object["text"].toString(), c.Expected);
        for (const char byte : json)
            EXPECT_FALSE(static_cast<unsigned char>(byte) < 0x20) << "raw control byte in " << json;
    }
}

TEST(JsonWriterTest, NumbersStayValidJson)
{
    const std::string json = TJsonObject()
                                 .Number("big", 1e300, 2)
                                 .Number("nan", std::nan(""), 2)
                                 .Number("negative zero", -0.0001, 2)
                                 .Integer("int", -5)
                                 .Unsigned("count", 18446744073709551615ull)
                                 .Text();
    const QJsonObject object = ParseObject(json);
    EXPECT_DOUBLE_EQ(object["big"].toDouble(), 1e300);
    EXPECT_TRUE(object["nan"].isNull());
    EXPECT_EQ(object["int"].toInt(), -5);
}

TEST(SimOutputTest, FrameJsonHasTheBytesTheCommandAndTheState)
{
    const QJsonObject object = ParseObject(FormatEventJson(MakeFrameEvent("FF 01 00 0C 10 3F 5C")));
    EXPECT_EQ(object["type"].toString(), "frame");
    EXPECT_DOUBLE_EQ(object["time"].toDouble(), 1.234);
    EXPECT_EQ(object["bytes"].toString(), "FF 01 00 0C 10 3F 5C");
    EXPECT_EQ(object["protocol"].toString(), "Pelco-D");
    EXPECT_EQ(object["address"].toInt(), 1);
    EXPECT_EQ(object["id"].toInt(), 1);
    EXPECT_TRUE(object["for_me"].toBool());
    EXPECT_TRUE(object["recognised"].toBool());
    EXPECT_EQ(object["commands"].toArray(), QJsonArray({"left", "up"}));
    EXPECT_EQ(object["pan"].toInt(), -16);
    EXPECT_EQ(object["tilt"].toInt(), -63);
    EXPECT_TRUE(object["preset"].isNull());
    EXPECT_EQ(object["description"].toString(), "left 16, up 63");

    const QJsonObject state = object["state"].toObject();
    EXPECT_DOUBLE_EQ(state["pan"].toDouble(), 12.5);
    EXPECT_DOUBLE_EQ(state["tilt"].toDouble(), -3.25);
    EXPECT_DOUBLE_EQ(state["focus"].toDouble(), 50.0);
    EXPECT_EQ(state["pan_speed"].toInt(), 32);
    EXPECT_EQ(state["zoom_motion"].toInt(), 1);
    EXPECT_TRUE(state["moving"].toBool());
    EXPECT_EQ(state["presets"].toArray(), QJsonArray({1, 5}));
}

TEST(SimOutputTest, PelcoPPresetFrameJsonNamesTheDeviceAndTheOutcome)
{
    TFrameEvent event = MakeFrameEvent("A0 00 00 03 00 05 AF 09", TPresetOutcome::Replaced);
    event.ForMe = false;
    const QJsonObject object = ParseObject(FormatEventJson(event));
    EXPECT_EQ(object["protocol"].toString(), "Pelco-P");
    EXPECT_EQ(object["address"].toInt(), 0);
    EXPECT_EQ(object["id"].toInt(), 1);
    EXPECT_FALSE(object["for_me"].toBool());
    EXPECT_EQ(object["commands"].toArray(), QJsonArray({"preset_set"}));
    EXPECT_EQ(object["preset"].toInt(), 5);
    EXPECT_EQ(object["preset_result"].toString(), "replaced");
}

TEST(SimOutputTest, EveryOtherEventIsOneJsonObject)
{
    TFaultEvent fault;
    fault.Bytes = Bytes("FF 01 00 02 20 00 24");
    fault.Analysis = AnalyzeFrame(TProtocol::PelcoD, fault.Bytes);
    QJsonObject object = ParseObject(FormatEventJson(fault));
    EXPECT_EQ(object["type"].toString(), "fault");
    EXPECT_EQ(object["fault"].toString(), "checksum incorrect");
    EXPECT_EQ(object["message"].toString(), "Frame checksum incorrect");
    EXPECT_EQ(object["bytes"].toString(), "FF 01 00 02 20 00 24");

    object = ParseObject(FormatEventJson(TGarbageEvent{5, Bytes("00 11 22")}));
    EXPECT_EQ(object["type"].toString(), "garbage");
    EXPECT_EQ(object["count"].toInt(), 3);
    EXPECT_EQ(object["bytes"].toString(), "00 11 22");

    TSentEvent sent{2500, Bytes("FF 01 00 07 00 05 0D"), {}, 2, 3, true};
    sent.Analysis = AnalyzeFrame(TProtocol::PelcoD, sent.Bytes);
    object = ParseObject(FormatEventJson(sent));
    EXPECT_EQ(object["type"].toString(), "sent");
    EXPECT_EQ(object["step"].toInt(), 2);
    EXPECT_EQ(object["steps"].toInt(), 3);
    EXPECT_TRUE(object["written"].toBool());
    EXPECT_TRUE(object["frame"].toBool());
    EXPECT_EQ(object["commands"].toArray(), QJsonArray({"preset_goto"}));

    object = ParseObject(FormatEventJson(TSentEvent{0, Bytes("01 02"), {}, 1, 1, false}));
    EXPECT_FALSE(object["frame"].toBool());
    EXPECT_FALSE(object["written"].toBool());
    EXPECT_FALSE(object.contains("commands"));

    const TStatusEvent status{0, "pty", "Serial port \"x\"", {{"path", "/tmp/odd \"name\"\n"}}, true};
    object = ParseObject(FormatEventJson(status));
    EXPECT_EQ(object["type"].toString(), "pty");
    EXPECT_EQ(object["path"].toString(), "/tmp/odd \"name\"\n");
    EXPECT_EQ(object["message"].toString(), "Serial port \"x\"");
}

TEST(SimOutputTest, SummaryJsonCountsEveryCommand)
{
    TSimStats stats;
    stats.Frames = 9;
    stats.GarbageBytes = 14;
    stats.ChecksumFaults = 2;
    stats.Commands[static_cast<size_t>(TSimCommand::ZoomIn)] = 4;
    const QJsonObject object = ParseObject(FormatSummaryJson(stats, TPositionerState(), 61000));
    EXPECT_EQ(object["type"].toString(), "summary");
    EXPECT_EQ(object["frames"].toInt(), 9);
    EXPECT_EQ(object["garbage_bytes"].toInt(), 14);
    EXPECT_EQ(object["checksum_faults"].toInt(), 2);
    const QJsonObject commands = object["commands"].toObject();
    EXPECT_EQ(commands.size(), static_cast<qsizetype>(kSimCommandCount));
    EXPECT_EQ(commands["zoom_in"].toInt(), 4);
    EXPECT_EQ(commands["preset_goto"].toInt(), 0);
    EXPECT_TRUE(object["state"].isObject());
}

TEST(SimOutputTest, TextLinesShowBytesCommandAndState)
{
    const std::string line = FormatEventText(MakeFrameEvent("FF 01 00 0C 10 3F 5C"));
    EXPECT_EQ(line, "[    1.234] << FF 01 00 0C 10 3F 5C  Pelco-D id 1: left 16, up 63 | pan 12.5 tilt -3.2 zoom 0 "
                    "focus 50 iris 50 | moving: pan +32/s, zoom in | presets: 1 5");

    TFrameEvent other = MakeFrameEvent("A0 01 00 00 00 00 AF 0E");
    other.ForMe = false;
    EXPECT_NE(FormatEventText(other).find("Pelco-P id 2: stop - not for me"), std::string::npos);

    TFaultEvent fault;
    fault.Bytes = Bytes("A0 00 00 02 20 00 00 2D");
    fault.Analysis = AnalyzeFrame(TProtocol::PelcoP, fault.Bytes);
    EXPECT_EQ(FormatEventText(fault), "[    0.000] << A0 00 00 02 20 00 00 2D  Pelco-P footer not exists");

    const std::vector<uint8_t> noise(100, 0x55);
    const std::string garbage = FormatEventText(TGarbageEvent{0, noise});
    EXPECT_NE(garbage.find("55 ...  garbage, 100 bytes"), std::string::npos) << garbage;
    EXPECT_LT(garbage.size(), 200u) << "a long run is shortened on screen";
}

TEST(SimOutputTest, DescribeCommandTable)
{
    struct TCase {
        std::string Frame;
        TPresetOutcome Preset;
        std::string Text;
    };
    const TCase cases[] = {
        {"FF 01 00 00 00 00 01", TPresetOutcome::None, "stop"},
        {"FF 01 00 02 40 00 43", TPresetOutcome::None, "right 64"},
        {"FF 01 00 10 00 20 31", TPresetOutcome::None, "down 32"},
        {"FF 01 00 20 00 00 21", TPresetOutcome::None, "zoom in"},
        {"FF 01 00 80 00 00 81", TPresetOutcome::None, "focus far"},
        {"A0 00 01 00 00 00 AF 0E", TPresetOutcome::None, "focus far"},
        {"FF 01 04 00 00 00 05", TPresetOutcome::None, "iris close"},
        {"FF 01 00 03 00 05 09", TPresetOutcome::Stored, "preset set 5 (stored)"},
        {"FF 01 00 07 00 09 11", TPresetOutcome::NotStored, "preset go to 9 (not stored)"},
        {"FF 01 01 03 00 05 0A", TPresetOutcome::None, "not recognised (command 01 03)"},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Frame);
        const auto bytes = Bytes(c.Frame);
        const TFrameAnalysis a = AnalyzeFrame(bytes[0] == 0xA0 ? TProtocol::PelcoP : TProtocol::PelcoD, bytes);
        EXPECT_EQ(DescribeCommand(a, bytes, c.Preset), c.Text);
    }
}

TEST(SimOutputTest, SummaryTextListsTheCounts)
{
    TSimStats stats;
    stats.Frames = 3;
    stats.PelcoDFrames = 2;
    stats.PelcoPFrames = 1;
    stats.GarbageBytes = 7;
    stats.ChecksumFaults = 1;
    stats.Commands[static_cast<size_t>(TSimCommand::Stop)] = 2;
    stats.Commands[static_cast<size_t>(TSimCommand::PresetGoto)] = 1;
    const std::string text = FormatSummaryText(stats, TPositionerState(), 2500);
    EXPECT_NE(text.find("Summary after 2.5 s:"), std::string::npos) << text;
    EXPECT_NE(text.find("Frames: 3 (Pelco-D 2, Pelco-P 1)"), std::string::npos) << text;
    EXPECT_NE(text.find("Commands: stop 2, preset go to 1"), std::string::npos) << text;
    EXPECT_NE(text.find("Garbage bytes: 7, checksum faults: 1, footer faults: 0"), std::string::npos) << text;

    EXPECT_NE(FormatSummaryText(TSimStats(), TPositionerState(), 0).find("Commands: none"), std::string::npos);
}

} // namespace
