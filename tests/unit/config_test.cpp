// The configuration file reader and its line interpreter.
#include "config/config.h"
#include "driver/tavlora.h"
#include "test_support.h"

#include <climits>
#include <cstring>
#include <sstream>
#include <unistd.h>

namespace {

using Config = DriverTest;

LineLayout &Row(int n) { return ConfiguredLayouts[n - 1]; }

TEST_F(Config, GlobalKeysMatchAtTheFirstCharacterCaseSensitively) {
    EXPECT_EQ(ParseConfigLine("X= 100"), ConfigApplied);
    EXPECT_EQ(ScreenSettings.X, 100);
    ParseConfigLine("X=250px");
    EXPECT_EQ(ScreenSettings.X, 250);
    EXPECT_EQ(ParseConfigLine("X =1"), ConfigNoKey);
    EXPECT_EQ(ParseConfigLine(" X=1"), ConfigNoKey);
    EXPECT_EQ(ParseConfigLine("x=1"), ConfigNoKey);
    EXPECT_EQ(ScreenSettings.X, 250);
    ParseConfigLine("Y=-20");
    ParseConfigLine("Width=+640");
    ParseConfigLine("Height=240");
    ParseConfigLine("DontShowWindow=1");
    ParseConfigLine("Record=1");
    ParseConfigLine("RecordInterval=5");
    EXPECT_EQ(ScreenSettings.Y, -20);
    EXPECT_EQ(ScreenSettings.Width, 640);
    EXPECT_EQ(ScreenSettings.Height, 240);
    EXPECT_EQ(ScreenSettings.DontShowWindow, 1);
    EXPECT_EQ(ScreenSettings.Record, 1);
    EXPECT_EQ(ScreenSettings.RecordInterval, 5);
}

TEST_F(Config, NumbersThatCannotBeReadKeepTheFieldAndLargeOnesAreClamped) {
    ParseConfigLine("Width=300");
    EXPECT_EQ(ParseConfigLine("Width=wide"), ConfigNoNumber);
    EXPECT_EQ(ParseConfigLine("Width="), ConfigNoNumber);
    EXPECT_EQ(ParseConfigLine("Width=-"), ConfigNoNumber);
    EXPECT_EQ(ScreenSettings.Width, 300);
    ParseConfigLine("Width=99999999999999999999");
    EXPECT_EQ(ScreenSettings.Width, INT_MAX);
    ParseConfigLine("Height=-2147483649");
    EXPECT_EQ(ScreenSettings.Height, INT_MIN);
    ParseConfigLine("Height=-2147483648");
    EXPECT_EQ(ScreenSettings.Height, INT_MIN);
    ParseConfigLine("X=2147483647");
    EXPECT_EQ(ScreenSettings.X, INT_MAX);
}

TEST_F(Config, TextValuesAreTakenVerbatim) {
    ParseConfigLine("RecordFile=C:\\capture dir\\screen.bmp ");
    EXPECT_STREQ(ScreenSettings.RecordFile, "C:\\capture dir\\screen.bmp ");
    ParseConfigLine("Line3FontName= Lucida Console");
    EXPECT_STREQ(Row(3).FontName, " Lucida Console");
    std::string longName(100, 'n');
    ParseConfigLine(("Line3FontName=" + longName).c_str());
    EXPECT_EQ(std::string(Row(3).FontName), longName) << "stored whole; cut only where the font is made";
}

TEST_F(Config, RowPositionsTakeAnyCharacterBeforeTheValueAndLog) {
    ParseConfigLine("Debug=1"); // not a ParseConfigLine key: no effect
    DebugLevel = 1;
    ParseConfigLine("Line1X=12");
    ParseConfigLine("Line1X:40");
    ParseConfigLine("Line2Y=7");
    EXPECT_EQ(ParseConfigLine("Line2Yxx"), ConfigNoNumber);
    EXPECT_EQ(ParseConfigLine("Line2Y"), ConfigNoNumber);
    EXPECT_EQ(Row(1).X, 40);
    EXPECT_EQ(Row(2).Y, 7);
    std::vector<std::string> log = LogLines();
    ASSERT_EQ(log.size(), 3u + 5u);
    EXPECT_EQ(log[3], "x= 12");
    EXPECT_EQ(log[4], "x= 40");
    EXPECT_EQ(log[5], "y= 7");
    EXPECT_EQ(log[6], "y= 7") << "the stored value is logged even without a new one";
    EXPECT_EQ(log[7], "y= 7");
}

TEST_F(Config, FontKeysAndTheirStoredCodes) {
    ParseConfigLine("Line1FontItalics=5");
    EXPECT_EQ(Row(1).FontItalics, 2);
    ParseConfigLine("Line1FontUnderline=-1");
    EXPECT_EQ(Row(1).FontUnderline, 3);
    ParseConfigLine("Line1FontBold=700");
    EXPECT_EQ(Row(1).FontBold, 700);
    EXPECT_EQ(ParseConfigLine("Line1FontItalics=yes"), ConfigNoNumber);
    EXPECT_EQ(Row(1).FontItalics, 2) << "no number keeps the earlier code";
    ParseConfigLine("Line1FontItalics=0");
    EXPECT_EQ(Row(1).FontItalics, 0);
    EXPECT_EQ(ParseConfigLine("Line1FontUnderline="), ConfigNoNumber);
    EXPECT_EQ(Row(1).FontUnderline, 3);
    ParseConfigLine("Line4FontType=11");
    ParseConfigLine("Line4FontHeight=-20");
    ParseConfigLine("Line4FontWidth=16");
    EXPECT_EQ(Row(4).FontType, 11);
    EXPECT_EQ(Row(4).FontHeight, -20);
    EXPECT_EQ(Row(4).FontWidth, 16);
    EXPECT_EQ(ParseConfigLine("Line4FontSize=3"), ConfigNoKey);
}

TEST_F(Config, ColoursStoreTheComponentsThatCanBeRead) {
    DebugLevel = 1;
    ParseConfigLine("Line2FontColor=10 20 30");
    EXPECT_EQ(ParseConfigLine("Line2FontColor=255 255"), ConfigPartColour);
    EXPECT_EQ(Row(2).FontColor[0], 255);
    EXPECT_EQ(Row(2).FontColor[1], 255);
    EXPECT_EQ(Row(2).FontColor[2], 30);
    ParseConfigLine("Line2FontBkColor=256 0 0");
    EXPECT_EQ(Row(2).FontBkColor[0], 256);
    std::vector<std::string> log = LogLines();
    EXPECT_EQ(log[log.size() - 2], "Text Color 255 255 30");
    EXPECT_EQ(log.back(), "Text Background Color 256 0 0");
}

TEST_F(Config, RowNumbersOutsideOneToFourWriteNothing) {
    LineLayout before[4];
    memcpy(before, ConfiguredLayouts, sizeof before);
    ScreenSettingsRecord settings = ScreenSettings;
    for (const char *line : {"Line0X=5", "Line5X=5", "Line9FontColor=1 2 3", "LineAX=5",
                             "Line-Y=1", "Line", "Line1"}) {
        ParseConfigLine(line);
    }
    EXPECT_EQ(ParseConfigLine("Line0X=5"), ConfigBadRow);
    EXPECT_EQ(ParseConfigLine("Line10X=5"), ConfigNoKey) << "row 1 with the key \"0X=5\"";
    EXPECT_EQ(memcmp(before, ConfiguredLayouts, sizeof before), 0);
    EXPECT_EQ(memcmp(&settings, &ScreenSettings, sizeof settings), 0);
}

TEST_F(Config, FileReadingCommentsLineEndsAndRepeats) {
    WriteConfig("// X=5 is a comment\r\n"
                "/X=6\n"
                "\n"
                "free text is harmless\n"
                "X=10\r\n"
                "X=oops\n"
                "X=20\n"
                "Line2FontName=Courier New\r\n"
                "RecordFile=a.bmp");
    ReadConfigFile();
    EXPECT_EQ(ScreenSettings.X, 20) << "the later readable line wins";
    EXPECT_STREQ(Row(2).FontName, "Courier New") << "a Windows line end reads the same";
    EXPECT_STREQ(ScreenSettings.RecordFile, "a.bmp") << "the last line keeps its last character";
}

TEST_F(Config, DebugIsResetAtEveryReadAndOtherFieldsKept) {
    WriteConfig("Line1FontName=Arial\nWidth=320\nDebug=1");
    ReadConfigFile();
    EXPECT_EQ(DebugLevel, 1) << "a last line without newline still counts";
    EXPECT_STREQ(Row(1).FontName, "Arial");
    WriteConfig("Height=100\n");
    ReadConfigFile();
    EXPECT_EQ(DebugLevel, 0);
    EXPECT_STREQ(Row(1).FontName, "Arial");
    EXPECT_EQ(ScreenSettings.Width, 320);
    EXPECT_EQ(ScreenSettings.Height, 100);
    ::unlink("displays/Tavlora.cfg");
    DebugLevel = 3;
    ReadConfigFile();
    EXPECT_EQ(DebugLevel, 0) << "a missing file still resets the debug level";
    EXPECT_EQ(ScreenSettings.Height, 100);
}

TEST_F(Config, LongLinesKeepTheirFirst127CharactersAndSkipTheRest) {
    // A long comment whose tail looks like a key, and a long name.
    std::string comment = "/" + std::string(140, '-') + "X=999";
    std::string name = "Line1FontName=" + std::string(113, 'a') + "TAIL";
    std::string exact = "RecordFile=" + std::string(116, 'r'); // exactly 127 characters
    std::string cutName = "RecordFile=" + std::string(116, 'c') + ".png";
    WriteConfig("Debug=1\n" + comment + "\n" + name + "\n" + exact + "\nY=3\n" +
                std::string(1 << 20, 'z') + "\nHeight=9\n" + cutName + "\n");
    ReadConfigFile();
    EXPECT_EQ(ScreenSettings.X, 0);
    EXPECT_EQ(std::string(Row(1).FontName), std::string(113, 'a'));
    EXPECT_EQ(ScreenSettings.Y, 3);
    EXPECT_EQ(ScreenSettings.Height, 9);
    // Every cut line that is read says so in the log, the comment and the
    // line that fits exactly do not.
    std::vector<std::string> cut;
    for (const std::string &line : LogLines())
        if (line.find(" is longer than 127 characters and was cut: ") != std::string::npos)
            cut.push_back(line.substr(0, line.find(" is longer")));
    EXPECT_EQ(cut, (std::vector<std::string>{"Configuration line 3", "Configuration line 6",
                                              "Configuration line 8"}));
    EXPECT_EQ(std::string(ScreenSettings.RecordFile), std::string(116, 'c'));
}

TEST_F(Config, NulBytesAndGarbageAreHarmless) {
    std::string text("X=7\n\0Y=8\nWid\0th=5\n", 19);
    for (int i = 0; i < 4096; ++i) text += static_cast<char>((i * 7919) & 0xFF);
    text += "\nHeight=44\n";
    WriteConfig(text);
    ReadConfigFile();
    EXPECT_EQ(ScreenSettings.X, 7);
    EXPECT_EQ(ScreenSettings.Y, 0) << "a line starting with NUL is empty";
    EXPECT_EQ(ScreenSettings.Width, 0);
    EXPECT_EQ(ScreenSettings.Height, 44);
}

TEST_F(Config, LoadWorkingLayoutsCopiesRectangleAndRows) {
    ParseConfigLine("X=1");
    ParseConfigLine("Y=2");
    ParseConfigLine("Width=3");
    ParseConfigLine("Height=4");
    ParseConfigLine("Line4FontName=Mono");
    ParseConfigLine("Line4X=44");
    LineLayout layouts[4];
    int32_t x, y, w, h;
    LoadWorkingLayouts(&x, &y, &w, &h, layouts);
    EXPECT_EQ(x, 1);
    EXPECT_EQ(y, 2);
    EXPECT_EQ(w, 3);
    EXPECT_EQ(h, 4);
    EXPECT_EQ(layouts[3].X, 44);
    EXPECT_STREQ(layouts[3].FontName, "Mono");
}

TEST_F(Config, ShippedSampleUsesOnlyRecognisedKeys) {
    std::string sample = ReadFile(std::string(TAVLORA_SOURCE_DIR) + "/displays/Tavlora.cfg");
    ASSERT_FALSE(sample.empty());
    std::istringstream in(sample);
    int keys = 0;
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty() || line[0] == '/') continue;
        if (line.compare(0, 6, "Debug=") == 0) {
            ++keys;
            continue;
        }
        EXPECT_EQ(ParseConfigLine(line.c_str()), ConfigApplied) << line;
        ++keys;
    }
    EXPECT_GE(keys, 8 + 1 + 4 * 11);
}

} // namespace
