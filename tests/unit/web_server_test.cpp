// The web view's start on the simulated platform, which has no sockets:
// the view is opt-in, and a view that cannot start is logged once while the
// display works without it.
#include "config/config.h"
#include "driver/tavlora.h"
#include "screen/window.h"
#include "screen/window_proc.h"
#include "test_support.h"
#include "web/serve_errors.h"

namespace {

class WebStart : public DriverTest {
  protected:
    void Start(const std::string &config) {
        StartWith("Debug=1\nEndHostOnClose=0\nWidth=200\nHeight=100\n" + config);
    }
    int LoggedContaining(const std::string &part) {
        int n = 0;
        for (const std::string &l : LogLines()) n += l.find(part) != std::string::npos;
        return n;
    }
    int LoggedStarting(const std::string &start) {
        int n = 0;
        for (const std::string &l : LogLines()) n += l.compare(0, start.size(), start) == 0;
        return n;
    }
};

TEST_F(WebStart, WithoutAPortNoSocketOrThreadIsTouched) {
    Start("WebAddress=0.0.0.0\n");
    WriteAt(1, 1, "Hello");
    DISPLAYDLL_Done();
    for (const char *call : {"WSAStartup", "socket", "bind", "CreateThread", "GetModuleHandleExA",
                             "InitializeCriticalSection", "WaitForSingleObject"})
        EXPECT_EQ(sim::calls(call), 0) << call;
    EXPECT_EQ(LoggedStarting("Web view"), 0);
    EXPECT_EQ(LoggedStarting("Error web view"), 0);
}

// The settings are read with the rest; each failure names the step, the
// address and the port, and the display is drawn as without the view.
TEST_F(WebStart, AViewThatCannotStartIsLoggedOnceAndTheDisplayWorks) {
    const struct {
        const char *config;
        const char *line;
    } cases[] = {
        {"WebPort=8080\n", "Error web view WSAStartup on 127.0.0.1:8080 failed (error 10091)"},
        {"WebPort=81\nWebAddress=0.0.0.0\nWebAllowOrigin=https://a.example\n",
         "Error web view WSAStartup on 0.0.0.0:81 failed (error 10091)"},
        {"WebPort=8080\nWebAddress=localhost\n",
         "Error web view Reading the address on localhost:8080 failed (error 0)"},
        {"WebPort=70000\n", "Error web view The port on 127.0.0.1:70000 failed (error 0)"},
    };
    int failures = 0; // the log goes on across the starts
    for (const auto &c : cases) {
        SCOPED_TRACE(c.config);
        sim::clear_journal();
        Start(c.config);
        EXPECT_EQ(LoggedStarting(c.line), 1);
        EXPECT_EQ(sim::calls("CreateThread"), 0);
        EXPECT_EQ(sim::calls("socket"), 0);
        WriteAt(1, 1, "Shown");
        EXPECT_NE(sim::find_call("BitBlt"), -1);
        DISPLAYDLL_Done();
        ++failures; // one line, not again at the refresh or Done, and no later step's
        EXPECT_EQ(LoggedContaining("Error web view"), failures);
        ScreenSettings = ScreenDefaults;
    }
    EXPECT_STREQ(ScreenDefaults.WebAddress, "127.0.0.1");
}

TEST_F(WebStart, TheSettingsAreRead) {
    Start("WebPort=8080\nWebAddress=192.168.1.5\nWebAllowOrigin=https://a.example\n");
    EXPECT_EQ(ScreenSettings.WebPort, 8080);
    EXPECT_STREQ(ScreenSettings.WebAddress, "192.168.1.5");
    EXPECT_STREQ(ScreenSettings.WebAllowOrigin, "https://a.example");
    DISPLAYDLL_Done();
}

// A live save that changes a web setting starts the view again (here it
// cannot start: the simulation has no sockets); another key's change
// leaves it alone, and WebPort=0 ends it.
TEST_F(WebStart, ALiveSaveThatChangesTheViewsSettingsStartsItAgain) {
    const std::string base = "Debug=1\nEndHostOnClose=0\nWidth=200\nHeight=100\n";
    Start("");
    const struct {
        const char *more;
        int starts; // WSAStartup calls so far
    } saves[] = {
        {"WebPort=8080\n", 1},
        {"WebPort=8080\nX=40\n", 1},
        {"WebPort=8080\nX=40\nWebAddress=0.0.0.0\n", 2},
        {"WebPort=8080\nX=40\nWebAddress=0.0.0.0\nWebAllowOrigin=https://a.example\n", 3},
        {"WebPort=0\n", 3},
    };
    for (const auto &save : saves) {
        SCOPED_TRACE(save.more);
        WriteConfig(base + save.more);
        sim::pick_menu_command(6); // "Read the settings again"
        ScreenWndProc(DisplayWindow, WM_CONTEXTMENU, 0, -1);
        WriteAt(1, 1, "Saved");
        WriteAt(1, 1, "Again");
        EXPECT_EQ(sim::calls("WSAStartup"), save.starts);
        EXPECT_EQ(LoggedStarting("Error web view WSAStartup"), save.starts);
    }
    EXPECT_EQ(LoggedStarting("Web view the settings changed"), 4);
    DISPLAYDLL_Done();
}

// A kind of error is logged when it begins, not again while it goes on,
// and again once it has been quiet for a while and comes back.
TEST_F(WebStart, AServingErrorIsLoggedOncePerKindWhileItLasts) {
    Start("");
    ServeErrors errors = {};
    NoteServeError(errors, ServeSend, 10055, 1000);
    NoteServeError(errors, ServeSend, 10055, 2000);
    NoteServeError(errors, ServeAccept, 10024, 2000);
    LogServeErrors(errors);
    NoteServeError(errors, ServeSend, 10055, 2000 + kServeErrorQuiet); // still lasting
    LogServeErrors(errors);
    EXPECT_EQ(LoggedStarting("Error web view sending an answer failed (error 10055)"), 1);
    EXPECT_EQ(LoggedStarting("Error web view accepting a connection failed (error 10024)"), 1);
    NoteServeError(errors, ServeSend, 10054, 3001 + 2 * kServeErrorQuiet); // after a quiet spell
    LogServeErrors(errors);
    EXPECT_EQ(LoggedStarting("Error web view sending an answer failed (error 10054)"), 1);
    EXPECT_EQ(LoggedStarting("Error web view"), 3);
    DISPLAYDLL_Done();
}

} // namespace
