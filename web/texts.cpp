// The rows are 8-bit text in the host's code page, Windows-1252; the JSON
// carries them as UTF-8. A glyph code (a custom character, drawn from the
// host's 5 x 8 pixels) is sent as U+FFFD, the replacement character: its
// look exists only in the picture, and codes such as 0xB0 or 0x9E, which
// the display draws as glyphs, would otherwise read as characters ("°",
// "ž") that the display does not show. One character per cell keeps the
// columns where they are on the display.
#include "texts.h"

#include "screen/row_parts.h"
#include "web/bounded_text.h"

#include <cstring>

static const unsigned kReplacement = 0xFFFD;

// Windows-1252 0x80 to 0x9F; 0: a code the page leaves undefined.
static const unsigned short kHighControls[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

static void PutUtf8(BoundedText &text, unsigned code) {
    char bytes[3];
    size_t length;
    if (code < 0x80) {
        bytes[0] = static_cast<char>(code);
        length = 1;
    } else if (code < 0x800) {
        bytes[0] = static_cast<char>(0xC0 | (code >> 6));
        bytes[1] = static_cast<char>(0x80 | (code & 0x3F));
        length = 2;
    } else {
        bytes[0] = static_cast<char>(0xE0 | (code >> 12));
        bytes[1] = static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        bytes[2] = static_cast<char>(0x80 | (code & 0x3F));
        length = 3;
    }
    PutBytes(text, bytes, length);
}

// A JSON string of up to `length` bytes of `bytes` (fewer at a NUL).
static void PutJsonString(BoundedText &text, const unsigned char *bytes, size_t length,
                          bool glyphs) {
    PutText(text, "\"");
    for (size_t i = 0; i < length && bytes[i]; ++i) {
        const unsigned char c = bytes[i];
        if (glyphs && GlyphSlotOf(c) != 0) {
            PutUtf8(text, kReplacement);
        } else if (c == '"' || c == '\\') {
            const char escaped[2] = {'\\', static_cast<char>(c)};
            PutBytes(text, escaped, 2);
        } else if (c < 0x20 || c == 0x7F) {
            static const char kHex[] = "0123456789ABCDEF";
            const char escaped[6] = {'\\', 'u', '0', '0', kHex[c >> 4], kHex[c & 15]};
            PutBytes(text, escaped, 6);
        } else if (c >= 0x80 && c <= 0x9F) {
            PutUtf8(text, kHighControls[c - 0x80] ? kHighControls[c - 0x80] : kReplacement);
        } else {
            PutUtf8(text, c); // ASCII, and 0xA0 to 0xFF as Latin-1
        }
    }
    PutText(text, "\"");
}

static void PutState(BoundedText &text, const WebState &state) {
    PutText(text, "{\"frame\":");
    PutNumber(text, static_cast<long>(state.frame));
    PutText(text, ",\"width\":");
    PutNumber(text, state.width);
    PutText(text, ",\"height\":");
    PutNumber(text, state.height);
    PutText(text, ",\"module\":");
    if (state.module[0])
        PutJsonString(text, reinterpret_cast<const unsigned char *>(state.module),
                      sizeof state.module, false);
    else
        PutText(text, "null");
    PutText(text, ",\"cursor\":{\"column\":");
    PutNumber(text, state.column);
    PutText(text, ",\"row\":");
    PutNumber(text, state.row);
    PutText(text, "},\"rows\":[");
    for (int r = 0; r < kRows; ++r) {
        if (r > 0) PutText(text, ",");
        PutJsonString(text, state.rows[r], kColumns, true);
    }
    PutText(text, "]}");
}

size_t BuildStateJson(const WebState &state, char *out, size_t size) {
    BoundedText text = StartText(out, size);
    PutState(text, state);
    return TextLength(text);
}

size_t BuildFrameEvent(const WebState &state, char *out, size_t size) {
    BoundedText text = StartText(out, size);
    PutText(text, "event: frame\ndata: ");
    PutState(text, state);
    PutText(text, "\n\n");
    return TextLength(text);
}

const char *KeepAliveEvent() {
    return ": keep-alive\n\n";
}

// The zoom is read from the page's own query by the rule the server uses:
// the first zoom= parameter, whole digits 1 to 16, else 1. Each frame event
// loads the picture under a new query, so no cache answers with an old one;
// the event source connects again by itself after a break.
static const char kPage[] =
    "<!DOCTYPE html>\n"
    "<html><head><meta charset=\"utf-8\"><title>Tavlora</title>\n"
    "<style>\n"
    "html, body { margin: 0; background: transparent; }\n"
    "img { display: block; image-rendering: pixelated; }\n"
    "</style></head>\n"
    "<body><img id=\"display\" src=\"/display.png\" alt=\"\">\n"
    "<script>\n"
    "var found = /(?:^|&)zoom=([^&]*)/.exec(location.search.slice(1));\n"
    "var zoom = found && /^\\d+$/.test(found[1]) ? Number(found[1]) : 1;\n"
    "if (!(zoom >= 1 && zoom <= 16)) zoom = 1;\n"
    "var display = document.getElementById(\"display\");\n"
    "display.onload = function () {\n"
    "  display.style.width = display.naturalWidth * zoom + \"px\";\n"
    "  display.style.height = display.naturalHeight * zoom + \"px\";\n"
    "};\n"
    "new EventSource(\"/events\").addEventListener(\"frame\", function (event) {\n"
    "  display.src = \"/display.png?f=\" + JSON.parse(event.data).frame;\n"
    "});\n"
    "</script></body></html>\n";

const char *ViewPage() {
    return kPage;
}
