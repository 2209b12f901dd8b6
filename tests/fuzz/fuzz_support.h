// Shared by the fuzz targets: a folder of their own to run the driver in,
// the driver's static state put back to its load values between runs, and
// checks that stop the run with a message when something is wrong.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace fuzz {

// Makes a new folder under $TMPDIR (or /tmp) that is removed when the
// process ends normally, and returns its path. Each name in `folders` is
// created inside it with the driver's layout: displays/ for the
// configuration, logs/ whose Tavlora.log is /dev/null (the log stays open
// for the whole process and would otherwise grow with every run) and, when
// `withPicture` is true, images/Tavlora.jpg: the small test picture of
// 100 x 200 pixels (tests/data/corners.jpg), larger than the fuzzers'
// windows and quick to decode at every run.
std::string MakeWorkFolder();
void MakeDriverFolder(const std::string &path, bool withPicture);

// Writes `size` bytes to `path`, replacing the file.
void WriteWholeFile(const std::string &path, const void *data, size_t size);

// Takes a copy of the driver's display memory as the library loaded it.
// Call once, before the first driver call.
void RememberLoadState();

// Puts the driver's static state back to its load values: display memory,
// settings, row layouts, the window and picture globals. The window and
// picture themselves belong to the simulation: ResetDriver releases the
// picture and resets the whole simulation (which forgets the window).
// What stays is only what a refresh sets again before using it: the dirty
// flag, the remembered desktop rectangle and the capture clock (see the
// targets), the open log and the module's base name.
void ResetDriver();

// Stops the run with a message (and a report from libFuzzer) when `ok` is false.
void Require(bool ok, const char *what);

// Reads the input front to back; past its end every read gives zeros.
class Reader {
  public:
    Reader(const uint8_t *data, size_t size) : data_(data), size_(size) {}
    bool AtEnd() const { return position_ >= size_; }
    uint8_t Byte();
    uint16_t Word();
    uint32_t Long();
    // Up to `count` bytes into `out`; returns how many there were.
    size_t Bytes(uint8_t *out, size_t count);

  private:
    const uint8_t *data_;
    size_t size_;
    size_t position_ = 0;
};

} // namespace fuzz
