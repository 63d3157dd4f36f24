#include "copier_harness.h"
#include "scratch.h"

#include <objbase.h>
#include <ole2.h>

#include <cstdio>
#include <cstdlib>

std::wstring ComponentsDllPath()
{
    wchar_t path[MAX_PATH];
    const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring folder(path, length);
    return folder.substr(0, folder.find_last_of(L'\\') + 1) + L"mediacopiers.dll";
}

HRESULT CallComponentsDll(const char* entry)
{
    HMODULE dll = LoadLibraryW(ComponentsDllPath().c_str());
    if (!dll)
        return HRESULT_FROM_WIN32(GetLastError());
    using Entry = HRESULT(STDAPICALLTYPE*)();
    const auto call = reinterpret_cast<Entry>(reinterpret_cast<void*>(GetProcAddress(dll, entry)));
    const HRESULT hr = call ? call() : HRESULT_FROM_WIN32(ERROR_PROC_NOT_FOUND);
    FreeLibrary(dll);
    return hr;
}

RecorderWindow::RecorderWindow(UINT first) : first_(first)
{
    WNDCLASSW wc = {};
    wc.lpfnWndProc = Proc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"BrisvaleCopierRecorder";
    RegisterClassW(&wc);  // fails harmlessly when already registered
    hwnd_ = CreateWindowExW(0, wc.lpszClassName, L"Copier recorder", WS_OVERLAPPEDWINDOW, 0, 0, 200, 100, nullptr,
                            nullptr, wc.hInstance, nullptr);
    SetWindowLongPtrW(hwnd_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
}

RecorderWindow::~RecorderWindow()
{
    DestroyWindow(hwnd_);
}

LRESULT CALLBACK RecorderWindow::Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    auto* self = reinterpret_cast<RecorderWindow*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (!self || message < self->first_ || message > self->first_ + 2)
        return DefWindowProcW(hwnd, message, wParam, lParam);
    CopierMessage recorded{message - self->first_, wParam, {}};
    if (recorded.offset == 0 && lParam) {
        if (LOWORD(wParam) == 1) {
            const char* ansi = reinterpret_cast<const char*>(lParam);
            const int size = MultiByteToWideChar(CP_THREAD_ACP, 0, ansi, -1, nullptr, 0);
            recorded.text.resize(static_cast<size_t>(size > 0 ? size - 1 : 0));
            MultiByteToWideChar(CP_THREAD_ACP, 0, ansi, -1, recorded.text.data(), size);
        } else {
            recorded.text = reinterpret_cast<const wchar_t*>(lParam);
        }
    }
    self->messages_.push_back(recorded);
    if (self->onMessage)
        self->onMessage(recorded);
    return 0;
}

std::vector<std::wstring> RecorderWindow::statusTexts() const
{
    std::vector<std::wstring> texts;
    for (const CopierMessage& m : messages_)
        if (m.offset == 0)
            texts.push_back(m.text);
    return texts;
}

const CopierMessage* RecorderWindow::finalStatus() const
{
    for (auto m = messages_.rbegin(); m != messages_.rend(); ++m)
        if (m->offset == 0)
            return &*m;
    return nullptr;
}

bool RecorderWindow::finalStatusFailed() const
{
    const CopierMessage* status = finalStatus();
    return status && HIWORD(status->wParam) == 1;
}

bool RecorderWindow::wellOrdered() const
{
    if (messages_.empty() || messages_.front().offset != 1 || messages_.back().offset != 0)
        return false;
    WPARAM last = 0;
    for (size_t i = 1; i < messages_.size(); ++i) {
        const CopierMessage& m = messages_[i];
        if (m.offset == 1)
            return false;
        if (m.offset == 2) {
            if (m.wParam < last || m.wParam > 100)
                return false;
            last = m.wParam;
        }
    }
    return true;
}

namespace {

struct WorkerCall {
    const std::function<HRESULT()>* work;
    HRESULT result;
};

DWORD WINAPI WorkerMain(void* parameter)
{
    auto* call = static_cast<WorkerCall*>(parameter);
    call->result = (*call->work)();
    return 0;
}

}  // namespace

HRESULT RunOnWorker(const std::function<HRESULT()>& work)
{
    WorkerCall call{&work, E_PENDING};
    HANDLE thread = CreateThread(nullptr, 0, WorkerMain, &call, 0, nullptr);
    if (!thread)
        return HRESULT_FROM_WIN32(GetLastError());
    const DWORD start = GetTickCount();
    for (;;) {
        const DWORD waited = GetTickCount() - start;
        if (waited >= 60000) {
            // The worker still uses objects of this test: going on would only crash.
            fprintf(stderr, "RunOnWorker: the transfer did not end within a minute\n");
            fflush(stderr);
            ExitProcess(3);
        }
        const DWORD r = MsgWaitForMultipleObjects(1, &thread, FALSE, 60000 - waited, QS_ALLINPUT);
        if (r == WAIT_OBJECT_0)
            break;
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
    }
    CloseHandle(thread);
    // Messages the worker posted last are still queued.
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
        DispatchMessageW(&msg);
    return call.result;
}

void ComponentsTest::SetUpTestSuite()
{
    ASSERT_EQ(S_OK, CallComponentsDll("DllRegisterServer"));
}

void ComponentsTest::SetUp()
{
    ASSERT_EQ(S_OK, OleInitialize(nullptr));
}

void ComponentsTest::TearDown()
{
    OleUninitialize();
}

std::wstring ComponentsTest::ScratchFolder()
{
    const ::testing::TestInfo* info = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string name = std::string(info->test_suite_name()) + "_" + info->name();
    for (char& c : name)
        if (!isalnum(static_cast<unsigned char>(c)))
            c = '_';
    return fresh_scratch_folder(L"brisvale_copier\\" + std::wstring(name.begin(), name.end()));
}

std::string ComponentsTest::WriteArchive(const std::wstring& path, size_t size)
{
    std::string data(size, '\0');
    uint32_t x = 2463534242u;
    for (char& c : data) {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        c = static_cast<char>(x);
    }
    write_file(path, data);
    return data;
}
