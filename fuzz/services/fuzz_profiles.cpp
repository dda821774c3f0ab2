// "profiles.xml" read, edited through the profile operations and written back.
#include <cstddef>
#include <cstdint>

#include "services/profiles.h"
#include "servicesfuzz.h"

using namespace Game;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    servicesfuzz::WriteUserFile("profiles.xml", data, size);
    Profiles::deleteInstance();
    Profiles* p = Profiles::instance();
    if (p->getNumProfiles() > 0)
    {
        const str first = p->getNames()[0];
        p->changePlayerName(first, first + "x");
        p->removeProfile(p->getActiveProfile());
        p->addProfile(first);
    }
    p->writeXML();
    const std::string once = servicesfuzz::ReadUserFile("profiles.xml");
    Profiles::deleteInstance();
    Profiles::instance()->writeXML();
    servicesfuzz::ExpectSame(once, servicesfuzz::ReadUserFile("profiles.xml"), "profiles.xml");
    Profiles::deleteInstance();
    return 0;
}
