// The web view's request heads: what is read from a head, a head arriving
// in pieces, the size limit, and the heads that are refused.
#include "web/request.h"

#include <gtest/gtest.h>
#include <string>

namespace {

RequestState Parse(const std::string &head, WebRequest *request) {
    return ParseRequestHead(head.data(), head.size(), request);
}

TEST(WebRequest, ReadsTheLineAndTheKeptHeaders) {
    WebRequest r;
    std::string head = "GET /display.png?zoom=3&f=12 HTTP/1.1\r\nAccept: */*\r\n"
                       "hOsT:  localhost:8080 \r\nIf-None-Match: \"12\"\r\n\r\n";
    ASSERT_EQ(Parse(head + "extra", &r), RequestComplete);
    EXPECT_EQ(r.method, WebGet);
    EXPECT_EQ(r.minorVersion, 1);
    EXPECT_STREQ(r.path, "/display.png");
    EXPECT_STREQ(r.query, "zoom=3&f=12");
    EXPECT_EQ(r.zoom, 3);
    EXPECT_TRUE(r.hasHost);
    EXPECT_STREQ(r.host, "localhost:8080");
    EXPECT_TRUE(r.hasIfNoneMatch);
    EXPECT_STREQ(r.ifNoneMatch, "\"12\"");
    EXPECT_EQ(r.headLength, head.size());

    // HTTP/1.0 needs no Host; bare LF ends lines; methods are case-sensitive.
    ASSERT_EQ(Parse("HEAD / HTTP/1.0\n\n", &r), RequestComplete);
    EXPECT_EQ(r.method, WebHead);
    EXPECT_EQ(r.minorVersion, 0);
    EXPECT_FALSE(r.hasHost);
    EXPECT_FALSE(r.hasIfNoneMatch);
    EXPECT_STREQ(r.query, "");
    ASSERT_EQ(Parse("get /state.json HTTP/1.1\nHost: a:1\r\n\n", &r), RequestComplete);
    EXPECT_EQ(r.method, WebOtherMethod);
    EXPECT_EQ(r.headLength, 37u);
}

TEST(WebRequest, WaitsForTheBlankLine) {
    const std::string head = "GET / HTTP/1.1\r\nHost: h:1\r\n\r\n";
    WebRequest r;
    for (size_t n = 0; n < head.size(); ++n)
        EXPECT_EQ(ParseRequestHead(head.data(), n, &r), RequestNeedMore) << n;
    EXPECT_EQ(Parse(head, &r), RequestComplete);
}

TEST(WebRequest, AHeadOfMoreThan8192BytesIsTooLarge) {
    const std::string start = "GET / HTTP/1.1\r\nHost: h:1\r\nX: ";
    WebRequest r;
    std::string fits = start + std::string(8192 - start.size() - 4, 'a') + "\r\n\r\n";
    ASSERT_EQ(fits.size(), 8192u);
    EXPECT_EQ(Parse(fits, &r), RequestComplete);
    std::string over = start + std::string(8192 - start.size() - 3, 'a') + "\r\n\r\n";
    EXPECT_EQ(Parse(over, &r), RequestTooLarge);
    EXPECT_EQ(Parse(over.substr(0, 8191), &r), RequestNeedMore);
    EXPECT_EQ(Parse(over.substr(0, 8192), &r), RequestTooLarge);
}

TEST(WebRequest, RefusesMalformedHeads) {
    const char *heads[] = {
        "\r\nGET / HTTP/1.1\r\nHost: h:1\r\n\r\n",
        "GET  / HTTP/1.1\r\nHost: h:1\r\n\r\n",
        "GET / HTTP/1.1 \r\nHost: h:1\r\n\r\n",
        "GET / HTTP/1.2\r\nHost: h:1\r\n\r\n",
        "GET / http/1.1\r\nHost: h:1\r\n\r\n",
        "GET display.png HTTP/1.1\r\nHost: h:1\r\n\r\n",
        "GET /a\x7f HTTP/1.1\r\nHost: h:1\r\n\r\n",
        "GE(T / HTTP/1.1\r\nHost: h:1\r\n\r\n",
        "GET / HTTP/1.1\r\n\r\n",                            // no Host
        "GET / HTTP/1.1\r\nHost: h:1\r\nHost: h:1\r\n\r\n",  // two
        "GET / HTTP/1.1\r\nHost: h:1\r\nX: a\r\n b\r\n\r\n", // folded
        "GET / HTTP/1.1\r\nHost: h:1\r\nX : a\r\n\r\n",
        "GET / HTTP/1.1\r\nHost: h:1\r\nX a\r\n\r\n",
        "GET / HTTP/1.1\r\nHost: h:1\r\n: a\r\n\r\n",
        "GET / HTTP/1.1\r\nHost: h:1\r\nX: a\x01\r\n\r\n",
        "GET / HTTP/1.1\r\nHost: h:1\r\nX: a\rb\r\n\r\n",
        "GET / HTTP/1.1\r\nHost: h:1\r\nX: \x7f\r\n\r\n",
    };
    WebRequest r;
    for (const char *head : heads) EXPECT_EQ(Parse(head, &r), RequestMalformed) << head;
    EXPECT_EQ(Parse("GET / HTTP/1.1\r\nHost: h:1\r\nX: a\tb\xe9\r\n\r\n", &r), RequestComplete);
}

TEST(WebRequest, ZoomIsTheFirstZoomParameterFrom1To16) {
    const struct {
        const char *target;
        int zoom;
    } cases[] = {{"/", 1},
                 {"/?zoom=16", 16},
                 {"/?zoom=17", 1},
                 {"/?zoom=0", 1},
                 {"/?zoom=2x", 1},
                 {"/?a=1&zoom=5", 5},
                 {"/?xzoom=5", 1},
                 {"/?zoom=", 1},
                 {"/?zoom=3&zoom=4", 3},
                 {"/?zoom=016", 16},
                 {"/?zoom=99999999999", 1},
                 {"/?zoom=1", 1}};
    WebRequest r;
    for (const auto &c : cases) {
        std::string head = std::string("GET ") + c.target + " HTTP/1.0\r\n\r\n";
        ASSERT_EQ(Parse(head, &r), RequestComplete);
        EXPECT_EQ(r.zoom, c.zoom) << c.target;
    }
}

} // namespace
