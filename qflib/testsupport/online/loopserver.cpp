#include "online/loopserver.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cctype>
#include <chrono>
#include <cstdlib>
#include <cstring>

namespace testsupport
{

namespace
{

using Clock = std::chrono::steady_clock;

const size_t kMaxHead = 64 * 1024;
const size_t kMaxBody = 64u << 20;
const int kConnectionBudgetMs = 10000;  // one connection's reading time

int MakeListener(int* port)
{
    int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return -1;
    int one = 1;
    setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = 0;
    if (bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 || listen(fd, 16) != 0)
    {
        close(fd);
        return -1;
    }
    socklen_t length = sizeof addr;
    getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &length);
    *port = ntohs(addr.sin_port);
    return fd;
}

bool SendAll(int fd, const std::string& data)
{
    size_t sent = 0;
    while (sent < data.size())
    {
        ssize_t n = send(fd, data.data() + sent, data.size() - sent, MSG_NOSIGNAL);
        if (n <= 0)
            return false;
        sent += size_t(n);
    }
    return true;
}

std::string Lower(std::string text)
{
    for (char& c : text)
        c = char(tolower(static_cast<unsigned char>(c)));
    return text;
}

std::string Trim(const std::string& text)
{
    size_t b = 0, e = text.size();
    while (b < e && (text[b] == ' ' || text[b] == '\t'))
        ++b;
    while (e > b && (text[e - 1] == ' ' || text[e - 1] == '\t' || text[e - 1] == '\r'))
        --e;
    return text.substr(b, e - b);
}

const char* Reason(int code)
{
    switch (code)
    {
    case 200: return "OK";
    case 404: return "Not Found";
    case 500: return "Internal Server Error";
    default: return "Status";
    }
}

}  // namespace

std::string TLoopRequest::Header(const std::string& lowerName) const
{
    for (const auto& header : headers)
        if (header.first == lowerName)
            return header.second;
    return std::string();
}

TLoopServer::TLoopServer(THandler handler, int maxConnections, int lifetimeMs)
    : mHandler(std::move(handler)), mMaxConnections(maxConnections), mLifetimeMs(lifetimeMs)
{
    mListen = MakeListener(&mPort);
    if (mListen >= 0)
        mThread = std::thread([this] { Run(); });
}

TLoopServer::~TLoopServer()
{
    Stop();
    if (mThread.joinable())
        mThread.join();
    if (mListen >= 0)
        close(mListen);
}

void TLoopServer::Stop()
{
    mStop = true;
    std::lock_guard<std::mutex> lock(mHoldMutex);
    mHoldChanged.notify_all();
}

void TLoopServer::HoldReplies()
{
    std::lock_guard<std::mutex> lock(mHoldMutex);
    mHeld = true;
}

void TLoopServer::ReleaseReplies()
{
    std::lock_guard<std::mutex> lock(mHoldMutex);
    mHeld = false;
    mHoldChanged.notify_all();
}

bool TLoopServer::WaitWhileHeld()
{
    std::unique_lock<std::mutex> lock(mHoldMutex);
    mHoldChanged.wait(lock, [this] { return !mHeld || mStop; });
    return !mStop;
}

std::string TLoopServer::BaseUrl() const
{
    return "http://127.0.0.1:" + std::to_string(mPort);
}

std::vector<TLoopRequest> TLoopServer::Requests()
{
    std::lock_guard<std::mutex> lock(mMutex);
    return mRequests;
}

size_t TLoopServer::RequestCount()
{
    std::lock_guard<std::mutex> lock(mMutex);
    return mRequests.size();
}

bool TLoopServer::Sleep(int ms)
{
    const auto end = Clock::now() + std::chrono::milliseconds(ms);
    while (Clock::now() < end)
    {
        if (mStop)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return !mStop;
}

void TLoopServer::Run()
{
    const auto deadline = Clock::now() + std::chrono::milliseconds(mLifetimeMs);
    int served = 0;
    while (!mStop && served < mMaxConnections && Clock::now() < deadline)
    {
        pollfd p{mListen, POLLIN, 0};
        if (poll(&p, 1, 50) <= 0)
            continue;
        int fd = accept4(mListen, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0)
            continue;
        ++served;
        Serve(fd);
        close(fd);
    }
}

void TLoopServer::Serve(int fd)
{
    const auto deadline = Clock::now() + std::chrono::milliseconds(kConnectionBudgetMs);
    std::string data;
    size_t headEnd = std::string::npos;
    size_t bodyLength = 0;
    bool haveHead = false;
    TLoopRequest request;
    // Reads until the head and the body announced by Content-Length have arrived.
    while (!mStop && Clock::now() < deadline)
    {
        if (haveHead && data.size() >= headEnd + bodyLength)
            break;
        pollfd p{fd, POLLIN, 0};
        if (poll(&p, 1, 20) <= 0)
            continue;
        char buffer[16384];
        ssize_t n = recv(fd, buffer, sizeof buffer, 0);
        if (n <= 0)
            break;
        data.append(buffer, size_t(n));
        if (!haveHead)
        {
            size_t end = data.find("\r\n\r\n");
            if (end == std::string::npos)
            {
                if (data.size() > kMaxHead)
                    return;
                continue;
            }
            headEnd = end + 4;
            haveHead = true;
            std::string head = data.substr(0, end);
            size_t lineEnd = head.find("\r\n");
            std::string line = head.substr(0, lineEnd);
            size_t s1 = line.find(' '), s2 = line.rfind(' ');
            if (s1 != std::string::npos && s2 != std::string::npos && s2 > s1)
            {
                request.method = line.substr(0, s1);
                request.path = line.substr(s1 + 1, s2 - s1 - 1);
                request.version = line.substr(s2 + 1);
            }
            size_t pos = lineEnd == std::string::npos ? head.size() : lineEnd + 2;
            while (pos < head.size())
            {
                size_t next = head.find("\r\n", pos);
                if (next == std::string::npos)
                    next = head.size();
                std::string header = head.substr(pos, next - pos);
                size_t colon = header.find(':');
                if (colon != std::string::npos)
                    request.headers.emplace_back(Lower(header.substr(0, colon)),
                                                 Trim(header.substr(colon + 1)));
                pos = next + 2;
            }
            std::string length = request.Header("content-length");
            bodyLength = length.empty() ? 0 : size_t(strtoull(length.c_str(), nullptr, 10));
            if (bodyLength > kMaxBody)
                return;
            if (Lower(request.Header("expect")) == "100-continue")
                SendAll(fd, "HTTP/1.1 100 Continue\r\n\r\n");
        }
    }
    if (!haveHead)
        return;
    request.raw = data;
    request.body = data.substr(headEnd, bodyLength);
    {
        std::lock_guard<std::mutex> lock(mMutex);
        mRequests.push_back(request);
    }
    TLoopReply reply = mHandler ? mHandler(request) : TLoopReply();
    if (!WaitWhileHeld())
        return;
    if (reply.delayMs > 0 && !Sleep(reply.delayMs))
        return;
    const std::string status = "HTTP/1.1 " + std::to_string(reply.code) + " " + Reason(reply.code) + "\r\n";
    const size_t chunk = reply.chunkSize ? reply.chunkSize : 1;
    switch (reply.kind)
    {
    case TLoopReply::kLength:
    {
        const std::string length = reply.declaredLength >= 0 ? std::to_string(reply.declaredLength)
                                                             : std::to_string(reply.body.size());
        SendAll(fd, status + "Content-Type: text/xml\r\nContent-Length: " + length +
                        "\r\nConnection: close\r\n\r\n" + reply.body);
        break;
    }
    case TLoopReply::kBrokenChunked:
    {
        std::string out =
            status + "Content-Type: text/xml\r\nTransfer-Encoding: chunked\r\nConnection: close\r\n\r\n";
        char size[32];
        snprintf(size, sizeof size, "%zx\r\n", reply.body.size());
        out += size + reply.body + "\r\nzz\r\nbroken";
        SendAll(fd, out);
        break;
    }
    case TLoopReply::kReset:
    {
        SendAll(fd, status +
                        "Content-Type: text/xml\r\nContent-Length: " + std::to_string(reply.body.size()) +
                        "\r\nConnection: close\r\n\r\n" + reply.body.substr(0, reply.body.size() / 2));
        // Closing with a zero linger time sends a reset instead of an orderly end.
        linger reset{1, 0};
        setsockopt(fd, SOL_SOCKET, SO_LINGER, &reset, sizeof reset);
        return;
    }
    case TLoopReply::kChunked:
    {
        std::string out =
            status + "Content-Type: text/xml\r\nTransfer-Encoding: chunked\r\nConnection: close\r\n\r\n";
        for (size_t i = 0; i < reply.body.size(); i += chunk)
        {
            std::string piece = reply.body.substr(i, chunk);
            char size[32];
            snprintf(size, sizeof size, "%zx\r\n", piece.size());
            out += size + piece + "\r\n";
        }
        out += "0\r\n\r\n";
        SendAll(fd, out);
        break;
    }
    case TLoopReply::kCloseDelimited:
        SendAll(fd, status + "Content-Type: text/xml\r\nConnection: close\r\n\r\n" + reply.body);
        break;
    case TLoopReply::kDrip:
        if (!SendAll(fd, status + "Content-Length: " + std::to_string(reply.body.size()) +
                             "\r\nConnection: close\r\n\r\n"))
            break;
        for (size_t i = 0; i < reply.body.size(); i += chunk)
        {
            if (!Sleep(3) || !SendAll(fd, reply.body.substr(i, chunk)))
                break;
        }
        break;
    case TLoopReply::kNeverAnswer:
        while (Sleep(20))
        {
            // Gives up when the client hangs up.
            pollfd p{fd, POLLIN, 0};
            if (poll(&p, 1, 0) > 0)
            {
                char probe[256];
                if (recv(fd, probe, sizeof probe, MSG_DONTWAIT) <= 0)
                    break;
            }
        }
        break;
    case TLoopReply::kCloseAtOnce: break;
    }
    shutdown(fd, SHUT_WR);
}

std::string PercentDecode(const std::string& text)
{
    std::string out;
    for (size_t i = 0; i < text.size(); ++i)
    {
        if (text[i] == '%' && i + 2 < text.size() + 0 && isxdigit(static_cast<unsigned char>(text[i + 1])) &&
            isxdigit(static_cast<unsigned char>(text[i + 2])))
        {
            out += char(strtol(text.substr(i + 1, 2).c_str(), nullptr, 16));
            i += 2;
        }
        else
        {
            out += text[i];
        }
    }
    return out;
}

std::vector<std::pair<std::string, std::string>> DecodeForm(const std::string& body)
{
    std::vector<std::pair<std::string, std::string>> pairs;
    size_t pos = 0;
    while (pos <= body.size() && !body.empty())
    {
        size_t amp = body.find('&', pos);
        if (amp == std::string::npos)
            amp = body.size();
        std::string item = body.substr(pos, amp - pos);
        size_t eq = item.find('=');
        if (eq == std::string::npos)
            pairs.emplace_back(PercentDecode(item), std::string());
        else
            pairs.emplace_back(PercentDecode(item.substr(0, eq)), PercentDecode(item.substr(eq + 1)));
        pos = amp + 1;
    }
    return pairs;
}

int ClosedLoopbackPort()
{
    int port = 0;
    int fd = MakeListener(&port);
    if (fd >= 0)
        close(fd);
    return port;
}

void ClearProxyEnvironment()
{
    for (const char* name :
         {"http_proxy", "HTTP_PROXY", "https_proxy", "HTTPS_PROXY", "ALL_PROXY", "all_proxy"})
        unsetenv(name);
    setenv("NO_PROXY", "127.0.0.1,localhost", 1);
    setenv("no_proxy", "127.0.0.1,localhost", 1);
}

}  // namespace testsupport
