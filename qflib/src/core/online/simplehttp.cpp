// TSimpleHttp: one form request over HTTP, polled on the main thread.
#include "online/simplehttp.h"

#include <curl/curl.h>
#include <dlfcn.h>

#include <algorithm>
#include <chrono>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "app/platform.h"
#include "app/task.h"
#include "foundation/debug.h"
#include "foundation/file.h"

namespace
{

long gDefaultConnectTimeout = 10000;
long gDefaultTotalTimeout = 30000;
uint32_t gReplyLimit = 16u << 20;

// libcurl is opened on the first request instead of being linked: with the TLS, Kerberos, LDAP
// and other libraries it pulls in it holds several megabytes of resident memory, and the game
// makes a request only when a medal is submitted or statistics are sent at exit.
struct TCurlApi
{
    CURLcode (*globalInit)(long);
    CURLM* (*multiInit)();
    CURL* (*easyInit)();
    void (*easyCleanup)(CURL*);
    CURLcode (*easySetopt)(CURL*, CURLoption, ...);
    CURLcode (*easyGetinfo)(CURL*, CURLINFO, ...);
    curl_slist* (*slistAppend)(curl_slist*, const char*);
    void (*slistFreeAll)(curl_slist*);
    CURLMcode (*multiAddHandle)(CURLM*, CURL*);
    CURLMcode (*multiRemoveHandle)(CURLM*, CURL*);
    CURLMcode (*multiPerform)(CURLM*, int*);
    CURLMsg* (*multiInfoRead)(CURLM*, int*);
    CURLMcode (*multiPoll)(CURLM*, curl_waitfd*, unsigned, int, int*);
};

template <class F>
bool Bind(void* library, const char* name, F& function)
{
    function = reinterpret_cast<F>(dlsym(library, name));
    return function != nullptr;
}

// The library's functions, or null when it cannot be opened (every request then fails). It is
// opened once and stays loaded.
const TCurlApi* Curl()
{
    static TCurlApi api;
    static int state = 0;  // 0 not tried, 1 loaded, -1 failed
    if (state != 0)
        return state > 0 ? &api : nullptr;
    state = -1;
    void* library = dlopen("libcurl.so.4", RTLD_NOW | RTLD_LOCAL);
    if (!library)
    {
        WriteDbg("HTTP: libcurl could not be loaded: %s", dlerror());
        return nullptr;
    }
    const bool all = Bind(library, "curl_global_init", api.globalInit) &&
                     Bind(library, "curl_multi_init", api.multiInit) &&
                     Bind(library, "curl_easy_init", api.easyInit) &&
                     Bind(library, "curl_easy_cleanup", api.easyCleanup) &&
                     Bind(library, "curl_easy_setopt", api.easySetopt) &&
                     Bind(library, "curl_easy_getinfo", api.easyGetinfo) &&
                     Bind(library, "curl_slist_append", api.slistAppend) &&
                     Bind(library, "curl_slist_free_all", api.slistFreeAll) &&
                     Bind(library, "curl_multi_add_handle", api.multiAddHandle) &&
                     Bind(library, "curl_multi_remove_handle", api.multiRemoveHandle) &&
                     Bind(library, "curl_multi_perform", api.multiPerform) &&
                     Bind(library, "curl_multi_info_read", api.multiInfoRead) &&
                     Bind(library, "curl_multi_poll", api.multiPoll);
    if (!all)
    {
        WriteDbg("HTTP: libcurl lacks a function the client needs");
        dlclose(library);
        return nullptr;
    }
    state = 1;
    return &api;
}

CURLM* gMulti = nullptr;
std::vector<THttpData*>& Requests()
{
    static std::vector<THttpData*> requests;
    return requests;
}

CURLM* Multi()
{
    const TCurlApi* curl = Curl();
    if (!gMulti && curl)
    {
        curl->globalInit(CURL_GLOBAL_DEFAULT);
        gMulti = curl->multiInit();
    }
    return gMulti;
}

// Runs the transfers on the platform's idle step, so a request let go still finishes and frees
// itself while nobody polls it. It removes itself when no request is left.
class THttpPumpTask : public TTask
{
public:
    static THttpPumpTask* sTask;
    THttpPumpTask() { sTask = this; }
    ~THttpPumpTask() override
    {
        if (sTask == this)
            sTask = nullptr;
    }
    bool DoTask() override
    {
        THttpData::Pump();
        if (!Requests().empty())
            return true;
        sTask = nullptr;
        return false;
    }
};
THttpPumpTask* THttpPumpTask::sTask = nullptr;

void EnsurePumpTask()
{
    if (THttpPumpTask::sTask)
        return;
    if (TPlatform* platform = TPlatform::GetInstance())
        if (platform->GetData())
            platform->AdoptTask(new THttpPumpTask);
}

bool IsFormSpecial(unsigned char c)
{
    static const char kSpecial[] = " \"#$%&+,/:;<=>?@[\\]^`{|}";
    return c != 0 && memchr(kSpecial, c, sizeof kSpecial - 1) != nullptr;
}

const char kHex[] = "0123456789ABCDEF";

// A URL with its argument text: bytes curl would refuse (controls, space, 0x7F and up) are
// escaped too.
std::string EscapeUrlBytes(const std::string& url)
{
    std::string out;
    for (unsigned char c : url)
    {
        if (c < 0x21 || c >= 0x7F)
        {
            out += '%';
            out += kHex[c >> 4];
            out += kHex[c & 15];
        }
        else
        {
            out += char(c);
        }
    }
    return out;
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// THttpData

void THttpData::SetReplyLimit(uint32_t bytes)
{
    gReplyLimit = bytes;
}
size_t THttpData::LiveCount()
{
    return Requests().size();
}

THttpData::THttpData(const char* url, const char* outputFile, const char* args, bool post,
                     long connectTimeoutMs, long totalTimeoutMs)
    : mUrl(url ? url : ""), mOutputFile(outputFile ? outputFile : ""), mArgs(args ? args : ""), mPost(post)
{
    Requests().push_back(this);

    CURLM* multi = Multi();
    const TCurlApi* curl = Curl();
    CURL* easy = multi ? curl->easyInit() : nullptr;
    if (!easy)
    {
        mStatus = kError;
        return;
    }
    mEasy = easy;

    const std::string target = mPost ? mUrl : EscapeUrlBytes(mUrl + mArgs);
    bool ok = curl->easySetopt(easy, CURLOPT_URL, target.c_str()) == CURLE_OK;
    // Only web requests; no file:, no other scheme named by a settings file.
    curl->easySetopt(easy, CURLOPT_PROTOCOLS_STR, "http,https");
    curl->easySetopt(easy, CURLOPT_USERAGENT, "qflib/Mac");
    curl->easySetopt(easy, CURLOPT_NOSIGNAL, 1L);
    curl->easySetopt(easy, CURLOPT_CONNECTTIMEOUT_MS, connectTimeoutMs);
    curl->easySetopt(easy, CURLOPT_TIMEOUT_MS, totalTimeoutMs);
    curl->easySetopt(easy, CURLOPT_PRIVATE, this);
    curl->easySetopt(easy, CURLOPT_WRITEFUNCTION, &THttpData::WriteCallback);
    curl->easySetopt(easy, CURLOPT_WRITEDATA, this);
    curl_slist* headers = curl->slistAppend(nullptr, "Expect:");
    mHeaders = headers;
    curl->easySetopt(easy, CURLOPT_HTTPHEADER, headers);
    if (mPost)
    {
        curl->easySetopt(easy, CURLOPT_POST, 1L);
        curl->easySetopt(easy, CURLOPT_POSTFIELDSIZE, long(mArgs.size()));
        curl->easySetopt(easy, CURLOPT_POSTFIELDS, mArgs.c_str());
    }
    else
    {
        curl->easySetopt(easy, CURLOPT_HTTPGET, 1L);
    }
    if (!ok)
    {
        Finish(CURLE_URL_MALFORMAT);
        return;
    }

    // Reply target.
    if (!mOutputFile.empty())
    {
        mOut = qf_open(mOutputFile.c_str(), kFileWrite);
        if (!mOut)
        {
            mStatus = kFileFailed;
            Finish(CURLE_OK);
            return;
        }
    }
    else
    {
        mCapacity = 1;
        mBuffer = static_cast<char*>(malloc(1));
        mBuffer[0] = 0;
    }

    if (curl->multiAddHandle(gMulti, easy) != CURLM_OK)
    {
        Finish(CURLE_FAILED_INIT);
        return;
    }
    EnsurePumpTask();
    // Start connecting at once; nothing here waits.
    int running = 0;
    curl->multiPerform(gMulti, &running);
}

THttpData::~THttpData()
{
    // A handle or header list exists only when the library was loaded.
    if (mEasy)
    {
        if (gMulti)
            Curl()->multiRemoveHandle(gMulti, static_cast<CURL*>(mEasy));
        Curl()->easyCleanup(static_cast<CURL*>(mEasy));
        mEasy = nullptr;
    }
    if (mHeaders)
        Curl()->slistFreeAll(static_cast<curl_slist*>(mHeaders));
    if (mOut)
    {
        mOut->Discard();  // a transfer that never finished saves nothing
        qf_close(mOut);
    }
    free(mBuffer);
    std::vector<THttpData*>& all = Requests();
    all.erase(std::remove(all.begin(), all.end(), this), all.end());
}

bool THttpData::WriteToBuffer(const char* data, unsigned long n)
{
    const uint64_t needed = uint64_t(mLength) + n + 1;
    if (needed > uint64_t(gReplyLimit) + 1)
        return false;
    if (needed > mCapacity)
    {
        uint64_t capacity = mCapacity ? mCapacity : 1;
        while (capacity < needed)
            capacity *= 2;
        char* grown = static_cast<char*>(malloc(size_t(capacity)));
        if (!grown)
            return false;
        if (mBuffer)
            memcpy(grown, mBuffer, mLength + 1);
        free(mBuffer);
        mBuffer = grown;
        mCapacity = uint32_t(std::min<uint64_t>(capacity, UINT32_MAX));
    }
    memcpy(mBuffer + mLength, data, n);
    mBuffer[mLength + n] = 0;
    return true;
}

size_t THttpData::WriteCallback(char* data, size_t size, size_t count, void* user)
{
    THttpData* self = static_cast<THttpData*>(user);
    const size_t n = size * count;
    if (n == 0)
        return 0;
    if (self->mOut)
    {
        if (uint64_t(self->mLength) + n > gReplyLimit)
        {
            self->mOverflow = true;
            return 0;
        }
        if (qf_write(self->mOut, data, n) != n)
            return 0;
    }
    else if (!self->WriteToBuffer(data, n))
    {
        self->mOverflow = true;
        return 0;  // ends the transfer with a write error
    }
    self->mLength += uint32_t(n);
    return n;
}

void THttpData::Finish(int curlResult)
{
    if (mEasy)
    {
        const TCurlApi* curl = Curl();
        CURL* easy = static_cast<CURL*>(mEasy);
        long code = 0;
        curl->easyGetinfo(easy, CURLINFO_RESPONSE_CODE, &code);
        mHttpCode = code;
        if (gMulti)
            curl->multiRemoveHandle(gMulti, easy);
        curl->easyCleanup(easy);
        mEasy = nullptr;
    }
    if (mStatus == kRunning)
        mStatus = (curlResult == CURLE_OK && !mOverflow) ? kDone : kError;
    // A reply written to a file replaces the old file only when it came whole and the server
    // answered with success; anything else (a cut or malformed transfer, a reply over the cap,
    // an error page) leaves the old file untouched and ends as an error.
    if (mOut)
    {
        if (mStatus == kDone && (mHttpCode < 200 || mHttpCode > 299))
        {
            WriteDbg("HTTP reply from %s not saved to %s: the server answered %ld", mUrl.c_str(),
                     mOutputFile.c_str(), mHttpCode);
            mStatus = kError;
        }
        if (mStatus == kDone)
        {
            if (!mOut->Commit())
                mStatus = kError;
        }
        else
        {
            mOut->Discard();
        }
        qf_close(mOut);
        mOut = nullptr;
    }
    if (mStatus == kError && mOverflow)
        WriteDbg("HTTP reply from %s is larger than %u bytes", mUrl.c_str(), unsigned(gReplyLimit));
}

void THttpData::Pump()
{
    if (!gMulti)
        return;
    const TCurlApi* curl = Curl();
    int running = 0;
    curl->multiPerform(gMulti, &running);
    int left = 0;
    while (CURLMsg* message = curl->multiInfoRead(gMulti, &left))
    {
        if (message->msg != CURLMSG_DONE)
            continue;
        THttpData* data = nullptr;
        curl->easyGetinfo(message->easy_handle, CURLINFO_PRIVATE, reinterpret_cast<char**>(&data));
        const CURLcode result = message->data.result;
        if (data)
            data->Finish(result);  // removes the handle; the message is not touched after this
    }
    // Free what has ended and been let go.
    std::vector<THttpData*> done;
    for (THttpData* data : Requests())
        if (data->mReleased && data->mStatus != kRunning)
            done.push_back(data);
    for (THttpData* data : done)
        delete data;
}

void THttpData::WaitForActivity(long timeoutMs)
{
    if (!gMulti || timeoutMs <= 0)
        return;
    const std::vector<THttpData*>& all = Requests();
    if (std::none_of(all.begin(), all.end(), [](const THttpData* d) { return d->mStatus == kRunning; }))
        return;
    // Waits on the transfers' sockets, and no longer than curl's next timer.
    Curl()->multiPoll(gMulti, nullptr, 0, int(std::min<long>(timeoutMs, INT_MAX)), nullptr);
}

void THttpData::AbortAll()
{
    std::vector<THttpData*> all = Requests();
    for (THttpData* data : all)
    {
        if (data->mStatus == kRunning)
        {
            data->mStatus = kError;
            data->Finish(CURLE_ABORTED_BY_CALLBACK);
        }
        if (data->mReleased)
            delete data;
    }
}

// ---------------------------------------------------------------------------------------------
// TSimpleHttp

void TSimpleHttp::SetDefaultTimeouts(long connectMs, long totalMs)
{
    gDefaultConnectTimeout = connectMs;
    gDefaultTotalTimeout = totalMs;
}

TSimpleHttp::TSimpleHttp() : mConnectTimeout(gDefaultConnectTimeout), mTotalTimeout(gDefaultTotalTimeout)
{
}

TSimpleHttp::~TSimpleHttp()
{
    LetGo();
}

void TSimpleHttp::SetTimeouts(long connectMs, long totalMs)
{
    mConnectTimeout = connectMs;
    mTotalTimeout = totalMs;
}

void TSimpleHttp::LetGo()
{
    if (!mRequest)
        return;
    THttpData* request = mRequest;
    mRequest = nullptr;
    request->mReleased = true;
    THttpData::Pump();  // may free it
}

void TSimpleHttp::Init(const char* url, bool post, const char* outputFile)
{
    mUrl = str(url ? url : "");
    mPost = post;
    mOutputFile = str(outputFile ? outputFile : "");
    mArgs = str("");
    mFirstArg = true;
    LetGo();
}

str TSimpleHttp::EncodeValue(const char* value)
{
    std::string out;
    if (value)
    {
        for (const unsigned char* p = reinterpret_cast<const unsigned char*>(value); *p; ++p)
        {
            if (IsFormSpecial(*p))
            {
                out += '%';
                out += kHex[*p >> 4];
                out += kHex[*p & 15];
            }
            else
            {
                out += char(*p);
            }
        }
    }
    return str(out.data(), out.size());
}

void TSimpleHttp::AddArg(const char* name, const char* value)
{
    if (!mFirstArg)
        mArgs += '&';
    else if (!mPost)
        mArgs += '?';
    mArgs += str(name ? name : "");
    mArgs += '=';
    if (value)
        mArgs += EncodeValue(value);
    mFirstArg = false;
}

void TSimpleHttp::DoRequest(int /*unused*/)
{
    LetGo();
    mRequest = new THttpData(mUrl.c_str(), mOutputFile.c_str(), mArgs.c_str(), mPost, mConnectTimeout,
                             mTotalTimeout);
}

int TSimpleHttp::GetStatus()
{
    if (!mRequest)
        return THttpData::kError;
    if (mRequest->mStatus == THttpData::kRunning)
        THttpData::Pump();
    return mRequest->mStatus;
}

int TSimpleHttp::WaitUntilFinished(long timeoutMs)
{
    using Clock = std::chrono::steady_clock;
    const Clock::time_point end = Clock::now() + std::chrono::milliseconds(timeoutMs);
    int status;
    while ((status = GetStatus()) == THttpData::kRunning)
    {
        const long left =
            long(std::chrono::duration_cast<std::chrono::milliseconds>(end - Clock::now()).count());
        if (left <= 0)
            break;
        THttpData::WaitForActivity(left);
    }
    return status;
}

const char* TSimpleHttp::GetContents()
{
    if (!mRequest || mRequest->mStatus != THttpData::kDone || !mRequest->mOutputFile.empty())
        return nullptr;
    return mRequest->mBuffer ? mRequest->mBuffer : "";
}

long TSimpleHttp::GetHttpCode() const
{
    return mRequest ? mRequest->mHttpCode : 0;
}
