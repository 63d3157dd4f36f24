#include "copier_core.h"

std::atomic<long> g_moduleLocks{0};

namespace {

enum MessageOffset : UINT { kStatus = 0, kStart = 1, kProgress = 2 };

const wchar_t kStoppedText[] = L"The transfer was stopped.";

}  // namespace

std::wstring FromBstr(BSTR text)
{
    return text ? std::wstring(text, SysStringLen(text)) : std::wstring();
}

void Fail(const std::wstring& text, HRESULT hr)
{
    throw TransferFailure{hr, text};
}

std::wstring ErrorText(DWORD error)
{
    wchar_t* message = nullptr;
    std::wstring text;
    if (FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                       nullptr, error, 0, reinterpret_cast<wchar_t*>(&message), 0, nullptr) &&
        message) {
        text = message;
        LocalFree(message);
        while (!text.empty() && (iswspace(text.back()) || text.back() == L'.'))
            text.pop_back();
    }
    if (text.empty())
        text = L"system error";
    return text + L" (error " + std::to_wstring(error) + L")";
}

SourceFile::SourceFile(const std::wstring& path) : path_(path)
{
    file_.reset(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    LARGE_INTEGER size;
    if (!file_.valid() || !GetFileSizeEx(file_.get(), &size))
        Fail(L"Cannot open the archive " + path + L": " + ErrorText(GetLastError()));
    size_ = static_cast<uint64_t>(size.QuadPart);
}

DWORD SourceFile::read(void* buffer, DWORD capacity)
{
    DWORD got = 0;
    if (!ReadFile(file_.get(), buffer, capacity, &got, nullptr))
        Fail(L"Cannot read the archive " + path_ + L": " + ErrorText(GetLastError()));
    return got;
}

HRESULT STDMETHODCALLTYPE CopierCore::Run()
{
    lastPercent_ = -1;
    Send(kStart, 0, 0);
    try {
        CheckStop();
        const std::wstring done = Transfer();
        SendStatus(done, false);
        return S_OK;
    } catch (const TransferFailure& failure) {
        SendStatus(failure.hr == E_ABORT ? kStoppedText : failure.text, true);
        return failure.hr;
    } catch (...) {
        // Nothing may leave a COM method; out of memory is the only other cause.
        SendStatus(L"The transfer failed: out of memory.", true);
        return E_OUTOFMEMORY;
    }
}

HRESULT STDMETHODCALLTYPE CopierCore::Reserved4()
{
    return E_NOTIMPL;
}

HRESULT STDMETHODCALLTYPE CopierCore::Method5()
{
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CopierCore::SetSourcePath(BSTR path)
{
    sourcePath_ = FromBstr(path);
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CopierCore::SetTargetName(BSTR name)
{
    targetName_ = FromBstr(name);
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CopierCore::SetMessageRange(UINT first, UINT last)
{
    first_ = first;
    last_ = last;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CopierCore::SetNotifyWindow(HWND window)
{
    window_ = window;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CopierCore::Stop()
{
    // Only a mark: Run may be inside a SendMessage to the very thread calling
    // Stop, so waiting here for Run would deadlock.
    stopped_ = true;
    return S_OK;
}

void CopierCore::SendProgress(uint64_t done, uint64_t total)
{
    const int percent = total == 0 || done >= total ? 100 : static_cast<int>(done * 100 / total);
    if (percent == lastPercent_)
        return;
    lastPercent_ = percent;
    Send(kProgress, static_cast<WPARAM>(percent), 0);
}

void CopierCore::SendStatus(const std::wstring& text, bool failed)
{
    // Sent, never posted: the text lives only until the window has handled it.
    Send(kStatus, MAKEWPARAM(0, failed ? 1 : 0), reinterpret_cast<LPARAM>(text.c_str()));
}

void CopierCore::CheckStop() const
{
    if (stopped_)
        Fail(kStoppedText, E_ABORT);
}

void CopierCore::Send(UINT offset, WPARAM wParam, LPARAM lParam)
{
    if (first_ == 0 || first_ + offset > last_ || !window_ || !IsWindow(window_))
        return;
    SendMessageW(window_, first_ + offset, wParam, lParam);
}
