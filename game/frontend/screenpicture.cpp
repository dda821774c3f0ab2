// A screen's large background picture, held only while the screen shows.
#include "screenpicture.h"

#include "wgui_chunkedimage.h"

namespace Game
{

ScreenPicture::ScreenPicture(const char* name) : fileName(name)
{
}

ScreenPicture::~ScreenPicture()
{
    release();
}

void ScreenPicture::hold()
{
    if (!image)
        image = std::make_unique<WGUI::ChunkedImage>(fileName);
}

void ScreenPicture::release()
{
    image.reset();
}

void ScreenPicture::draw(int x, int y, float alpha)
{
    hold();
    image->blitAlphaRectFx(x, y, alpha);
}

}  // namespace Game
