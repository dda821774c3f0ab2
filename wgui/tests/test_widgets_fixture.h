// Fixture of the widget and image tests: the core platform fixture plus a scratch graphics folder
// with generated pictures and an "imagemaps.xml", and helpers that read back the recorder's
// sprite draws.
#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "foundation/file.h"
#include "imagefixtures.h"
#include "render/renderer.h"
#include "test_core_fixture.h"
#include "wgui_animation.h"
#include "wgui_font.h"
#include "wgui_imagemap.h"
#include "wgui_misc.h"

namespace wguitest
{

// A sprite draw as the recorder saw it: the quad's corners, texture and colour.
struct Quad
{
    const TTexture* texture = nullptr;
    float x[4] = {0, 0, 0, 0}, y[4] = {0, 0, 0, 0};
    float u[4] = {0, 0, 0, 0}, v[4] = {0, 0, 0, 0};
    TColor32 color;
    int blendMode = 0;
    float minX() const { return std::fmin(std::fmin(x[0], x[1]), std::fmin(x[2], x[3])); }
    float maxX() const { return std::fmax(std::fmax(x[0], x[1]), std::fmax(x[2], x[3])); }
    float minY() const { return std::fmin(std::fmin(y[0], y[1]), std::fmin(y[2], y[3])); }
    float maxY() const { return std::fmax(std::fmax(y[0], y[1]), std::fmax(y[2], y[3])); }
};

class ImageFixture : public PlatformFixture
{
protected:
    void SetUp() override
    {
        PlatformFixture::SetUp();
        if (HasFatalFailure())
            return;
    }

    // Writes an asset (relative to the assets folder) and rescans the resource map.
    void WriteAsset(const std::string& relative, const std::string& bytes)
    {
        WriteFile("res/assets/" + relative, bytes);
        TFile::ScanForResources();
    }
    void WriteAsset(const std::string& relative, const std::vector<uint8_t>& bytes)
    {
        WriteAsset(relative, std::string(bytes.begin(), bytes.end()));
    }
    // A w x h picture of one colour (words A << 24 | R << 16 | G << 8 | B).
    void WritePicture(const std::string& name, int w, int h, uint32_t word = 0xFF808080u)
    {
        std::vector<uint32_t> words(static_cast<size_t>(w) * static_cast<size_t>(h), word);
        WriteAsset("graphics/" + name + ".png", qftest::EncodePngRgba(w, h, words));
    }

    void BeginFrame()
    {
        handler->calls.clear();
        TRenderer::GetInstance()->BeginDraw(false);
        TRenderer::GetInstance()->Begin2d();
    }
    void EndFrame()
    {
        TRenderer::GetInstance()->End2d();
        TRenderer::GetInstance()->EndDraw(false);
    }

    // Textured quads drawn since the last BeginFrame.
    std::vector<Quad> Quads() const
    {
        std::vector<Quad> out;
        for (const auto& c : handler->calls)
        {
            if (c.kind != TDrawCall::kVertices || !c.texture || c.verts.size() != 4)
                continue;
            Quad q;
            q.texture = c.texture;
            for (int i = 0; i < 4; ++i)
            {
                q.x[i] = c.verts[static_cast<size_t>(i)].pos.x;
                q.y[i] = c.verts[static_cast<size_t>(i)].pos.y;
                q.u[i] = c.verts[static_cast<size_t>(i)].u;
                q.v[i] = c.verts[static_cast<size_t>(i)].v;
            }
            q.color = c.verts[0].color;
            q.blendMode = c.blendMode;
            out.push_back(q);
        }
        return out;
    }
};

}  // namespace wguitest

#include "wgui_manager.h"
#include "wgui_window.h"

namespace wguitest
{

// The library's own maps ("button", "gui", "checkbox", "arrows") over generated pictures, a
// manager (for the pointer and the skin) and a root window of 640 x 480.
class WidgetFixture : public ImageFixture
{
protected:
    void SetUp() override
    {
        ImageFixture::SetUp();
        if (HasFatalFailure())
            return;
        WritePicture("button", 108, 48);
        WritePicture("gui", 256, 256);
        WritePicture("checkbox", 80, 16);
        WritePicture("arrows", 128, 16);
        WriteAsset("graphics/imagemaps.xml",
                   "<imagemaps>"
                   "<imagemap name=\"button\" filename=\"button\" width=\"108\" height=\"48\" "
                   "alwaysneeded=\"true\"><cellgrid width=\"12\" height=\"12\"/></imagemap>"
                   "<imagemap name=\"gui\" filename=\"gui\" width=\"256\" height=\"256\" "
                   "alwaysneeded=\"true\"><cellgrid width=\"26\" height=\"26\" number=\"12\"/>"
                   "<cellgrid width=\"12\" height=\"12\" number=\"9\"/>"
                   "<cell x1=\"0\" y1=\"200\" x2=\"26\" y2=\"226\"/>"
                   "<cell x1=\"0\" y1=\"200\" x2=\"26\" y2=\"226\"/>"
                   "<cell x1=\"0\" y1=\"200\" x2=\"26\" y2=\"226\"/>"
                   "<cell x1=\"0\" y1=\"200\" x2=\"26\" y2=\"226\"/>"
                   "<cell x1=\"0\" y1=\"200\" x2=\"26\" y2=\"226\"/>"
                   "<cell x1=\"0\" y1=\"200\" x2=\"26\" y2=\"226\"/>"
                   "<cell x1=\"0\" y1=\"230\" x2=\"10\" y2=\"246\"/>"
                   "<cell x1=\"10\" y1=\"230\" x2=\"30\" y2=\"246\"/>"
                   "<cell x1=\"30\" y1=\"230\" x2=\"40\" y2=\"246\"/>"
                   "<cell x1=\"50\" y1=\"230\" x2=\"70\" y2=\"250\"/>"
                   "<cell x1=\"50\" y1=\"230\" x2=\"70\" y2=\"250\"/>"
                   "<cell x1=\"50\" y1=\"230\" x2=\"70\" y2=\"250\"/>"
                   "<cell x1=\"50\" y1=\"230\" x2=\"70\" y2=\"250\"/>"
                   "</imagemap>"
                   "<imagemap name=\"checkbox\" filename=\"checkbox\" width=\"80\" height=\"16\" "
                   "alwaysneeded=\"true\"><cellgrid width=\"16\" height=\"16\"/></imagemap>"
                   "<imagemap name=\"arrows\" filename=\"arrows\" width=\"128\" height=\"16\" "
                   "alwaysneeded=\"true\"><cellgrid width=\"16\" height=\"16\"/></imagemap>"
                   "</imagemaps>");
        manager = new WGUI::Manager(640, 480, -1, true, "test");
        root = manager->getRoot();
    }

    void TearDown() override
    {
        WGUI::Manager::deleteInstance();
        manager = nullptr;
        ImageFixture::TearDown();
    }

    // One frame of the tree: the clock moves, then every window updates.
    void Frame(unsigned ms = 16)
    {
        Tick(backend, ms);
        root->update();
    }
    int CursorType() const { return manager->getMouseCursor()->getCursorType(); }
    void ResetCursor() { manager->getMouseCursor()->setCursorType(0); }

    WGUI::Manager* manager = nullptr;
    WGUI::Window* root = nullptr;
};

// A listener that writes down what it hears.
struct Recorder : WGUI::Listener
{
    std::vector<std::string> calls;
    std::vector<WGUI::Button*> buttons;
    std::vector<int> items;
    void buttonPressed(WGUI::Button* b) override
    {
        calls.push_back("pressed");
        buttons.push_back(b);
    }
    void buttonReleased(WGUI::Button* b) override
    {
        calls.push_back("released");
        buttons.push_back(b);
    }
    void buttonRepeat(WGUI::Button* b) override
    {
        calls.push_back("repeat");
        buttons.push_back(b);
    }
    void buttonDragged(int, int, WGUI::Button* b) override
    {
        calls.push_back("dragged");
        buttons.push_back(b);
    }
    void textChanged(WGUI::TextInput*) override { calls.push_back("text"); }
    void sliderValueChanged(WGUI::Slider*) override { calls.push_back("slider"); }
    void itemSelected(WGUI::Window*, int i) override
    {
        calls.push_back("item");
        items.push_back(i);
    }
    int count(const std::string& what) const
    {
        int n = 0;
        for (const auto& c : calls)
            n += c == what;
        return n;
    }
};

}  // namespace wguitest
