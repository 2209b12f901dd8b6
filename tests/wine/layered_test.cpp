// The layered attributes the real window has for each Opacity= and
// TransparentColor=, read back from the system with the DLL loaded into
// this test program.
#include "wine_support.h"

#include "driver/tavlora.h"

namespace {

class Layered : public DriverInProcess {};

TEST_F(Layered, EachOpacityAndColourIsWhatTheWindowHas) {
    const struct {
        const char *config;
        bool layered;
        BYTE alpha;
        COLORREF key;
        DWORD flags;
    } cases[] = {
        {"Opacity=100\n", false, 0, 0, 0},
        {"Opacity=50\n", true, 127, 0, LWA_ALPHA},
        {"Opacity=10\n", true, 25, 0, LWA_ALPHA},
        {"Opacity=99\n", true, 252, 0, LWA_ALPHA},
        {"TransparentColor=1 2 3\n", true, 255, RGB(1, 2, 3), LWA_ALPHA | LWA_COLORKEY},
        {"Opacity=80\nTransparentColor=0 0 0\n", true, 204, RGB(0, 0, 0), LWA_ALPHA | LWA_COLORKEY},
        {"TransparentColor=-1 0 0\n", false, 0, 0, 0},
        {"ClickThrough=1\n", true, 255, 0, LWA_ALPHA},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.config);
        WriteConfig(std::string("EndHostOnClose=0\nPicture=\nWidth=200\nHeight=100\n"
                                "Opacity=100\nTransparentColor=-1 -1 -1\nClickThrough=0\n") +
                    c.config);
        char params[] = "", ok = 0;
        init_(0, 0, params, &ok);
        ASSERT_EQ(ok, 1);
        HWND window = FindWindowA("Tavlora", NULL);
        ASSERT_NE(window, nullptr);
        const DWORD ex = static_cast<DWORD>(GetWindowLongPtrA(window, GWL_EXSTYLE));
        EXPECT_EQ((ex & WS_EX_LAYERED) != 0, c.layered);
        COLORREF key = 0xFFFFFFFF;
        BYTE alpha = 0;
        DWORD flags = 0;
        if (c.layered) {
            ASSERT_TRUE(GetLayeredWindowAttributes(window, &key, &alpha, &flags));
            EXPECT_EQ(alpha, c.alpha);
            EXPECT_EQ(flags, c.flags);
            if (flags & LWA_COLORKEY) {
                EXPECT_EQ(key, c.key);
            }
        }
        done_();
    }
}

} // namespace
