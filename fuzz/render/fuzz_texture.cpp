// Texture loading as the renderer does it: an image with an optional mask partner, merged and
// packed into a surface. The first byte chooses the image kind (PNG or JPEG), the mask (none, an
// explicit PNG or JPEG mask, or the automatic ".mask.png" partner of a JPEG) and the kind of
// texture (plain, merged, simple: simple ones wider than the display get their rows packed into
// system memory); the next two bytes give the image's length, the rest after it is the mask.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "foundation/confighook.h"
#include "fuzz_image_common.h"
#include "recordinghandler.h"
#include "render/renderer.h"
#include "render/texture.h"

namespace
{

bool gAutoMerge = false;

str ReadConfig(const char* key)
{
    if (str(key) == str("automergemask"))
        return str(gAutoMerge ? "1" : "0");
    return str("");
}

struct Setup
{
    Setup()
    {
        qfSetConfigReader(&ReadConfig);
        auto handler = std::make_unique<TRecordingDisplayHandler>();
        // A narrow display, so that simple textures are packed for system memory.
        handler->SetDisplay(64, 48, false, false, false, false);
        TRenderer::CreateInstance(std::move(handler));
    }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static Setup setup;
    if (size < 3)
        return 0;
    const uint8_t how = data[0];
    size_t imageSize = size_t(data[1]) | size_t(data[2]) << 8;
    data += 3;
    size -= 3;
    if (imageSize > size)
        imageSize = size;
    const bool jpeg = how & 1;
    const int maskKind = (how >> 1) & 3;  // 0 none, 1 PNG mask, 2 JPEG mask, 3 automatic partner
    const int textureKind = (how >> 3) % 3;
    gAutoMerge = maskKind == 3;

    const char* imageName = jpeg ? "fuzzimage.jpg" : "fuzzimage.png";
    TFuzzMemoryFile image(imageName, data, imageSize);
    const char* maskName = maskKind == 2   ? "fuzzmask.jpg"
                           : maskKind == 3 ? "fuzzimage.mask.png"
                                           : "fuzzmask.png";
    TFuzzMemoryFile mask(maskName, data + imageSize, size - imageSize);

    std::shared_ptr<TTexture> texture;
    if (textureKind == 1 && maskKind != 0 && maskKind != 3)
        texture = TTexture::GetMerged(str(imageName), str(maskName), how >> 7);
    else if (textureKind == 2)
        texture = TTexture::GetSimple(str(imageName));
    else
        texture = TTexture::Get(str(imageName), how >> 5);
    return 0;
}
