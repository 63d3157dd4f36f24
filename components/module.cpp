// The in-process server: class factories, unloading and self-registration.
#include "cd_burner.h"
#include "ftp_upload.h"

#include <olectl.h>

#include <new>

namespace {

HINSTANCE g_module = nullptr;

template <class Object>
class ClassFactory : public IClassFactory {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override
    {
        if (!out)
            return E_POINTER;
        if (!IsEqualIID(iid, IID_IUnknown) && !IsEqualIID(iid, IID_IClassFactory)) {
            *out = nullptr;
            return E_NOINTERFACE;
        }
        *out = static_cast<IClassFactory*>(this);
        return S_OK;
    }
    // A static object: the server's lifetime is counted by LockServer and the objects.
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }

    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** out) override
    {
        if (!out)
            return E_POINTER;
        *out = nullptr;
        if (outer)
            return CLASS_E_NOAGGREGATION;
        Object* object;
        try {
            object = new Object;
        } catch (...) {
            return E_OUTOFMEMORY;
        }
        const HRESULT hr = object->QueryInterface(iid, out);
        object->Release();
        return hr;
    }
    HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override
    {
        if (lock)
            ++g_moduleLocks;
        else
            --g_moduleLocks;
        return S_OK;
    }
};

ClassFactory<FtpUploadComponent> g_ftpFactory;
ClassFactory<CdBurnerComponent> g_burnerFactory;

struct ServedClass {
    const CLSID& clsid;
    const wchar_t* name;
};
const ServedClass kClasses[] = {
    {CLSID_FtpUploadComponent, L"FtpUploadComponent"},
    {CLSID_CdBurnerComponent, L"CdBurnerComponent"},
};

std::wstring ClassKey(const CLSID& clsid)
{
    wchar_t text[40];
    StringFromGUID2(clsid, text, 40);
    return std::wstring(L"CLSID\\") + text;
}

bool SetValue(HKEY parent, const std::wstring& subkey, const wchar_t* name, const std::wstring& value)
{
    HKEY key;
    if (RegCreateKeyExW(parent, subkey.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_WRITE, nullptr, &key,
                        nullptr) != ERROR_SUCCESS)
        return false;
    const LONG rc = RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                                   static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(key);
    return rc == ERROR_SUCCESS;
}

bool DeleteKey(const std::wstring& key)
{
    const LONG rc = RegDeleteKeyW(HKEY_CLASSES_ROOT, key.c_str());
    return rc == ERROR_SUCCESS || rc == ERROR_FILE_NOT_FOUND;
}

}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID)
{
    if (reason == DLL_PROCESS_ATTACH) {
        g_module = instance;
        DisableThreadLibraryCalls(instance);
    }
    return TRUE;
}

STDAPI DllGetClassObject(REFCLSID clsid, REFIID iid, LPVOID* out)
{
    if (!out)
        return E_POINTER;
    *out = nullptr;
    if (IsEqualCLSID(clsid, CLSID_FtpUploadComponent))
        return g_ftpFactory.QueryInterface(iid, out);
    if (IsEqualCLSID(clsid, CLSID_CdBurnerComponent))
        return g_burnerFactory.QueryInterface(iid, out);
    return CLASS_E_CLASSNOTAVAILABLE;
}

STDAPI DllCanUnloadNow()
{
    return g_moduleLocks == 0 ? S_OK : S_FALSE;
}

STDAPI DllRegisterServer()
{
    wchar_t path[MAX_PATH];
    const DWORD length = GetModuleFileNameW(g_module, path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return SELFREG_E_CLASS;
    for (const ServedClass& served : kClasses) {
        const std::wstring key = ClassKey(served.clsid);
        // "Both": the program creates the object in its interface thread and
        // runs it on a worker without COM, so it must get direct pointers.
        if (!SetValue(HKEY_CLASSES_ROOT, key, nullptr, served.name) ||
            !SetValue(HKEY_CLASSES_ROOT, key + L"\\InprocServer32", nullptr, path) ||
            !SetValue(HKEY_CLASSES_ROOT, key + L"\\InprocServer32", L"ThreadingModel", L"Both"))
            return SELFREG_E_CLASS;
    }
    return S_OK;
}

STDAPI DllUnregisterServer()
{
    HRESULT hr = S_OK;
    for (const ServedClass& served : kClasses) {
        const std::wstring key = ClassKey(served.clsid);
        if (!DeleteKey(key + L"\\InprocServer32") || !DeleteKey(key))
            hr = SELFREG_E_CLASS;
    }
    return hr;
}
