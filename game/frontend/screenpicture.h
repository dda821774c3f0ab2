// The large picture behind a screen (the title, the level map), held only while the screen
// shows: each takes two 512 x 512 textures, and a screen out of sight has no use for them. The
// screen holds it when it becomes visible and lets it go when it is hidden; a draw without it
// (a screen made visible and never hidden) holds it first.
#pragma once

#include <memory>

#include "foundation/str.h"

namespace WGUI
{
class ChunkedImage;
}

namespace Game
{

class ScreenPicture
{
public:
    // A chunked-picture description in the graphics folder; nothing is read yet.
    explicit ScreenPicture(const char* fileName);
    ~ScreenPicture();
    ScreenPicture(const ScreenPicture&) = delete;
    ScreenPicture& operator=(const ScreenPicture&) = delete;

    // Reads the picture unless it is held already.
    void hold();
    // Frees the picture and its textures.
    void release();
    bool isHeld() const { return image != nullptr; }

    // Holds the picture, then draws it with its top-left at (x, y).
    void draw(int x, int y, float alpha);

private:
    str fileName;
    std::unique_ptr<WGUI::ChunkedImage> image;
};

}  // namespace Game
