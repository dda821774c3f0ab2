// TLoopServer: a small HTTP/1.1 server on 127.0.0.1 for tests. It picks a free port, serves one
// connection at a time on its own thread, records each request (raw bytes, method, path,
// headers, body) and answers with what the test's handler returns. It stops by itself after
// its connection budget or lifetime, and its destructor always stops and joins it.
#pragma once

#include <atomic>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace testsupport
{

struct TLoopRequest
{
    std::string method, path, version;
    std::vector<std::pair<std::string, std::string>> headers;  // names lower-cased
    std::string body;
    std::string raw;  // every byte received, head and body
    std::string Header(const std::string& lowerName) const;
};

struct TLoopReply
{
    enum EKind
    {
        kLength,          // status line, Content-Length, body
        kChunked,         // Transfer-Encoding: chunked, body in chunks of chunkSize
        kCloseDelimited,  // no length: the body ends when the connection closes
        kDrip,            // Content-Length, then the body chunkSize bytes at a time, slowly
        kNeverAnswer,     // reads the request and then sends nothing until the server stops
        kCloseAtOnce,     // closes the connection without an answer
        kBrokenChunked,   // chunked, but the body's chunks stop before the last chunk, with a
                          // chunk-size line that is not a number
        kReset,           // Content-Length, half the body, then the connection is reset
    };
    EKind kind = kLength;
    int code = 200;
    std::string body;
    int delayMs = 0;  // before the status line
    size_t chunkSize = 7;
    // kLength: the Content-Length sent when not negative (a lie when it differs from the body's
    // size; the connection closes after the body either way).
    long long declaredLength = -1;
};

class TLoopServer
{
public:
    using THandler = std::function<TLoopReply(const TLoopRequest&)>;

    explicit TLoopServer(THandler handler, int maxConnections = 16, int lifetimeMs = 20000);
    ~TLoopServer();
    TLoopServer(const TLoopServer&) = delete;
    TLoopServer& operator=(const TLoopServer&) = delete;

    int Port() const { return mPort; }
    // "http://127.0.0.1:<port>"
    std::string BaseUrl() const;
    std::vector<TLoopRequest> Requests();
    size_t RequestCount();
    void Stop();

    // From HoldReplies on, each reply waits (after the handler made it) until ReleaseReplies or
    // the server stops: a test keeps a request pending for exactly as long as it checks the
    // pending state, with no real-time delay.
    void HoldReplies();
    void ReleaseReplies();

private:
    void Run();
    void Serve(int fd);
    bool Sleep(int ms);    // false when stopping
    bool WaitWhileHeld();  // false when stopping

    THandler mHandler;
    int mListen = -1;
    int mPort = 0;
    int mMaxConnections;
    int mLifetimeMs;
    std::atomic<bool> mStop{false};
    std::mutex mMutex;
    std::vector<TLoopRequest> mRequests;
    std::mutex mHoldMutex;
    std::condition_variable mHoldChanged;
    bool mHeld = false;
    std::thread mThread;
};

// "%XX" decoding of one form value (a "+" stays a "+": the client never sends one for a blank).
std::string PercentDecode(const std::string& text);
// name=value pairs of a form body, in order, values decoded.
std::vector<std::pair<std::string, std::string>> DecodeForm(const std::string& body);
// A loopback port that was bound and closed again: connecting to it is refused.
int ClosedLoopbackPort();
// Drops the proxy settings of the environment so clients connect to 127.0.0.1 directly.
void ClearProxyEnvironment();

}  // namespace testsupport
