// The contract between Korvane and the two in-process media components
// (FTP upload, CD/DVD writing): class and interface identifiers and the
// interfaces' exact slot order. The components are outside the program, so
// these vtables must never change: no virtual destructors (they would add
// slots), single inheritance from IUnknown only.
#pragma once

#include <windows.h>
#include <objbase.h>
#include <oleauto.h>

#include <type_traits>

// {E60CC2AE-D571-490B-A677-97B560A69551}
inline constexpr CLSID CLSID_FtpUploadComponent = {0xE60CC2AE,
                                                   0xD571,
                                                   0x490B,
                                                   {0xA6, 0x77, 0x97, 0xB5, 0x60, 0xA6, 0x95, 0x51}};
// {9CAF1198-766A-4AC2-9FAD-2F03C13C6407}
inline constexpr CLSID CLSID_CdBurnerComponent = {0x9CAF1198,
                                                  0x766A,
                                                  0x4AC2,
                                                  {0x9F, 0xAD, 0x2F, 0x03, 0xC1, 0x3C, 0x64, 0x07}};
// {E1DCFC4C-EAAF-43FD-9F7F-E696C4F19619}
inline constexpr IID IID_IFtpUploadSettings = {0xE1DCFC4C,
                                               0xEAAF,
                                               0x43FD,
                                               {0x9F, 0x7F, 0xE6, 0x96, 0xC4, 0xF1, 0x96, 0x19}};
// {40EB77D5-CEDC-41F5-8E9C-D77ADA3AEE68}
inline constexpr IID IID_ICdBurnerSettings = {0x40EB77D5,
                                              0xCEDC,
                                              0x41F5,
                                              {0x8E, 0x9C, 0xD7, 0x7A, 0xDA, 0x3A, 0xEE, 0x68}};
// {4D1001F8-8F63-46E0-AD7A-A950F13BC8EE}
inline constexpr IID IID_IMediaCopier = {0x4D1001F8, 0x8F63, 0x46E0, {0xAD, 0x7A, 0xA9, 0x50, 0xF1, 0x3B, 0xC8, 0xEE}};
// {CC18FA8E-41C6-4ACE-B007-525A283B559F}
inline constexpr IID IID_IMediaCopierNotify = {0xCC18FA8E,
                                               0x41C6,
                                               0x4ACE,
                                               {0xB0, 0x07, 0x52, 0x5A, 0x28, 0x3B, 0x55, 0x9F}};

// Settings interface of FtpUploadComponent (created for it).
struct IFtpUploadSettings : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE SetHost(BSTR host) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetPort(long port) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetUser(BSTR user) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetPassword(BSTR password) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetDirectory(BSTR directory) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetPassive(long passive) = 0;
};

// Settings interface of CdBurnerComponent (created for it).
struct ICdBurnerSettings : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE SetDevice(BSTR device) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetErase(long erase) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetDeviceCount(long* count) = 0;
    // The caller frees *name with SysFreeString.
    virtual HRESULT STDMETHODCALLTYPE GetDeviceName(long index, BSTR* name) = 0;
};

// The transfer, reached by QueryInterface on either settings interface.
struct IMediaCopier : IUnknown {
    // The whole transfer, synchronously on the calling thread.
    virtual HRESULT STDMETHODCALLTYPE Run() = 0;
    // Slot 4 has no known meaning; it only keeps the later slots in place.
    virtual HRESULT STDMETHODCALLTYPE Reserved4() = 0;
    virtual HRESULT STDMETHODCALLTYPE Method5() = 0;
    virtual HRESULT STDMETHODCALLTYPE SetSourcePath(BSTR path) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetTargetName(BSTR name) = 0;
};

// Where the transfer reports, and how it is stopped; QueryInterface on IMediaCopier.
// Messages, numbered from `first`: status (wParam LOWORD 1 = ANSI text, else
// UTF-16; HIWORD 1 = failure; lParam the text, valid until handled), start
// (progress 0..100 begins), progress (wParam percent done).
struct IMediaCopierNotify : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE SetMessageRange(UINT first, UINT last) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetNotifyWindow(HWND window) = 0;
    // Callable from another thread while Run runs; makes Run end.
    virtual HRESULT STDMETHODCALLTYPE Stop() = 0;
};

// One vtable pointer each, and no destructor slots.
template <class Interface>
constexpr bool kPlainInterface = sizeof(Interface) == sizeof(void*) && !std::has_virtual_destructor_v<Interface>;
static_assert(kPlainInterface<IFtpUploadSettings> && kPlainInterface<ICdBurnerSettings> &&
              kPlainInterface<IMediaCopier> && kPlainInterface<IMediaCopierNotify>);
