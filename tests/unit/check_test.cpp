// The host's configuration check: what it says of each line, its result,
// and that it leaves no file behind.
#include "config/config.h"
#include "host/check.h"
#include "test_support.h"

#include <cstring>
#include <sstream>

namespace {

using ConfigCheck = DriverTest;

std::vector<std::string> Lines(const std::string &text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

// The report's "line N: ..." lines.
std::vector<std::string> LineReports(const std::string &report) {
    std::vector<std::string> lines;
    for (const std::string &line : Lines(report))
        if (line.compare(0, 5, "line ") == 0) lines.push_back(line);
    return lines;
}

TEST_F(ConfigCheck, EachLineSaysWhatItSetOrWhyItWasIgnored) {
    WriteFile("my.cfg", "// a comment\n"
                        "\n"
                        "Debug=1\n"
                        "Width=640\n"
                        "Line1FontColor=255 200 40\n"
                        "RecordFile=Tavlora.bmp\r\n"
                        " X=5\n"
                        "x=5\n"
                        "line1X=3\n"
                        "X =5\n"
                        "Line5X=1\n"
                        "Line0Y=2\n"
                        "Width=wide\n"
                        "Line2FontColor=255 255\n"
                        "Line1FontSize=3\n"
                        "Line1FontName=" + std::string(120, 'a') + "\n"
                        "free text\n"
                        " debug =2\n"
                        "Line3FontItalics=5\n");
    std::string report;
    EXPECT_EQ(CheckConfig("my.cfg", &report), CheckProblems);
    std::vector<std::string> expected = {
        "line 1: comment",
        "line 2: empty",
        "line 3: Debug = 1",
        "line 4: Width = 640",
        "line 5: row 1 FontColor = 255 200 40",
        "line 6: RecordFile = \"Tavlora.bmp\"",
        "line 7: ignored, blank before the key: \" X=5\"",
        "line 8: ignored, lower-case key: \"x=5\"",
        "line 9: ignored, lower-case key: \"line1X=3\"",
        "line 10: ignored, blank before \"=\": \"X =5\"",
        "line 11: ignored, row number outside 1 to 4: \"Line5X=1\"",
        "line 12: ignored, row number outside 1 to 4: \"Line0Y=2\"",
        "line 13: not a number, Width kept 640: \"Width=wide\"",
        "line 14: partial colour, row 2 FontColor = 255 255 0 (2 of 3 numbers read): "
        "\"Line2FontColor=255 255\"",
        "line 15: ignored, no known key: \"Line1FontSize=3\"",
        "line 16: row 1 FontName = \"" + std::string(113, 'a') + "\" (cut at 127 characters)",
        "line 17: ignored, free text: \"free text\"",
        "line 18: ignored, blank before the key, lower-case key, blank before \"=\": \" debug =2\"",
        "line 19: row 3 FontItalics = on",
    };
    EXPECT_EQ(LineReports(report), expected) << report;
    EXPECT_NE(report.find("result: 11 problem lines\n"), std::string::npos) << report;
    EXPECT_FALSE(FileExists("logs")) << "Debug=1 and the row keys' log lines must not open the log";
}

TEST_F(ConfigCheck, TheShippedSampleIsReadWholeAndLeavesTheDriversSettings) {
    std::string path = std::string(TAVLORA_SOURCE_DIR) + "/displays/Tavlora.cfg";
    std::string report;
    ASSERT_EQ(CheckConfig(path.c_str(), &report), CheckClean) << report;
    std::vector<std::string> reports = LineReports(report);
    EXPECT_EQ(reports.size(), Lines(ReadFile(path)).size());
    for (const std::string &line : reports) {
        bool comment = line.size() > 9 && line.compare(line.size() - 9, 9, ": comment") == 0;
        EXPECT_TRUE(comment || line.find(" = ") != std::string::npos) << "not a setting: " << line;
    }
    EXPECT_NE(report.find("line 8: Debug = 1\n"), std::string::npos) << report;
    EXPECT_NE(report.find("  row 4: X = 0, Y = 158, FontType = 0, FontName = \"Courier New\", "
                          "FontHeight = 32, FontWidth = 16,\n"
                          "         FontColor = 255 255 255, FontBkColor = 20 40 90, FontBold = 400, "
                          "FontItalics = on, FontUnderline = off, Dots = off,\n"
                          "         DotGap = 1, DotOffColor = 0 0 0\n"),
              std::string::npos)
        << report;
    EXPECT_NE(report.find("result: no problems\n"), std::string::npos) << report;

    // The check's trial readings leave what the driver's reader does.
    ScreenSettingsRecord screen = ScreenSettings;
    LineLayout rows[4];
    memcpy(rows, ConfiguredLayouts, sizeof rows);
    ASSERT_TRUE(ReadConfigFrom(path.c_str(), nullptr, nullptr)); // over the same values
    EXPECT_EQ(memcmp(&screen, &ScreenSettings, sizeof screen), 0);
    EXPECT_EQ(memcmp(rows, ConfiguredLayouts, sizeof rows), 0);
}

TEST_F(ConfigCheck, NamesTheFieldEvenWhenItsValueDoesNotChange) {
    WriteFile("my.cfg", "Width=640\n"
                        "Width=640\n"
                        "Line1X=0\n"
                        "Line1X:40\n"
                        "RecordInterval=7\n"
                        "RecordInterval=x\n"
                        "Line2Y\n"
                        "Line3FontColor=red\n"
                        "Debug=x\n"
                        "Line4FontUnderline=-1\n"
                        "Height=1515870810\n"); // 0x5A5A5A5A
    std::string report;
    EXPECT_EQ(CheckConfig("my.cfg", &report), CheckProblems);
    std::vector<std::string> expected = {
        "line 1: Width = 640",
        "line 2: Width = 640",
        "line 3: row 1 X = 0",
        "line 4: row 1 X = 40",
        "line 5: RecordInterval = 7",
        "line 6: not a number, RecordInterval kept 7: \"RecordInterval=x\"",
        "line 7: not a number, row 2 Y kept 0: \"Line2Y\"",
        "line 8: not a number, row 3 FontColor kept 0 0 0: \"Line3FontColor=red\"",
        "line 9: not a number, Debug kept 0: \"Debug=x\"",
        "line 10: row 4 FontUnderline = on",
        "line 11: Height = 1515870810",
    };
    EXPECT_EQ(LineReports(report), expected) << report;
}

TEST_F(ConfigCheck, FreeTextAndLongCommentsPass) {
    WriteFile("my.cfg", "free text is harmless\n"
                        "Lines below set the window\n"
                        "  // X=5 in an indented comment\n"
                        "/" + std::string(140, '-') + "X=999\n" +
                        std::string("Wid\0th=5\n", 9) + "X=1\n");
    std::string report;
    EXPECT_EQ(CheckConfig("my.cfg", &report), CheckClean) << report;
    EXPECT_NE(report.find("line 4: comment (cut at 127 characters)\n"), std::string::npos) << report;
    EXPECT_NE(report.find("line 5: ignored, free text: \"Wid\"\n"), std::string::npos) << report;
    EXPECT_NE(report.find("line 6: X = 1\n"), std::string::npos) << report;
}

TEST_F(ConfigCheck, UnreadableFiles) {
    std::string report;
    EXPECT_EQ(CheckConfig("missing.cfg", &report), CheckUnreadable);
    EXPECT_EQ(report.compare(0, 24, "cannot read missing.cfg:"), 0) << report;
    WriteFile("folder/x.cfg", "X=1\n");
    report.clear();
    EXPECT_EQ(CheckConfig("folder", &report), CheckUnreadable) << report;
}

} // namespace
