// Shared by the tests that run the real Tavlora.dll under Wine: a folder
// laid out as a host's folder, and the stand-in host run in it.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>
#include <string>
#include <vector>

struct HostRun {
    DWORD exitCode = 0xFFFFFFFF;
    bool timedOut = false;
    std::string output; // standard output and error of the host
};

class HostFolder : public ::testing::Test {
  protected:
    // A fresh folder "wine-work\<suite>.<test>" holding Tavlora.dll and
    // tavlora-host.exe, as a user's host folder would.
    void SetUp() override;

    std::string Path(const std::string &relative) const { return folder_ + "\\" + relative; }
    void WriteFile(const std::string &relative, const std::string &text);
    std::string ReadFile(const std::string &relative) const;
    bool Exists(const std::string &relative) const;
    void WriteConfig(const std::string &text) { WriteFile("displays\\Tavlora.cfg", text); }
    // The log's lines without their 17-character timestamps.
    std::vector<std::string> LogLines() const;

    // Runs tavlora-host.exe in the folder with the given arguments.
    HostRun RunHost(const std::string &arguments, DWORD timeoutMs = 30000);

    std::string folder_;
};

// The build folder, where the test program, the DLL and the host lie.
std::string BuildFolder();
