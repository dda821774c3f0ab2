// The command line: the input split at zero bytes is the argument list (after the program's
// name) that starts the whole platform over the fake backend in a scratch folder. The game's
// entry must see the arguments joined, each followed by one blank, and the "-url=" switch must
// give the text that follows it up to the next blank.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/platform.h"
#include "fakebackend.h"
#include "foundation/debug.h"
#include "recordinghooks.h"
#include "scratchfolders.h"

namespace
{

std::string gSeen;
std::string gUrl;
bool gStringTest = false;

void Main(TPlatform*, const char* commandLine)
{
    gSeen = commandLine ? commandLine : "";
    gUrl = TPlatform::GetConfig(str(TPlatform::kDownloadURL), str()).c_str();
    gStringTest = !TPlatform::GetConfig(str("stringtest"), str()).empty();
}

struct Setup
{
    Setup()
    {
        qfSetDbgSink([](const char*) {});
        if (!folders.Create("cmdline"))
            abort();
        hooks.Install();
    }
    TScratchFolders folders;
    RecordingHooks hooks;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static Setup* setup = new Setup();
    if (size > 4096)
        return 0;
    std::vector<std::string> args = {"game"};
    std::string current;
    for (size_t i = 0; i < size; i++)
    {
        if (data[i] == 0)
        {
            args.push_back(current);
            current.clear();
        }
        else
        {
            current += char(data[i]);
        }
    }
    args.push_back(current);
    if (args.size() > 64)
        args.resize(64);
    std::vector<char*> argv;
    for (std::string& a : args)
        argv.push_back(&a[0]);
    argv.push_back(nullptr);

    setup->hooks.log.clear();
    SetNextFakeBackend(setup->folders.MakeBackend());
    gSeen.clear();
    // The start-up moves into the resources folder; the fuzzer writes its findings relative to
    // its own working folder.
    char saved[4096];
    if (!getcwd(saved, sizeof saved))
        abort();
    const int status = QuillfireExec(int(args.size()), argv.data(), &Main, false);
    if (chdir(saved) != 0 || status != 0)
        abort();

    std::string joined;
    for (size_t i = 1; i < args.size(); i++)
        joined += args[i] + ' ';
    if (gSeen != joined)
        abort();
    const size_t url = joined.find("-url=");
    if (url != std::string::npos)
    {
        const size_t start = url + 5;
        const size_t end = joined.find(' ', start);
        if (gUrl != joined.substr(start, end == std::string::npos ? std::string::npos : end - start))
            abort();
    }
    else if (!gUrl.empty())
    {
        abort();
    }
    if (gStringTest != (joined.find("--stringtest") != std::string::npos))
        abort();
    return 0;
}
