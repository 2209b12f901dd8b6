// Recordings and pictures saved from the menu, each with its own memory of
// a target held by a reader; and writes that report fewer bytes than asked.
#include "driver/tavlora.h"
#include "screen/menu.h"
#include "test_support.h"

#include <dirent.h>

namespace {

class RecordTargets : public DriverTest {
  protected:
    void Start(const std::string &config) {
        sim::set_frame(0, 0);
        sim::set_ticks(1000);
        StartWith("Debug=1\nWidth=20\nHeight=10\nRecord=1\nRecordInterval=-1\n" + config);
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
TEST_F(RecordTargets, AShortWriteIsAFailedWrite) {
    const struct {
        const char *file;
        int nth;    // the WriteFile call that writes short
        DWORD kept; // the bytes it writes
        bool inPlace;
        const char *line;
    } cases[] = {
        {"cap-#.bmp", 1, 10, false, "Error CaptureAnImage WriteFile wrote 10 of 14 bytes"},
        {"cap-#.bmp", 3, 100, false, "Error CaptureAnImage WriteFile wrote 100 of 800 bytes"},
        {"cap-#.png", 1, 3, false, "Error CaptureAnImage WriteFile wrote 3 of 8 bytes"},
        {"cap-#.bmp", 4, 100, true, "Error CaptureAnImage WriteFile wrote 100 of 854 bytes"},
    };
    for (const auto &c : cases) {
        std::string first = std::string(c.file).replace(4, 1, "1");
        std::string second = std::string(c.file).replace(4, 1, "2");
        SCOPED_TRACE(second + " " + c.line);
        remove("logs/Tavlora.log");
        remove(first.c_str());
        Start(std::string("RecordFile=") + c.file + "\n");
        std::string before = ReadFile(first);
        ASSERT_FALSE(before.empty());
        // The second frame goes to a file of its own; written in place it
        // goes over the first, whose name it then takes.
        if (c.inPlace) {
            Start("RecordFile=cap.bmp\n");
            before = ReadFile("cap.bmp");
            sim::fail_call("MoveFileExA", 1, ERROR_ACCESS_DENIED);
        }
        sim::write_short(c.nth, c.kept);
        Write("new");
        sim::clear_faults();
        EXPECT_EQ(Count(c.line), 1);
        if (c.inPlace) {
            EXPECT_EQ(Count("Error cap.bmp is incomplete; the new recording is kept in cap.bmp.tmp"), 1);
            EXPECT_EQ(ReadFile("cap.bmp.tmp").size(), before.size()) << "the whole new recording";
            remove("cap.bmp.tmp");
        } else {
            EXPECT_FALSE(FileExists(second)) << "not moved over its name";
            EXPECT_FALSE(FileExists(second + ".tmp"));
            EXPECT_EQ(ReadFile(first), before);
            Write("again");
            EXPECT_TRUE(FileExists(second)) << "the failed frame was not counted";
            remove(second.c_str());
        }
        DISPLAYDLL_Done();
        EXPECT_EQ(sim::live_handles(), 0);
    }
}

} // namespace
