// CdBurnerComponent, a stand-in: there is no disc writer to drive, so each
// "device" is a folder, and writing the disc writes the archive into it.
// The devices come from the environment variable BRISVALE_DISC_FOLDERS,
// "Name=Folder;Name=Folder", read when the object is created.
#pragma once

#include "copier_core.h"

#include <vector>

class CdBurnerComponent : public ComponentObject<ICdBurnerSettings, IID_ICdBurnerSettings> {
public:
    CdBurnerComponent();

    HRESULT STDMETHODCALLTYPE SetDevice(BSTR device) override;
    HRESULT STDMETHODCALLTYPE SetErase(long erase) override;
    HRESULT STDMETHODCALLTYPE GetDeviceCount(long* count) override;
    HRESULT STDMETHODCALLTYPE GetDeviceName(long index, BSTR* name) override;

private:
    struct Device {
        std::wstring name;
        std::wstring folder;
    };

    std::wstring Transfer() override;

    std::vector<Device> devices_;
    std::wstring device_;
    bool erase_ = false;
};
