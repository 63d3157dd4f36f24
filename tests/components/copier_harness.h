// Test harness for the media components and the copiers: the components'
// registration in the test prefix, a real window that records the copier
// messages, and a worker thread without COM for the transfer, as the backup
// dialog runs it.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "test_files.h"

// Full path of the components' DLL, copied beside the test program.
std::wstring ComponentsDllPath();
// Calls DllRegisterServer or DllUnregisterServer of that DLL.
HRESULT CallComponentsDll(const char* entry);

struct CopierMessage {
    UINT offset;  // 0 status, 1 start, 2 progress
    WPARAM wParam;
    std::wstring text;  // status text, copied while handling the message
};

// A hidden top-level window that records the three messages from `first`.
class RecorderWindow {
public:
    explicit RecorderWindow(UINT first);
    ~RecorderWindow();
    RecorderWindow(const RecorderWindow&) = delete;
    RecorderWindow& operator=(const RecorderWindow&) = delete;

    HWND hwnd() const { return hwnd_; }
    UINT first() const { return first_; }
    const std::vector<CopierMessage>& messages() const { return messages_; }
    void clear() { messages_.clear(); }
    // Runs on the window's thread as each message arrives, after it is recorded.
    std::function<void(const CopierMessage&)> onMessage;

    // The statuses in order, and the last one.
    std::vector<std::wstring> statusTexts() const;
    const CopierMessage* finalStatus() const;
    bool finalStatusFailed() const;
    // True when the messages read: one start first, progress values rising
    // within 0..100, statuses between them, and a status last.
    bool wellOrdered() const;

private:
    static LRESULT CALLBACK Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

    UINT first_;
    HWND hwnd_ = nullptr;
    std::vector<CopierMessage> messages_;
};

// Runs `work` on a new thread that does not initialise COM, while this thread
// pumps its messages; returns work's result. A worker that does not end
// within a minute ends the test program.
HRESULT RunOnWorker(const std::function<HRESULT()>& work);

// Registers the components once; each test runs in an OLE apartment, as the
// program's interface thread does.
class ComponentsTest : public ::testing::Test {
protected:
    static void SetUpTestSuite();
    void SetUp() override;
    void TearDown() override;
    // A fresh scratch folder for this test.
    std::wstring ScratchFolder();
    // Writes `size` bytes of varied data to `path`; returns them.
    static std::string WriteArchive(const std::wstring& path, size_t size);
};
