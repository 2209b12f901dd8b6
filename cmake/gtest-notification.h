// GoogleTest's Notification built on a Win32 event, for MinGW's win32
// thread model, which has no std::mutex or std::condition_variable.
#pragma once
#include <windows.h>
namespace testing {
namespace internal {
class Notification {
  public:
    Notification() : event_(CreateEventA(NULL, TRUE, FALSE, NULL)) {}
    ~Notification() { CloseHandle(event_); }
    Notification(const Notification &) = delete;
    Notification &operator=(const Notification &) = delete;
    void Notify() { SetEvent(event_); }
    void WaitForNotification() { WaitForSingleObject(event_, INFINITE); }

  private:
    HANDLE event_;
};
} // namespace internal
} // namespace testing
