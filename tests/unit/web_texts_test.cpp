// The web view's texts: the state as JSON (Windows-1252 rows in UTF-8,
// escaped), the frame event and the keep-alive, and the page.
#include "web/texts.h"

#include <cstring>
#include <gtest/gtest.h>
#include <string>

namespace {

WebState State() {
    WebState state = {};
    state.frame = 42;
    state.width = 320;
    state.height = 96;
    snprintf(state.module, sizeof state.module, "20x4");
    state.column = 3;
    state.row = 2;
    const char *rows[kRows] = {"say \"hi\" \\ now", "caf\xe9 \x80 5", "a\x01\xb0\xff\x9e\x83z",
                               "\t\x1f\x7f\x81\x89\xa0"};
    for (int r = 0; r < kRows; ++r)
        snprintf(reinterpret_cast<char *>(state.rows[r]), kColumns + 1, "%s", rows[r]);
    return state;
}

const std::string kJson = "{\"frame\":42,\"width\":320,\"height\":96,\"module\":\"20x4\","
                          "\"cursor\":{\"column\":3,\"row\":2},\"rows\":["
                          "\"say \\\"hi\\\" \\\\ now\","
                          "\"caf\xc3\xa9 \xe2\x82\xac 5\","
                          "\"a\xef\xbf\xbd\xef\xbf\xbd\xef\xbf\xbd\xef\xbf\xbd\xef\xbf\xbdz\","
                          "\"\\u0009\\u001F\\u007F\xef\xbf\xbd\xe2\x80\xb0\xc2\xa0\"]}";

TEST(WebTexts, StateAsJson) {
    WebState state = State();
    char out[kStateJsonSize];
    ASSERT_EQ(BuildStateJson(state, out, sizeof out), kJson.size());
    EXPECT_EQ(std::string(out), kJson);

    state.module[0] = '\0';
    memset(state.rows, 0, sizeof state.rows);
    BuildStateJson(state, out, sizeof out);
    EXPECT_EQ(std::string(out),
              "{\"frame\":42,\"width\":320,\"height\":96,\"module\":null,"
              "\"cursor\":{\"column\":3,\"row\":2},\"rows\":[\"\",\"\",\"\",\"\"]}");

    // Every cell escaped at its longest still fits the size given for it.
    memset(state.rows, 0x1f, sizeof state.rows);
    for (int r = 0; r < kRows; ++r) state.rows[r][kColumns] = 0;
    size_t longest = BuildStateJson(state, out, sizeof out);
    EXPECT_GT(longest, 4u * 6 * kColumns);
    EXPECT_EQ(BuildStateJson(state, out, longest), 0u);
    EXPECT_EQ(BuildStateJson(state, out, longest + 1), longest);
}

TEST(WebTexts, Events) {
    char out[kStateJsonSize + 64];
    const std::string event = "event: frame\ndata: " + kJson + "\n\n";
    ASSERT_EQ(BuildFrameEvent(State(), out, sizeof out), event.size());
    EXPECT_EQ(std::string(out), event);
    EXPECT_EQ(BuildFrameEvent(State(), out, event.size()), 0u);
    EXPECT_STREQ(KeepAliveEvent(), ": keep-alive\n\n");
}

TEST(WebTexts, ThePageLoadsThePictureAgainAtEachFrame) {
    const std::string page = ViewPage();
    EXPECT_NE(page.find("image-rendering: pixelated"), std::string::npos);
    EXPECT_NE(page.find("background: transparent"), std::string::npos);
    EXPECT_NE(page.find("new EventSource(\"/events\").addEventListener(\"frame\""),
              std::string::npos);
    EXPECT_NE(page.find("\"/display.png?f=\" + JSON.parse(event.data).frame"), std::string::npos);
}

} // namespace
