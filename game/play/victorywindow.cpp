// The victory dialog: time or medal, the counted-up total and the tally of kinds eaten.
#include "victorywindow.h"

#include <algorithm>
#include <cmath>

#include "entitydef.h"
#include "gamewindow.h"
#include "level.h"
#include "services/eatenentities.h"
#include "services/levelprogress.h"
#include "services/managerservices.h"
#include "services/medaltimes.h"
#include "services/navigation.h"
#include "services/particles.h"
#include "services/saves.h"
#include "services/soundeffects.h"
#include "wgui_button.h"
#include "wgui_font.h"
#include "wgui_helpers.h"
#include "wgui_imagemap.h"
#include "wgui_label.h"
#include "wgui_manager.h"
#include "wgui_slider.h"
#include "wgui_timer.h"
#include "wgui_transition.h"

namespace Game
{

namespace
{

std::unique_ptr<WGUI::Label> makeLabel(int x, int y, str text)
{
    auto l = std::make_unique<WGUI::Label>();
    l->setUseVirtCoordPos(false, false);
    l->setPixAlPos(x, y);
    l->setAlign(0, 2);
    l->setText(text);
    l->setColour(0, 0, 0, 1);
    l->setMouseMoveToTop(false);
    return l;
}

str text(const char* key)
{
    return WGUI::StringTable::instance()->getString(key);
}

EntityDef* defOf(EntityNum* n)
{
    return n ? dynamic_cast<EntityDef*>(n->entityDef) : nullptr;
}

}  // namespace

VictoryWindow::VictoryWindow() : WGUI::FancyWindow(true, text("victorywindowtitle"))
{
    setName(screenName(kScreen));
    setAlwaysActive(false);
    setMouseMoveToTop(false);
    setUseVirtCoordPos(false, false);
    setUseVirtCoordDim(false, false);
    setPixWidth(280);
    setPixHeight(360);
    setAlign(4, 4);

    continueButton = std::make_unique<WGUI::TextButton>();
    continueButton->setText(text("continue"));
    continueButton->setTooltip(true, text("victorycontinuetip"));
    continueButton->setUseVirtCoordPos(false, false);
    continueButton->setUseVirtCoordDim(false, false);
    continueButton->setPixAlPos(20, 20);
    continueButton->setPixWidth(100);
    continueButton->setPixHeight(30);
    continueButton->setAlign(1, 3);
    continueButton->setListener(this);
    addWindow(continueButton.get());

    timeCaption = makeLabel(40, 35, text("timeleft"));
    addWindow(timeCaption.get());
    timeValue = makeLabel(135, 35, str(""));
    addWindow(timeValue.get());
    totalCaption = makeLabel(40, 60, text("totaleaten"));
    addWindow(totalCaption.get());
    totalLabel = makeLabel(135, 60, str("0"));
    addWindow(totalLabel.get());

    medal = std::make_unique<WGUI::Graphic>();
    medal->setUseVirtCoordPos(false, false);
    medal->setPixAlPos(170, 27);
    medal->setAlign(0, 2);
    medal->setGraphic(WGUI::ImageMaps::get("medal"), 0);
    medal->setMouseMoveToTop(false);
    addWindow(medal.get());

    tallyFrame = std::make_unique<WGUI::GraphicGroupBox>();
    tallyFrame->setUseVirtCoordPos(false, false);
    tallyFrame->setUseVirtCoordDim(false, false);
    tallyFrame->setPixAlPos(0, 80);
    tallyFrame->setPixWidth(220);
    tallyFrame->setPixHeight(220);
    tallyFrame->setAlign(4, 2);
    tallyFrame->setMouseMoveToTop(false);
    addWindow(tallyFrame.get());

    if (SoundEffectSystem::hasInstance())
        clickSound = SoundEffectSystem::instance()->getSoundEffect("click");
}

VictoryWindow::~VictoryWindow() = default;

void VictoryWindow::setLevelTime(int seconds, str file, LevelMode newMode)
{
    levelFile = file;
    mode = newMode;
    if (mode != LevelMode::kTimed)
    {
        timeCaption->setText(text("timetaken"));
        timeValue->setText(WGUI::intToTime(seconds));
        medal->setGraphic(nullptr, 0);
        return;
    }
    int limit = 0, gold = 0, silver = 0, bronze = 0;
    if (MedalTimesItem* item = MedalTimes::instance()->getMedalTimesItem(file))
    {
        limit = item->timeLimit;
        gold = item->goldTime;
        silver = item->silverTime;
        bronze = item->bronzeTime;
    }
    else if (GameWindow* g = screenOf<GameWindow>())
    {
        // No entry in the table: the level's own times stand in.
        if (Level* l = g->getLevel())
        {
            limit = l->timeLimit;
            gold = l->goldTime;
            silver = l->silverTime;
            bronze = l->bronzeTime;
        }
    }
    timeCaption->setText(text("timeleft"));
    timeValue->setText(WGUI::intToTime(std::max(0, limit - seconds)));
    int type = MedalTimes::kNone;
    if (gold != 0 || silver != 0 || bronze != 0)
        type = MedalTimes::getMedalType(seconds, gold, silver, bronze);
    if (type >= MedalTimes::kGold && type <= MedalTimes::kBronze)
        medal->setGraphic(WGUI::ImageMaps::get("medal"), type);
    else
        medal->setGraphic(nullptr, 0);
}

void VictoryWindow::messageActivate()
{
    if (!clickSound)
        clickSound = SoundEffectSystem::instance()->getSoundEffect("click");
    counting = false;
    done = false;
    accumulator = 0;
    rate = 1.0;
    kindTimer = 0;
    currentIndex = 0;
    counted = 0;
    burstCount = 0;
    burstKind = nullptr;
    shownTotal = 0;
    totalLabel->setText(WGUI::intToCommaString(shownTotal));
}

void VictoryWindow::transitionFinished(bool isIn)
{
    if (!isIn)
        return;
    if (eaten && eaten->getSize() > 0)
        counting = true;
    else
        done = true;
}

double VictoryWindow::countRate(int count)
{
    double r = count * 0.5;
    WGUI::boundDouble(r, 30.0, 10000.0);
    return r;
}

void VictoryWindow::updateSelf()
{
    if (WGUI::Manager::hasInstance())
        WGUI::Manager::instance()->setFillBack();
    WGUI::Window::updateSelf();
    if (!counting || done || !eaten)
        return;
    EntityNum* entry = eaten->getEntityNumByIndex(currentIndex);
    if (!entry)
    {
        counting = false;
        done = true;
        return;
    }
    const double dt = WGUI::Timer::instance()->getDeltaT();
    rate = countRate(entry->count);
    accumulator += dt;
    int n = static_cast<int>(accumulator * rate);
    accumulator -= n / rate;
    kindTimer += dt;
    if (kindTimer <= kKindDelay)
        return;
    n = std::min(n, entry->count - counted);
    if (n < 0)
        n = 0;
    burstCount = n;
    burstKind = defOf(entry);
    shownTotal += n;
    totalLabel->setText(WGUI::intToCommaString(shownTotal));
    if (n > 0 && clickSound && !clickSound->isPlaying())
    {
        clickSound->play(1.0f, 0.0f);
        ++clicksPlayed;
    }
    counted += n;
    if (counted >= entry->count)
    {
        ++currentIndex;
        counted = 0;
        kindTimer = 0;
    }
    if (currentIndex >= eaten->getSize())
    {
        counting = false;
        done = true;
    }
}

void VictoryWindow::gridFor(int n, int& k, int& s, int& columns)
{
    k = 1;
    for (;; ++k)
    {
        s = kGridSize / k;
        columns = kGridSize / s;
        if (columns * k >= n || k >= kMaxGridSide)
            break;
    }
}

void VictoryWindow::emitBurst(double x, double y)
{
    if (!WGUI::Manager::hasInstance() || burstCount <= 0)
        return;
    ParticleEngine* pool = guiParticles();
    if (!pool)
        return;
    for (int i = 0; i < burstCount; ++i)
    {
        Particle* p = pool->popInactive();
        if (!p)
            continue;
        p->cell = 3;
        p->position = WGUI::Vector2d(x, y);
        p->velocity.setPolar(WGUI::randomDouble(150, 300), 90);
        p->angle = static_cast<float>(WGUI::randomDouble(0, 360));
        if (burstKind)
        {
            p->red = static_cast<float>(burstKind->effectR);
            p->green = static_cast<float>(burstKind->effectG);
            p->blue = static_cast<float>(burstKind->effectB);
            p->alpha = static_cast<float>(burstKind->effectA);
        }
        p->size = static_cast<float>(WGUI::randomDouble(24, 30));
        p->lifetime = 0.3f;
        pool->pushActive(p);
    }
}

void VictoryWindow::draw()
{
    WGUI::FancyWindow::draw();
    if (!eaten)
        return;
    const int n = eaten->getSize();
    if (n <= 0)
        return;
    const int x0 = getLeft() + (getPixWidth() - kGridSize) / 2;
    const int y0 = getTop() + 90;
    int k, s, c;
    gridFor(n, k, s, c);
    WGUI::Font* font = getFont();
    const double opacity = getOpacity();
    for (int i = 0; i < n; ++i)
    {
        if (!done && i > currentIndex)
            break;
        EntityNum* e = eaten->getEntityNumByIndex(i);
        if (!e)
            continue;
        int count = e->count;
        double f = 1.0;
        if (!done && i == currentIndex)
        {
            count = counted;
            f = kindTimer / kKindDelay;
            WGUI::boundDouble(f, 0.0, 1.0);
        }
        const int col = c > 0 ? i % c : 0;
        const int row = c > 0 ? i / c : 0;
        const int cx = x0 + col * s + s / 2;
        const int cy = y0 + row * s + s / 2;
        const float alpha = static_cast<float>(opacity * f);
        if (WGUI::ImageMap* map = e->imageMap)
        {
            map->setCell(e->cell);
            const int w = map->getCellWidth();
            const int h = map->getCellHeight();
            const int m = std::max(w, h);
            const float scale = m > 0 ? static_cast<float>(WGUI::roundToInt(0.9 * s)) / m : 1.0f;
            const int px = cx - w / 2;
            const int py = cy - h / 2;
            map->setNormalBlending();
            map->setBlitColour(0, 0, 0, 0.5f);
            map->blitAlphaRectFx(px + 3, py + 3, 0, scale, alpha, e->flipX, e->flipY);
            EntityDef* d = defOf(e);
            if (d)
                map->setBlitColour(static_cast<float>(d->r), static_cast<float>(d->g),
                                   static_cast<float>(d->b), static_cast<float>(d->a));
            else
                map->setBlitColour(1, 1, 1, 1);
            map->blitAlphaRectFx(px, py, 0, scale, alpha, e->flipX, e->flipY);
        }
        if (font)
        {
            const str label = WGUI::intToString(count);
            const int X = static_cast<int>(cx + 0.45 * s);
            const int Y = static_cast<int>(cy + 0.45 * s) - font->getHeightPix();
            font->setColour(0, 0, 0, alpha);
            font->drawStringFromRight(label, X - 1, Y - 1);
            font->drawStringFromRight(label, X - 1, Y + 1);
            font->drawStringFromRight(label, X + 1, Y - 1);
            font->drawStringFromRight(label, X + 1, Y + 1);
            font->setColour(1, 1, 1, alpha);
            font->drawStringFromRight(label, X, Y);
            if (burstCount > 0 && burstKind && defOf(e) == burstKind && WGUI::Manager::hasInstance())
            {
                WGUI::Manager* mgr = WGUI::Manager::instance();
                emitBurst(mgr->screenToSpriteX(X - font->getStringWidth(label) / 2.0),
                          mgr->screenToSpriteY(Y + font->getHeightPix() / 2.0));
                burstCount = 0;
                burstKind = nullptr;
            }
        }
    }
}

void VictoryWindow::buttonReleased(WGUI::Button* b)
{
    if (b != continueButton.get())
        return;
    counting = false;
    leaveScreen(this, makeTransition(WGUI::Transition::kOpacityOut, 0, 0, 0.5));

    // The level selection (or endurance menu) takes the new medals and moves on past this level.
    Arrival arrival;
    arrival.from = Screen::kVictory;
    arrival.sender = this;
    arrival.mode = mode;
    arrival.levelFile = levelFile;
    goToScreen(mode == LevelMode::kEndurance ? Screen::kEndurance : Screen::kLevelSelect,
               makeTransition(WGUI::Transition::kOpacityIn, 0, 0, 0.5), arrival);

    if (GameWindow* g = screenOf<GameWindow>())
        if (TotalEntitiesEaten* t = g->getTotalEntitiesEaten())
            services::checkSave(t->writeXML(), "eaten totals");
    services::checkSave(LevelProgress::instance()->writeXML(), "level progress");
}

}  // namespace Game
