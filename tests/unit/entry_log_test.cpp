// The entry points as the host sees them, and the log they write.
#include "config/config.h"
#include "driver/display_memory.h"
#include "driver/tavlora.h"
#include "log/log.h"
#include "test_support.h"

#include <algorithm>
#include <cstring>
#include <sys/stat.h>

namespace {

using EntryPoints = DriverTest;
using Log = DriverTest;

const char *kSeparatorLine = "=================================== ===================================";

TEST_F(EntryPoints, TextsAreStaticAndStable) {
    char *first = DISPLAYDLL_DriverName();
    EXPECT_STREQ(first, "Tavlora Display v1.1.118.633");
    EXPECT_EQ(strlen(first), 28u);
    first[0] = 'X'; // a host scribbling on it gets it rebuilt at the next call
    EXPECT_EQ(DISPLAYDLL_DriverName(), first);
    EXPECT_STREQ(first, "Tavlora Display v1.1.118.633");
    EXPECT_STREQ(DISPLAYDLL_Usage(), "No parameters required - see Tavlora.cfg");
    EXPECT_STREQ(DISPLAYDLL_DefaultParameters(), " ");
    EXPECT_EQ(DISPLAYDLL_Usage(), DISPLAYDLL_Usage());
}

TEST_F(EntryPoints, InitLogsArgumentsAndStartsTheDisplay) {
    WriteConfig("Debug=1\n");
    char params[] = "COM1 fast";
    char ok = 7;
    char *name = DISPLAYDLL_Init(0x114, 2, params, &ok);
    EXPECT_EQ(name, DISPLAYDLL_DriverName());
    EXPECT_EQ(ok, 1);
    EXPECT_STREQ(reinterpret_cast<char *>(TextRows[0]), "Tavlora Starting");
    std::vector<std::string> log = LogLines();
    ASSERT_GE(log.size(), 5u);
    EXPECT_EQ(log[0], kSeparatorLine);
    EXPECT_EQ(log[1], "Log File opened for  Tavlora");
    EXPECT_EQ(log[2], kSeparatorLine);
    EXPECT_EQ(log[3], "Incoming x=20, y=2, params=COM1 fast, ok=7");
    EXPECT_EQ(log[4], "create_screen entered");
    EXPECT_EQ(log.back(), "Outgoing x=20, y=2, params=COM1 fast, ok=1");
}

TEST_F(EntryPoints, ByteArgumentsUseTheirLowEightBits) {
    WriteConfig("Debug=1\n");
    char ok = 0;
    DISPLAYDLL_Init(0, 0, nullptr, &ok);
    EXPECT_EQ(DISPLAYDLL_CustomCharIndex(300), 44u);
    DISPLAYDLL_SetPosition(0x150, 0x103);
    EXPECT_EQ(Cursor.Column, 80);
    EXPECT_EQ(Cursor.Row, 3);
    char data[8] = {1, 2, 3, 4, 5, 6, 7, static_cast<char>(0xFF)};
    DISPLAYDLL_CustomChar(0x201, data);
    EXPECT_EQ(GlyphStore[1][7], 0xFF);
    std::vector<std::string> log = LogLines();
    EXPECT_EQ(log[log.size() - 2], "DISPLAYDLL_CustomCharIndex index=44, returned 44");
    EXPECT_EQ(log.back(), "DISPLAYDLL_CustomChar chr=1, data=1,2,3,4,5,6,7,255");
}

TEST_F(EntryPoints, NullPointersAreHarmless) {
    WriteConfig("Debug=1\n");
    EXPECT_NE(DISPLAYDLL_Init(1, 2, nullptr, nullptr), nullptr);
    DISPLAYDLL_Write(nullptr);
    EXPECT_STREQ(reinterpret_cast<char *>(TextRows[0]), "Tavlora Starting");
    DISPLAYDLL_CustomChar(3, nullptr);
    DISPLAYDLL_CustomChar(12, nullptr);
    std::vector<std::string> log = LogLines();
    EXPECT_EQ(log[3], "Incoming x=1, y=2, params=, ok=0");
    EXPECT_NE(std::find(log.begin(), log.end(), "Outgoing x=1, y=2, params=, ok=0"), log.end());
    EXPECT_EQ(log[log.size() - 2], "DISPLAYDLL_CustomChar chr=3, data=0,0,0,0,0,0,0,0");
    EXPECT_EQ(log.back(), "DISPLAYDLL_CustomChar chr=12, data=0,0,0,0,0,0,0,0");
}

TEST_F(EntryPoints, LongParameterTextIsCutInTheLog) {
    WriteConfig("Debug=1\n");
    std::string params(1 << 20, 'p');
    char ok = 0;
    DISPLAYDLL_Init(0, 0, &params[0], &ok);
    std::vector<std::string> log = LogLines();
    ASSERT_GE(log.size(), 5u);
    EXPECT_EQ(log[3], "Incoming x=0, y=0, params=" + std::string(512, 'p') + ", ok=0");
}

TEST_F(EntryPoints, WriteStoresTextAtTheCursor) {
    char ok = 0;
    DISPLAYDLL_Init(0, 0, nullptr, &ok);
    char text[] = "Hi";
    DISPLAYDLL_Write(text);
    DISPLAYDLL_SetPosition(3, 2);
    char more[] = "\x01there";
    DISPLAYDLL_Write(more);
    EXPECT_STREQ(reinterpret_cast<char *>(TextRows[0]), "Hi");
    EXPECT_EQ(TextRows[1][0], ' ') << "column 1 keeps the start-up blank";
    EXPECT_STREQ(reinterpret_cast<char *>(TextRows[1]) + 2, "\x01there");
}

TEST_F(EntryPoints, DoneWithoutWindowLogsBothLinesAndReturns) {
    WriteConfig("Debug=1\n");
    sim::fail_call("CreateWindowExA", 0, ERROR_NOT_ENOUGH_MEMORY);
    char ok;
    DISPLAYDLL_Init(0, 0, nullptr, &ok);
    EXPECT_EQ(ok, 0);
    DISPLAYDLL_Done();
    std::vector<std::string> log = LogLines();
    ASSERT_GE(log.size(), 2u);
    EXPECT_EQ(log[log.size() - 2], "**** Done Called **** Closing");
    EXPECT_EQ(log.back(), "**** Done Called **** Closed");
    EXPECT_LT(sim::find_call("DestroyWindow"), 0) << "no window to destroy";
}

TEST_F(Log, DebugZeroCreatesAnEmptyLogAndSecondStartEmptiesIt) {
    WriteFile("logs/Tavlora.log", "old process's lines\n");
    char ok;
    DISPLAYDLL_Init(0, 0, nullptr, &ok);
    EXPECT_TRUE(FileExists("logs/Tavlora.log"));
    EXPECT_EQ(ReadFile("logs/Tavlora.log"), "");
    EXPECT_GE(sim::find_call("CreateDirectoryA(logs)"), 0);
}

TEST_F(Log, LineFormatHasTimestampEventAndDetail) {
    WriteConfig("Debug=-3\n");
    char ok;
    DISPLAYDLL_Init(0, 0, nullptr, &ok);
    WriteLog("Event ", "detail");
    std::string text = ReadFile("logs/Tavlora.log");
    std::string last = text.substr(text.rfind('\n', text.size() - 2) + 1);
    // "HH:MM:SS dd/mm/yy Event  detail\n"
    ASSERT_EQ(last.size(), 32u);
    for (int i : {2, 5}) EXPECT_EQ(last[i], ':');
    for (int i : {11, 14}) EXPECT_EQ(last[i], '/');
    EXPECT_EQ(last.substr(17), " Event  detail\n");
}

TEST_F(Log, LogLastErrorComposesTheSystemText) {
    WriteConfig("Debug=1\n");
    char ok;
    DISPLAYDLL_Init(0, 0, nullptr, &ok);
    SetLastError(ERROR_FILE_NOT_FOUND);
    EXPECT_STREQ(LogLastError("LoadPicture CreateFile failed"),
                 "LoadPicture CreateFile failed : The system cannot find the file specified.\r\n");
    SetLastError(9876);
    EXPECT_STREQ(LogLastError("Odd"), "Odd : system error 9876");
    SetLastError(0x800A01E1);
    EXPECT_STREQ(LogLastError("Odd"), "Odd : system error 0x800A01E1");
    std::string text = ReadFile("logs/Tavlora.log");
    EXPECT_NE(text.find(" Error LoadPicture CreateFile failed : The system cannot find the file "
                        "specified.\r\n\n"),
              std::string::npos);
}

TEST_F(Log, HostCallBeforeInitOpensTheLogWithoutHeader) {
    WriteConfig("Debug=1\n");
    DISPLAYDLL_CustomCharIndex(5); // DebugLevel is still 0: opens the log, writes nothing
    char ok = 0;
    DISPLAYDLL_Init(0, 0, nullptr, &ok);
    std::vector<std::string> log = LogLines();
    ASSERT_GE(log.size(), 2u);
    EXPECT_EQ(log[0], "Incoming x=0, y=0, params=, ok=0") << "no header";
    EXPECT_EQ(log.back(), "Outgoing x=0, y=0, params=, ok=1");
}

TEST_F(Log, ALogThatCannotOpenDropsItsLines) {
    WriteConfig("Debug=1\n");
    ::mkdir("logs", 0777);
    ::mkdir("logs/Tavlora.log", 0777); // a folder where the file should be
    testing::internal::CaptureStdout();
    char ok;
    DISPLAYDLL_Init(0, 0, nullptr, &ok);
    DISPLAYDLL_CustomCharIndex(1);
    DISPLAYDLL_Init(0, 0, nullptr, &ok);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "Failed to open ini file");
}

TEST_F(Log, RowKeyBeforeDebugLosesTheHeader) {
    WriteConfig("Line1X=12\nDebug=1\nLine2Y=30\n");
    char ok;
    DISPLAYDLL_Init(0, 0, nullptr, &ok);
    std::vector<std::string> log = LogLines();
    ASSERT_GE(log.size(), 3u);
    EXPECT_EQ(log[0], "y= 30");
    EXPECT_EQ(log[1].substr(0, 8), "Incoming");
}

TEST_F(Log, ModuleBaseNameCutsFolderAndLastFourCharacters) {
    sim::set_module_path("C:\\Program Files\\Host\\my.display.dll");
    EXPECT_STREQ(ModuleBaseName(), "my.display");
    sim::set_module_path("C:\\other\\Changed.dll");
    EXPECT_STREQ(ModuleBaseName(), "my.display") << "computed once";
}

TEST_F(Log, ModuleBaseNameOfNamesWithoutExtensionOrFolder) {
    sim::set_module_path("Tavlora");
    EXPECT_STREQ(ModuleBaseName(), "Tav");
}

TEST_F(Log, ModuleBaseNameNamesConfigAndLog) {
    sim::set_module_path("D:\\drivers\\Tavlora.dll");
    WriteFile("displays/Tavlora.cfg", "Debug=1\n");
    char ok;
    DISPLAYDLL_Init(0, 0, nullptr, &ok);
    EXPECT_EQ(LogLines()[1], "Log File opened for  Tavlora");
}

} // namespace
