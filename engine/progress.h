// The engine's two hooks to its caller: progress messages posted to a window
// and a stop flag owned by the caller.
#pragma once

#include <atomic>
#include <cstdint>

#include <windows.h>

// wParam 0, lParam upper: the range; wParam position, lParam 0: a position;
// (0, 0) resets.
constexpr UINT WM_ENGINE_PROGRESS = WM_APP + 100;

// Posts, never sends, so a worker never waits on its window. Without a
// window nothing is posted.
class MFCProgress {
public:
    void set_target(HWND window, UINT message)
    {
        window_ = window;
        message_ = message;
    }
    void reset() { set_target(nullptr, 0); }
    void post_range(int32_t upper) const { post(0, upper); }
    void post_position(int32_t position) const { post(static_cast<WPARAM>(position), 0); }

private:
    void post(WPARAM w, LPARAM l) const
    {
        if (window_)
            PostMessageW(window_, message_, w, l);
    }

    HWND window_ = nullptr;
    UINT message_ = 0;
};

// The flag is written by the interface thread and polled by the worker. No
// flag reads as "not stopped".
static_assert(sizeof(std::atomic<bool>) == 1 && std::atomic<bool>::is_always_lock_free);
class MFCThreadCtrl {
public:
    void set_flag(std::atomic<bool>* flag) { flag_ = flag; }
    void reset() { flag_ = nullptr; }
    bool is_stopped() const { return flag_ && flag_->load(); }
    void stop() const
    {
        if (flag_)
            flag_->store(true);
    }

private:
    std::atomic<bool>* flag_ = nullptr;
};
