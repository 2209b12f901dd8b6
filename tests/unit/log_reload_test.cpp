// The log across the driver's loads in one process: the first open in the
// process empties it, every later start appends, even after the library was
// unloaded (a fresh load's statics, as each test process starts with).
#include "driver/tavlora.h"
#include "test_support.h"

#include <cstdio>

namespace {

using LogAcrossLoads = DriverTest;

int Count(const std::vector<std::string> &lines, const std::string &line) {
    int n = 0;
    for (const std::string &l : lines) n += l == line;
    return n;
}

// What an earlier load of the library left in the environment decides:
// this process's mark appends, another process's (a parent's, inherited)
// or none empties the file.
TEST_F(LogAcrossLoads, AnEarlierLoadInThisProcessMakesTheNextStartAppend) {
    const struct {
        const char *what;
        int processOffset; // from this process's id; -1: no variable
        bool appends;
    } cases[] = {{"loaded before in this process", 0, true},
                 {"a parent process's variable", 1, false},
                 {"the first load in the process", -1, false}};
    for (const auto &c : cases) {
        sim::reset();
        WriteFile("logs/Tavlora.log", "an earlier load's line\n");
        if (c.processOffset >= 0) {
            char mark[64];
            snprintf(mark, sizeof mark, "%lu:1",
                     static_cast<unsigned long>(GetCurrentProcessId() + c.processOffset));
            SetEnvironmentVariableA("TAVLORA_LOG_Tavlora", mark);
        }
        StartWith("Debug=1\nEndHostOnClose=0\n");
        std::string log = ReadFile("logs/Tavlora.log");
        EXPECT_EQ(log.rfind("an earlier load's line\n", 0) == 0, c.appends) << c.what;
        EXPECT_EQ(Count(LogLines(), "Log File opened for  Tavlora"), 1) << c.what;
        // The mark a later load of the library finds.
        char kept[64] = "", expected[64];
        snprintf(expected, sizeof expected, "%lu:1", static_cast<unsigned long>(GetCurrentProcessId()));
        GetEnvironmentVariableA("TAVLORA_LOG_Tavlora", kept, sizeof kept);
        EXPECT_STREQ(kept, expected) << c.what;
        DISPLAYDLL_Done();
    }
}

TEST_F(LogAcrossLoads, EveryStartAfterTheFirstAppends) {
    WriteFile("logs/Tavlora.log", "another process's line\n");
    for (int start = 1; start <= 3; ++start) {
        StartWith("Debug=1\nEndHostOnClose=0\n");
        DISPLAYDLL_Done();
    }
    std::vector<std::string> lines = LogLines();
    EXPECT_EQ(ReadFile("logs/Tavlora.log").find("another process's line"), std::string::npos)
        << "the first open empties it";
    EXPECT_EQ(Count(lines, "Log File opened for  Tavlora"), 3);
    EXPECT_EQ(Count(lines, "**** Done Called **** Closed"), 3);
}

// The frame count shares the log's way of outliving the library.
TEST_F(LogAcrossLoads, TheFrameCountOfAnEarlierLoadGoesOn) {
    char left[64];
    snprintf(left, sizeof left, "%lu:41", static_cast<unsigned long>(GetCurrentProcessId()));
    SetEnvironmentVariableA("TAVLORA_FRAMES_Tavlora", left);
    StartWith("Width=320\nHeight=120\nRecord=1\nRecordFile=f-##.bmp\n");
    EXPECT_TRUE(FileExists("f-42.bmp"));
    EXPECT_FALSE(FileExists("f-01.bmp"));
}

} // namespace
