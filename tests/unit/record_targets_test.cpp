// Recordings and pictures saved from the menu, each with its own memory of
// a target held by a reader; and writes that report fewer bytes than asked.
#include "driver/tavlora.h"
#include "screen/menu.h"
#include "test_support.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <dirent.h>

namespace {

class RecordTargets : public DriverTest {
  protected:
    void Start(const std::string &config) {
        sim::set_frame(0, 0);
        sim::set_ticks(1000);
        StartWith("Debug=1\nEndHostOnClose=0\nWidth=20\nHeight=10\nRecord=1\nRecordInterval=-1\n" + config);
    }
    void Write(const char *text) {
        DISPLAYDLL_SetPosition(1, 1);
        DISPLAYDLL_Write(const_cast<char *>(text));
    }
    int Count(const std::string &start) {
        int n = 0;
        for (const std::string &l : LogLines()) n += l.compare(0, start.size(), start) == 0;
        return n;
    }
    // The recording's target is held by a reader for this write: the move
    // and the copy's open are refused.
    void WriteHeld(const char *text) {
        sim::fail_call("MoveFileExA", 1, ERROR_SHARING_VIOLATION);
        sim::fail_call("CreateFileA", 3, ERROR_SHARING_VIOLATION);
        Write(text);
        sim::clear_faults();
    }
    // The recordings and their temporary files, sorted.
    std::vector<std::string> Recordings() {
        std::vector<std::string> names;
        DIR *dir = opendir(".");
        while (dirent *e = readdir(dir))
            if (strncmp(e->d_name, "cap", 3) == 0) names.push_back(e->d_name);
        closedir(dir);
        std::sort(names.begin(), names.end());
        return names;
    }
    std::vector<std::string> Screenshots() {
        std::vector<std::string> names;
        if (DIR *dir = opendir("screenshots")) {
            while (dirent *e = readdir(dir))
                if (e->d_name[0] != '.') names.push_back(e->d_name);
            closedir(dir);
        }
        return names;
    }
};

// A picture saved while the recording's file is held neither says it wrote
// the recording again nor makes the recording's refusal be logged again.
TEST_F(RecordTargets, APictureSavedWhileTheRecordingIsHeldKeepsTheRecordingsState) {
    Start("RecordFile=cap.bmp\n");
    WriteHeld("one");
    EXPECT_EQ(Count("Error CaptureAnImage cannot replace cap.bmp "), 1);
    EXPECT_TRUE(RunDisplayCommand(4));
    EXPECT_EQ(Count("Menu Save a picture"), 1) << "the label as the menu shows it";
    ASSERT_EQ(Screenshots().size(), 1u);
    EXPECT_EQ(Count("CaptureAnImage screenshots"), 0) << "nothing was refused for the picture";
    WriteHeld("two");
    EXPECT_EQ(Count("Error CaptureAnImage cannot replace cap.bmp "), 1) << "once while it lasts";
    Write("three");
    EXPECT_EQ(Count("CaptureAnImage cap.bmp is written again"), 1);
}

// A write that reports success with fewer bytes than asked failed: the old
// recording stays, no temporary file is left, the frame is not counted.
// Written in place, the whole new recording stays in the temporary file.
TEST_F(RecordTargets, AShortWriteIsAFailedWrite) {
    const struct {
        const char *file;
        int nth;    // the WriteFile call that writes short
        DWORD kept; // the bytes it writes
        const char *line;
    } cases[] = {
        {"cap-#.bmp", 1, 10, "Error CaptureAnImage WriteFile wrote 10 of 14 bytes"},
        {"cap-#.bmp", 3, 100, "Error CaptureAnImage WriteFile wrote 100 of 800 bytes"},
        {"cap-#.png", 1, 3, "Error CaptureAnImage WriteFile wrote 3 of 33 bytes"},
        {"cap.bmp", 4, 100, "Error CaptureAnImage WriteFile wrote 100 of 854 bytes"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.line);
        remove("logs/Tavlora.log");
        Start(std::string("RecordFile=") + c.file + "\n");
        std::vector<std::string> made = Recordings();
        ASSERT_EQ(made.size(), 1u);
        std::string before = ReadFile(made[0]);
        bool inPlace = made[0] == "cap.bmp";
        if (inPlace) sim::fail_call("MoveFileExA", 1, ERROR_ACCESS_DENIED);
        sim::write_short(c.nth, c.kept);
        Write("new");
        sim::clear_faults();
        EXPECT_EQ(Count(c.line), 1);
        if (inPlace) {
            EXPECT_EQ(Count("Error cap.bmp is incomplete; the new recording is kept in cap.bmp.tmp"), 1);
            EXPECT_EQ(ReadFile("cap.bmp.tmp").size(), before.size()) << "the whole new recording";
        } else {
            EXPECT_EQ(Recordings(), made) << "no new frame, no temporary file";
            EXPECT_EQ(ReadFile(made[0]), before);
            // The next frame takes the number the failed one would have had.
            int frame = atoi(made[0].c_str() + 4);
            Write("again");
            std::string next = "cap-" + std::to_string(frame + 1) + made[0].substr(5);
            EXPECT_EQ(Recordings(), (std::vector<std::string>{made[0], next}));
        }
        DISPLAYDLL_Done();
        EXPECT_EQ(sim::live_handles(), 0);
        for (const std::string &name : Recordings()) remove(name.c_str());
    }
}

} // namespace
