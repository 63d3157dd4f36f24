#include <winsock2.h>
#include <ws2tcpip.h>

#include "ftp_upload.h"

#include <algorithm>
#include <cctype>
#include <cwchar>
#include <cwctype>
#include <vector>

namespace {

const DWORD kTimeoutMs = 30000;        // connect, each reply, a stalled data connection
const DWORD kClosingTimeoutMs = 5000;  // each reply while leaving: QUIT, or ABOR and DELE
const DWORD kReasonTimeoutMs = 2000;
const DWORD kSliceMs = 100;  // how often a wait looks at the stop mark
const size_t kMaxReply = 64 * 1024;
const size_t kMaxShownReply = 500;
const DWORD kChunk = 64 * 1024;

std::string ToUtf8(const std::wstring& text)
{
    if (text.empty())
        return {};
    const int size =
        WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), size, nullptr, nullptr);
    return out;
}

// A server's text: UTF-8 when it is valid UTF-8, else the ANSI code page.
std::wstring FromServer(const std::string& bytes)
{
    const std::string shown = bytes.substr(0, kMaxShownReply);
    if (shown.empty())
        return {};
    const int length = static_cast<int>(shown.size());
    UINT codePage = CP_UTF8;
    DWORD flags = MB_ERR_INVALID_CHARS;
    int size = MultiByteToWideChar(codePage, flags, shown.data(), length, nullptr, 0);
    if (size == 0) {
        codePage = CP_ACP;
        flags = 0;
        size = MultiByteToWideChar(codePage, flags, shown.data(), length, nullptr, 0);
    }
    std::wstring out(static_cast<size_t>(size), L'\0');
    MultiByteToWideChar(codePage, flags, shown.data(), length, out.data(), size);
    std::replace_if(
        out.begin(), out.end(), [](wchar_t c) { return c < L' '; }, L' ');
    return out;
}

std::wstring Seconds(DWORD ms)
{
    return std::to_wstring(ms / 1000) + L" seconds";
}

[[noreturn]] void FailNoResponse(DWORD ms)
{
    Fail(L"The FTP server did not respond for " + Seconds(ms) + L".");
}

class Socket {
public:
    explicit Socket(SOCKET s = INVALID_SOCKET) : s_(s) {}
    Socket(Socket&& other) noexcept : s_(other.s_) { other.s_ = INVALID_SOCKET; }
    Socket& operator=(Socket&& other) noexcept
    {
        std::swap(s_, other.s_);
        return *this;
    }
    ~Socket() { close(); }
    SOCKET get() const { return s_; }
    bool valid() const { return s_ != INVALID_SOCKET; }
    void close()
    {
        if (valid())
            closesocket(s_);
        s_ = INVALID_SOCKET;
    }
    // Closes with a reset: an orderly close tells the server the file is complete.
    void reset()
    {
        if (!valid())
            return;
        const linger now = {1, 0};
        setsockopt(s_, SOL_SOCKET, SO_LINGER, reinterpret_cast<const char*>(&now), sizeof now);
        close();
    }

private:
    SOCKET s_;
};

class WinsockSession {
public:
    WinsockSession()
    {
        WSADATA data;
        const int rc = WSAStartup(MAKEWORD(2, 2), &data);
        if (rc != 0)
            Fail(L"Cannot start Windows Sockets: " + ErrorText(static_cast<DWORD>(rc)));
    }
    WinsockSession(const WinsockSession&) = delete;
    WinsockSession& operator=(const WinsockSession&) = delete;
    ~WinsockSession() { WSACleanup(); }
};

struct Reply {
    int code;
    std::wstring text;  // the reply's first line, code included: a multi-line reply gives its cause there
};

// One control connection. Every socket is non-blocking and every wait is
// bounded by a time-out and looks at the stop mark, so Stop ends any step.
class FtpSession {
public:
    explicit FtpSession(CopierCore& core) : core_(core) {}

    void Connect(const std::wstring& host, int port);
    Reply ReadReply(DWORD timeoutMs);
    Reply Command(const std::string& line, DWORD timeoutMs = kTimeoutMs);
    void Quit();
    // Ends an upload that will not complete: resets the data connection,
    // aborts it on the server and, when the server took the STOR (`stored`),
    // deletes what arrived under `temporary`. Always returns; a stop does not
    // cut it short.
    void Abandon(Socket& data, const std::string& temporary, bool stored);

    Socket OpenPassive();
    Socket ListenActive();
    Socket AcceptActive(const Socket& listener);
    // Sends all bytes; 0 or the Winsock error.
    int SendAll(const Socket& s, const char* data, size_t size);
    // Sends archive data, watching the control connection: any reply there
    // while data flows (an error, or the server closing it) ends the upload.
    void SendData(const Socket& data, const char* bytes, size_t size);

private:
    enum class Wait { Read, Write, Connect };
    // False on time-out; throws when stopped. With `orControl`, the control
    // connection becoming readable ends the wait too.
    bool WaitFor(const Socket& s, Wait what, DWORD timeoutMs, bool orControl = false);
    void CheckControl();
    // The data connection broke: fails with the server's reason when it gives one.
    [[noreturn]] void FailUpload(int error);
    Socket ConnectTo(const sockaddr_in& address, const std::wstring& what);
    std::string ReadLine(DWORD timeoutMs, size_t& budget);

    CopierCore& core_;
    Socket control_;
    std::string input_;  // received on the control connection, not yet read
    sockaddr_in local_ = {};
    sockaddr_in peer_ = {};
    bool leaving_ = false;  // abandoning an upload: stop no longer ends a wait
};

bool FtpSession::WaitFor(const Socket& s, Wait what, DWORD timeoutMs, bool orControl)
{
    const DWORD start = GetTickCount();
    for (;;) {
        if (!leaving_)
            core_.CheckStop();
        fd_set ready, writable, failed;
        FD_ZERO(&ready);
        FD_ZERO(&writable);
        FD_ZERO(&failed);
        FD_SET(s.get(), what == Wait::Read ? &ready : &writable);
        FD_SET(s.get(), &failed);
        if (orControl)
            FD_SET(control_.get(), &ready);
        timeval slice = {0, static_cast<long>(kSliceMs * 1000)};
        // A failed non-blocking connect shows in the exception set.
        const int n =
            select(0, what == Wait::Read || orControl ? &ready : nullptr, what == Wait::Read ? nullptr : &writable,
                   what == Wait::Connect ? &failed : nullptr, &slice);
        if (n == SOCKET_ERROR)
            Fail(L"Network error: " + ErrorText(static_cast<DWORD>(WSAGetLastError())));
        if (n > 0)
            return true;
        if (GetTickCount() - start >= timeoutMs)
            return false;
    }
}

Socket FtpSession::ConnectTo(const sockaddr_in& address, const std::wstring& what)
{
    Socket s(socket(AF_INET, SOCK_STREAM, IPPROTO_TCP));
    u_long nonBlocking = 1;
    if (!s.valid() || ioctlsocket(s.get(), FIONBIO, &nonBlocking) == SOCKET_ERROR)
        Fail(what + L": " + ErrorText(static_cast<DWORD>(WSAGetLastError())));
    if (connect(s.get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) == SOCKET_ERROR) {
        const int error = WSAGetLastError();
        if (error != WSAEWOULDBLOCK)
            Fail(what + L": " + ErrorText(static_cast<DWORD>(error)));
        if (!WaitFor(s, Wait::Connect, kTimeoutMs))
            Fail(what + L": no answer within " + Seconds(kTimeoutMs) + L".");
        int result = 0;
        int length = sizeof result;
        getsockopt(s.get(), SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&result), &length);
        if (result != 0)
            Fail(what + L": " + ErrorText(static_cast<DWORD>(result)));
    }
    return s;
}

void FtpSession::Connect(const std::wstring& host, int port)
{
    addrinfo hints = {};
    hints.ai_family = AF_INET;  // PASV and PORT speak IPv4 only
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_protocol = IPPROTO_TCP;
    addrinfo* found = nullptr;
    const int rc = getaddrinfo(ToUtf8(host).c_str(), std::to_string(port).c_str(), &hints, &found);
    if (rc != 0 || !found)
        Fail(L"Cannot find the FTP server " + host + L": " + ErrorText(static_cast<DWORD>(rc)));
    sockaddr_in address;
    memcpy(&address, found->ai_addr, sizeof address);
    freeaddrinfo(found);

    control_ = ConnectTo(address, L"Cannot connect to " + host + L":" + std::to_wstring(port));
    int length = sizeof local_;
    getsockname(control_.get(), reinterpret_cast<sockaddr*>(&local_), &length);
    length = sizeof peer_;
    getpeername(control_.get(), reinterpret_cast<sockaddr*>(&peer_), &length);
}

std::string FtpSession::ReadLine(DWORD timeoutMs, size_t& budget)
{
    for (;;) {
        const size_t end = input_.find('\n');
        if (end != std::string::npos) {
            if (end + 1 > budget)
                break;
            budget -= end + 1;
            std::string line = input_.substr(0, end);
            input_.erase(0, end + 1);
            if (!line.empty() && line.back() == '\r')
                line.pop_back();
            return line;
        }
        if (input_.size() > budget)
            break;
        char buffer[4096];
        const int got = recv(control_.get(), buffer, sizeof buffer, 0);
        if (got > 0) {
            input_.append(buffer, static_cast<size_t>(got));
            continue;
        }
        if (got == 0)
            Fail(L"The FTP server closed the connection.");
        const int error = WSAGetLastError();
        if (error != WSAEWOULDBLOCK)
            Fail(L"The connection to the FTP server was lost: " + ErrorText(static_cast<DWORD>(error)));
        if (!WaitFor(control_, Wait::Read, timeoutMs))
            FailNoResponse(timeoutMs);
    }
    Fail(L"The FTP server sent an overlong reply.");
}

Reply FtpSession::ReadReply(DWORD timeoutMs)
{
    auto starts = [](const std::string& line) {
        return line.size() >= 3 && isdigit(static_cast<unsigned char>(line[0])) &&
               isdigit(static_cast<unsigned char>(line[1])) && isdigit(static_cast<unsigned char>(line[2])) &&
               (line.size() == 3 || line[3] == ' ' || line[3] == '-');
    };
    size_t budget = kMaxReply;
    std::string line = ReadLine(timeoutMs, budget);
    if (!starts(line))
        Fail(L"Unexpected reply from the FTP server: " + FromServer(line));
    const std::string first = line;
    const std::string code = line.substr(0, 3);
    // A multi-line reply ends at a line of the same code followed by a blank.
    if (line.size() > 3 && line[3] == '-') {
        do
            line = ReadLine(timeoutMs, budget);
        while (line.compare(0, 3, code) != 0 || (line.size() > 3 && line[3] != ' '));
    }
    return Reply{std::stoi(code), FromServer(first)};
}

int FtpSession::SendAll(const Socket& s, const char* data, size_t size)
{
    while (size > 0) {
        const int sent = send(s.get(), data, static_cast<int>(std::min<size_t>(size, kChunk)), 0);
        if (sent > 0) {
            data += sent;
            size -= static_cast<size_t>(sent);
            continue;
        }
        const int error = WSAGetLastError();
        if (error != WSAEWOULDBLOCK)
            return error;
        if (!WaitFor(s, Wait::Write, kTimeoutMs))
            return WSAETIMEDOUT;
    }
    return 0;
}

Reply FtpSession::Command(const std::string& line, DWORD timeoutMs)
{
    const std::string text = line + "\r\n";
    if (const int error = SendAll(control_, text.data(), text.size()))
        Fail(L"The connection to the FTP server was lost: " + ErrorText(static_cast<DWORD>(error)));
    return ReadReply(timeoutMs);
}

void FtpSession::Quit()
{
    // The outcome is settled: a server that answers QUIT badly, or not at
    // all, or a stop now, changes nothing.
    try {
        Command("QUIT", kClosingTimeoutMs);
    } catch (const TransferFailure&) {
    }
}

void FtpSession::Abandon(Socket& data, const std::string& temporary, bool stored)
{
    data.reset();
    leaving_ = true;
    // A server that no longer answers is left alone: nothing more can be done there.
    try {
        // The reset may have drawn a 426 for the transfer first; 225 or 226 answers ABOR.
        Reply reply = Command("ABOR", kClosingTimeoutMs);
        try {
            for (int extra = 0; extra < 2 && reply.code != 225 && reply.code != 226; ++extra)
                reply = ReadReply(kClosingTimeoutMs);
        } catch (const TransferFailure&) {
            // Some servers answer ABOR with errors alone and never confirm it;
            // the clean-up still goes on.
        }
        // A refused STOR leaves any file of that name to whoever made it.
        if (stored)
            Command("DELE " + temporary, kClosingTimeoutMs);
        Command("QUIT", kClosingTimeoutMs);
    } catch (const TransferFailure&) {
    }
}

Socket FtpSession::OpenPassive()
{
    const Reply reply = Command("PASV");
    if (reply.code != 227)
        Fail(L"The FTP server refused passive mode: " + reply.text);
    unsigned v[6] = {};
    bool parsed = false;
    for (const wchar_t* p = reply.text.c_str() + 3; *p && !parsed; ++p)
        parsed = iswdigit(*p) && swscanf(p, L"%u,%u,%u,%u,%u,%u", &v[0], &v[1], &v[2], &v[3], &v[4], &v[5]) == 6 &&
                 std::all_of(v, v + 6, [](unsigned x) { return x <= 255; });
    const unsigned port = v[4] * 256 + v[5];
    if (!parsed || port == 0)
        Fail(L"Unexpected passive-mode reply from the FTP server: " + reply.text);
    // The address in the reply is ignored: the data goes only to the server
    // already connected, never to a third host the reply might name.
    sockaddr_in address = peer_;
    address.sin_port = htons(static_cast<u_short>(port));
    return ConnectTo(address, L"Cannot open the data connection to the FTP server");
}

Socket FtpSession::ListenActive()
{
    Socket s(socket(AF_INET, SOCK_STREAM, IPPROTO_TCP));
    sockaddr_in address = local_;
    address.sin_port = 0;
    int length = sizeof address;
    u_long nonBlocking = 1;
    if (!s.valid() || bind(s.get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) == SOCKET_ERROR ||
        listen(s.get(), 1) == SOCKET_ERROR ||
        getsockname(s.get(), reinterpret_cast<sockaddr*>(&address), &length) == SOCKET_ERROR ||
        ioctlsocket(s.get(), FIONBIO, &nonBlocking) == SOCKET_ERROR)
        Fail(L"Cannot open a port for the data connection: " + ErrorText(static_cast<DWORD>(WSAGetLastError())));
    const auto* ip = reinterpret_cast<const unsigned char*>(&address.sin_addr);
    const unsigned port = ntohs(address.sin_port);
    const std::string command = "PORT " + std::to_string(ip[0]) + "," + std::to_string(ip[1]) + "," +
                                std::to_string(ip[2]) + "," + std::to_string(ip[3]) + "," + std::to_string(port / 256) +
                                "," + std::to_string(port % 256);
    const Reply reply = Command(command);
    if (reply.code != 200)
        Fail(L"The FTP server refused active mode: " + reply.text);
    return s;
}

Socket FtpSession::AcceptActive(const Socket& listener)
{
    if (!WaitFor(listener, Wait::Read, kTimeoutMs))
        Fail(L"The FTP server did not open the data connection within " + Seconds(kTimeoutMs) + L".");
    sockaddr_in from = {};
    int length = sizeof from;
    Socket s(accept(listener.get(), reinterpret_cast<sockaddr*>(&from), &length));
    u_long nonBlocking = 1;
    if (!s.valid() || ioctlsocket(s.get(), FIONBIO, &nonBlocking) == SOCKET_ERROR)
        Fail(L"Cannot accept the data connection: " + ErrorText(static_cast<DWORD>(WSAGetLastError())));
    // Anyone may connect to the port; the archive goes only to the server.
    if (from.sin_addr.s_addr != peer_.sin_addr.s_addr)
        Fail(L"The data connection came from another host than the FTP server.");
    return s;
}

void FtpSession::CheckControl()
{
    fd_set ready;
    FD_ZERO(&ready);
    FD_SET(control_.get(), &ready);
    timeval now = {0, 0};
    if (input_.empty() && select(0, &ready, nullptr, nullptr, &now) != 1)
        return;
    // Closed, or a reply the server sends only to end the transfer.
    Fail(L"The upload was broken off: " + ReadReply(kTimeoutMs).text);
}

void FtpSession::SendData(const Socket& data, const char* bytes, size_t size)
{
    while (size > 0) {
        CheckControl();
        const int sent = send(data.get(), bytes, static_cast<int>(std::min<size_t>(size, kChunk)), 0);
        if (sent > 0) {
            bytes += sent;
            size -= static_cast<size_t>(sent);
            continue;
        }
        const int error = WSAGetLastError();
        if (error != WSAEWOULDBLOCK)
            FailUpload(error);
        if (!WaitFor(data, Wait::Write, kTimeoutMs, true))
            FailNoResponse(kTimeoutMs);
    }
}

void FtpSession::FailUpload(int error)
{
    std::wstring reason = ErrorText(static_cast<DWORD>(error));
    try {
        reason = ReadReply(kReasonTimeoutMs).text;
    } catch (const TransferFailure& failure) {
        if (failure.hr == E_ABORT)
            throw;
    }
    Fail(L"The upload was broken off: " + reason);
}

bool HasLineBreak(const std::wstring& text)
{
    return text.find_first_of(std::wstring(L"\r\n\0", 3)) != std::wstring::npos;
}

}  // namespace

HRESULT STDMETHODCALLTYPE FtpUploadComponent::SetHost(BSTR host)
{
    host_ = FromBstr(host);
    return S_OK;
}

HRESULT STDMETHODCALLTYPE FtpUploadComponent::SetPort(long port)
{
    port_ = port;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE FtpUploadComponent::SetUser(BSTR user)
{
    user_ = FromBstr(user);
    return S_OK;
}

HRESULT STDMETHODCALLTYPE FtpUploadComponent::SetPassword(BSTR password)
{
    password_ = FromBstr(password);
    return S_OK;
}

HRESULT STDMETHODCALLTYPE FtpUploadComponent::SetDirectory(BSTR directory)
{
    directory_ = FromBstr(directory);
    return S_OK;
}

HRESULT STDMETHODCALLTYPE FtpUploadComponent::SetPassive(long passive)
{
    passive_ = passive != 0;
    return S_OK;
}

std::wstring FtpUploadComponent::Transfer()
{
    if (host_.empty())
        Fail(L"No FTP host set.");
    if (targetName_.empty())
        Fail(L"No name for the uploaded archive.");
    // A line break would end the command early and start another.
    for (const std::wstring* field : {&host_, &user_, &password_, &directory_, &targetName_})
        if (HasLineBreak(*field))
            Fail(L"The FTP settings or the archive name contain a line break.");
    SourceFile source(sourcePath_);
    const int port = port_ > 0 && port_ <= 65535 ? static_cast<int>(port_) : 21;

    WinsockSession winsock;
    SendStatus(L"Connecting to " + host_ + L":" + std::to_wstring(port) + L" ...", false);
    FtpSession ftp(*this);
    ftp.Connect(host_, port);
    Reply reply = ftp.ReadReply(kTimeoutMs);
    if (reply.code == 120)
        reply = ftp.ReadReply(kTimeoutMs);
    if (reply.code != 220)
        Fail(L"The FTP server refused the connection: " + reply.text);

    reply = ftp.Command("USER " + ToUtf8(user_.empty() ? L"anonymous" : user_));
    if (reply.code == 331)
        reply = ftp.Command("PASS " + ToUtf8(password_));
    if (reply.code != 230 && reply.code != 202)
        Fail(L"Login failed: " + reply.text);
    reply = ftp.Command("TYPE I");
    if (reply.code != 200)
        Fail(L"The FTP server refused binary mode: " + reply.text);
    if (!directory_.empty()) {
        reply = ftp.Command("CWD " + ToUtf8(directory_));
        if (reply.code / 100 != 2)
            Fail(L"Cannot change to the directory " + directory_ + L": " + reply.text);
    }

    // The archive arrives under a temporary name and takes its own only once
    // the server has confirmed all of it: a broken upload never replaces a
    // good archive of the same name.
    const std::string finalName = ToUtf8(targetName_);
    const std::string temporary = finalName + ".part";
    Socket listener;
    Socket data;
    bool stored = false;  // the server took the STOR: the file under the temporary name is this upload's
    if (passive_)
        data = ftp.OpenPassive();
    else
        listener = ftp.ListenActive();
    try {
        reply = ftp.Command("STOR " + temporary);
        if (reply.code / 100 != 1)
            Fail(L"Cannot store " + targetName_ + L": " + reply.text);
        stored = true;
        if (!passive_)
            data = ftp.AcceptActive(listener);

        SendStatus(L"Uploading " + targetName_ + L" to " + host_ + L" ...", false);
        std::vector<char> buffer(kChunk);
        uint64_t done = 0;
        SendProgress(done, source.size());
        while (const DWORD got = source.read(buffer.data(), kChunk)) {
            CheckStop();
            ftp.SendData(data, buffer.data(), got);
            done += got;
            SendProgress(done, source.size());
        }
        // End of data is the end of the connection; the server then confirms.
        shutdown(data.get(), SD_SEND);
        data.close();
        reply = ftp.ReadReply(kTimeoutMs);
        if (reply.code != 226 && reply.code != 250)
            Fail(L"The upload of " + targetName_ + L" failed: " + reply.text);
        reply = ftp.Command("RNFR " + temporary);
        if (reply.code == 350)
            reply = ftp.Command("RNTO " + finalName);
        if (reply.code / 100 != 2)
            Fail(L"The FTP server did not let the upload take the name " + targetName_ + L": " + reply.text);
    } catch (const TransferFailure&) {
        ftp.Abandon(data, temporary, stored);
        throw;
    }
    SendProgress(1, 1);
    ftp.Quit();
    return L"Uploaded " + targetName_ + L" to " + host_ + L".";
}
