#pragma once
#include <atomic>
#include <mutex>
#include <string>
#include <thread>
#include <vector>
#include <windows.h>

// A message box that this process showed, as the watcher found it.
struct SeenMessageBox {
    std::wstring caption;
    std::wstring text;
    bool warningIcon = false; // the system's warning (exclamation) icon
    bool okOnly = false;      // an OK button and no other
    bool owned = false;       // has an owner window
};

// Watches this process for message boxes on a thread of its own, notes each one and closes it
// with its OK button, so code under test that shows a box does not block the test.
class MessageBoxWatcher {
public:
    MessageBoxWatcher();
    ~MessageBoxWatcher();
    MessageBoxWatcher(const MessageBoxWatcher&) = delete;
    MessageBoxWatcher& operator=(const MessageBoxWatcher&) = delete;

    std::vector<SeenMessageBox> Seen() const;

private:
    void Watch();

    mutable std::mutex m_mutex;
    std::vector<SeenMessageBox> m_seen;
    std::vector<HWND> m_closed;
    std::atomic<bool> m_stop{false};
    std::thread m_thread;
};
