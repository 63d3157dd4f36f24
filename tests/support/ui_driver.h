// Driving real windows from tests: find windows by title and class, read and
// set controls, press buttons. Every wait polls a predicate with a time-out
// and throws uitest::Failure when it runs out, so a broken test fails instead
// of hanging.
//
// Typical use, in process: the test thread runs the modal code, a Driver
// thread drives it; on a failure the driver closes the test thread's windows
// so the modal loop ends.
//
//   uitest::Driver driver([] {
//       HWND dlg = uitest::wait_window(L"Preference", L"#32770");
//       uitest::set_text(uitest::child(dlg, 1000), L"name");
//       uitest::press(dlg, IDOK);
//   });
//   int result = dialog.DoModal();
//   EXPECT_EQ("", driver.finish());
//
// Across processes the same functions work from the test thread itself; pass
// the other process's id to find only its windows.
#pragma once

#include <windows.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace uitest {

using std::chrono::milliseconds;
// Generous: the tests run under an emulator, often on a busy machine.
inline constexpr milliseconds kDefaultTimeout{60000};

// A step of a driver script that could not be done; what() says which.
struct Failure : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// UTF-8 of a wide text, for failure messages.
std::string narrow(const std::wstring& text);

// Polls pred until it returns true (true) or the time-out passes (false).
bool wait_until(const std::function<bool()>& pred, milliseconds timeout = kDefaultTimeout);
// As wait_until, but a time-out throws Failure("timed out: " + what).
void require(const std::function<bool()>& pred, const std::string& what, milliseconds timeout = kDefaultTimeout);

// A visible top-level window with exactly this title and class (nullptr: any
// class), optionally only of process pid, optionally not `except`; or nullptr.
HWND find_window(const wchar_t* title, const wchar_t* cls = nullptr, DWORD pid = 0, HWND except = nullptr);
// Waits for find_window to find one; throws Failure on time-out.
HWND wait_window(const wchar_t* title, const wchar_t* cls = nullptr, DWORD pid = 0,
                 milliseconds timeout = kDefaultTimeout);
// Waits until no such window exists any more; throws Failure on time-out.
void wait_gone(HWND window, milliseconds timeout = kDefaultTimeout);

// Waits for a process to end and returns its exit code; throws Failure on
// time-out.
DWORD wait_exit(HANDLE process, milliseconds timeout = kDefaultTimeout);

// The dialog control with this id; throws Failure if there is none.
HWND child(HWND parent, int id);
// Descendants of parent (depth first) of class cls, visible ones only if asked.
std::vector<HWND> descendants(HWND parent, const wchar_t* cls, bool visibleOnly = true);
// The first visible descendant of class cls; throws Failure if there is none.
HWND first_descendant(HWND parent, const wchar_t* cls);

std::wstring class_of(HWND window);
std::wstring text(HWND window);                        // WM_GETTEXT
void set_text(HWND window, const std::wstring& text);  // WM_SETTEXT (edits send EN_CHANGE)
// Texts of the visible descendants of class cls (for example L"Static").
std::vector<std::wstring> texts(HWND parent, const wchar_t* cls);
// The text a tooltip control of this thread holds for a client point of window;
// "(no tool)" when none covers it.
std::wstring tool_tip(HWND window, POINT point);

bool is_checked(HWND button);
// Ticks or clears a check box or radio button as a click would: sets the
// state and tells the parent (BN_CLICKED). Throws Failure if disabled.
void set_check(HWND button, bool checked);
// Selects a combo box entry as the user would (CB_SETCURSEL + CBN_SELCHANGE).
void select_combo(HWND combo, int index);

// Real input through the input queue, as a person types and clicks: the
// window's top-level window is brought to the front first, and each call
// returns once the target thread has handled what it was sent. Each test has
// a display of its own (scripts/wine-test), so that no other test's window
// takes the focus meanwhile.
//
// Types text into control: if it does not have the focus yet it gets it as by
// the Tab key (an edit's text is then selected, so typing replaces it);
// otherwise the caret and selection stay where they are.
void type(HWND control, const std::wstring& text);
// One key press (with Ctrl and/or Shift held) into control, focused as above.
void key(HWND control, UINT vk, bool ctrl = false, bool shift = false);
// A left click on the centre of window, or at client coordinates x, y.
void click(HWND window);
void click_at(HWND window, int x, int y);

// Presses button `id` of dialog `dlg` by posting its BN_CLICKED, so that a
// modal loop the click opens does not block the driver. Throws Failure if
// the button is missing, hidden or disabled. IDOK and IDCANCEL may be pressed
// on a box without such a button (Esc and Enter do the same).
void press(HWND dlg, int id);

// Runs a driver script on its own thread. A script failure (any exception) is
// recorded; then the windows of the thread that created the Driver are closed
// until finish() is called, so that its modal loops return.
class Driver {
public:
    explicit Driver(std::function<void()> script);
    ~Driver();
    Driver(const Driver&) = delete;
    Driver& operator=(const Driver&) = delete;
    // Waits for the script to end; "" when it succeeded, else what failed.
    std::string finish(milliseconds timeout = kDefaultTimeout);

private:
    DWORD uiThread_;
    std::atomic<bool> finishing_{false};
    std::string failure_;
    HANDLE done_;
    std::thread thread_;
};

// Posts Cancel and WM_CLOSE to the visible top-level windows of a thread, to
// end its modal loops; false when it has none.
bool close_thread_windows(DWORD threadId);

}  // namespace uitest
