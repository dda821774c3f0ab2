// TSimpleHttp: one HTML-form request (GET with the arguments in the URL, POST with them as the
// body), its reply kept in memory or written to a file, polled without blocking the game.
//
// Transfers run on the main thread through one libcurl multi handle: they make progress
// whenever a status is asked for, a request is let go, or the platform's idle step runs the
// pump task. Every request has a connect and a total time-out and a cap on the reply size;
// hitting any of them ends it with status 2.
#pragma once

#include <cstdint>
#include <string>

#include "foundation/str.h"

class TFile;

class THttpData
{
public:
    enum EStatus
    {
        kRunning = 0,
        kDone = 1,
        kError = 2,
        kFileFailed = 3
    };

    // Copies the texts and starts the transfer (or ends it at once with 2 or 3).
    THttpData(const char* url, const char* outputFile, const char* args, bool post, long connectTimeoutMs,
              long totalTimeoutMs);
    ~THttpData();
    THttpData(const THttpData&) = delete;
    THttpData& operator=(const THttpData&) = delete;

    // Appends reply bytes, keeping a zero byte after them; false when the reply cap is passed.
    bool WriteToBuffer(const char* data, unsigned long n);

    // Moves every transfer on without waiting, finishes those that ended and frees those that
    // ended after their owner let go.
    static void Pump();
    // Blocks until a running transfer has something to do (one of its sockets is ready or one of
    // its timers, the time-outs among them, is due) or timeoutMs has passed; returns at once when
    // no transfer is running. Moves nothing on: Pump does.
    static void WaitForActivity(long timeoutMs);
    // Shut-down: frees every request already let go (running ones are aborted); requests still
    // owned are ended with status 2 and stay for their owner.
    static void AbortAll();
    // Requests alive (tests).
    static size_t LiveCount();

    // Largest reply kept, in bytes (16 MiB unless a test changes it).
    static void SetReplyLimit(uint32_t bytes);

    std::string mUrl, mOutputFile, mArgs;
    uint32_t mLength = 0;
    uint32_t mCapacity = 0;
    char* mBuffer = nullptr;
    bool mReleased = false;
    bool mPost = false;
    int mStatus = kRunning;
    long mHttpCode = 0;  // the server's status code, 0 when none was received

private:
    void Finish(int curlResult);
    static size_t WriteCallback(char* data, size_t size, size_t count, void* user);

    void* mEasy = nullptr;     // CURL*
    void* mHeaders = nullptr;  // curl_slist*
    TFile* mOut = nullptr;
    bool mOverflow = false;
};

class TSimpleHttp
{
public:
    TSimpleHttp();
    virtual ~TSimpleHttp();
    TSimpleHttp(const TSimpleHttp&) = delete;
    TSimpleHttp& operator=(const TSimpleHttp&) = delete;

    // URL, POST (true) or GET, output file (null or "" keeps the reply in memory). Lets go of
    // a running request. A reply to a file replaces the file (atomically) only when it arrived
    // whole with a 2xx code; any other end is status 2 and leaves the old file as it was.
    void Init(const char* url, bool post, const char* outputFile);
    // Appends name=value (the value percent-encoded), with "?"/"&" (GET) or ""/"&" (POST).
    void AddArg(const char* name, const char* value);
    // Lets go of a running request and starts a new one. The argument has no effect.
    void DoRequest(int unused = 0);
    // 0 running, 1 done, 2 error (also with no request), 3 the output file did not open.
    int GetStatus();
    // Moves the transfers on, blocking between steps on WaitForActivity, until this request has
    // ended or timeoutMs has passed; the status then, as GetStatus. For callers that may block
    // (tests, tools): the game polls GetStatus once a frame instead.
    int WaitUntilFinished(long timeoutMs);
    // The memory reply of a finished request, zero-terminated; null otherwise. Valid until the
    // next Init, DoRequest or the destructor.
    const char* GetContents();
    // The reply's HTTP status code (0 without a request or before the headers arrived).
    long GetHttpCode() const;

    // Time-outs of the requests this object starts from now on.
    void SetTimeouts(long connectMs, long totalMs);
    // Defaults for new objects (10 s to connect, 30 s in all).
    static void SetDefaultTimeouts(long connectMs, long totalMs);

    const str& GetArgs() const { return mArgs; }
    const str& GetUrl() const { return mUrl; }

    // The value encoding of AddArg: the 24 form-special bytes become "%XX".
    static str EncodeValue(const char* value);

private:
    void LetGo();

    str mUrl;
    str mArgs;
    str mOutputFile;
    bool mFirstArg = true;
    bool mPost = false;
    THttpData* mRequest = nullptr;  // not owned: it frees itself once let go and ended
    long mConnectTimeout;
    long mTotalTimeout;
};
