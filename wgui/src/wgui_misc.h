// The drawn mouse pointer, the data folder prefixes, the leftover debug-file singleton and the
// plain 2-D grid.
#pragma once

#include <vector>

#include "foundation/str.h"

namespace WGUI
{

class ImageMap;

class MouseCursor
{
public:
    enum
    {
        kArrow = 0,
        kHand = 1,
        kCaret = 2
    };

    MouseCursor();
    void show() { shown = true; }
    void hide() { shown = false; }
    void setPos(int nx, int ny)
    {
        x = nx;
        y = ny;
    }
    void setCursorType(int t) { type = t; }
    int getCursorType() const { return type; }
    void update() {}
    void draw();

private:
    bool shown = true;
    int x = 0, y = 0;
    int hotX[3] = {0, 12, 7};
    int hotY[3] = {0, 1, 6};
    ImageMap* maps[3] = {nullptr, nullptr, nullptr};
    int cells[3] = {0, 0, 0};
    int type = kArrow;
};

class Pathnames
{
public:
    static Pathnames* instance();
    // Made by the start-up, before any look-up (reads its file where it has one); returns
    // the one made already when there is one.
    static Pathnames* createInstance();
    static void deleteInstance();

    const str& getLevels() const { return levels; }
    const str& getGraphics() const { return graphics; }
    const str& getSound() const { return sounds; }
    const str& getFonts() const { return fonts; }
    const str& getPreferences() const { return preferences; }

private:
    Pathnames();
    str gameWord, base, levels, graphics, sounds, music, fonts, preferences;
    static Pathnames* sInstance;
};

// Only deletion remains of the debug file.
class DebugFile
{
public:
    static void deleteInstance();
};

template <class T>
class Array2d
{
public:
    Array2d(int width, int height, const T& initial)
        : width(width > 0 ? width : 0), height(height > 0 ? height : 0),
          cells(static_cast<size_t>(this->width) * static_cast<size_t>(this->height), initial)
    {
    }
    int getWidth() const { return width; }
    int getHeight() const { return height; }
    bool inside(int x, int y) const { return x >= 0 && y >= 0 && x < width && y < height; }
    // Cell (x, y) lies at x + y * width; callers keep to the grid (see inside()).
    T& at(int x, int y) { return cells[static_cast<size_t>(x + y * width)]; }
    const T& at(int x, int y) const { return cells[static_cast<size_t>(x + y * width)]; }
    T& operator()(int x, int y) { return at(x, y); }
    const T& operator()(int x, int y) const { return at(x, y); }

private:
    int width;
    int height;
    std::vector<T> cells;
};

}  // namespace WGUI
