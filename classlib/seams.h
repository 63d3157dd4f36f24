#pragma once
// The points where the interface meets the user or the clock, each one replaceable
// so tests can script answers: message boxes, file and folder choosers, current time.
#include <windows.h>
#include <ctime>
#include <functional>
#include <optional>
#include <string>

namespace ui {

struct FileChoice {
    bool save = false;
    HWND owner = nullptr;
    std::wstring defaultExt;  // without the dot
    std::wstring fileName;    // initial name, may be empty
    std::wstring filter;      // "Name|*.x|...||" as written in resources
    DWORD flags = 0;
};

using PromptSeam = std::function<int(HWND owner, const std::wstring& text, const std::wstring& caption, UINT flags)>;
using FileSeam = std::function<std::optional<std::wstring>(const FileChoice&)>;
using FolderSeam = std::function<std::optional<std::wstring>(HWND owner, const std::wstring& title)>;
using ClockSeam = std::function<__time64_t()>;

// The active implementations; they start as the real ones.
extern PromptSeam prompt;
extern FileSeam chooseFile;
extern FolderSeam chooseFolder;
extern ClockSeam clock;

int Prompt(HWND owner, const wchar_t* text, const wchar_t* caption, UINT flags);
std::optional<std::wstring> ChooseFile(const FileChoice& choice);
// A folder with a file-system path, or nothing when cancelled or the choice has no path.
std::optional<std::wstring> ChooseFolder(HWND owner, const wchar_t* title);
__time64_t Now();

// Replaces one seam for the lifetime of the object.
template <class Seam>
class Override {
public:
    Override(Seam& slot, Seam replacement) : slot_(slot), saved_(std::move(slot)) { slot_ = std::move(replacement); }
    ~Override() { slot_ = std::move(saved_); }
    Override(const Override&) = delete;
    Override& operator=(const Override&) = delete;

private:
    Seam& slot_;
    Seam saved_;
};

}  // namespace ui
