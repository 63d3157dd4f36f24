// The components as COM servers: registration, identity, lifetime, the
// device list and the sticky stop.
#include "copier_harness.h"
#include "ftp_test_server.h"
#include "output_media_copier.h"

#include <objbase.h>

namespace {

const UINT kFirst = WM_APP + 1001;

struct ServedClass {
    const CLSID& clsid;
    const IID& settings;
};
const ServedClass kClasses[] = {
    {CLSID_FtpUploadComponent, IID_IFtpUploadSettings},
    {CLSID_CdBurnerComponent, IID_ICdBurnerSettings},
};

std::wstring ReadClassValue(const CLSID& clsid, const wchar_t* subkey, const wchar_t* name)
{
    wchar_t guid[40];
    StringFromGUID2(clsid, guid, 40);
    const std::wstring key = std::wstring(L"CLSID\\") + guid + subkey;
    wchar_t value[MAX_PATH] = {};
    HKEY handle;
    if (RegOpenKeyExW(HKEY_CLASSES_ROOT, key.c_str(), 0, KEY_READ, &handle) != ERROR_SUCCESS)
        return L"<missing>";
    DWORD type = 0;
    DWORD bytes = sizeof value - sizeof(wchar_t);
    const LONG rc = RegQueryValueExW(handle, name, nullptr, &type, reinterpret_cast<BYTE*>(value), &bytes);
    RegCloseKey(handle);
    return rc == ERROR_SUCCESS && type == REG_SZ ? value : L"<missing>";
}

template <class T>
struct Released {
    T* p = nullptr;
    ~Released()
    {
        if (p)
            p->Release();
    }
    void** out() { return reinterpret_cast<void**>(&p); }
};

class ComponentTest : public ComponentsTest {};

// The transfer half of a component object, reporting to a window.
struct TransferHalf {
    Released<IMediaCopier> copier;
    Released<IMediaCopierNotify> notify;
};

void OpenTransfer(IUnknown* object, HWND window, UINT last, TransferHalf& half)
{
    ASSERT_EQ(S_OK, object->QueryInterface(IID_IMediaCopier, half.copier.out()));
    ASSERT_EQ(S_OK, half.copier.p->QueryInterface(IID_IMediaCopierNotify, half.notify.out()));
    half.notify.p->SetNotifyWindow(window);
    half.notify.p->SetMessageRange(kFirst, last);
}

TEST_F(ComponentTest, RegistersInProcessServerWithBothThreadingModels)
{
    for (const ServedClass& served : kClasses) {
        EXPECT_EQ(ComponentsDllPath(), ReadClassValue(served.clsid, L"\\InprocServer32", nullptr));
        EXPECT_EQ(L"Both", ReadClassValue(served.clsid, L"\\InprocServer32", L"ThreadingModel"));
    }
}

TEST_F(ComponentTest, UnregisteringRemovesTheClassesUntilRegisteredAgain)
{
    ASSERT_EQ(S_OK, CallComponentsDll("DllUnregisterServer"));
    for (const ServedClass& served : kClasses) {
        Released<IUnknown> object;
        EXPECT_EQ(REGDB_E_CLASSNOTREG,
                  CoCreateInstance(served.clsid, nullptr, CLSCTX_INPROC_SERVER, served.settings, object.out()));
        EXPECT_EQ(L"<missing>", ReadClassValue(served.clsid, L"", nullptr));
    }
    ASSERT_EQ(S_OK, CallComponentsDll("DllRegisterServer"));
    for (const ServedClass& served : kClasses) {
        Released<IUnknown> object;
        EXPECT_EQ(S_OK, CoCreateInstance(served.clsid, nullptr, CLSCTX_INPROC_SERVER, served.settings, object.out()));
    }
}

TEST_F(ComponentTest, EveryInterfaceReachesEveryOtherOnOneObject)
{
    const IID* interfaces[] = {&IID_IUnknown, &IID_IMediaCopier, &IID_IMediaCopierNotify};
    for (const ServedClass& served : kClasses) {
        Released<IUnknown> settings;
        ASSERT_EQ(S_OK, CoCreateInstance(served.clsid, nullptr, CLSCTX_INPROC_SERVER, served.settings, settings.out()));
        Released<IUnknown> identity;
        ASSERT_EQ(S_OK, settings.p->QueryInterface(IID_IUnknown, identity.out()));
        for (const IID* from : interfaces) {
            Released<IUnknown> start;
            ASSERT_EQ(S_OK, settings.p->QueryInterface(*from, start.out()));
            for (const IID* to : {&served.settings, &IID_IMediaCopier, &IID_IMediaCopierNotify}) {
                Released<IUnknown> reached;
                EXPECT_EQ(S_OK, start.p->QueryInterface(*to, reached.out()));
                Released<IUnknown> reachedIdentity;
                ASSERT_EQ(S_OK, reached.p->QueryInterface(IID_IUnknown, reachedIdentity.out()));
                EXPECT_EQ(identity.p, reachedIdentity.p);
            }
            Released<IUnknown> none;
            EXPECT_EQ(E_NOINTERFACE, start.p->QueryInterface(IID_IDispatch, none.out()));
            EXPECT_EQ(nullptr, none.p);
        }
    }
}

TEST_F(ComponentTest, ServerStaysLoadedWhileAnObjectLivesAndRefusesAggregation)
{
    for (const ServedClass& served : kClasses) {
        Released<IClassFactory> factory;
        ASSERT_EQ(S_OK,
                  CoGetClassObject(served.clsid, CLSCTX_INPROC_SERVER, nullptr, IID_IClassFactory, factory.out()));
        const auto canUnload = reinterpret_cast<HRESULT(STDAPICALLTYPE*)()>(
            reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"mediacopiers.dll"), "DllCanUnloadNow")));
        ASSERT_NE(nullptr, canUnload);

        Released<IUnknown> aggregated;
        EXPECT_EQ(CLASS_E_NOAGGREGATION, factory.p->CreateInstance(factory.p, IID_IUnknown, aggregated.out()));
        IUnknown* object = nullptr;
        ASSERT_EQ(S_OK, factory.p->CreateInstance(nullptr, served.settings, reinterpret_cast<void**>(&object)));
        EXPECT_EQ(S_FALSE, canUnload());
        object->Release();
        EXPECT_EQ(S_OK, canUnload());
        EXPECT_EQ(S_OK, factory.p->LockServer(TRUE));
        EXPECT_EQ(S_FALSE, canUnload());
        EXPECT_EQ(S_OK, factory.p->LockServer(FALSE));
        EXPECT_EQ(S_OK, canUnload());
    }
}

// As the writer lists ask: a BurnCD without a block, then the device names.
TEST_F(ComponentTest, DiscStandInListsItsConfiguredDevicesInOrder)
{
    // Entries without a name or a folder are no devices.
    SetEnvironmentVariableW(L"BRISVALE_DISC_FOLDERS", L"Writer B=C:\\discs\\b;=C:\\x;Empty=;Writer A=C:\\discs\\a\\");
    BurnCD burner;
    ASSERT_EQ(S_OK, burner.Create());
    SetEnvironmentVariableW(L"BRISVALE_DISC_FOLDERS", nullptr);
    long count = -1;
    ASSERT_EQ(S_OK, burner.settings->GetDeviceCount(&count));
    ASSERT_EQ(2, count);
    const wchar_t* expected[] = {L"Writer B", L"Writer A"};
    for (long i = 0; i < count; ++i) {
        BSTR name = nullptr;
        ASSERT_EQ(S_OK, burner.settings->GetDeviceName(i, &name));
        EXPECT_STREQ(expected[i], name);
        SysFreeString(name);
    }
    BSTR name = reinterpret_cast<BSTR>(1);
    EXPECT_EQ(E_INVALIDARG, burner.settings->GetDeviceName(2, &name));
    EXPECT_EQ(nullptr, name);
    EXPECT_EQ(E_INVALIDARG, burner.settings->GetDeviceName(-1, &name));
    EXPECT_EQ(0u, burner.Release());
    EXPECT_EQ(nullptr, burner.settings);
}

// A stop that arrives before Run (the worker passed its own stop check just
// before the user pressed Stop) still ends that Run, without connecting.
TEST_F(ComponentTest, StopBeforeRunEndsRunAtOnce)
{
    FtpTestServer server;
    Released<IFtpUploadSettings> ftp;
    ASSERT_EQ(S_OK, CoCreateInstance(CLSID_FtpUploadComponent, nullptr, CLSCTX_INPROC_SERVER, IID_IFtpUploadSettings,
                                     ftp.out()));
    BSTR host = SysAllocString(L"127.0.0.1");
    ftp.p->SetHost(host);
    SysFreeString(host);
    ftp.p->SetPort(server.port());
    RecorderWindow window(kFirst);
    TransferHalf half;
    ASSERT_NO_FATAL_FAILURE(OpenTransfer(ftp.p, window.hwnd(), kFirst + 2, half));

    EXPECT_EQ(S_OK, half.notify.p->Stop());
    EXPECT_EQ(E_ABORT, RunOnWorker([&] { return half.copier.p->Run(); }));
    EXPECT_TRUE(window.wellOrdered());
    EXPECT_TRUE(window.finalStatusFailed());
    EXPECT_EQ(0, server.connections());
}

// A narrow range gets only the messages inside it; no window gets nothing.
TEST_F(ComponentTest, MessagesStayInsideTheGivenRange)
{
    Released<ICdBurnerSettings> burner;
    ASSERT_EQ(S_OK, CoCreateInstance(CLSID_CdBurnerComponent, nullptr, CLSCTX_INPROC_SERVER, IID_ICdBurnerSettings,
                                     burner.out()));
    RecorderWindow window(kFirst);
    TransferHalf half;
    ASSERT_NO_FATAL_FAILURE(OpenTransfer(burner.p, window.hwnd(), kFirst, half));
    EXPECT_EQ(E_FAIL, RunOnWorker([&] { return half.copier.p->Run(); }));
    ASSERT_EQ(1u, window.messages().size());
    EXPECT_TRUE(window.finalStatusFailed());

    half.notify.p->SetNotifyWindow(nullptr);
    half.notify.p->SetMessageRange(kFirst, kFirst + 2);
    EXPECT_EQ(E_FAIL, RunOnWorker([&] { return half.copier.p->Run(); }));
    EXPECT_EQ(1u, window.messages().size());
}

}  // namespace
