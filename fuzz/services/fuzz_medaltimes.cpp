// "medaltimes.xml" read, every item looked up, and the table written back; the second round
// trip must not change it.
#include <cstddef>
#include <cstdint>

#include "services/medaltimes.h"
#include "servicesfuzz.h"

using namespace Game;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    servicesfuzz::WriteUserFile("levels/medaltimes.xml", data, size);
    MedalTimes::deleteInstance();
    MedalTimes* m = MedalTimes::instance();
    for (const auto& entry : m->getItems())
    {
        const int medal = m->getMedalType(entry.first, entry.second->goldTime);
        if (medal < MedalTimes::kGold || medal > MedalTimes::kNone)
            __builtin_trap();
    }
    m->writeXML();
    const std::string once = servicesfuzz::ReadUserFile("levels/medaltimes.xml");
    MedalTimes::deleteInstance();
    MedalTimes::instance()->writeXML();
    servicesfuzz::ExpectSame(once, servicesfuzz::ReadUserFile("levels/medaltimes.xml"), "medaltimes.xml");
    MedalTimes::deleteInstance();
    return 0;
}
