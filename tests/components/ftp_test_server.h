// A small FTP server for tests: loopback only, one client at a time, on its
// own thread, every wait bounded. It records the commands and the files it
// receives, and can misbehave on request.
#pragma once

#include <winsock2.h>

#include <atomic>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

struct FtpStoredFile {
    std::string directory;  // the working directory at STOR time
    std::string name;       // as stored, or as renamed since
    std::string data;
    bool complete = false;  // the client ended the data connection itself, without a reset
    bool deleted = false;   // by DELE since
};

struct FtpServerOptions {
    enum class Fault {
        None,
        DropMidTransfer,   // closes both connections once some data has arrived
        HoldTransfer,      // stops reading data after the first piece and never confirms
        RefuseStore,       // answers STOR with 550
        ForeignDataPeer,   // opens active data connections from 127.0.0.2
        RefuseRename,      // answers RNTO with 553
        FullMidTransfer,   // answers 452 once some data has arrived, and reads on
        FullManyLines,     // as FullMidTransfer, with a three-line 451 reply whose first line gives the cause
        UnconfirmedAbort,  // as HoldTransfer, then answers ABOR with 426 and 451 only, never 225 or 226
    };
    std::string user = "backup";
    std::string password = "s3cret";
    std::string directory = "/archives";  // the one directory CWD accepts
    Fault fault = Fault::None;
    std::vector<FtpStoredFile> files;  // there before the first client, as other uploads left them
};

class FtpTestServer {
public:
    explicit FtpTestServer(FtpServerOptions options = {});
    ~FtpTestServer();
    FtpTestServer(const FtpTestServer&) = delete;
    FtpTestServer& operator=(const FtpTestServer&) = delete;

    int port() const { return port_; }
    // Stops serving and waits for the server's thread, so that what it
    // recorded is complete; the client must be done by then.
    void Finish();
    std::vector<std::string> commands() const;
    // The files stored, deleted ones included.
    std::vector<FtpStoredFile> files() const;
    int connections() const { return connections_; }
    // Bytes of the current upload received so far.
    size_t receiving() const { return receiving_; }

    // A loopback port that refuses connections.
    static int ClosedPort();

private:
    void Serve();
    void Session(SOCKET control);
    void Receive(SOCKET control, SOCKET data, FtpStoredFile& file);
    bool Reply(SOCKET s, const std::string& text);

    FtpServerOptions options_;
    SOCKET listener_ = INVALID_SOCKET;
    int port_ = 0;
    std::atomic<bool> quit_{false};
    std::atomic<int> connections_{0};
    std::atomic<size_t> receiving_{0};
    mutable std::mutex mutex_;
    std::vector<std::string> commands_;
    std::vector<FtpStoredFile> files_;
    std::thread thread_;
};
