#include "output_media_copier.h"

#include <cstring>
#include <cwchar>

namespace {

// A BSTR for one call. Text fields of the preference blocks come from a file
// and need not be terminated, so every copy is bounded by the field.
class Bstr {
public:
    Bstr(const wchar_t* text, size_t capacity) : b_(SysAllocStringLen(text, static_cast<UINT>(wcsnlen(text, capacity))))
    {
    }
    explicit Bstr(const std::wstring& text) : b_(SysAllocStringLen(text.data(), static_cast<UINT>(text.size()))) {}
    Bstr(const Bstr&) = delete;
    Bstr& operator=(const Bstr&) = delete;
    ~Bstr() { SysFreeString(b_); }
    operator BSTR() const { return b_; }

private:
    BSTR b_;
};

template <size_t N>
Bstr Text(const wchar_t (&field)[N])
{
    return Bstr(field, N);
}

template <class Block>
void CopyBlock(Block& pref, const void* block)
{
    if (block)
        memcpy(&pref, block, sizeof pref);
    else
        memset(&pref, 0, sizeof pref);
}

template <class Settings>
HRESULT QuerySettingsCopier(Settings* settings, IMediaCopier** copier)
{
    *copier = nullptr;
    if (!settings)
        return E_FAIL;
    return settings->QueryInterface(IID_IMediaCopier, reinterpret_cast<void**>(copier));
}

template <class Settings>
ULONG ReleaseSettings(Settings*& settings)
{
    if (settings)
        settings->Release();
    settings = nullptr;
    return 0;
}

// The component cannot take the transfer: say so as the component would,
// so that the transfer can never pass for done.
void SendUnavailable(HWND window, const wchar_t* medium, HRESULT hr)
{
    if (!window || !IsWindow(window))
        return;
    wchar_t text[200];
    swprintf(text, sizeof text / sizeof text[0],
             L"The archive was not transferred: the %ls component is not installed or cannot be started "
             L"(error 0x%08lX).",
             medium, static_cast<unsigned long>(hr));
    SendMessageW(window, WM_COPIER_STATUS, MAKEWPARAM(0, 1), reinterpret_cast<LPARAM>(text));
}

}  // namespace

FTPUpload::FTPUpload(const void* block)
{
    CopyBlock(pref, block);
}

HRESULT FTPUpload::Create()
{
    const HRESULT hr = CoCreateInstance(CLSID_FtpUploadComponent, nullptr, CLSCTX_INPROC_SERVER, IID_IFtpUploadSettings,
                                        reinterpret_cast<void**>(&settings));
    if (FAILED(hr)) {
        settings = nullptr;
        return hr;
    }
    settings->SetHost(Text(pref.host));
    settings->SetPort(pref.port);
    settings->SetUser(Text(pref.user));
    settings->SetPassword(Text(pref.password));
    settings->SetPassive(pref.passive ? 1 : 0);
    settings->SetDirectory(Text(pref.directory));
    return hr;
}

HRESULT FTPUpload::QueryCopier(IMediaCopier** copier)
{
    return QuerySettingsCopier(settings, copier);
}

ULONG FTPUpload::Release()
{
    return ReleaseSettings(settings);
}

BurnCD::BurnCD(const void* block)
{
    CopyBlock(pref, block);
}

HRESULT BurnCD::Create()
{
    const HRESULT hr = CoCreateInstance(CLSID_CdBurnerComponent, nullptr, CLSCTX_INPROC_SERVER, IID_ICdBurnerSettings,
                                        reinterpret_cast<void**>(&settings));
    if (FAILED(hr)) {
        settings = nullptr;
        return hr;
    }
    settings->SetDevice(Text(pref.device));
    settings->SetErase(pref.erase ? 1 : 0);
    return hr;
}

HRESULT BurnCD::QueryCopier(IMediaCopier** copier)
{
    return QuerySettingsCopier(settings, copier);
}

ULONG BurnCD::Release()
{
    return ReleaseSettings(settings);
}

bool ListCdWriters(std::vector<std::wstring>& names)
{
    names.clear();
    BurnCD burner;
    if (FAILED(burner.Create()) || !burner.settings)
        return false;
    long count = 0;
    if (FAILED(burner.settings->GetDeviceCount(&count)))
        count = 0;
    for (long i = 0; i < count; ++i) {
        BSTR name = nullptr;
        if (SUCCEEDED(burner.settings->GetDeviceName(i, &name)) && name &&
            SysStringLen(name) < std::size(burner.pref.device))
            names.emplace_back(name, SysStringLen(name));
        SysFreeString(name);
    }
    return true;
}

template <class Pref, class C>
MediaCOMCopierTmpl<Pref, C>::MediaCOMCopierTmpl(HWND notifyWindow, const void* mediaPreference,
                                                const std::wstring& fileName, const std::wstring& sourcePath)
    : C(mediaPreference), notifyWindow(notifyWindow), fileName(fileName), sourcePath(sourcePath)
{
    C::Create();
}

template <class Pref, class C>
HRESULT MediaCOMCopierTmpl<Pref, C>::Start()
{
    IMediaCopier* copier;
    HRESULT hr = C::QueryCopier(&copier);
    if (FAILED(hr)) {
        SendUnavailable(notifyWindow, C::kMedium, hr);
        return hr;
    }
    copier->SetTargetName(Bstr(fileName));
    copier->SetSourcePath(Bstr(sourcePath));
    IMediaCopierNotify* notify;
    hr = copier->QueryInterface(IID_IMediaCopierNotify, reinterpret_cast<void**>(&notify));
    if (FAILED(hr)) {
        copier->Release();
        SendUnavailable(notifyWindow, C::kMedium, hr);
        return hr;
    }
    notify->SetNotifyWindow(notifyWindow);
    notify->SetMessageRange(WM_COPIER_STATUS, WM_COPIER_PROGRESS);
    notify->Release();
    hr = copier->Run();
    copier->Release();
    return hr;
}

template <class Pref, class C>
HRESULT MediaCOMCopierTmpl<Pref, C>::Stop()
{
    IMediaCopier* copier;
    HRESULT hr = C::QueryCopier(&copier);
    if (FAILED(hr))
        return hr;
    IMediaCopierNotify* notify;
    hr = copier->QueryInterface(IID_IMediaCopierNotify, reinterpret_cast<void**>(&notify));
    copier->Release();
    if (FAILED(hr))
        return hr;
    notify->Stop();
    notify->Release();
    return S_OK;
}

template <class Pref, class C>
HRESULT MediaCOMCopierTmpl<Pref, C>::CallMethod5()
{
    IMediaCopier* copier;
    HRESULT hr = C::QueryCopier(&copier);
    if (FAILED(hr))
        return hr;
    hr = copier->Method5();
    copier->Release();
    return hr;
}

template class MediaCOMCopierTmpl<_PreferenceFTP, FTPUpload>;
template class MediaCOMCopierTmpl<_PreferenceCDDVD, BurnCD>;

OutputMediaCopierFactories::OutputMediaCopierFactories()
{
    factories.push_back(std::make_unique<OutputMediaCopierFactoryTmpl<_PreferenceFTP, FTPCopier, 1>>());
    factories.push_back(std::make_unique<OutputMediaCopierFactoryTmpl<_PreferenceCDDVD, BurnCDCopier, 2>>());
}

OutputMediaCopierFactory* OutputMediaCopierFactories::Find(int32_t id) const
{
    for (const auto& factory : factories)
        if (factory->GetFactoryId() == id)
            return factory.get();
    return nullptr;
}
