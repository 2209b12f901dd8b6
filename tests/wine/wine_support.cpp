#include "wine_support.h"

#include <zlib.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>

std::string BuildFolder() {
    char path[MAX_PATH];
    DWORD n = GetModuleFileNameA(NULL, path, sizeof path);
    std::string p(path, n);
    return p.substr(0, p.find_last_of('\\'));
}

static void RemoveTree(const std::string &folder) {
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA((folder + "\\*").c_str(), &data);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            std::string name = data.cFileName;
            if (name == "." || name == "..") continue;
            std::string path = folder + "\\" + name;
            if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) RemoveTree(path);
            else {
                SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
                DeleteFileA(path.c_str());
            }
        } while (FindNextFileA(find, &data));
        FindClose(find);
    }
    RemoveDirectoryA(folder.c_str());
}

template <typename Proc> static Proc Entry(HMODULE dll, const char *name) {
    return reinterpret_cast<Proc>(reinterpret_cast<void *>(GetProcAddress(dll, name)));
}

void DriverInProcess::SetUp() {
    HostFolder::SetUp();
    GetCurrentDirectoryA(sizeof previous_, previous_);
    ASSERT_TRUE(SetCurrentDirectoryA(folder_.c_str()));
    dll_ = LoadLibraryA(Path("Tavlora.dll").c_str());
    ASSERT_NE(dll_, nullptr);
    init_ = Entry<DisplayInitProc>(dll_, "DISPLAYDLL_Init");
    done_ = Entry<DisplayDoneProc>(dll_, "DISPLAYDLL_Done");
    write_ = Entry<DisplayWriteProc>(dll_, "DISPLAYDLL_Write");
    position_ = Entry<DisplaySetPositionProc>(dll_, "DISPLAYDLL_SetPosition");
    glyph_ = Entry<DisplayCustomCharProc>(dll_, "DISPLAYDLL_CustomChar");
}

void DriverInProcess::TearDown() {
    if (started_) done_();
    if (dll_) FreeLibrary(dll_);
    SetCurrentDirectoryA(previous_);
}

HWND DriverInProcess::StartDriver(const std::string &config) {
    WriteConfig(config);
    char params[] = "", ok = 0;
    init_(0, 0, params, &ok);
    started_ = ok != 0;
    return FindWindowA("Tavlora", NULL);
}

void HostFolder::SetUp() {
    const ::testing::TestInfo *info = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string work = BuildFolder() + "\\wine-work";
    CreateDirectoryA(work.c_str(), NULL);
    folder_ = work + "\\" + info->test_suite_name() + "." + info->name();
    RemoveTree(folder_);
    ASSERT_TRUE(CreateDirectoryA(folder_.c_str(), NULL)) << folder_;
    for (const char *file : {"Tavlora.dll", "tavlora-host.exe"})
        ASSERT_TRUE(CopyFileA((BuildFolder() + "\\" + file).c_str(), Path(file).c_str(), FALSE))
            << file;
}

void HostFolder::WriteFile(const std::string &relative, const std::string &text) {
    size_t slash = relative.find_last_of('\\');
    if (slash != std::string::npos) CreateDirectoryA(Path(relative.substr(0, slash)).c_str(), NULL);
    std::ofstream(Path(relative), std::ios::binary) << text;
}

std::string HostFolder::ReadFile(const std::string &relative) const {
    std::ifstream in(Path(relative), std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

bool HostFolder::Exists(const std::string &relative) const {
    return GetFileAttributesA(Path(relative).c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::vector<std::string> HostFolder::LogLines() const {
    std::vector<std::string> lines;
    std::istringstream in(ReadFile("logs\\Tavlora.log"));
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line.size() >= 18 ? line.substr(18) : line);
    }
    return lines;
}

HostRun HostFolder::RunHost(const std::string &arguments, DWORD timeoutMs) {
    HostRun run;
    SECURITY_ATTRIBUTES inherit = {sizeof inherit, NULL, TRUE};
    HANDLE readEnd = NULL, writeEnd = NULL;
    if (!CreatePipe(&readEnd, &writeEnd, &inherit, 0)) return run;
    SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);

    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = writeEnd;
    startup.hStdError = writeEnd;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    PROCESS_INFORMATION process = {};
    std::string command = "\"" + Path("tavlora-host.exe") + "\" " + arguments;
    std::vector<char> line(command.begin(), command.end());
    line.push_back(0);
    BOOL started = CreateProcessA(NULL, line.data(), NULL, NULL, TRUE, 0, NULL, folder_.c_str(),
                                  &startup, &process);
    CloseHandle(writeEnd);
    if (!started) {
        CloseHandle(readEnd);
        run.output = "CreateProcess failed";
        return run;
    }
    // Read until the host closes its end (it ends), then collect its status.
    char buffer[4096];
    DWORD got;
    DWORD start = GetTickCount();
    for (;;) {
        DWORD available = 0;
        if (!PeekNamedPipe(readEnd, NULL, 0, NULL, &available, NULL)) break;
        if (available > 0) {
            if (!::ReadFile(readEnd, buffer, sizeof buffer, &got, NULL) || got == 0) break;
            run.output.append(buffer, got);
            continue;
        }
        if (WaitForSingleObject(process.hProcess, 20) == WAIT_OBJECT_0) {
            // Drain what is left.
            while (PeekNamedPipe(readEnd, NULL, 0, NULL, &available, NULL) && available > 0 &&
                   ::ReadFile(readEnd, buffer, sizeof buffer, &got, NULL) && got > 0)
                run.output.append(buffer, got);
            break;
        }
        if (GetTickCount() - start > timeoutMs) {
            run.timedOut = true;
            TerminateProcess(process.hProcess, 99);
            WaitForSingleObject(process.hProcess, 5000);
            break;
        }
    }
    GetExitCodeProcess(process.hProcess, &run.exitCode);
    CloseHandle(process.hProcess);
    CloseHandle(process.hThread);
    CloseHandle(readEnd);
    return run;
}

void HostFolder::CopyTestData(const std::string &name, const std::string &relative) {
    size_t slash = relative.find_last_of('\\');
    if (slash != std::string::npos) CreateDirectoryA(Path(relative.substr(0, slash)).c_str(), NULL);
    std::string source = std::string(TAVLORA_SOURCE_DIR) + "/tests/data/" + name;
    ASSERT_TRUE(CopyFileA(source.c_str(), Path(relative).c_str(), FALSE)) << source;
}

CaptureFile ReadCapture(const std::string &bytes) {
    CaptureFile file;
    if (bytes.size() < 54 || bytes[0] != 'B' || bytes[1] != 'M') return file;
    BITMAPINFOHEADER info;
    memcpy(&info, bytes.data() + 14, sizeof info);
    file.width = info.biWidth;
    file.height = info.biHeight;
    file.bytes = bytes;
    file.valid = info.biBitCount == 32 && file.width > 0 && file.height > 0 &&
                 bytes.size() == 54 + 4u * file.width * file.height;
    return file;
}

COLORREF CaptureFile::At(int x, int y) const {
    if (!valid || x < 0 || y < 0 || x >= width || y >= height) return CLR_INVALID;
    size_t offset = 54 + (static_cast<size_t>(height - 1 - y) * width + x) * 4;
    const unsigned char *p = reinterpret_cast<const unsigned char *>(bytes.data()) + offset;
    return RGB(p[2], p[1], p[0]);
}

bool Near(COLORREF a, COLORREF b, int tolerance) {
    return abs(GetRValue(a) - GetRValue(b)) <= tolerance &&
           abs(GetGValue(a) - GetGValue(b)) <= tolerance &&
           abs(GetBValue(a) - GetBValue(b)) <= tolerance;
}

std::vector<RECT> WindowRects(const std::string &output, std::vector<int> *found) {
    std::vector<RECT> rects;
    for (size_t at = output.find("window found="); at != std::string::npos;
         at = output.find("window found=", at + 1)) {
        int isThere = 0;
        unsigned long style = 0;
        long l = 0, t = 0, r = 0, b = 0;
        sscanf(output.c_str() + at, "window found=%d style=0x%lX rect=%ld,%ld,%ld,%ld", &isThere,
               &style, &l, &t, &r, &b);
        if (found) found->push_back(isThere);
        rects.push_back(RECT{l, t, r, b});
    }
    return rects;
}

static uint32_t BigEndian(const unsigned char *p) {
    return (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | p[3];
}

static uint32_t Crc32(const unsigned char *data, size_t size) {
    uint32_t crc = 0xFFFFFFFFu;
    for (size_t i = 0; i < size; ++i) {
        crc ^= data[i];
        for (int bit = 0; bit < 8; ++bit) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1)));
    }
    return ~crc;
}

PngFile CheckPng(const std::string &text) {
    PngFile png;
    const unsigned char *b = reinterpret_cast<const unsigned char *>(text.data());
    const size_t size = text.size();
    if (size < 8 || memcmp(b, "\x89PNG\r\n\x1A\n", 8) != 0) return png;
    size_t at = 8;
    bool first = true;
    while (at + 12 <= size) {
        uint32_t length = BigEndian(b + at);
        if (length > size - at - 12) return png;
        const unsigned char *type = b + at + 4;
        if (BigEndian(b + at + 8 + length) != Crc32(type, length + 4)) return png;
        if (first) {
            if (memcmp(type, "IHDR", 4) != 0 || length != 13) return png;
            png.width = static_cast<int>(BigEndian(type + 4));
            png.height = static_cast<int>(BigEndian(type + 8));
            png.bitDepth = type[12];
            png.colourType = type[13];
            first = false;
        }
        if (memcmp(type, "IDAT", 4) == 0) png.data.append(text, at + 8, length);
        at += 12 + length;
        if (memcmp(type, "IEND", 4) == 0) {
            png.complete = at == size;
            return png;
        }
    }
    return png;
}

std::vector<COLORREF> PngPixels(const PngFile &png) {
    const size_t channels = png.colourType == 6 ? 4 : 3;
    if (!png.complete || png.bitDepth != 8 || (png.colourType != 2 && png.colourType != 6) ||
        png.width <= 0)
        return {};
    const size_t rowBytes = channels * static_cast<size_t>(png.width);
    std::vector<unsigned char> raw((rowBytes + 1) * png.height + 1);
    uLongf size = static_cast<uLongf>(raw.size());
    if (uncompress(raw.data(), &size, reinterpret_cast<const Bytef *>(png.data.data()),
                   static_cast<uLong>(png.data.size())) != Z_OK ||
        size != raw.size() - 1)
        return {};
    std::vector<unsigned char> previous(rowBytes, 0), row(rowBytes);
    std::vector<COLORREF> pixels;
    for (int y = 0; y < png.height; ++y) {
        const unsigned char *in = &raw[y * (rowBytes + 1)];
        for (size_t i = 0; i < rowBytes; ++i) {
            int a = i >= channels ? row[i - channels] : 0, b = previous[i];
            int c = i >= channels ? previous[i - channels] : 0;
            int p = a + b - c, pa = abs(p - a), pb = abs(p - b), pc = abs(p - c);
            int predictor[5] = {0, a, b, (a + b) / 2, pa <= pb && pa <= pc ? a : pb <= pc ? b : c};
            if (in[0] > 4) return {};
            row[i] = static_cast<unsigned char>(in[1 + i] + predictor[in[0]]);
        }
        for (size_t i = 0; i < rowBytes; i += channels)
            pixels.push_back(RGB(row[i], row[i + 1], row[i + 2]) |
                             (channels == 4 ? static_cast<COLORREF>(row[i + 3]) << 24 : 0));
        previous = row;
    }
    return pixels;
}
