// The web view's answers: whose Host is served, which methods and paths,
// the picture's ETag, and the heads written.
#include "web/answer.h"
#include "web/texts.h"

#include <cstring>
#include <gtest/gtest.h>
#include <string>

namespace {

WebView View(const char *address, DWORD frame = 7, const char *origin = "") {
    WebView view = {};
    snprintf(view.address, sizeof view.address, "%s", address);
    view.port = 8080;
    snprintf(view.origin, sizeof view.origin, "%s", origin);
    view.frame = frame;
    view.start = 0x1a;
    return view;
}

// The answer to a head of the method, path, Host and further header lines.
WebAnswer Answer(const WebView &view, const std::string &method, const std::string &path,
                 const char *host = "127.0.0.1:8080", const std::string &more = "") {
    std::string head = method + " " + path + " HTTP/1.1\r\n";
    if (host) head += std::string("Host: ") + host + "\r\n";
    head += more + "\r\n";
    WebRequest request;
    if (!host) head.replace(head.find("HTTP/1.1"), 8, "HTTP/1.0");
    EXPECT_EQ(ParseRequestHead(head.data(), head.size(), &request), RequestComplete) << head;
    return DecideAnswer(request, view);
}

std::string Head(const WebAnswer &answer, const WebView &view, size_t length = 0) {
    char out[1024];
    size_t n = BuildAnswerHead(answer, view, length, out, sizeof out);
    EXPECT_EQ(n, strlen(out));
    return std::string(out, n);
}

TEST(WebAnswer, TheHostMustNameTheViewWithItsPort) {
    const struct {
        const char *address, *host;
        int status;
    } cases[] = {
        {"127.0.0.1", "127.0.0.1:8080", 200},
        {"127.0.0.1", "localhost:8080", 200},
        {"127.0.0.1", "LocalHost:8080", 200},
        {"127.0.0.1", "[::1]:8080", 200},
        {"127.0.0.1", "localhost", 403},
        {"127.0.0.1", "127.0.0.1", 403},
        {"127.0.0.1", "localhost:8081", 403},
        {"127.0.0.1", "localhost:08080", 403},
        {"127.0.0.1", "localhost:", 403},
        {"127.0.0.1", "evil.example:8080", 403},
        {"127.0.0.1", "127.0.0.10:8080", 403},
        {"127.0.0.1", ":8080", 403},
        {"192.168.1.5", "192.168.1.5:8080", 200},
        {"192.168.1.5", "localhost:8080", 403},
        {"192.168.1.5", "127.0.0.1:8080", 403},
        {"192.168.1.5", "evil.example:8080", 403},
        {"0.0.0.0", "10.0.0.7:8080", 200},
        {"0.0.0.0", "localhost:8080", 200},
        {"0.0.0.0", "[fe80::1]:8080", 200},
        {"0.0.0.0", "255.255.255.255:8080", 200},
        {"0.0.0.0", "10.0.0.7", 403},
        {"0.0.0.0", "10.0.0.7:80", 403},
        {"0.0.0.0", "evil.example:8080", 403},
        {"0.0.0.0", "256.0.0.1:8080", 403},
        {"0.0.0.0", "1.2.3:8080", 403},
        {"0.0.0.0", "1.2.3.4.5:8080", 403},
        {"0.0.0.0", "[]:8080", 403},
        {"0.0.0.0", "[::g]:8080", 403},
        {"0.0.0.0", "[1.2.3.4]:8080", 403},
        {"FE80::A", "[fe80::a]:8080", 200},
        {"::1", "[::1]:8080", 200},
        {"::1", "::1:8080", 403},
    };
    for (const auto &c : cases)
        EXPECT_EQ(Answer(View(c.address), "GET", "/", c.host).status, c.status)
            << c.address << " " << c.host;
    EXPECT_EQ(Answer(View("127.0.0.1"), "GET", "/", NULL).status, 403) << "no Host";
    // On port 80 a browser names no port.
    const struct {
        const char *host;
        int status;
    } http[] = {{"127.0.0.1", 200}, {"localhost", 200}, {"[::1]", 200}, {"127.0.0.1:80", 200},
                {"[::1]:80", 200},  {"evil.example", 403}, {"127.0.0.1:", 403}};
    WebView port80 = View("127.0.0.1");
    port80.port = 80;
    for (const auto &c : http) EXPECT_EQ(Answer(port80, "GET", "/", c.host).status, c.status) << c.host;
}

TEST(WebAnswer, MethodsAndPaths) {
    const WebView view = View("127.0.0.1");
    const struct {
        const char *method, *path;
        int status;
        WebRoute route;
        bool body;
    } cases[] = {
        {"GET", "/", 200, WebRoutePage, true},
        {"GET", "/display.png?f=3", 200, WebRoutePicture, true},
        {"GET", "/events", 200, WebRouteEvents, true},
        {"HEAD", "/state.json", 200, WebRouteState, false},
        {"POST", "/", 405, WebRouteNone, true},
        {"GET", "/display.png/", 404, WebRouteNone, true},
        {"HEAD", "/index.html", 404, WebRouteNone, false},
    };
    for (const auto &c : cases) {
        WebAnswer a = Answer(view, c.method, c.path);
        EXPECT_EQ(a.status, c.status) << c.path;
        EXPECT_EQ(a.route, c.route) << c.path;
        EXPECT_EQ(a.body, c.body) << c.path;
        EXPECT_EQ(a.close, c.status >= 400) << c.path;
    }
    // A method but GET and HEAD is refused even for a foreign Host.
    EXPECT_EQ(Answer(view, "DELETE", "/", "evil.example:8080").status, 405);
    EXPECT_EQ(AnswerUnreadable(RequestTooLarge).status, 431);
    EXPECT_EQ(AnswerUnreadable(RequestMalformed).status, 400);
    EXPECT_TRUE(AnswerUnreadable(RequestMalformed).close);
}

TEST(WebAnswer, ThePictureIsNotModifiedWhileItsFrameIsTheSame) {
    const struct {
        const char *tags;
        int status;
    } cases[] = {
        {"\"1a-7\"", 304}, {"W/\"1a-7\"", 304}, {"\"1a-1\", \"1a-7\"", 304},
        {"\"1a-1\" , W/\"1a-7\" ", 304}, {"*", 304}, {"\"1a-77\"", 200},
        {"\"1a-1\", \"1a-77\"", 200}, {"1a-7", 200}, {"w/\"1a-7\"", 200},
        {"\"19-7\"", 200}}; // frame 7 of an earlier start
    for (const auto &c : cases) {
        WebAnswer a = Answer(View("127.0.0.1"), "GET", "/display.png", "127.0.0.1:8080",
                             std::string("If-None-Match: ") + c.tags + "\r\n");
        EXPECT_EQ(a.status, c.status) << c.tags;
        EXPECT_EQ(a.body, c.status == 200) << c.tags;
    }
    EXPECT_EQ(Answer(View("127.0.0.1", 8), "GET", "/display.png", "127.0.0.1:8080",
                     "If-None-Match: \"1a-7\"\r\n")
                  .status,
              200);
    EXPECT_EQ(Answer(View("127.0.0.1"), "GET", "/state.json", "127.0.0.1:8080",
                     "If-None-Match: \"1a-7\"\r\n")
                  .status,
              200);
}

TEST(WebAnswer, Heads) {
    const WebView view = View("127.0.0.1", 7, "https://obs.example");
    WebAnswer picture = Answer(view, "HEAD", "/display.png");
    EXPECT_FALSE(picture.body);
    EXPECT_EQ(Head(picture, view, 1234),
              "HTTP/1.1 200 OK\r\nContent-Type: image/png\r\nContent-Length: 1234\r\n"
              "Cache-Control: no-cache\r\nX-Content-Type-Options: nosniff\r\nETag: \"1a-7\"\r\n"
              "Access-Control-Allow-Origin: https://obs.example\r\n\r\n");
    WebAnswer same =
        Answer(view, "GET", "/display.png", "127.0.0.1:8080", "If-None-Match: \"1a-7\"\r\n");
    EXPECT_EQ(Head(same, view), "HTTP/1.1 304 Not Modified\r\nCache-Control: no-cache\r\n"
                                "X-Content-Type-Options: nosniff\r\nETag: \"1a-7\"\r\n"
                                "Access-Control-Allow-Origin: https://obs.example\r\n\r\n");

    const WebView plain = View("127.0.0.1");
    EXPECT_EQ(Head(Answer(plain, "GET", "/events"), plain, 99),
              "HTTP/1.1 200 OK\r\nContent-Type: text/event-stream\r\n"
              "Cache-Control: no-cache\r\nX-Content-Type-Options: nosniff\r\n\r\n");
    WebAnswer page = Answer(plain, "GET", "/");
    EXPECT_NE(Head(page, plain)
                  .find("Content-Type: text/html; charset=utf-8\r\nContent-Length: " +
                        std::to_string(strlen(ViewPage())) + "\r\n"),
              std::string::npos);
    EXPECT_EQ(AnswerBody(page), ViewPage());
    EXPECT_EQ(AnswerBody(Answer(plain, "GET", "/state.json")), nullptr);

    WebAnswer refused = Answer(plain, "PUT", "/");
    const std::string body = AnswerBody(refused);
    EXPECT_EQ(body.substr(0, 4), "405 ");
    EXPECT_EQ(Head(refused, plain, 99),
              "HTTP/1.1 405 Method Not Allowed\r\nContent-Type: text/plain; charset=utf-8\r\n"
              "Content-Length: " +
                  std::to_string(body.size()) +
                  "\r\nCache-Control: no-cache\r\nX-Content-Type-Options: nosniff\r\n"
                  "Allow: GET, HEAD\r\nConnection: close\r\n\r\n");
    EXPECT_EQ(std::string(AnswerBody(AnswerUnreadable(RequestTooLarge))).substr(0, 4), "431 ");
    EXPECT_EQ(std::string(AnswerBody(AnswerUnreadable(RequestMalformed))).substr(0, 4), "400 ");
    EXPECT_EQ(std::string(AnswerBody(Answer(plain, "GET", "/x"))).substr(0, 4), "404 ");
    EXPECT_EQ(std::string(AnswerBody(Answer(plain, "GET", "/", "x:1"))).substr(0, 4), "403 ");

    // An origin that would break the head into more lines is left out.
    const WebView injected = View("127.0.0.1", 7, "https://a\r\nSet-Cookie: x=1");
    EXPECT_EQ(Head(Answer(injected, "GET", "/events"), injected).find("Set-Cookie"),
              std::string::npos);
}

TEST(WebAnswer, AHeadThatDoesNotFitIsNotWritten) {
    const WebView view = View("127.0.0.1");
    WebAnswer a = Answer(view, "GET", "/state.json");
    const size_t length = Head(a, view, 5).size();
    char out[512];
    EXPECT_EQ(BuildAnswerHead(a, view, 5, out, length + 1), length);
    EXPECT_EQ(BuildAnswerHead(a, view, 5, out, length), 0u);
    EXPECT_EQ(BuildAnswerHead(a, view, 5, out, 0), 0u);
    // A buffer too small for anything holds an empty text and no more.
    memset(out, 'x', sizeof out);
    EXPECT_EQ(BuildAnswerHead(a, view, 5, out, 1), 0u);
    EXPECT_EQ(out[0], '\0');
    EXPECT_EQ(out[1], 'x');
}

} // namespace
