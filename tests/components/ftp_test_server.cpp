#include "ftp_test_server.h"

#include <ws2tcpip.h>

#include <algorithm>
#include <cstdio>

namespace {

const int kSliceMs = 50;
const int kIdleMs = 10000;  // a silent client is given up after this
const int kHoldMs = 40000;  // how long a held upload waits for the client to give up (past its 30 s)

sockaddr_in Loopback(unsigned short port)
{
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(port);
    return address;
}

SOCKET ListenLoopback(int& port)
{
    SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in address = Loopback(0);
    int length = sizeof address;
    if (s == INVALID_SOCKET || bind(s, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        listen(s, 4) != 0 || getsockname(s, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        if (s != INVALID_SOCKET)
            closesocket(s);
        return INVALID_SOCKET;
    }
    port = ntohs(address.sin_port);
    return s;
}

void CloseSocket(SOCKET& s)
{
    if (s != INVALID_SOCKET)
        closesocket(s);
    s = INVALID_SOCKET;
}

}  // namespace

FtpTestServer::FtpTestServer(FtpServerOptions options) : options_(std::move(options)), files_(options_.files)
{
    WSADATA data;
    WSAStartup(MAKEWORD(2, 2), &data);
    listener_ = ListenLoopback(port_);
    if (listener_ != INVALID_SOCKET)
        thread_ = std::thread([this] { Serve(); });
}

FtpTestServer::~FtpTestServer()
{
    Finish();
    CloseSocket(listener_);
    WSACleanup();
}

void FtpTestServer::Finish()
{
    quit_ = true;
    if (thread_.joinable())
        thread_.join();
}

std::vector<std::string> FtpTestServer::commands() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return commands_;
}

std::vector<FtpStoredFile> FtpTestServer::files() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return files_;
}

int FtpTestServer::ClosedPort()
{
    WSADATA data;
    WSAStartup(MAKEWORD(2, 2), &data);
    int port = 0;
    SOCKET s = ListenLoopback(port);
    CloseSocket(s);
    WSACleanup();
    return port;
}

// Waits until `s` can be read (or a connection accepted), at most `ms`, or until the server quits.
static bool Readable(SOCKET s, int ms, const std::atomic<bool>& quit)
{
    for (int waited = 0; waited < ms && !quit; waited += kSliceMs) {
        fd_set set;
        FD_ZERO(&set);
        FD_SET(s, &set);
        timeval slice = {0, kSliceMs * 1000};
        const int n = select(0, &set, nullptr, nullptr, &slice);
        if (n != 0)
            return n > 0;
    }
    return false;
}

static bool ReadLine(SOCKET s, std::string& buffer, std::string& line, const std::atomic<bool>& quit)
{
    for (;;) {
        const size_t end = buffer.find("\r\n");
        if (end != std::string::npos) {
            line = buffer.substr(0, end);
            buffer.erase(0, end + 2);
            return true;
        }
        char piece[1024];
        if (buffer.size() > 8192 || !Readable(s, kIdleMs, quit))
            return false;
        const int got = recv(s, piece, sizeof piece, 0);
        if (got <= 0)
            return false;
        buffer.append(piece, static_cast<size_t>(got));
    }
}

bool FtpTestServer::Reply(SOCKET s, const std::string& text)
{
    const std::string line = text + "\r\n";
    return send(s, line.data(), static_cast<int>(line.size()), 0) == static_cast<int>(line.size());
}

void FtpTestServer::Serve()
{
    while (!quit_) {
        if (!Readable(listener_, kSliceMs, quit_))
            continue;
        SOCKET control = accept(listener_, nullptr, nullptr);
        if (control == INVALID_SOCKET)
            continue;
        ++connections_;
        Session(control);
        closesocket(control);
    }
}

void FtpTestServer::Session(SOCKET control)
{
    std::string buffer, line, user, cwd = "/", renaming;
    bool loggedIn = false;
    SOCKET passive = INVALID_SOCKET;
    sockaddr_in active = {};
    // A multi-line greeting, as many servers send: only "220 " ends it.
    Reply(control, "220-Brisvale test server\r\n 220 is not the end\r\n220-nor is this\r\n220 Ready.");
    while (ReadLine(control, buffer, line, quit_)) {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            commands_.push_back(line);
        }
        const size_t blank = line.find(' ');
        const std::string verb = line.substr(0, blank);
        const std::string argument = blank == std::string::npos ? "" : line.substr(blank + 1);
        if (verb == "USER") {
            user = argument;
            loggedIn = false;
            Reply(control, "331 Password required for " + argument + ".");
        } else if (verb == "PASS") {
            loggedIn = user == options_.user && argument == options_.password;
            Reply(control, loggedIn ? "230 User logged in." : "530 Login incorrect.");
        } else if (verb == "QUIT") {
            Reply(control, "221 Goodbye.");
            break;
        } else if (!loggedIn) {
            Reply(control, "530 Please log in with USER and PASS.");
        } else if (verb == "TYPE") {
            Reply(control, argument == "I" ? "200 Type set to I." : "504 Type not supported.");
        } else if (verb == "CWD") {
            if (argument == options_.directory)
                cwd = argument;
            Reply(control, argument == options_.directory ? "250 Directory changed."
                                                          : "550 " + argument + ": No such file or directory.");
        } else if (verb == "PASV") {
            CloseSocket(passive);
            int port = 0;
            passive = ListenLoopback(port);
            Reply(control, "227 Entering Passive Mode (127,0,0,1," + std::to_string(port / 256) + "," +
                               std::to_string(port % 256) + ").");
        } else if (verb == "PORT") {
            unsigned v[6] = {};
            if (sscanf(argument.c_str(), "%u,%u,%u,%u,%u,%u", &v[0], &v[1], &v[2], &v[3], &v[4], &v[5]) == 6) {
                active = Loopback(static_cast<unsigned short>(v[4] * 256 + v[5]));
                active.sin_addr.s_addr = htonl((v[0] << 24) | (v[1] << 16) | (v[2] << 8) | v[3]);
                Reply(control, "200 PORT command successful.");
            } else {
                Reply(control, "501 Bad PORT argument.");
            }
        } else if (verb == "ABOR" && options_.fault == FtpServerOptions::Fault::UnconfirmedAbort) {
            Reply(control, "426 Connection closed; transfer aborted.\r\n451 Transfer aborted.");
        } else if (verb == "ABOR") {
            Reply(control, "225 No transfer to abort.");
        } else if (verb == "RNFR" || verb == "DELE") {
            std::lock_guard<std::mutex> lock(mutex_);
            const auto found = std::find_if(files_.begin(), files_.end(), [&](const FtpStoredFile& f) {
                return f.directory == cwd && f.name == argument && !f.deleted;
            });
            if (found == files_.end()) {
                Reply(control, "550 " + argument + ": No such file.");
            } else if (verb == "DELE") {
                found->deleted = true;
                Reply(control, "250 Deleted.");
            } else {
                renaming = argument;
                Reply(control, "350 Ready for the new name.");
            }
        } else if (verb == "RNTO" && options_.fault == FtpServerOptions::Fault::RefuseRename) {
            Reply(control, "553 " + argument + ": Renaming not allowed.");
        } else if (verb == "RNTO") {
            std::lock_guard<std::mutex> lock(mutex_);
            for (FtpStoredFile& f : files_)
                if (f.directory == cwd && f.name == renaming && !f.deleted)
                    f.name = argument;
            Reply(control, "250 Renamed.");
        } else if (verb == "STOR" && options_.fault == FtpServerOptions::Fault::RefuseStore) {
            Reply(control, "550 " + argument + ": Permission denied.");
        } else if (verb == "STOR") {
            Reply(control, "150 Opening BINARY mode data connection for " + argument + ".");
            SOCKET data = INVALID_SOCKET;
            if (passive != INVALID_SOCKET) {
                if (Readable(passive, kIdleMs, quit_))
                    data = accept(passive, nullptr, nullptr);
                CloseSocket(passive);
            } else if (active.sin_port != 0) {
                data = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
                if (options_.fault == FtpServerOptions::Fault::ForeignDataPeer) {
                    sockaddr_in other = Loopback(0);
                    other.sin_addr.s_addr = htonl(INADDR_LOOPBACK + 1);
                    bind(data, reinterpret_cast<sockaddr*>(&other), sizeof other);
                }
                if (connect(data, reinterpret_cast<sockaddr*>(&active), sizeof active) != 0)
                    CloseSocket(data);
                active = {};
            }
            if (data == INVALID_SOCKET) {
                Reply(control, "425 Cannot open the data connection.");
                continue;
            }
            FtpStoredFile file{cwd, argument, {}, false};
            Receive(control, data, file);
            closesocket(data);
            {
                std::lock_guard<std::mutex> lock(mutex_);
                files_.push_back(file);
            }
            using Fault = FtpServerOptions::Fault;
            if (options_.fault == Fault::DropMidTransfer || options_.fault == Fault::HoldTransfer)
                break;
            // These have said all they say about the transfer already, or say it to ABOR.
            if (options_.fault != Fault::FullMidTransfer && options_.fault != Fault::FullManyLines &&
                options_.fault != Fault::UnconfirmedAbort)
                Reply(control, file.complete ? "226 Transfer complete." : "426 Transfer aborted.");
        } else {
            Reply(control, "502 Command not implemented.");
        }
    }
    CloseSocket(passive);
}

void FtpTestServer::Receive(SOCKET control, SOCKET data, FtpStoredFile& file)
{
    using Fault = FtpServerOptions::Fault;
    receiving_ = 0;
    char piece[16384];
    for (;;) {
        if ((options_.fault == Fault::HoldTransfer || options_.fault == Fault::UnconfirmedAbort) &&
            !file.data.empty()) {
            // Reads no more and never confirms: only the client giving up ends this.
            Readable(control, kHoldMs, quit_);
            return;
        }
        if (!Readable(data, kIdleMs, quit_))
            return;
        const int got = recv(data, piece, sizeof piece, 0);
        if (got <= 0) {
            file.complete = got == 0;
            return;
        }
        file.data.append(piece, static_cast<size_t>(got));
        receiving_ = file.data.size();
        if (options_.fault == Fault::DropMidTransfer)
            return;
        if (file.data.size() != static_cast<size_t>(got))
            continue;
        if (options_.fault == Fault::FullMidTransfer)
            Reply(control, "452 Insufficient storage space.");
        if (options_.fault == Fault::FullManyLines)
            Reply(control,
                  "451-Error during write to file\r\n451-Transfer aborted\r\n"
                  "451 0.031 seconds (measured here), 2.00 Mbytes per second");
    }
}
