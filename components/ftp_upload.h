// FtpUploadComponent: uploads the archive to an FTP server over Winsock.
#pragma once

#include "copier_core.h"

class FtpUploadComponent : public ComponentObject<IFtpUploadSettings, IID_IFtpUploadSettings> {
public:
    HRESULT STDMETHODCALLTYPE SetHost(BSTR host) override;
    HRESULT STDMETHODCALLTYPE SetPort(long port) override;
    HRESULT STDMETHODCALLTYPE SetUser(BSTR user) override;
    HRESULT STDMETHODCALLTYPE SetPassword(BSTR password) override;
    HRESULT STDMETHODCALLTYPE SetDirectory(BSTR directory) override;
    HRESULT STDMETHODCALLTYPE SetPassive(long passive) override;

private:
    std::wstring Transfer() override;

    std::wstring host_;
    long port_ = 0;
    std::wstring user_;
    std::wstring password_;
    std::wstring directory_;
    bool passive_ = false;
};
