// The credits text ("credits.txt") read from any bytes: what is shown holds only bytes 1 to 127,
// in their order, at most the screen's limit of them.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <string>

#include "creditswindow.h"
#include "scratchdir.h"

using namespace Game;

namespace
{

const std::string& Path()
{
    static const std::string path = []
    {
        static const TScratchDir scratch("credits_fuzz");  // removed at exit
        std::string scratchPath = scratch.Path();
        return scratchPath + "/credits.txt";
    }();
    return path;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    {
        std::ofstream out(Path(), std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    }
    const str text = CreditsWindow::readCreditsText(str(("::" + Path()).c_str()));
    std::string expected;
    for (size_t i = 0; i < size && expected.size() < size_t(CreditsWindow::kMaxCreditsBytes); i++)
        if (data[i] != 0 && data[i] <= 127)
            expected += char(data[i]);
    if (std::string(text.c_str(), text.length()) != expected)
        abort();
    return 0;
}
