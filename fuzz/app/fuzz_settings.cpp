// Arbitrary bytes as a settings document: whatever the text, applying it must not crash, and
// every stored key is the name of a child of "settings".
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "app/platform.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    TConfig::Map().clear();
    TPlatform::ApplySettingsText(reinterpret_cast<const char*>(data), size);
    for (const auto& entry : TConfig::Map())
    {
        if (entry.first.empty())
            abort();
    }
    TConfig::Map().clear();
    return 0;
}
