// Records every message box instead of showing it, answering from a script.
#pragma once
#include <deque>
#include <mutex>
#include <string>
#include <vector>
#include "seams.h"

struct PromptRecord {
    std::wstring text;
    std::wstring caption;
    UINT flags;
    HWND owner;
};

class PromptRecorder {
public:
    // Answers in order; `then` once they run out.
    explicit PromptRecorder(std::deque<int> answers = {}, int then = IDOK) : answers_(std::move(answers)), then_(then)
    {
    }
    std::vector<PromptRecord> seen() const
    {
        std::lock_guard<std::mutex> lock(mutex_);
        return seen_;
    }

private:
    int Answer(HWND owner, const std::wstring& text, const std::wstring& caption, UINT flags)
    {
        std::lock_guard<std::mutex> lock(mutex_);
        seen_.push_back({text, caption, flags, owner});
        if (answers_.empty())
            return then_;
        int a = answers_.front();
        answers_.pop_front();
        return a;
    }
    mutable std::mutex mutex_;
    std::deque<int> answers_;
    int then_;
    std::vector<PromptRecord> seen_;
    ui::Override<ui::PromptSeam> override_{ui::prompt, [this](HWND o, const std::wstring& t, const std::wstring& c,
                                                              UINT f) { return Answer(o, t, c, f); }};
};
