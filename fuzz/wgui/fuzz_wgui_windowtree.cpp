// Drives the manager and a window tree with an operation script taken from the input: windows
// made, moved between parents, hidden, deleted (also from inside their own mouse handlers and
// transition hooks, which delete or hide siblings), mouse and key events, transitions attached,
// queued and chained, and frames run. Nothing may crash or touch freed memory.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "app/event.h"
#include "wgui_input.h"
#include "wgui_manager.h"
#include "wgui_timer.h"
#include "wgui_transition.h"
#include "wgui_window.h"

namespace
{

struct Reader
{
    const uint8_t* data;
    size_t size;
    size_t pos = 0;
    bool more() const { return pos < size; }
    uint8_t byte() { return pos < size ? data[pos++] : 0; }
    int small(int n) { return n > 0 ? byte() % n : 0; }
    int coord() { return static_cast<int>(byte()) * 3 - 60; }
};

class Harness;

// A window whose handlers change the tree: they hide or delete a sibling chosen by the script.
class Busy : public WGUI::Window
{
public:
    Busy(Harness* h, int mode) : harness(h), mode(mode) {}
    void messageMousePressed(int x, int y, int b) override;
    void messageMouseReleased(int x, int y, int b) override;
    void transitionFinished(bool wasIn) override;

    Harness* harness;
    int mode;
};

class Harness
{
public:
    std::vector<WGUI::Window*> windows;  // every live window but the root
    WGUI::Manager* manager = nullptr;

    WGUI::Window* pick(Reader& r, bool rootToo)
    {
        size_t n = windows.size() + (rootToo ? 1 : 0);
        if (n == 0)
            return nullptr;
        size_t i = static_cast<size_t>(r.byte()) % n;
        return i < windows.size() ? windows[i] : manager->getRoot();
    }

    void destroy(WGUI::Window* w)
    {
        for (size_t i = 0; i < windows.size(); ++i)
            if (windows[i] == w)
            {
                windows.erase(windows.begin() + static_cast<long>(i));
                delete w;
                return;
            }
    }

    // The side effect of a busy handler: on a sibling (never the window itself or an ancestor
    // of it, whose handler is running further up the call chain).
    void sideEffect(Busy* self)
    {
        if (windows.size() < 2)
            return;
        WGUI::Window* victim = windows[static_cast<size_t>(self->mode) % windows.size()];
        for (WGUI::Window* a = self; a; a = a->getParent())
            if (a == victim)
                return;
        for (WGUI::Window* a = victim; a; a = a->getParent())
            if (a == self)
                return;  // a descendant: its handler may be the one running
        if (self->mode % 2)
            victim->setVisible(!victim->isVisible());
        else
            destroy(victim);
    }
};

void Busy::messageMousePressed(int x, int y, int b)
{
    WGUI::Window::messageMousePressed(x, y, b);
    harness->sideEffect(this);
}

void Busy::messageMouseReleased(int x, int y, int b)
{
    WGUI::Window::messageMouseReleased(x, y, b);
    harness->sideEffect(this);
}

void Busy::transitionFinished(bool)
{
    harness->sideEffect(this);
    if (mode % 3 == 0)
    {
        WGUI::Transition* t = new WGUI::Transition();
        t->setType(mode % 11);
        t->setTotalTime(0.1);
        setTransition(t);
    }
}

WGUI::Transition* makeTransition(Reader& r)
{
    WGUI::Transition* t = new WGUI::Transition();
    t->setType(r.small(12));
    t->setType2(r.small(12));
    t->setAngle(r.small(360));
    t->setTotalTime(r.small(8) * 0.05);
    return t;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    Reader r{data, size};
    Harness h;
    h.manager = new WGUI::Manager(320, 240, -1, true, "fuzz");
    int steps = 0;
    while (r.more() && steps++ < 400)
    {
        switch (r.small(12))
        {
        case 0:
        {  // a window under a parent
            if (h.windows.size() >= 40)
                break;
            WGUI::Window* parent = h.pick(r, true);
            WGUI::Window* w = r.small(2) ? new Busy(&h, r.byte()) : new WGUI::Window();
            w->setPixAlPos(r.coord(), r.coord());
            w->setPixSize(r.coord(), r.coord());
            w->setAlign(r.small(6), r.small(6));
            w->setUseVirtCoordPos(r.small(2), r.small(2));
            w->setUseVirtCoordDim(r.small(2), r.small(2));
            w->setAlwaysOnTop(r.small(2));
            w->setMouseMoveToTop(r.small(2));
            w->setFillOutside(r.small(2));
            h.windows.push_back(w);
            parent->addWindow(w);
            break;
        }
        case 1:
            if (WGUI::Window* w = h.pick(r, false))
                h.destroy(w);
            break;
        case 2:
            if (WGUI::Window* w = h.pick(r, false))
                w->setVisible(!w->isVisible());
            break;
        case 3: WGUI::Input::instance()->messageMouseMove(r.coord(), r.coord()); break;
        case 4:
            if (r.small(2))
                WGUI::Input::instance()->messageLeftMouseDown();
            else
                WGUI::Input::instance()->messageLeftMouseUp();
            break;
        case 5:
        case 6:
            h.manager->update();
            h.manager->draw();
            break;
        case 7:
            if (WGUI::Window* w = h.pick(r, false))
            {
                WGUI::Transition* t = makeTransition(r);
                if (r.small(2))
                {
                    t->setNextTransition(makeTransition(r));
                    t->setNextWindow(h.pick(r, false));
                }
                if (r.small(2))
                    w->setTransition(t);
                else
                    h.manager->addTransition(t, w);
            }
            break;
        case 8:
        {
            static const int types[] = {TEvent::kKeyDown, TEvent::kKeyUp, TEvent::kCharacter,
                                        TEvent::kMouseExtended};
            TEvent e(types[r.small(4)], r.byte(), 0, 0, 0);
            WGUI::WEvent we(e);
            WGUI::managerCallbackFunc(we);
            break;
        }
        case 9:
            if (WGUI::Window* w = h.pick(r, false))
            {
                if (r.small(2))
                    w->setActive(r.small(2));
                else
                    w->setAlwaysActive(r.small(2));
            }
            break;
        case 10:
        {
            WGUI::Window* w = h.pick(r, false);
            WGUI::Window* to = h.pick(r, true);
            if (w && to)
            {
                if (r.small(2))
                    to->addWindow(w);  // refused when it would make a cycle
                else if (w->getParent())
                    w->getParent()->moveChildToTopMes(w);
            }
            break;
        }
        case 11:
            if (WGUI::Window* w = h.pick(r, false))
            {
                w->setTooltip(r.small(2), "tip");
                w->setOpacitySelf(r.small(5) * 0.3);
            }
            break;
        }
    }
    // The game deletes its screens before the manager.
    while (!h.windows.empty())
        h.destroy(h.windows.back());
    WGUI::Manager::deleteInstance();
    WGUI::Timer::deleteInstance();
    return 0;
}
