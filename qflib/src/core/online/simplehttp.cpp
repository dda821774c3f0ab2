#include "online/simplehttp.h"

#include <curl/curl.h>

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

CURLM* gMulti = nullptr;
std::vector<THttpData*>& Requests()
{
    static std::vector<THttpData*> requests;
    return requests;
}

CURLM* Multi()
{
    if (!gMulti)
    {
        curl_global_init(CURL_GLOBAL_DEFAULT);
        gMulti = curl_multi_init();
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

    CURL* easy = curl_easy_init();
    if (!Multi() || !easy)
    {
        if (easy)
            curl_easy_cleanup(easy);
        mStatus = kError;
        return;
    }
    mEasy = easy;

    const std::string target = mPost ? mUrl : EscapeUrlBytes(mUrl + mArgs);
    bool ok = curl_easy_setopt(easy, CURLOPT_URL, target.c_str()) == CURLE_OK;
    // Only web requests; no file:, no other scheme named by a settings file.
    curl_easy_setopt(easy, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(easy, CURLOPT_USERAGENT, "qflib/Mac");
    curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(easy, CURLOPT_CONNECTTIMEOUT_MS, connectTimeoutMs);
    curl_easy_setopt(easy, CURLOPT_TIMEOUT_MS, totalTimeoutMs);
    curl_easy_setopt(easy, CURLOPT_PRIVATE, this);
    curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, &THttpData::WriteCallback);
    curl_easy_setopt(easy, CURLOPT_WRITEDATA, this);
    curl_slist* headers = curl_slist_append(nullptr, "Expect:");
    mHeaders = headers;
    curl_easy_setopt(easy, CURLOPT_HTTPHEADER, headers);
    if (mPost)
    {
        curl_easy_setopt(easy, CURLOPT_POST, 1L);
        curl_easy_setopt(easy, CURLOPT_POSTFIELDSIZE, long(mArgs.size()));
        curl_easy_setopt(easy, CURLOPT_POSTFIELDS, mArgs.c_str());
    }
    else
    {
        curl_easy_setopt(easy, CURLOPT_HTTPGET, 1L);
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

    if (curl_multi_add_handle(gMulti, easy) != CURLM_OK)
    {
        Finish(CURLE_FAILED_INIT);
        return;
    }
    EnsurePumpTask();
    // Start connecting at once; nothing here waits.
    int running = 0;
    curl_multi_perform(gMulti, &running);
}

THttpData::~THttpData()
{
    if (mEasy)
    {
        if (gMulti)
            curl_multi_remove_handle(gMulti, static_cast<CURL*>(mEasy));
        curl_easy_cleanup(static_cast<CURL*>(mEasy));
        mEasy = nullptr;
    }
    if (mHeaders)
        curl_slist_free_all(static_cast<curl_slist*>(mHeaders));
    if (mOut)
        qf_close(mOut);
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
        CURL* easy = static_cast<CURL*>(mEasy);
        long code = 0;
        curl_easy_getinfo(easy, CURLINFO_RESPONSE_CODE, &code);
        mHttpCode = code;
        if (gMulti)
            curl_multi_remove_handle(gMulti, easy);
        curl_easy_cleanup(easy);
        mEasy = nullptr;
    }
    if (mOut)
    {
        qf_close(mOut);
        mOut = nullptr;
    }
    if (mStatus == kRunning)
        mStatus = (curlResult == CURLE_OK && !mOverflow) ? kDone : kError;
    if (mStatus == kError && mOverflow)
        WriteDbg("HTTP reply from %s is larger than %u bytes", mUrl.c_str(), unsigned(gReplyLimit));
}

void THttpData::Pump()
{
    if (!gMulti)
        return;
    int running = 0;
    curl_multi_perform(gMulti, &running);
    int left = 0;
    while (CURLMsg* message = curl_multi_info_read(gMulti, &left))
    {
        if (message->msg != CURLMSG_DONE)
            continue;
        THttpData* data = nullptr;
        curl_easy_getinfo(message->easy_handle, CURLINFO_PRIVATE, reinterpret_cast<char**>(&data));
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
    curl_multi_poll(gMulti, nullptr, 0, int(std::min<long>(timeoutMs, INT_MAX)), nullptr);
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
