// The stand-in host driving the real DLL, as a host application would.
#include "wine_support.h"

namespace {

using HostDriving = HostFolder;

bool Has(const std::string &text, const std::string &part) {
    return text.find(part) != std::string::npos;
}

TEST_F(HostDriving, AnswersUnderPlainAndDecoratedNames) {
    for (const char *names : {"", "--decorated "}) {
        HostRun run = RunHost(std::string(names) +
                              "name name usage defaults \"index 300\" \"init 20 0 COM1\" "
                              "\"write hello\" \"goto 1 2\" \"char 1 1 2 3 4 5 6 7 8\"");
        EXPECT_EQ(run.exitCode, 0u) << run.output;
        EXPECT_TRUE(Has(run.output, "\"Tavlora Display v1.1.118.633\"")) << run.output;
        EXPECT_TRUE(Has(run.output, "usage -> ")) << run.output;
        EXPECT_TRUE(Has(run.output, "\"No parameters required - see Tavlora.cfg\"")) << run.output;
        EXPECT_TRUE(Has(run.output, "defaults -> ")) << run.output;
        EXPECT_TRUE(Has(run.output, "\" \"\n") || Has(run.output, "\" \"\r\n")) << run.output;
        EXPECT_TRUE(Has(run.output, "index 300 -> 44")) << run.output;
        EXPECT_TRUE(Has(run.output, "init 20 0 -> \"Tavlora Display v1.1.118.633\"")) << run.output;
    }
}

TEST_F(HostDriving, DriverNameIsOneStableBuffer) {
    HostRun run = RunHost("name name");
    ASSERT_EQ(run.exitCode, 0u) << run.output;
    size_t first = run.output.find("name -> ");
    size_t second = run.output.find("name -> ", first + 1);
    ASSERT_NE(second, std::string::npos) << run.output;
    std::string a = run.output.substr(first, run.output.find('\n', first) - first);
    std::string b = run.output.substr(second, run.output.find('\n', second) - second);
    EXPECT_EQ(a, b);
}

TEST_F(HostDriving, LogShowsHeaderAndStartLines) {
    WriteConfig("Debug=1\n");
    HostRun run = RunHost("--ok 5 \"init 3 4 my params\" \"index 7\" \"char 2 0 1 2 3 4 5 6 255\" done");
    EXPECT_EQ(run.exitCode, 0u) << run.output;
    std::vector<std::string> log = LogLines();
    ASSERT_GE(log.size(), 5u) << ReadFile("logs\\Tavlora.log");
    const std::string separator =
        "=================================== ===================================";
    EXPECT_EQ(log[0], separator);
    EXPECT_EQ(log[1], "Log File opened for  Tavlora");
    EXPECT_EQ(log[2], separator);
    EXPECT_EQ(log[3], "Incoming x=3, y=4, params=my params, ok=5");
    size_t out = 4;
    while (out < log.size() && log[out].compare(0, 8, "Outgoing") != 0) ++out;
    ASSERT_LT(out + 3, log.size()) << ReadFile("logs\\Tavlora.log");
    EXPECT_EQ(log[out].substr(0, 39), "Outgoing x=3, y=4, params=my params, ok");
    EXPECT_EQ(log[out + 1], "DISPLAYDLL_CustomCharIndex index=7, returned 7");
    EXPECT_EQ(log[out + 2], "DISPLAYDLL_CustomChar chr=2, data=0,1,2,3,4,5,6,255");
    EXPECT_EQ(log[out + 3], "**** Done Called **** Closing");
}

TEST_F(HostDriving, ConfigurationIsReadFromTheCurrentFolderAndLoggedInOrder) {
    WriteConfig("// sample\r\nDebug=1\r\nLine1X=12\r\nLine1Y=7\r\nLine2FontColor=255 255 0\r\n"
                "Line2FontBkColor=1 2\r\nWidth=200\r\nHeight=100\r\nLine3Y=44");
    HostRun run = RunHost("\"init 0 0\"");
    EXPECT_EQ(run.exitCode, 0u) << run.output;
    std::vector<std::string> log = LogLines();
    ASSERT_GE(log.size(), 9u) << ReadFile("logs\\Tavlora.log");
    EXPECT_EQ(log[1], "Log File opened for  Tavlora");
    EXPECT_EQ(log[3], "x= 12");
    EXPECT_EQ(log[4], "y= 7");
    EXPECT_EQ(log[5], "Text Color 255 255 0");
    EXPECT_EQ(log[6], "Text Background Color 1 2 0");
    EXPECT_EQ(log[7], "y= 44") << "the last line keeps its last character";
    EXPECT_EQ(log[8].substr(0, 8), "Incoming");
}

TEST_F(HostDriving, DebugZeroLeavesAnEmptyLog) {
    WriteConfig("// nothing but a comment\n");
    HostRun run = RunHost("\"init 0 0\" \"write x\"");
    EXPECT_EQ(run.exitCode, 0u) << run.output;
    EXPECT_TRUE(Exists("logs\\Tavlora.log"));
    EXPECT_EQ(ReadFile("logs\\Tavlora.log"), "");
}

TEST_F(HostDriving, NullPointersDoNotCrash) {
    WriteConfig("Debug=1\n");
    HostRun run = RunHost("\"initnull 1 2\" writenull \"charnull 3\" \"write ok\"");
    EXPECT_EQ(run.exitCode, 0u) << run.output;
    EXPECT_TRUE(Has(ReadFile("logs\\Tavlora.log"), "Incoming x=1, y=2, params=, ok=0"));
}

} // namespace
