// Output-media copiers: hand a finished archive to the FTP upload or the
// CD/DVD component. The backup dialog creates the copier on its interface
// thread, the backup worker runs Start, and the Stop button calls Stop from
// the interface thread while Start runs.
#pragma once

#include "media_copier_iface.h"
#include "records.h"

#include <cstdint>
#include <memory>
#include <string>
#include <type_traits>
#include <vector>

// Messages from the component to the copier's notify window.
// Status: wParam LOWORD 1 = lParam is ANSI text, else UTF-16; HIWORD 1 = failure;
// lParam the text, valid only until handled.
inline constexpr UINT WM_COPIER_STATUS = WM_APP + 1001;
// Start: the progress runs from 0 to 100.
inline constexpr UINT WM_COPIER_START = WM_APP + 1002;
// Progress: wParam percent done.
inline constexpr UINT WM_COPIER_PROGRESS = WM_APP + 1003;

class OutputMediaCopier {
public:
    explicit OutputMediaCopier(const std::wstring& sourcePath) : sourcePath(sourcePath) {}
    virtual ~OutputMediaCopier() = default;
    OutputMediaCopier(const OutputMediaCopier&) = delete;
    OutputMediaCopier& operator=(const OutputMediaCopier&) = delete;

    // The whole transfer, on the calling thread, which need not initialise COM:
    // the component's result, S_OK when the archive arrived. A component that
    // cannot be reached fails, and the copier sends the failure status itself.
    virtual HRESULT Start() = 0;
    // From another thread while Start runs; returns at once.
    virtual HRESULT Stop() = 0;
    // Forwards to the component's IMediaCopier method 5.
    virtual HRESULT CallMethod5() = 0;

protected:
    std::wstring sourcePath;
};

class OutputMediaCopierFactory {
public:
    explicit OutputMediaCopierFactory(int32_t id) : id(id) {}
    virtual ~OutputMediaCopierFactory() = default;
    OutputMediaCopierFactory(const OutputMediaCopierFactory&) = delete;
    OutputMediaCopierFactory& operator=(const OutputMediaCopierFactory&) = delete;

    // A new copier that the caller owns, even when its component could not be
    // created (its Start then fails); null only when memory runs out.
    // `mediaPreference` is the medium's whole preference block.
    virtual OutputMediaCopier* Create(HWND notifyWindow, const void* mediaPreference, const std::wstring& fileName,
                                      const std::wstring& sourcePath) = 0;
    int32_t GetFactoryId() const { return id; }

private:
    int32_t id;
};

// The FTP upload component with its settings.
struct FTPUpload {
    static constexpr const wchar_t* kMedium = L"FTP upload";

    // A copy of the block, or zeros for null.
    explicit FTPUpload(const void* block);
    ~FTPUpload() { Release(); }
    FTPUpload(const FTPUpload&) = delete;
    FTPUpload& operator=(const FTPUpload&) = delete;

    // Creates the component and hands it the settings; the creation result.
    HRESULT Create();
    // The component's IMediaCopier; E_FAIL without a component.
    HRESULT QueryCopier(IMediaCopier** copier);
    // Releases the component, if any; 0.
    ULONG Release();

    _PreferenceFTP pref;
    IFtpUploadSettings* settings = nullptr;
};

// The CD/DVD component with its settings. Without a block (writer lists),
// it is created with no device and no erase, to ask it for its devices.
struct BurnCD {
    static constexpr const wchar_t* kMedium = L"CD/DVD writing";

    BurnCD() : BurnCD(nullptr) {}
    explicit BurnCD(const void* block);
    ~BurnCD() { Release(); }
    BurnCD(const BurnCD&) = delete;
    BurnCD& operator=(const BurnCD&) = delete;

    HRESULT Create();
    HRESULT QueryCopier(IMediaCopier** copier);
    ULONG Release();

    ICdBurnerSettings* settings = nullptr;
    _PreferenceCDDVD pref;
};

// The CD/DVD writers the component reports, in its order, for a writer list.
// Names too long for the record's device field are left out: they could never
// be stored. False when the component cannot be created.
bool ListCdWriters(std::vector<std::wstring>& names);

// The transfer through wrapper C, whose block is Pref.
template <class Pref, class C>
class MediaCOMCopierTmpl : public C {
    static_assert(std::is_same_v<decltype(C::pref), Pref>);

public:
    // Creates the component at once; a failure shows only when Start runs.
    MediaCOMCopierTmpl(HWND notifyWindow, const void* mediaPreference, const std::wstring& fileName,
                       const std::wstring& sourcePath);
    HRESULT Start();
    HRESULT Stop();
    HRESULT CallMethod5();

protected:
    HWND notifyWindow;
    std::wstring fileName;    // name with extension, no folder: the name on the medium
    std::wstring sourcePath;  // the archive's full path
};

template <class Pref, class M>
class OutputMediaCopierTmpl : public OutputMediaCopier, public M {
public:
    OutputMediaCopierTmpl(HWND notifyWindow, const void* mediaPreference, const std::wstring& fileName,
                          const std::wstring& sourcePath)
        : OutputMediaCopier(sourcePath), M(notifyWindow, mediaPreference, fileName, sourcePath)
    {
    }
    HRESULT Start() override { return M::Start(); }
    HRESULT Stop() override { return M::Stop(); }
    HRESULT CallMethod5() override { return M::CallMethod5(); }
};

template <class Pref, class M, int32_t Id>
class OutputMediaCopierFactoryTmpl : public OutputMediaCopierFactory {
public:
    OutputMediaCopierFactoryTmpl() : OutputMediaCopierFactory(Id) {}
    OutputMediaCopier* Create(HWND notifyWindow, const void* mediaPreference, const std::wstring& fileName,
                              const std::wstring& sourcePath) override
    {
        try {
            return new OutputMediaCopierTmpl<Pref, M>(notifyWindow, mediaPreference, fileName, sourcePath);
        } catch (const std::bad_alloc&) {
            return nullptr;
        }
    }
};

using FTPCopier = MediaCOMCopierTmpl<_PreferenceFTP, FTPUpload>;
using BurnCDCopier = MediaCOMCopierTmpl<_PreferenceCDDVD, BurnCD>;

// The copier factories by media type: FTP (1), then CD/DVD (2).
class OutputMediaCopierFactories {
public:
    OutputMediaCopierFactories();
    OutputMediaCopierFactories(const OutputMediaCopierFactories&) = delete;
    OutputMediaCopierFactories& operator=(const OutputMediaCopierFactories&) = delete;

    // The first factory with this id; null for any other media type.
    OutputMediaCopierFactory* Find(int32_t id) const;

private:
    std::vector<std::unique_ptr<OutputMediaCopierFactory>> factories;
};
