// "options.xml" as read at start-up; what is written back must read back to the same file.
#include <cstddef>
#include <cstdint>

#include "services/options.h"
#include "servicesfuzz.h"

using namespace Game;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    servicesfuzz::WriteUserFile("options.xml", data, size);
    Options::deleteInstance();
    Options* o = Options::instance();
    if (Options::validDisplayResolution(o->getWidth(), o->getHeight()) == false &&
        !(o->getWidth() == 800 && o->getHeight() == 600))
        __builtin_trap();
    o->writeXML();
    const std::string first = servicesfuzz::ReadUserFile("options.xml");
    Options::deleteInstance();
    Options::instance()->writeXML();
    servicesfuzz::ExpectSame(first, servicesfuzz::ReadUserFile("options.xml"), "options.xml");
    Options::deleteInstance();
    return 0;
}
