// The gallery of eaten kinds: pages of 18, paging slides, hover spin and per-page picture loading.
#include "entitygallery.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "playscreenaccess.h"
#include "services/eatenentities.h"
#include "services/navigation.h"
#include "wgui_animation.h"
#include "wgui_font.h"
#include "wgui_helpers.h"
#include "wgui_imagemap.h"
#include "wgui_manager.h"
#include "wgui_slider.h"
#include "wgui_timer.h"
#include "wgui_transition.h"

namespace Game
{

using WGUI::Transition;
using WGUI::Window;

namespace
{

GalleryKindLook lookOf(PlayScreenAccess& play, EntityKind* kind)
{
    GalleryKindLook look;
    if (!kind)
        return look;
    look.displayName = kind->getKindName();
    play.kindLook(kind, look);
    return look;
}

void needImages(PlayScreenAccess& play, EntityKind* kind, int width)
{
    if (!kind)
        return;
    if (play.kindNeedImages(kind, width))
        return;
    if (WGUI::ImageMap* map = kind->getKindImageMap())
        map->setNeeded(width);
    else if (WGUI::AnimationDef* def = kind->getKindAnimationDef())
        def->setNeededImages(width);
}

}  // namespace

void SubWindow::transitionFinished(bool isIn)
{
    if (!isIn && gallery)
        gallery->loadCurrentSubWindowImages();
    WGUI::Window::transitionFinished(isIn);
}

// ---- GalleryItem -------------------------------------------------------------------------------

GalleryItem::GalleryItem(PlayScreenAccess& play, EntityNum* entry) : play(play), entry(entry)
{
    questionMap = WGUI::ImageMaps::get(str("questionmark"));
}

int GalleryItem::shownSize() const
{
    return static_cast<int>((highlight * 0.4 + 0.4) * getPixWidth());
}

void GalleryItem::stepHover(double dt, bool over)
{
    highlight += (over ? 10.0 : -10.0) * dt;
    WGUI::boundDouble(highlight, 0.0, 1.0);
    if (over)
    {
        angle -= 90.0 * dt;
        WGUI::set0To360(angle);
        return;
    }
    const double d = WGUI::angleDifference(0, angle);
    angle += (d > 0 ? 5.0 * d + 10.0 : 5.0 * d - 10.0) * dt;
    WGUI::set0To360(angle);
    // Upright within a degree either side of 0 (the angle lives in 0..360).
    if (angle < 1.0 || angle > 359.0)
        angle = 0;
}

void GalleryItem::drawPicture(WGUI::ImageMap* map, int cell, bool flipX, bool flipY, float r, float g,
                              float b, float a, double shadowAlpha)
{
    if (!map)
        return;
    map->setCell(cell);
    const int cw = map->getCellWidth();
    const int ch = map->getCellHeight();
    const int larger = cw > ch ? cw : ch;
    if (larger <= 0)
        return;
    const int cx = getLeft() + getPixWidth() / 2;
    const int cy = getTop() + getPixHeight() / 2;
    const int x = cx - cw / 2;
    const int y = cy - ch / 2;
    const float scale = static_cast<float>(shownSize()) / static_cast<float>(larger);
    map->setNormalBlending();
    map->setBlitColour(0, 0, 0, 0.5f);
    map->blitAlphaRectFxMip(x + 5, y + 5, static_cast<float>(angle), scale,
                            static_cast<float>(getOpacity() * shadowAlpha), flipX, flipY);
    map->setBlitColour(r, g, b, a);
    map->blitAlphaRectFxMip(x, y, static_cast<float>(angle), scale,
                            static_cast<float>((0.25 * highlight + 0.75) * getOpacity()), flipX, flipY);
}

void GalleryItem::drawHoverText(const str& line1, const str* line2)
{
    if (highlight <= 0.01)
        return;
    WGUI::Font* f = getFont();
    if (!f)
        return;
    const int cx = getLeft() + getPixWidth() / 2;
    const int cy = getTop() + getPixHeight() / 2;
    f->setColour(0, 0, 0, highlight);
    f->drawStringCentered(line1, cx, cx, cy + 45);
    if (line2)
        f->drawStringCentered(*line2, cx, cx, cy + 60);
}

void GalleryItem::draw()
{
    WGUI::Window::draw();
    if (!entry)
        return;
    if (entry->count < 1)
    {
        drawQuestionMark();
        return;
    }
    stepHover(WGUI::Timer::instance()->getDeltaT(), isMouseOver());
    const GalleryKindLook look = lookOf(play, entry->entityDef);
    drawPicture(entry->imageMap, entry->cell, entry->flipX, entry->flipY, look.r, look.g, look.b, look.a,
                look.effectA >= 0.8f ? highlight : 1.0);
    const str count = str((std::string(WGUI::intToCommaString(entry->count).c_str()) + " eaten").c_str());
    drawHoverText(look.displayName, &count);
}

// The face of the group frame the items lie on (236, 240, 246 on screen) and the mark's grey
// (0.95), as the art tools draw them.
const float GalleryItem::kFrameR = 236.0f / 255.0f;
const float GalleryItem::kFrameG = 240.0f / 255.0f;
const float GalleryItem::kFrameB = 246.0f / 255.0f;
const float GalleryItem::kQuestionGrey = 0.95f;
// drawPicture's opacity at highlight 0 (it rises to 1 under the mouse).
const float GalleryItem::kRestingAlpha = 0.75f;

namespace
{

double channelLuminance(float c)
{
    const double v = c < 0 ? 0.0 : (c > 1 ? 1.0 : c);
    return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
}

double luminance(float r, float g, float b)
{
    return 0.2126 * channelLuminance(r) + 0.7152 * channelLuminance(g) + 0.0722 * channelLuminance(b);
}

}  // namespace

double GalleryItem::contrastRatio(float r1, float g1, float b1, float r2, float g2, float b2)
{
    const double l1 = luminance(r1, g1, b1), l2 = luminance(r2, g2, b2);
    return (std::max(l1, l2) + 0.05) / (std::min(l1, l2) + 0.05);
}

void GalleryItem::questionOnFrame(float r, float g, float b, float a, float* out)
{
    const float shown = kRestingAlpha * (a < 0 ? 0 : (a > 1 ? 1 : a));
    const float c[3] = {r, g, b}, frame[3] = {kFrameR, kFrameG, kFrameB};
    for (int i = 0; i < 3; ++i)
        out[i] = shown * kQuestionGrey * c[i] + (1 - shown) * frame[i];
}

void GalleryItem::questionTint(float& r, float& g, float& b, float& a)
{
    // 3:1 with a hair to spare, so that rounding of the drawn colour cannot take it under.
    auto enough = [](float r, float g, float b, float a)
    {
        float c[3];
        questionOnFrame(r, g, b, a, c);
        return contrastRatio(c[0], c[1], c[2], kFrameR, kFrameG, kFrameB) >= 3.001;
    };
    if (!enough(0, 0, 0, a))
    {
        // Too faint for any colour: the least opacity at which black is enough.
        float lo = a < 0 ? 0 : a, hi = 1.0f;
        for (int i = 0; i < 24; ++i)
        {
            const float mid = (lo + hi) / 2;
            if (enough(0, 0, 0, mid))
                hi = mid;
            else
                lo = mid;
        }
        a = hi;
    }
    if (enough(r, g, b, a))
        return;
    // The largest darkening factor that is enough (black is), found by halving.
    float lo = 0.0f, hi = 1.0f;
    for (int i = 0; i < 24; ++i)
    {
        const float mid = (lo + hi) / 2;
        if (enough(mid * r, mid * g, mid * b, a))
            lo = mid;
        else
            hi = mid;
    }
    r *= lo;
    g *= lo;
    b *= lo;
}

void GalleryItem::drawQuestionMark()
{
    stepHover(WGUI::Timer::instance()->getDeltaT(), isMouseOver());
    const GalleryKindLook look = lookOf(play, entry ? entry->entityDef : nullptr);
    float r = look.effectR, g = look.effectG, b = look.effectB, a = look.effectA;
    questionTint(r, g, b, a);
    drawPicture(questionMap, questionCell, false, false, r, g, b, a, highlight);
    drawHoverText(str("Unknown"), nullptr);
}

// ---- EntityGallery -----------------------------------------------------------------------------

EntityGallery::EntityGallery(PlayScreenAccess& play, TotalEntitiesEaten* totals)
    : WGUI::FancyWindow(true, screens::text("galleryemptytitle")), play(play), totals(totals)
{
    setName(screenName(kScreen));
    setUseVirtCoordPos(false, false);
    setUseVirtCoordDim(false, false);
    setPixWidth(700);
    setPixHeight(500);
    setAlign(kAlignCenter, kAlignCenter);
    setAlwaysActive(false);
    setMouseMoveToTop(false);

    frame = std::make_unique<WGUI::GraphicGroupBox>();
    frame->setPixAlPos(0, 40);
    frame->setPixWidth(640);
    frame->setPixHeight(390);
    frame->setAlign(kAlignCenter, kAlignTop);
    addWindow(frame.get());

    mainMenu = std::make_unique<WGUI::TextButton>();
    mainMenu->setText(screens::text("mainmenu"));
    mainMenu->setTooltip(true, screens::text("mainmenutip"));
    mainMenu->setPixAlPos(20, 20);
    mainMenu->setPixWidth(100);
    mainMenu->setPixHeight(30);
    mainMenu->setAlign(kAlignRight, kAlignBottom);
    mainMenu->setListener(this);
    addWindow(mainMenu.get());

    WGUI::ImageMap* gui = WGUI::ImageMaps::get(str("gui"));
    previous = std::make_unique<WGUI::GraphicButton>();
    previous->setGraphic(gui, 24, 26, 25, 24);
    previous->setPixAlPos(280, 20);
    previous->setAlign(kAlignLeft, kAlignBottom);
    previous->setListener(this);
    addWindow(previous.get());

    next = std::make_unique<WGUI::GraphicButton>();
    next->setGraphic(gui, 21, 23, 22, 21);
    next->setPixAlPos(280, 20);
    next->setAlign(kAlignRight, kAlignBottom);
    next->setListener(this);
    addWindow(next.get());

    pageLabel = std::make_unique<WGUI::Label>();
    pageLabel->setText(screens::text("none"));
    pageLabel->setPixAlPos(200, 25);
    pageLabel->setAlign(kAlignCenter, kAlignBottom);
    addWindow(pageLabel.get());

    initSubWindows();
    currentPage = 0;
    for (const std::unique_ptr<SubWindow>& p : pages)
        p->setVisible(false);
    // An empty list has no pages: only the frame, the title and the way back show.
    if (!pages.empty())
        pages[0]->setVisible(true);
}

EntityGallery::~EntityGallery() = default;

SubWindow* EntityGallery::getPage(int i) const
{
    return (i >= 0 && i < static_cast<int>(pages.size())) ? pages[static_cast<size_t>(i)].get() : nullptr;
}

std::unique_ptr<SubWindow> EntityGallery::createSubWindow()
{
    auto page = std::make_unique<SubWindow>(this);
    page->setUseVirtCoordPos(false, false);
    page->setUseVirtCoordDim(false, false);
    page->setPixAlPos(25, 20);
    page->setPixWidth(650);
    page->setPixHeight(400);
    page->setAlign(kAlignLeft, kAlignTop);
    page->setAlwaysActive(false);
    page->setAlwaysOnTop(true);
    return page;
}

void EntityGallery::initSubWindows()
{
    entries.clear();
    if (totals && totals->getEatenNumProfile())
        entries = totals->getEatenNumProfile()->getEntityNums();
    const int n = static_cast<int>(entries.size());
    const int numPages = WGUI::roundUpToInt(static_cast<double>(n) / kPerPage);
    size_t next = 0;
    for (int p = 0; p < numPages; ++p)
    {
        std::unique_ptr<SubWindow> owned = createSubWindow();
        SubWindow* page = owned.get();
        const int cellW = page->getPixWidth() / kColumns;
        const int cellH = page->getPixHeight() / kRows;
        for (int k = 0; k < kPerPage && next < entries.size(); ++k, ++next)
        {
            auto owned = std::make_unique<GalleryItem>(play, entries[next]);
            GalleryItem* item = owned.get();
            item->setUseVirtCoordPos(false, false);
            item->setUseVirtCoordDim(false, false);
            item->setPixAlPos((k % kColumns) * cellW, (k / kColumns) * cellH);
            item->setPixWidth(cellW);
            item->setPixHeight(cellH);
            item->setAlign(kAlignLeft, kAlignTop);
            page->addWindow(item);
            items.push_back(std::move(owned));
        }
        pages.push_back(std::move(owned));
        page->setAlwaysOnTop(true);
        addWindow(page);
    }
}

void EntityGallery::loadCurrentSubWindowImages()
{
    if (pages.empty())
        return;
    pageLabel->setText(screens::text("gallerypagenumber", WGUI::intToString(currentPage + 1),
                                     WGUI::intToString(getNumPages())));
    const int n = static_cast<int>(entries.size());
    int first = kPerPage * currentPage;
    int end = first + kPerPage;
    WGUI::boundInt(first, 0, n);
    WGUI::boundInt(end, 0, n);
    WGUI::ImageMaps* maps = WGUI::ImageMaps::instance();
    maps->setAllNeeded(0);
    WGUI::ImageMap* question = WGUI::ImageMaps::get(str("questionmark"));
    for (int i = first; i < end; ++i)
    {
        EntityNum* e = entries[static_cast<size_t>(i)];
        if (e->count > 0)
            needImages(play, e->entityDef, 128);
        else if (question)
            question->setNeeded(128);
    }
    maps->loadUnloadNeeded();
}

void EntityGallery::setTotalEatenCount()
{
    const int total = totals ? totals->getTotalEntitiesEaten() : 0;
    setTitle(screens::text("gallerytitle", WGUI::intToCommaString(total)));
}

bool EntityGallery::subWindowTransitioning() const
{
    if (pages.empty())
        return false;
    if (!pages[static_cast<size_t>(currentPage)]->isVisible())
        return true;
    for (const std::unique_ptr<SubWindow>& p : pages)
        if (p->getTransition())
            return true;
    return false;
}

void EntityGallery::messageActivate()
{
    loadCurrentSubWindowImages();
    setTotalEatenCount();
    WGUI::FancyWindow::messageActivate();
}

void EntityGallery::updateSelf()
{
    if (WGUI::Manager::hasInstance())
        WGUI::Manager::instance()->setFillBack();
    WGUI::FancyWindow::updateSelf();
}

void EntityGallery::turnPage(int newPage, double outAngle, double inAngle)
{
    SubWindow* old = pages[static_cast<size_t>(currentPage)].get();
    std::unique_ptr<Transition> out =
        makeTransition(Transition::kSlideOut, Transition::kOpacityOut, outAngle, 0.35);
    out->setNextTransition(makeTransition(Transition::kSlideIn, Transition::kOpacityIn, inAngle, 0.35));
    out->setNextWindow(pages[static_cast<size_t>(newPage)].get());
    currentPage = newPage;
    old->setTransition(std::move(out));
}

void EntityGallery::buttonReleased(WGUI::Button* b)
{
    if (subWindowTransitioning())
        return;
    if (b == mainMenu.get())
    {
        leaveScreen(this, makeTransition(Transition::kOpacityOut, 0, 0, 0.5));
        bringToFront(goToScreen(Screen::kMainMenu,
                                makeTransition(Transition::kOpacityIn, Transition::kNone, 90, 0.5)));
        return;
    }
    if (pages.empty())
        return;
    const int n = getNumPages();
    if (b == previous.get())
        turnPage(currentPage - 1 < 0 ? n - 1 : currentPage - 1, 0, 180);
    else if (b == next.get())
        turnPage(currentPage + 1 >= n ? 0 : currentPage + 1, 180, 0);
}

}  // namespace Game
