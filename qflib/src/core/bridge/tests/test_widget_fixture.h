// The bridge fixture with the scripted widgets registered, a dialog layer on the screen, and
// small PNG pictures in the assets folder: layer images, click masks, slider pieces.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "bridge/buttonwindow.h"
#include "bridge/imagewindow.h"
#include "bridge/layeredwindow.h"
#include "bridge/moviehost.h"
#include "bridge/scriptwidgets.h"
#include "bridge/sliderwindow.h"
#include "bridge/texteditwindow.h"
#include "bridge/textwindow.h"
#include "bridge_fixture.h"
#include "imagefixtures.h"

namespace wtest
{

// A PNG of one colour (r, g, b) and the given size.
inline std::string SolidPng(int w, int h, unsigned r, unsigned g, unsigned b)
{
    std::vector<uint32_t> words(size_t(w) * size_t(h), 0xFF000000u | r << 16 | g << 8 | b);
    const std::vector<uint8_t> bytes = qftest::EncodePngRgba(w, h, words);
    return std::string(bytes.begin(), bytes.end());
}

// A mask whose left half is near black (10, 10, 10) and right half red (20, 0, 0).
inline std::string HalfMaskPng(int w, int h)
{
    std::vector<uint32_t> words(size_t(w) * size_t(h));
    for (int y = 0; y < h; y++)
        for (int x = 0; x < w; x++)
            words[size_t(y) * size_t(w) + size_t(x)] = x < w / 2 ? 0xFF0A0A0Au : 0xFF140000u;
    const std::vector<uint8_t> bytes = qftest::EncodePngRgba(w, h, words);
    return std::string(bytes.begin(), bytes.end());
}

class WidgetTest : public btest::WindowScriptTest
{
protected:
    std::vector<std::pair<std::string, std::string>> AssetFiles() const override
    {
        return {
            {"a.png", SolidPng(40, 20, 200, 0, 0)},
            {"b.png", SolidPng(40, 20, 0, 200, 0)},
            {"c.png", SolidPng(40, 20, 0, 0, 200)},
            {"d.png", SolidPng(40, 20, 100, 100, 100)},
            {"pic.png", SolidPng(100, 40, 50, 50, 50)},
            {"mask.png", HalfMaskPng(20, 10)},
            {"blackmask.png", SolidPng(20, 10, 19, 19, 19)},
            {"railtop.png", SolidPng(8, 10, 90, 90, 90)},
            {"railmid.png", SolidPng(8, 4, 90, 90, 90)},
            {"railbot.png", SolidPng(8, 12, 90, 90, 90)},
            {"thumb.png", SolidPng(20, 20, 200, 200, 200)},
            {"thumbroll.png", SolidPng(20, 20, 250, 250, 250)},
            {"hthumb.png", SolidPng(10, 16, 200, 200, 200)},
        };
    }

    void SetUp() override
    {
        InstallScriptedWidgets();
        btest::WindowScriptTest::SetUp();
        if (HasFatalFailure())
            return;
        // A dialog layer of the screen's size; scripts build into it.
        ASSERT_TRUE(Run("gDialogId = PushModal('dialog')"));
        dialog = manager->GetTopModalWindow();
        ASSERT_NE(dialog, nullptr);
        dialog->SetWindowSize(640, 480);
    }

    void TearDown() override
    {
        btest::WindowScriptTest::TearDown();
        for (const char* type : {"Slider", "Bitmap", "Button", "Text", "TextEdit"})
            TLuaWindowScript::SetBuiltinWindowClass(str(type), 0);
        SetMovieHostFactory(nullptr);
        SetMoviePresenterFactory(nullptr);
    }

    template <class T>
    T* Find(const char* name)
    {
        TWindow* w = dialog->GetChildWindow(str(name), -1);
        return w && w->IsKindOf(T::ClassId()) ? static_cast<T*>(w) : nullptr;
    }

    // The messages queued with the window manager, as "type name", left in the queue.
    std::vector<std::string> Queue()
    {
        std::vector<std::string> out;
        for (const std::unique_ptr<TMessage>& m : manager->GetQueue())
            out.push_back(std::to_string(m->mType) + " " + m->mName.c_str());
        return out;
    }

    // Starts a coroutine that waits for messages for ever, running the commands they carry,
    // and counting them in gSeen.
    void StartWaiting()
    {
        ASSERT_TRUE(Run("gSeen = 0 return function() while true do local m = WaitForMessage() "
                        "if m then gSeen = gSeen + 1 gLastType = m.type gLastName = m.name end end end"));
    }

    // A widget made from C++ under `parent` and set up from a window table written in script.
    template <class T>
    T* Create(TWindow* parent, const std::string& table)
    {
        if (!Run("gTestTable = " + table))
            return nullptr;
        lua_pushstring(L(), "gTestTable");
        lua_gettable(L(), LUA_GLOBALSINDEX);
        TLuaTable handle(L());
        TLuaWindowStyle style(&handle);
        T* window = new T();
        parent->AdoptChild(window, true);
        window->Init(style);
        window->PostChildrenInit(style);
        return window;
    }

    TModalWindow* dialog = nullptr;
};

// A window that keeps the messages its children send it.
class MessageSink : public TWindow
{
public:
    bool OnMessage(TMessage* m) override
    {
        got.push_back(std::to_string(m->mType) + " " + m->mName.c_str());
        return true;
    }
    std::vector<std::string> got;
};

}  // namespace wtest
