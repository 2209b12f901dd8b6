// tavlora-host --check on Windows: the driver's reader built into the host,
// a file with Windows line ends, and nothing written beside it.
#include "wine_support.h"

namespace {

using ConfigCheck = HostFolder;

bool Has(const std::string &text, const std::string &part) {
    return text.find(part) != std::string::npos;
}

TEST_F(ConfigCheck, ReportsEachLineAndWritesNoFile) {
    WriteConfig("// window\r\n"
                "Debug=1\r\n"
                "Width=640\r\n"
                "Line1X=16\r\n"
                "Line1FontColor=255 200 40\r\n"
                "RecordFile=captures\\display.bmp\r\n"
                "x=5\r\n");
    HostRun run = RunHost("--check displays\\Tavlora.cfg");
    EXPECT_EQ(run.exitCode, 1u) << run.output;
    for (const char *line : {"line 1: comment\r\n", "line 2: Debug = 1\r\n", "line 3: Width = 640\r\n",
                             "line 4: row 1 X = 16\r\n", "line 5: row 1 FontColor = 255 200 40\r\n",
                             "line 6: RecordFile = \"captures\\display.bmp\"\r\n",
                             "line 7: ignored, lower-case key: \"x=5\"\r\n",
                             "  window: X = 0, Y = 0, Width = 640, Height = 0\r\n",
                             "result: 1 problem line\r\n"})
        EXPECT_TRUE(Has(run.output, line)) << line << run.output;
    EXPECT_FALSE(Exists("logs")) << "the check must not open the driver's log";
    EXPECT_FALSE(Has(run.output, "loaded")) << "the check loads no driver";

    WriteConfig("X=80\r\n// the rest as it is\r\n");
    run = RunHost("--check displays\\Tavlora.cfg");
    EXPECT_EQ(run.exitCode, 0u) << run.output;
    EXPECT_TRUE(Has(run.output, "result: no problems")) << run.output;

    run = RunHost("--check displays\\missing.cfg");
    EXPECT_EQ(run.exitCode, 2u) << run.output;
    EXPECT_TRUE(Has(run.output, "cannot read displays\\missing.cfg")) << run.output;
    EXPECT_EQ(RunHost("--check").exitCode, 2u);
}

} // namespace
