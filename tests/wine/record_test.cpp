// Recordings of the real DLL under Wine: PNG files, and files that a reader
// opening them again and again never finds half-written.
#include "wine_support.h"

#include <cstdint>
#include <cstdlib>

namespace {

using Recording = HostFolder;

int ClientSize(const std::string &output, int *width, int *height) {
    size_t at = output.find("client=");
    return at == std::string::npos ? 0 : sscanf(output.c_str() + at, "client=%dx%d", width, height);
}

// The PNG and the BMP of the same window: the PNG decodes to the client
// area's size and to the very pixels of the BMP, which holds them as the
// window showed them. The odd width leaves rows that are not whole words.
TEST_F(Recording, APngRecordingHoldsTheClientAreasPixels) {
    const std::string config =
        "Debug=1\nWidth=321\nHeight=160\nRecord=1\nRecordInterval=-1\nLine1X=4\nLine1Y=4\n"
        "Line1FontHeight=20\nLine1FontColor=255 255 0\nLine1FontBkColor=0 64 128\nRecordFile=";
    CopyTestData("corners.jpg", "images\\Tavlora.jpg");
    WriteConfig(config + "cap.bmp\n");
    HostRun bmpRun = RunHost("\"init 0 0\" \"write hi\\xFF\"");
    ASSERT_EQ(bmpRun.exitCode, 0u) << bmpRun.output;
    WriteConfig(config + "cap.Png\n");
    HostRun run = RunHost("\"init 0 0\" \"write hi\\xFF\" window");
    ASSERT_EQ(run.exitCode, 0u) << run.output;
    int width = 0, height = 0;
    ASSERT_EQ(ClientSize(run.output, &width, &height), 2) << run.output;
    EXPECT_NE(width * 3 % 4, 0) << "rows not of whole words: " << run.output;
    PngFile png = CheckPng(ReadFile("cap.Png"));
    EXPECT_TRUE(png.complete);
    EXPECT_EQ(png.width, width);
    EXPECT_EQ(png.height, height);
    EXPECT_EQ(png.bitDepth, 8);
    EXPECT_EQ(png.colourType, 2) << "colour without alpha";
    std::vector<COLORREF> pixels = PngPixels(png);
    CaptureFile bmp = ReadCapture(ReadFile("cap.bmp"));
    ASSERT_TRUE(bmp.valid);
    ASSERT_EQ(bmp.width, png.width);
    ASSERT_EQ(bmp.height, png.height);
    ASSERT_EQ(pixels.size(), static_cast<size_t>(width) * height);
    int differing = 0;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) differing += pixels[y * width + x] != bmp.At(x, y);
    EXPECT_EQ(differing, 0);
    EXPECT_NE(bmp.At(5, 5), bmp.At(width - 1, height - 1)) << "the row's background and the picture";
    EXPECT_FALSE(Exists("cap.Png.tmp"));
    std::string log = ReadFile("logs\\Tavlora.log");
    EXPECT_EQ(log.find("Error"), std::string::npos) << log;
    EXPECT_NE(log.find("Capture cap.Png"), std::string::npos) << log;
}

struct Reader {
    std::string path;
    bool png = false;
    volatile LONG stop = 0;
    int reads = 0;
    int partial = 0;
    std::string example; // a partial file's size and first bytes
};

bool WholeBmp(const std::string &bytes) {
    CaptureFile c = ReadCapture(bytes);
    return c.valid;
}

DWORD WINAPI ReadAgainAndAgain(void *context) {
    Reader &r = *static_cast<Reader *>(context);
    for (int i = 0; !r.stop; ++i) {
        // Half the time without FILE_SHARE_DELETE: the driver cannot move a
        // new recording over the file then, and writes it in place.
        DWORD share = FILE_SHARE_READ | FILE_SHARE_WRITE | (i % 2 ? FILE_SHARE_DELETE : 0);
        HANDLE file = CreateFileA(r.path.c_str(), GENERIC_READ, share, NULL, OPEN_EXISTING, 0, NULL);
        if (file == INVALID_HANDLE_VALUE) {
            Sleep(1);
            continue;
        }
        std::string bytes;
        char buffer[65536];
        DWORD got = 0;
        while (::ReadFile(file, buffer, sizeof buffer, &got, NULL) && got > 0) bytes.append(buffer, got);
        CloseHandle(file);
        ++r.reads;
        if (r.png ? CheckPng(bytes).complete : WholeBmp(bytes)) continue;
        if (r.partial++ == 0) r.example = std::to_string(bytes.size()) + " bytes";
    }
    return 0;
}

TEST_F(Recording, AReaderNeverFindsAPartialFile) {
    for (const char *name : {"cap.png", "cap.bmp"}) {
        WriteConfig(std::string("Width=320\nHeight=160\nRecord=1\nRecordInterval=-1\nRecordFile=") +
                    name + "\n");
        Reader reader;
        reader.path = Path(name);
        reader.png = name[4] == 'p';
        HANDLE thread = CreateThread(NULL, 0, ReadAgainAndAgain, &reader, 0, NULL);
        ASSERT_NE(thread, nullptr);
        HostRun run = RunHost("\"init 0 0\" \"repeat 150 write a ; write b\"", 120000);
        InterlockedExchange(&reader.stop, 1);
        WaitForSingleObject(thread, INFINITE);
        CloseHandle(thread);
        EXPECT_EQ(run.exitCode, 0u) << run.output;
        EXPECT_GT(reader.reads, 10) << name;
        EXPECT_EQ(reader.partial, 0) << name << ": " << reader.example;
        EXPECT_FALSE(Exists(std::string(name) + ".tmp")) << name;
    }
}

// The driver records PNG files whatever the host made of COM on its thread,
// and leaves the thread's apartment as the host set it up.
TEST_F(Recording, PngWorksWhateverTheHostMadeOfComAndLeavesItSo) {
    ASSERT_TRUE(CopyFileA((BuildFolder() + "\\com-host.exe").c_str(), Path("com-host.exe").c_str(),
                          FALSE));
    WriteConfig("Debug=1\nWidth=200\nHeight=100\nRecord=1\nRecordInterval=-1\nRecordFile=com.png\n");
    for (const char *model : {"none", "sta", "mta"}) {
        DeleteFileA(Path("com.png").c_str());
        DeleteFileA(Path("com.txt").c_str());
        std::string command = "\"" + Path("com-host.exe") + "\" " + model;
        STARTUPINFOA startup = {};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION process = {};
        ASSERT_TRUE(CreateProcessA(NULL, &command[0], NULL, NULL, FALSE, 0, NULL, folder_.c_str(),
                                   &startup, &process));
        EXPECT_EQ(WaitForSingleObject(process.hProcess, 60000), WAIT_OBJECT_0) << model;
        DWORD status = 99;
        GetExitCodeProcess(process.hProcess, &status);
        CloseHandle(process.hProcess);
        CloseHandle(process.hThread);
        EXPECT_EQ(status, 0u) << model;
        EXPECT_EQ(ReadFile("com.txt"), std::string("ok=1 apartment=") + model + "\n");
        EXPECT_TRUE(CheckPng(ReadFile("com.png")).complete) << model;
        EXPECT_EQ(ReadFile("logs\\Tavlora.log").find("Error CaptureAnImage"), std::string::npos)
            << model;
    }
}

} // namespace
