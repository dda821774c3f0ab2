// The exit statistics upload.
#include "online/postmetrics.h"

#include <chrono>
#include <cstring>
#include <memory>
#include <thread>

#include "app/platform.h"
#include "foundation/debug.h"
#include "foundation/file.h"
#include "online/simplehttp.h"

namespace
{

long gUploadTimeout = 10000;
const unsigned long kMaxUpload = 65536;
const char kMetricsFile[] = "user:metrics.txt";

}  // namespace

unsigned long MetricsUploadLength(const unsigned char* data, unsigned long got, unsigned long fileSize)
{
    unsigned long length = got;
    if (fileSize > got)
    {
        for (unsigned long i = got; i >= 2; --i)
            if (data[i - 2] == '\r' && data[i - 1] == '\n')
            {
                length = i;
                break;
            }
    }
    const void* zero = length ? memchr(data, 0, length) : nullptr;
    return zero ? static_cast<unsigned long>(static_cast<const unsigned char*>(zero) - data) : length;
}

void DropSentMetrics(unsigned long sent)
{
    TFile in;
    if (!in.Open(str(kMetricsFile), kFileRead))
        return;
    const unsigned long size = in.Size();
    std::unique_ptr<unsigned char[]> all(new unsigned char[size ? size : 1]);
    const unsigned long got = in.Read(all.get(), size);
    in.Close();
    unsigned long from = sent < got ? sent : got;
    while (from < got && all[from] == 0)
        ++from;
    if (from >= got)
    {
        TFile::DeleteFile(str(kMetricsFile));
        return;
    }
    TFile out;  // replace mode writes a temporary file and renames it on Close
    if (!out.Open(str(kMetricsFile), kFileWrite))
    {
        WriteDbg("Could not rewrite %s after the upload", kMetricsFile);
        return;
    }
    if (out.Write(all.get() + from, got - from) != got - from)
        WriteDbg("Could not rewrite %s after the upload", kMetricsFile);
    out.Close();
}

void SetPostMetricsTimeout(long totalMs)
{
    gUploadTimeout = totalMs;
}

void PostMetrics()
{
    if (!TFile::Exists(str(kMetricsFile)))
        return;
    std::unique_ptr<unsigned char[]> buffer(new unsigned char[kMaxUpload + 1]);
    unsigned long got = 0;
    unsigned long fileSize = 0;
    {
        TFile file;
        if (file.Open(str(kMetricsFile), kFileRead))
        {
            fileSize = file.Size();
            got = file.Read(buffer.get(), kMaxUpload);
            file.Close();
        }
    }
    // A longer file is sent up to its last whole record within the limit, so no record is
    // split between two uploads.
    const unsigned long length = MetricsUploadLength(buffer.get(), got, fileSize);
    buffer[length] = 0;
    if (length == 0)
        return;

    const str site = TPlatform::GetConfig(str("site"), str());
    if (site.empty())
    {
        WriteDbg("No \"site\" configured: the statistics stay for a later upload");
        return;
    }
    const str url = str::getFormatted("http://%s/servlet/exitStats", site.c_str());

    int status = THttpData::kError;
    long code = 0;
    {
        TSimpleHttp http;
        http.SetTimeouts(gUploadTimeout < 10000 ? gUploadTimeout : 10000, gUploadTimeout);
        http.Init(url.c_str(), true, nullptr);
        http.AddArg("game", TPlatform::GetConfig(str(TPlatform::kQFGameHandle), str()).c_str());
        http.AddArg("game_version", TPlatform::GetConfig(str(TPlatform::kGameVersion), str()).c_str());
        http.AddArg("game_variant", "macintosh");
        http.AddArg("game_data", reinterpret_cast<const char*>(buffer.get()));
        http.DoRequest(1);
        // The request's own time-out ends this loop.
        while ((status = http.GetStatus()) == THttpData::kRunning)
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        code = http.GetHttpCode();
    }
    if (status == THttpData::kDone && code >= 200 && code < 300)
        DropSentMetrics(length);
}
