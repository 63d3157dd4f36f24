// What both media components share: COM identity and reference counting, the
// IMediaCopier / IMediaCopierNotify half (names, notify window, stop) and the
// module's object count for DllCanUnloadNow.
#pragma once

#include "media_copier_iface.h"

#include <atomic>
#include <cstdint>
#include <string>

// Objects and server locks alive in this module.
extern std::atomic<long> g_moduleLocks;

// A BSTR as a string, empty for null.
std::wstring FromBstr(BSTR text);

// Why a transfer ended early: thrown inside Transfer, turned into the final
// status by Run. E_ABORT means stopped; its text is Run's own.
struct TransferFailure {
    HRESULT hr;
    std::wstring text;
};
[[noreturn]] void Fail(const std::wstring& text, HRESULT hr = E_FAIL);
// A Win32 or Winsock error code as text, "... (error N)".
std::wstring ErrorText(DWORD error);

// A kernel handle closed on scope exit.
class UniqueHandle {
public:
    explicit UniqueHandle(HANDLE h = INVALID_HANDLE_VALUE) : h_(h) {}
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;
    ~UniqueHandle() { reset(); }
    HANDLE get() const { return h_; }
    bool valid() const { return h_ != INVALID_HANDLE_VALUE && h_ != nullptr; }
    HANDLE release()
    {
        const HANDLE h = h_;
        h_ = INVALID_HANDLE_VALUE;
        return h;
    }
    void reset(HANDLE h = INVALID_HANDLE_VALUE)
    {
        if (valid())
            CloseHandle(h_);
        h_ = h;
    }

private:
    HANDLE h_;
};

// The archive being transferred, read in pieces.
class SourceFile {
public:
    // Throws a failure naming the path when the file cannot be opened.
    explicit SourceFile(const std::wstring& path);
    uint64_t size() const { return size_; }
    // Fills `buffer` with up to `capacity` bytes; 0 at the end.
    DWORD read(void* buffer, DWORD capacity);

private:
    std::wstring path_;
    UniqueHandle file_;
    uint64_t size_ = 0;
};

// The transfer half of a component. Run and the setters are called from one
// thread at a time; Stop, AddRef, Release and QueryInterface may come from any
// thread while Run runs.
class CopierCore : public IMediaCopier, public IMediaCopierNotify {
public:
    virtual ~CopierCore() = default;

    HRESULT STDMETHODCALLTYPE Run() override;
    HRESULT STDMETHODCALLTYPE Reserved4() override;
    HRESULT STDMETHODCALLTYPE Method5() override;
    HRESULT STDMETHODCALLTYPE SetSourcePath(BSTR path) override;
    HRESULT STDMETHODCALLTYPE SetTargetName(BSTR name) override;

    HRESULT STDMETHODCALLTYPE SetMessageRange(UINT first, UINT last) override;
    HRESULT STDMETHODCALLTYPE SetNotifyWindow(HWND window) override;
    HRESULT STDMETHODCALLTYPE Stop() override;

    // Progress as done out of total bytes; sent only when the percentage changes.
    void SendProgress(uint64_t done, uint64_t total);
    void SendStatus(const std::wstring& text, bool failed);
    // Throws the stop failure once Stop was called.
    void CheckStop() const;

protected:
    // The medium's own work, after the start message: sends progress and
    // informative statuses, throws TransferFailure on failure or stop, and
    // returns the text of the success status.
    virtual std::wstring Transfer() = 0;

    std::wstring sourcePath_;
    std::wstring targetName_;

private:
    void Send(UINT offset, WPARAM wParam, LPARAM lParam);

    HWND window_ = nullptr;
    UINT first_ = 0;
    UINT last_ = 0;
    int lastPercent_ = -1;
    // Sticky: a stop that arrives before Run ends that Run at once.
    std::atomic<bool> stopped_{false};
};

// Full COM identity over one settings interface and the transfer half.
template <class Settings, const IID& SettingsIid>
class ComponentObject : public Settings, public CopierCore {
public:
    ComponentObject() { ++g_moduleLocks; }
    ~ComponentObject() override { --g_moduleLocks; }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override
    {
        if (!out)
            return E_POINTER;
        if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, SettingsIid))
            *out = static_cast<Settings*>(this);
        else if (IsEqualIID(iid, IID_IMediaCopier))
            *out = static_cast<IMediaCopier*>(this);
        else if (IsEqualIID(iid, IID_IMediaCopierNotify))
            *out = static_cast<IMediaCopierNotify*>(this);
        else {
            *out = nullptr;
            return E_NOINTERFACE;
        }
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++refs_; }
    ULONG STDMETHODCALLTYPE Release() override
    {
        const ULONG left = --refs_;
        if (left == 0)
            delete this;
        return left;
    }

private:
    std::atomic<ULONG> refs_{1};
};
