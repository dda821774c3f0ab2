// The options dialog (display, steering, volumes, the ways on to cheats and medals) and the display notice.
#include "optionswindow.h"

#include "app/platform.h"
#include "frontendutil.h"
#include "medalsubmit.h"
#include "services/levelprogress.h"
#include "services/music.h"
#include "services/navigation.h"
#include "services/options.h"
#include "services/saves.h"
#include "services/soundeffects.h"
#include "wgui_manager.h"
#include "wgui_transition.h"

namespace Game
{

using Frontend::place;
using WGUI::Transition;
using WGUI::Window;

namespace
{

void size(Window* w, int width, int height)
{
    w->setPixWidth(width);
    w->setPixHeight(height);
}

// The menu music and the intro loop take the music volume of the options.
void applyMusicVolume()
{
    MusicSystem::instance()->setMusicVolumeFromOptions();
    IntroLoop::instance()->setMusicVolumeFromOptions();
}

std::unique_ptr<WGUI::Label> caption(const char* key, int x, int y)
{
    auto l = std::make_unique<WGUI::Label>();
    l->setText(screens::text(key));
    place(l.get(), x, y, Window::kAlignLeft, Window::kAlignTop);
    return l;
}

}  // namespace

OptionsWindow::OptionsWindow() : WGUI::FancyWindow(true, screens::text("options"))
{
    setName(screenName(kScreen));
    setUseVirtCoordPos(false, false);
    setUseVirtCoordDim(false, false);
    size(this, 280, 310);
    setAlign(kAlignCenter, kAlignCenter);
    setAlwaysActive(false);
    setMouseMoveToTop(false);

    ok = std::make_unique<WGUI::TextButton>();
    ok->setText(screens::text("ok"));
    ok->setTooltip(true, screens::text("previousscreen"));
    place(ok.get(), 30, 30, kAlignRight, kAlignBottom);
    size(ok.get(), 100, 30);
    ok->setListener(this);
    addWindow(ok.get());

    cheats = std::make_unique<WGUI::TextButton>();
    cheats->setText(screens::text("cheats"));
    cheats->setTooltip(true, screens::text("cheatstip"));
    place(cheats.get(), 30, 30, kAlignLeft, kAlignBottom);
    size(cheats.get(), 100, 30);
    cheats->setListener(this);
    addWindow(cheats.get());

    medals = std::make_unique<WGUI::TextButton>();
    medals->setText(screens::text("medals"));
    medals->setTooltip(true, screens::text("medalstip"));
    place(medals.get(), 30, 70, kAlignLeft, kAlignBottom);
    size(medals.get(), 100, 30);
    medals->setListener(this);
    addWindow(medals.get());

    modeGroup = std::make_unique<WGUI::GroupBox>();
    place(modeGroup.get(), 30, 40, kAlignLeft, kAlignTop);
    size(modeGroup.get(), 100, 121);
    modeList = std::make_unique<WGUI::ListBox>();
    modeList->addColumn(0, 1000, 0);
    modeList->setMustBeSelected(true);
    modeList->setUseVirtCoordDim(true, true);
    modeList->setVirtSize(1.0, 1.0);
    modeGroup->addWindow(modeList.get());
    modeGroup->setVisible(false);
    addWindow(modeGroup.get());

    depth32 = std::make_unique<WGUI::CheckBox>();
    depth32->setText("32-Bit Colour");
    place(depth32.get(), 140, 40, kAlignLeft, kAlignTop);
    depth32->setListener(this);
    depth32->setVisible(false);
    addWindow(depth32.get());

    fullScreen = std::make_unique<WGUI::CheckBox>();
    fullScreen->setText(screens::text("fullscreen"));
    place(fullScreen.get(), 152, 216, kAlignLeft, kAlignTop);
    fullScreen->setListener(this);
    addWindow(fullScreen.get());

    gamepad = std::make_unique<WGUI::CheckBox>();
    gamepad->setText("Gamepad");
    place(gamepad.get(), 140, 90, kAlignLeft, kAlignTop);
    gamepad->setListener(this);
    gamepad->setVisible(false);
    addWindow(gamepad.get());

    Options* options = Options::instance();
    struct SliderSpec
    {
        std::unique_ptr<WGUI::Slider>* slider;
        std::unique_ptr<WGUI::Label>* label;
        const char* key;
        int y;
        double value;
    } specs[] = {
        {&steering, &steeringCaption, "greygoospeed", 42, options->getMouseSensitivity()},
        {&effects, &effectsCaption, "soundeffectvolume", 92, options->getSoundEffectVolume()},
        {&music, &musicCaption, "musicvolume", 142, options->getMusicVolume()},
    };
    for (SliderSpec& s : specs)
    {
        *s.label = caption(s.key, 45, s.y);
        addWindow(s.label->get());
        *s.slider = std::make_unique<WGUI::Slider>();
        place(s.slider->get(), 30, s.y + 15, kAlignLeft, kAlignTop);
        (*s.slider)->setPixWidth(220);
        (*s.slider)->setSliderValue(s.value);
        addWindow(s.slider->get());
    }
    // Only the music is heard while the knob moves; the rest is taken on the way out.
    music->setListener(this);

    version = std::make_unique<WGUI::Label>();
    version->setText(screens::text("versionlabel", Frontend::gameVersion()));
    place(version.get(), 0, 5, kAlignCenter, kAlignBottom);
    addWindow(version.get());
}

OptionsWindow::~OptionsWindow() = default;

void OptionsWindow::arrive(const Arrival& arrival)
{
    if (arrival.from == Screen::kGamePaused)
        setFromWindow(kFromPause);
    else if (arrival.from == Screen::kMainMenu || arrival.from == Screen::kEnterName)
        setFromWindow(kFromMainMenu);
}

void OptionsWindow::setFromWindow(int from)
{
    fromWindow = from;
    if (from == kFromMainMenu)
        cheats->setVisible(true);
    else if (from == kFromPause)
        cheats->setVisible(false);
}

void OptionsWindow::setFullScreenCheckBox()
{
    fullScreen->setSelected(!Options::instance()->getWindowed());
}

void OptionsWindow::addDisplayMode(int width, int height, int depth)
{
    for (DisplayMode& m : modes)
    {
        if (m.width == width && m.height == height)
        {
            if (depth == 16)
                m.has16 = true;
            else if (depth == 32)
                m.has32 = true;
            return;
        }
    }
    if (!Options::validDisplayResolution(width, height) || (depth != 16 && depth != 32))
        return;
    if (static_cast<int>(modes.size()) >= kMaxModes)
        return;
    DisplayMode m;
    m.width = width;
    m.height = height;
    m.has16 = depth == 16;
    m.has32 = depth == 32;
    modes.push_back(m);
    modeList->addItem(str::getFormatted("%dx%d", width, height));
}

void OptionsWindow::rebuildDisplayModes()
{
    modeList->clear();
    modes.clear();
    bool have800 = false;
    for (const DisplayMode& m : modes)
        have800 = have800 || (m.width == 800 && m.height == 600);
    if (!have800)
    {
        addDisplayMode(800, 600, 16);
        addDisplayMode(800, 600, 32);
    }
    Options* options = Options::instance();
    for (size_t i = 0; i < modes.size(); ++i)
        if (modes[i].width == options->getWidth() && modes[i].height == options->getHeight())
            modeList->setSelected(static_cast<int>(i));
    if (modeList->getSelected() < 0 && !modes.empty())
        modeList->setSelected(0);
}

void OptionsWindow::setMedalsButtonVisibility()
{
    medals->setVisible(false);
    if (TPlatform::IsEnabled(str("hiscoreanon")) || TPlatform::IsEnabled(str("hiscorelocal")))
        return;
    LevelProgress* progress = LevelProgress::instance();
    progress->calcLevelCompletionStats();
    if (progress->allTimeAttackBeaten() || progress->allTimeAttackBronze() ||
        progress->allTimeAttackSilver() || progress->allTimeAttackGold() || progress->allNormalModeBeaten() ||
        progress->allEnduranceModeBeaten())
        medals->setVisible(true);
}

void OptionsWindow::messageBecomeVisible()
{
    rebuildDisplayModes();
    Options* options = Options::instance();
    if (options->getDepth() == 16)
        depth32->setSelected(false);
    else if (options->getDepth() == 32)
        depth32->setSelected(true);
    fullScreen->setSelected(!options->getWindowed());
    gamepad->setSelected(options->isJoystickOn());
    setMedalsButtonVisibility();
    WGUI::FancyWindow::messageBecomeVisible();
}

void OptionsWindow::updateSelf()
{
    const int row = modeList->getSelected();
    if (row >= 0 && row < static_cast<int>(modes.size()))
    {
        if (modes[row].has16 && modes[row].has32)
            depth32->enable();
        else
            depth32->disable();
    }
    if (!fullScreen->getSelected())
        depth32->disable();
    if (WGUI::Manager::hasInstance())
        WGUI::Manager::instance()->setFillBack();
    WGUI::FancyWindow::updateSelf();
}

void OptionsWindow::draw()
{
    if (!coveredInfront)
        WGUI::FancyWindow::draw();
}

void OptionsWindow::sliderValueChanged(WGUI::Slider* s)
{
    if (s != music.get())
        return;
    Options::instance()->setMusicVolume(s->getSliderValue());
    applyMusicVolume();
}

void OptionsWindow::buttonReleased(WGUI::Button* b)
{
    if (b == fullScreen.get())
    {
        rebuildDisplayModes();
        if (TPlatform* platform = TPlatform::GetInstance())
        {
            platform->SetFullscreen(fullScreen->getSelected());
            // A refused switch leaves the box showing the mode the game is really in.
            if (platform->IsFullscreen() != fullScreen->getSelected())
            {
                fullScreen->setSelected(platform->IsFullscreen());
                Options::instance()->setWindowed(!platform->IsFullscreen());
            }
        }
    }
    else if (b == ok.get())
    {
        transitionOptionsToPrevious();
        saveOptions();
    }
    else if (b == cheats.get())
    {
        // This dialog stays beneath, inactive, whether or not the cheats come.
        leaveScreen(this, nullptr);
        openDialog(Screen::kCheats, makeTransition(Transition::kSlideIn, Transition::kOpacityIn, 90, 0.25),
                   nullptr);
    }
    else if (b == medals.get())
    {
        leaveScreen(this, nullptr);
        openDialog(Screen::kMedalSubmit,
                   makeTransition(Transition::kSlideIn, Transition::kOpacityIn, 90, 0.3), nullptr);
        if (MedalSubmitWindow* m = screenOf<MedalSubmitWindow>())
            m->initFields();
    }
}

void OptionsWindow::transitionOptionsToPrevious()
{
    if (fromWindow == kFromMainMenu)
    {
        leaveScreen(this, makeTransition(Transition::kOpacityOut, 0, 0, 0.5));
        bringToFront(goToScreen(Screen::kMainMenu, makeTransition(Transition::kOpacityIn, 0, 90, 0.5)));
    }
    else if (fromWindow == kFromPause)
    {
        leaveScreen(this, makeTransition(Transition::kOpacityOut, 0, 0, 0.3));
        returnToScreen(Screen::kGamePaused);
    }
}

void OptionsWindow::saveOptions()
{
    Options* options = Options::instance();
    const int row = modeList->getSelected();
    if (row >= 0 && row < static_cast<int>(modes.size()))
    {
        options->setWidth(modes[row].width);
        options->setHeight(modes[row].height);
        options->setDepth(depth32->getSelected() ? 32 : 16);
        options->setWindowed(!fullScreen->getSelected());
    }
    options->setJoystickOn(gamepad->getSelected());
    options->setMouseSensitivity(steering->getSliderValue());
    options->setSoundEffectVolume(effects->getSliderValue());
    options->setMusicVolume(music->getSliderValue());
    // A lost save is logged; the new volumes are heard all the same.
    services::checkSave(options->writeXML(), "options");
    applyMusicVolume();
    SoundEffectSystem::instance()->setSoundEffectVolumeFromOptions();
}

// ---- DisplayConfirmWindow ----------------------------------------------------------------------

DisplayConfirmWindow::DisplayConfirmWindow() : WGUI::FancyWindow(false)
{
    setName(screenName(kScreen));
    setUseVirtCoordPos(false, false);
    setUseVirtCoordDim(false, false);
    size(this, 250, 150);
    setAlign(kAlignCenter, kAlignCenter);
    setAlwaysActive(false);
    setMouseMoveToTop(false);

    ok = std::make_unique<WGUI::TextButton>();
    ok->setText(screens::text("ok"));
    place(ok.get(), 0, 30, kAlignCenter, kAlignBottom);
    size(ok.get(), 100, 30);
    ok->setListener(this);
    addWindow(ok.get());

    message = std::make_unique<WGUI::Label>();
    message->setText("Display changes will not take effect until you restart the game.");
    place(message.get(), 0, 30, kAlignCenter, kAlignTop);
    addWindow(message.get());
}

DisplayConfirmWindow::~DisplayConfirmWindow() = default;

void DisplayConfirmWindow::draw()
{
    screens::drawOverlay(getOpacity());
    WGUI::FancyWindow::draw();
}

void DisplayConfirmWindow::buttonReleased(WGUI::Button* b)
{
    if (b != ok.get())
        return;
    leaveScreen(this, makeTransition(Transition::kOpacityOut, Transition::kSlideOut, 90, 0.5));
    if (OptionsWindow* options = screenOf<OptionsWindow>())
        options->transitionOptionsToPrevious();
}

}  // namespace Game
