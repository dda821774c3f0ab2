// The exit statistics file ("user:metrics.txt") as the upload reads it: the first two bytes of
// the input choose how much one upload may read (1 to 4,096 bytes), the rest is the file. The
// part sent must end after the last whole record when the file is longer, hold no zero byte,
// and once dropped leave exactly the unsent rest (or no file).
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>

#include "foundation/debug.h"
#include "foundation/file.h"
#include "online/postmetrics.h"
#include "scratchdir.h"

namespace
{

const std::string& Folder()
{
    static const std::string folder = []
    {
        static const TScratchDir scratch("metrics_fuzz");  // removed at exit
        std::string scratchPath = scratch.Path();
        TFile::SetUserDir(scratchPath.c_str());
        return scratchPath;
    }();
    return folder;
}

bool ReadFile(const std::string& path, std::string* bytes)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    std::stringstream s;
    s << in.rdbuf();
    *bytes = s.str();
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static bool ready = []
    {
        qfSetDbgSink([](const char*) {});
        return true;
    }();
    (void)ready;
    if (size < 2)
        return 0;
    const unsigned long limit = 1 + ((unsigned long)(data[0] | data[1] << 8) % 4096);
    const std::string file(reinterpret_cast<const char*>(data + 2), size - 2);
    const std::string path = Folder() + "/metrics.txt";
    {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out.write(file.data(), static_cast<std::streamsize>(file.size()));
    }
    const unsigned long got = file.size() < limit ? (unsigned long)file.size() : limit;
    const unsigned char* bytes = reinterpret_cast<const unsigned char*>(file.data());
    const unsigned long length = MetricsUploadLength(bytes, got, (unsigned long)file.size());
    if (length > got || memchr(bytes, 0, length))
        abort();
    if (file.size() > got)
    {
        // Cut after the last whole record read, unless a zero byte comes first.
        const std::string read = file.substr(0, got);
        const size_t record = read.rfind("\r\n");
        const size_t zero = read.find('\0');
        const size_t end = record == std::string::npos ? got : record + 2;
        const size_t expected = zero < end ? zero : end;
        if (length != expected)
            abort();
    }
    DropSentMetrics(length);
    size_t from = length;
    while (from < file.size() && file[from] == '\0')
        ++from;
    std::string left;
    const bool exists = ReadFile(path, &left);
    if (from >= file.size() ? exists : (!exists || left != file.substr(from)))
        abort();
    return 0;
}
