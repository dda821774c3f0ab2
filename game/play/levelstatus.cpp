// The heads-up panels: LevelStatus (size and goal) and TimerDisplay (level name and time left).
#include "levelstatus.h"

#include <cmath>
#include <cstdio>
#include <cstring>

#include "foundation/color.h"
#include "foundation/rect.h"
#include "text/textgraphic.h"
#include "unitconverter.h"
#include "wgui_font.h"
#include "wgui_helpers.h"
#include "wgui_imagemap.h"
#include "wgui_label.h"

namespace Game
{

namespace
{

std::unique_ptr<WGUI::Label> makeLabel(int x, int y, int h, int v)
{
    auto l = std::make_unique<WGUI::Label>();
    l->setUseVirtCoordPos(false, false);
    l->setPixAlPos(x, y);
    l->setAlign(h, v);
    l->setColour(0, 0, 0, 1);
    l->setMouseMoveToTop(false);
    return l;
}

std::unique_ptr<WGUI::Window> makeBox(int w, int h, int x, int y, int ah, int av)
{
    auto b = std::make_unique<WGUI::Window>();
    b->setUseVirtCoordPos(false, false);
    b->setUseVirtCoordDim(false, false);
    b->setPixWidth(w);
    b->setPixHeight(h);
    b->setPixAlPos(x, y);
    b->setAlign(ah, av);
    b->setMouseMoveToTop(false);
    return b;
}

void setupPanel(WGUI::Graphic* g, const char* name, int cell, int ah)
{
    g->setName(name);
    g->setGraphic(WGUI::ImageMaps::get("gui"), cell);
    g->setUseVirtCoordPos(false, false);
    g->setUseVirtCoordDim(false, false);
    g->setPixAlPos(10, 10);
    g->setAlign(ah, 2);
    g->setMouseMoveToTop(false);
    g->setOpacitySelf(1.0);
}

}  // namespace

// ---- LevelStatus ----

void LevelStatus::DestroyText::operator()(TTextGraphic* text) const
{
    TTextGraphic::Destroy(text);
}

LevelStatus::LevelStatus()
{
    setupPanel(this, "levelstatus", 35, 0);

    gooBox = makeBox(96, 16, 0, 0, 0, 2);
    addWindow(gooBox.get());
    gooLabel = makeLabel(0, 2, 4, 2);
    // Centred on the box, the text keeps inside the white box the panel draws there (83 px
    // inside its rim): a longer size is drawn smaller.
    gooLabel->setFitWidth(kGooTextRoom);
    gooBox->addWindow(gooLabel.get());

    progressBar =
        std::make_unique<WGUI::GraphicProgressBar>(WGUI::ImageMaps::get("gui"), 36, 37, 38, 39, 40, 41);
    progressBar->setUseVirtCoordPos(false, false);
    progressBar->setUseVirtCoordDim(false, false);
    progressBar->setPixWidth(194);
    progressBar->setPixHeight(30);
    progressBar->setPixAlPos(88, 28);
    progressBar->setAlign(0, 2);
    progressBar->setActualDisplayRatioFull(0);
    addWindow(progressBar.get());

    goalLabel = makeLabel(18, 2, 1, 2);
    // Its room: from 18 px in from the panel's right edge to just right of the size box
    // (which ends 98 px in from the left of the 300 px panel).
    goalLabel->setFitWidth(300 - 18 - 104);
    addWindow(goalLabel.get());

    // Tall enough for its three lines in the window font (eaten at the top, "of" across the
    // middle, the count to eat at the bottom) without one touching the next.
    specialsBox = makeBox(50, 60, 93, 11, 0, 2);
    addWindow(specialsBox.get());
    specialsEatenLabel = makeLabel(0, 5, 4, 2);
    specialsBox->addWindow(specialsEatenLabel.get());
    specialsGoalLabel = makeLabel(0, 3, 4, 3);
    specialsBox->addWindow(specialsGoalLabel.get());

    WGUI::Font* f = getFont();
    ofText.reset(TTextGraphic::Create(str(""), 48, 20, 5, f ? f->getFontName().c_str() : "",
                                      f ? static_cast<unsigned>(f->getHeightPix()) : 10u,
                                      TColor(0, 0, 0, 1)));
    if (ofText)
        ofText->SetText(WGUI::StringTable::instance()->getString("gameplayof"));

    clear();
}

LevelStatus::~LevelStatus() = default;

void LevelStatus::clear()
{
    victoryBySize = false;
    victoryBySpecials = false;
    victorySize = 0;
    numSpecials = 0;
    gooArea = 0;
    gooInitialArea = 0;
    specialEaten = 0;
    unitMultiplier = 0;
    gooText = str("");
    goalText = str("");
    gooLabel->setText(gooText);
    goalLabel->setText(goalText);
    progressBar->setActualDisplayRatioFull(0);
    setNumSpecialEaten(0);
    progressBar->setVisible(false);
    goalLabel->setVisible(false);
    specialsEatenLabel->setVisible(false);
}

void LevelStatus::setVictoryBySize(bool on, double size)
{
    victoryBySize = on;
    victorySize = size;
    if (!on)
    {
        progressBar->setVisible(false);
        goalLabel->setVisible(false);
        return;
    }
    setGraphic(WGUI::ImageMaps::get("gui"), 35);
    progressBar->setVisible(true);
    goalLabel->setVisible(true);
    goalText = UnitConverter::instance()->metersToDisplay(std::sqrt(size) * unitMultiplier);
    goalLabel->setText(goalText);
    WGUI::Font* f = goalLabel->getFont();
    if (f && f->getStringWidth(goalText) > 50)
        goalLabel->setCustomKerning(true, f->getKerning() - 1.0f);
    else
        goalLabel->setCustomKerning(false, 0.0f);
}

void LevelStatus::setVictorySpecialEntities(bool on, int count)
{
    victoryBySpecials = on;
    numSpecials = count;
    if (!on)
    {
        specialsEatenLabel->setVisible(false);
        specialsGoalLabel->setVisible(false);
        specialsBox->setVisible(false);
        return;
    }
    setGraphic(WGUI::ImageMaps::get("gui"), 44);
    specialsEatenLabel->setVisible(true);
    specialsGoalLabel->setVisible(true);
    specialsBox->setVisible(true);
    specialsGoalLabel->setText(WGUI::intToString(count));
}

void LevelStatus::setGooActualSize(double area, double initialArea)
{
    gooArea = area;
    gooInitialArea = initialArea;
    if (victoryBySize)
    {
        double ratio = victorySize > 0 ? std::sqrt(std::fmax(area, 0.0)) / std::sqrt(victorySize) : 1.0;
        WGUI::boundDouble(ratio, 0.0, 1.0);
        progressBar->setActualRatioFull(ratio);
        if (area > victorySize)
        {
            gooText = goalText;
            gooLabel->setText(gooText);
            progressBar->setActualRatioFull(1.0);
            return;
        }
    }
    gooText = UnitConverter::instance()->metersToDisplay(std::sqrt(area) * unitMultiplier);
    gooLabel->setText(gooText);
}

void LevelStatus::setNumSpecialEaten(int n)
{
    WGUI::boundInt(n, 0, numSpecials > 0 ? numSpecials : 0);
    specialEaten = n;
    // Set only when it changes (the label holds intToString's "%d" text): a frame that eats
    // nothing special makes no text.
    char digits[16];
    std::snprintf(digits, sizeof digits, "%d", n);
    if (std::strcmp(digits, specialsEatenLabel->getText().c_str()) != 0)
        specialsEatenLabel->setText(str(digits));
}

bool LevelStatus::isAreaBiggerThanNeeded()
{
    if (gooText == goalText || gooArea >= victorySize)
    {
        progressBar->setActualRatioFull(1.0);
        return true;
    }
    return false;
}

void LevelStatus::draw()
{
    WGUI::Graphic::draw();
    if (victoryBySpecials && ofText)
    {
        ofText->SetColor(TColor(0, 0, 0, static_cast<float>(getOpacity())));
        TRect r(getLeft() + 94, getTop() + 32, getLeft() + 10000, getTop() + 10000);
        ofText->Draw(r, 1.0f, -2, 1.0f, nullptr);
    }
}

// ---- TimerDisplay ----

TimerDisplay::TimerDisplay()
{
    setupPanel(this, "timerdisplay", 45, 1);
    timeBox = makeBox(72, 28, 0, 0, 4, 3);
    addWindow(timeBox.get());
    timeLabel = makeLabel(20, 7, 4, 4);
    timeBox->addWindow(timeLabel.get());
    nameBox = makeBox(128, 32, 0, 0, 4, 2);
    addWindow(nameBox.get());
    nameLabel = makeLabel(20, 7, 4, 4);
    nameLabel->setText("Level 1");
    nameBox->addWindow(nameLabel.get());
    setTimeLeft(0);
}

TimerDisplay::~TimerDisplay() = default;

void TimerDisplay::setTimerVisible(bool on)
{
    setGraphic(WGUI::ImageMaps::get("gui"), on ? 45 : 46);
    timeLabel->setVisible(on);
}

void TimerDisplay::setTimeLeft(double seconds)
{
    timeLeft = seconds;
    timeLabel->setText(WGUI::doubleToTime(seconds, true));
}

void TimerDisplay::setLevelName(str name)
{
    nameLabel->setText(name);
}

}  // namespace Game
