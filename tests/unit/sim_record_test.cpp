// The simulated platform's parts that recordings use: DIB sections, file
// moves and deletions.
#include "platform/platform.h"
#include "test_support.h"

#include <cstring>

namespace {

using SimRecord = DriverTest;

TEST_F(SimRecord, DibSectionsHoldTheDrawnPixelsAfterGdiFlush) {
    for (int bits : {24, 32}) {
        for (int height : {3, -3}) { // bottom-up, then top-down
            BITMAPINFO info;
            memset(&info, 0, sizeof info);
            info.bmiHeader = {sizeof(BITMAPINFOHEADER), 5, height, 1, static_cast<WORD>(bits),
                              BI_RGB, 0, 0, 0, 0, 0};
            void *memory = nullptr;
            HBITMAP section = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &memory, nullptr, 0);
            ASSERT_NE(section, nullptr);
            HDC dc = CreateCompatibleDC(nullptr);
            HGDIOBJ kept = SelectObject(dc, section);
            HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
            RECT topLeft = {0, 0, 1, 1};
            FillRect(dc, &topLeft, red);
            GdiFlush();
            const unsigned char *p = static_cast<const unsigned char *>(memory);
            size_t stride = bits == 24 ? 16 : 20; // rows of whole 32-bit words
            size_t top = height > 0 ? 2 * stride : 0;
            EXPECT_EQ(p[top + 2], 255) << bits << " " << height << ": red of the top-left pixel";
            EXPECT_EQ(p[top], 0);
            EXPECT_EQ(p[(height > 0 ? 0 : 2 * stride) + 2], 0) << "the bottom-left pixel";
            SelectObject(dc, kept);
            DeleteObject(red);
            DeleteDC(dc);
            EXPECT_TRUE(DeleteObject(section));
        }
    }
    BITMAPINFO bad;
    memset(&bad, 0, sizeof bad);
    bad.bmiHeader = {sizeof(BITMAPINFOHEADER), 0, 4, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void *memory = &bad;
    EXPECT_EQ(CreateDIBSection(nullptr, &bad, DIB_RGB_COLORS, &memory, nullptr, 0), nullptr);
    EXPECT_EQ(memory, nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
}

TEST_F(SimRecord, MovesReplaceOnlyWhenAskedAndDeletesFindTheFile) {
    WriteFile("a", "new");
    WriteFile("b", "old");
    EXPECT_FALSE(MoveFileExA("a", "b", 0));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ALREADY_EXISTS));
    EXPECT_TRUE(MoveFileExA("a", "b", MOVEFILE_REPLACE_EXISTING));
    EXPECT_EQ(ReadFile("b"), "new");
    EXPECT_FALSE(FileExists("a"));
    EXPECT_FALSE(MoveFileExA("a", "b", MOVEFILE_REPLACE_EXISTING));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
    EXPECT_TRUE(DeleteFileA("b"));
    EXPECT_FALSE(DeleteFileA("b"));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
}

} // namespace
