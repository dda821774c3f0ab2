// The profile screens: change player, the name entry with its codes, and the delete confirmation.
#include "profilewindows.h"

#include <memory>
#include <string>

#include "frontendutil.h"
#include "playernamebutton.h"
#include "playscreenaccess.h"
#include "services/eatenentities.h"
#include "services/levelprogress.h"
#include "services/navigation.h"
#include "services/profiles.h"
#include "services/saves.h"
#include "wgui_imagemap.h"
#include "wgui_input.h"
#include "wgui_manager.h"
#include "wgui_transition.h"

namespace Game
{

using Frontend::place;
using WGUI::Transition;
using WGUI::Window;

namespace
{

void setUpDialog(WGUI::FancyWindow* w, const char* name, int width, int height)
{
    w->setName(name);
    w->setUseVirtCoordPos(false, false);
    w->setUseVirtCoordDim(false, false);
    w->setPixWidth(width);
    w->setPixHeight(height);
    w->setAlign(Window::kAlignCenter, Window::kAlignCenter);
    w->setAlwaysActive(false);
    w->setMouseMoveToTop(false);
}

std::unique_ptr<WGUI::TextButton> button(WGUI::Listener* l, const char* key, const char* tip, int x, int y,
                                         int h, int v, int width)
{
    auto b = std::make_unique<WGUI::TextButton>();
    b->setText(screens::text(key));
    if (tip)
        b->setTooltip(true, screens::text(tip));
    place(b.get(), x, y, h, v, width, 30);
    b->setListener(l);
    return b;
}

// The change-player rows: the first row's top and a row's height.
const int kRowTop = 30;
const int kRowHeight = 30;

ChangePlayerWindow* changePlayer()
{
    return screenOf<ChangePlayerWindow>();
}

}  // namespace

// ---- ChangePlayerWindow ------------------------------------------------------------------------

ChangePlayerWindow::ChangePlayerWindow(PlayScreenAccess& play)
    : WGUI::FancyWindow(true, screens::text("changeplayertitle")), play(play)
{
    setUpDialog(this, screenName(kScreen), 300, 400);

    list = std::make_unique<WGUI::ToggleButtonGroup>();
    place(list.get(), 0, 0, kAlignLeft, kAlignTop, 300, 400);
    addWindow(list.get());

    editName = button(this, "editname", "editnametip", 30, 80, kAlignLeft, kAlignBottom, 110);
    deletePlayer = button(this, "deleteplayer", "deleteplayertip", 30, 80, kAlignRight, kAlignBottom, 110);
    newPlayer = button(this, "newplayer", "newplayertip", 30, 30, kAlignLeft, kAlignBottom, 110);
    ok = button(this, "ok", "mainmenutip", 30, 30, kAlignRight, kAlignBottom, 110);
    // In front of the list, which covers the whole window.
    for (WGUI::TextButton* b : {editName.get(), deletePlayer.get(), newPlayer.get(), ok.get()})
    {
        b->setAlwaysOnTop(true);
        addWindow(b);
    }

    // Arrows beside the rows, shown when there are more rows than room.
    WGUI::ImageMap* arrows = WGUI::ImageMaps::get("arrows");
    scrollUp = std::make_unique<WGUI::GraphicButton>();
    scrollUp->setGraphic(arrows, 0, 1, 0, 0);
    scrollDown = std::make_unique<WGUI::GraphicButton>();
    scrollDown->setGraphic(arrows, 2, 3, 2, 2);
    for (WGUI::GraphicButton* b : {scrollUp.get(), scrollDown.get()})
    {
        b->setUseVirtCoordPos(false, false);
        b->setUseVirtCoordDim(false, false);
        int w = 16, h = 16;
        if (arrows)
        {
            arrows->setCell(b == scrollUp.get() ? 0 : 2);
            w = arrows->getCellWidth();
            h = arrows->getCellHeight();
        }
        b->setPixWidth(w);
        b->setPixHeight(h);
        b->setAlwaysOnTop(true);
        b->setListener(this);
        b->setVisible(false);
        addWindow(b);
    }
    place(scrollUp.get(), 262, kRowTop, kAlignLeft, kAlignTop);
    place(scrollDown.get(), 262, kRowTop + kVisibleRows * kRowHeight - scrollDown->getPixHeight(), kAlignLeft,
          kAlignTop);
}

ChangePlayerWindow::~ChangePlayerWindow()
{
    // The arrows leave the window before anything is deleted; the members then go last declared first.
    removeWindow(scrollUp.get());
    removeWindow(scrollDown.get());
}

str ChangePlayerWindow::getSelectedName() const
{
    const int i = list->getSelectedIndex();
    if (i < 0 || i >= static_cast<int>(names.size()))
        return str("");
    return names[static_cast<size_t>(i)];
}

void ChangePlayerWindow::addButton(str name)
{
    auto b = std::make_unique<PlayerNameButton>();
    b->setText(name);
    place(b.get(), 0, kRowTop + kRowHeight * list->getTotalButtons(), kAlignCenter, kAlignTop, 200,
          kRowHeight);
    names.push_back(name);
    list->addButton(std::move(b));
    layoutRows();
}

void ChangePlayerWindow::layoutRows()
{
    const int n = list->getTotalButtons();
    for (int i = 0; i < n; ++i)
    {
        WGUI::Button* b = list->getButton(i);
        const int row = i - firstRow;
        // Rows scrolled out of the room are hidden, so they can neither be seen nor clicked.
        b->setVisible(row >= 0 && row < kVisibleRows);
        b->setPixAlPos(0, kRowTop + kRowHeight * row);
    }
    const bool scrolls = n > kVisibleRows;
    scrollUp->setVisible(scrolls);
    scrollDown->setVisible(scrolls);
}

void ChangePlayerWindow::scrollTo(int first)
{
    const int last = list->getTotalButtons() - kVisibleRows;
    if (first > last)
        first = last;
    if (first < 0)
        first = 0;
    firstRow = first;
    layoutRows();
}

void ChangePlayerWindow::makeRowVisible(int i)
{
    if (i < 0 || i >= list->getTotalButtons())
        return;
    if (i < firstRow)
        scrollTo(i);
    else if (i >= firstRow + kVisibleRows)
        scrollTo(i - kVisibleRows + 1);
    else
        scrollTo(firstRow);
}

void ChangePlayerWindow::buttonRepeat(WGUI::Button* b)
{
    if (b == scrollUp.get())
        scrollTo(firstRow - 1);
    else if (b == scrollDown.get())
        scrollTo(firstRow + 1);
}

void ChangePlayerWindow::messageCallback(WGUI::WEvent& e)
{
    if (e.type == WGUI::WEvent::kWheelUp)
        scrollTo(firstRow - 1);
    else if (e.type == WGUI::WEvent::kWheelDown)
        scrollTo(firstRow + 1);
    WGUI::FancyWindow::messageCallback(e);
}

void ChangePlayerWindow::select(int i)
{
    list->setSelectedIndex(i);
    // The group only ever presses the selected row down, so the one selected before would
    // keep its frame: every other row comes up here.
    for (int row = 0; row < list->getTotalButtons(); ++row)
        list->getButton(row)->setState(row == i ? WGUI::Button::kDown : WGUI::Button::kUp);
}

void ChangePlayerWindow::setSelectedToEnd()
{
    if (list->getTotalButtons() > 0)
        select(list->getTotalButtons() - 1);
    makeRowVisible(list->getSelectedIndex());
}

void ChangePlayerWindow::setSelectedToActive()
{
    const str& active = Profiles::instance()->getActiveProfile();
    for (size_t i = 0; i < names.size(); ++i)
    {
        if (names[i] == active)
        {
            select(static_cast<int>(i));
            makeRowVisible(static_cast<int>(i));
            return;
        }
    }
}

void ChangePlayerWindow::checkEmptyPlayerList()
{
    const bool any = list->getTotalButtons() > 0;
    editName->setVisible(any);
    deletePlayer->setVisible(any);
    ok->setVisible(any);
    newPlayer->setVisible(true);
}

void ChangePlayerWindow::loadPlayerButtons()
{
    const int remembered = list->getSelectedIndex();
    list->clear();
    names.clear();
    for (const str& name : Profiles::instance()->getNames())
        addButton(name);
    if (remembered >= 0 && remembered < list->getTotalButtons())
        select(remembered);
    else if (remembered >= 0)
        setSelectedToEnd();
    else
        select(list->getSelectedIndex());
    // The same rows stay in view where they can; the selection always is.
    scrollTo(firstRow);
    makeRowVisible(list->getSelectedIndex());
    checkEmptyPlayerList();
}

void ChangePlayerWindow::updateSelf()
{
    if (WGUI::Manager::hasInstance())
        WGUI::Manager::instance()->setFillBack();
    WGUI::FancyWindow::updateSelf();
}

void ChangePlayerWindow::buttonReleased(WGUI::Button* b)
{
    if (b == scrollUp.get() || b == scrollDown.get())
    {
        buttonRepeat(b);
        return;
    }
    const str name = getSelectedName();
    if (b == editName.get() || b == newPlayer.get())
    {
        EnterNameWindow* entry = Game::openDialog<EnterNameWindow>(
            makeTransition(Transition::kSlideIn, Transition::kOpacityIn, 90, 0.3), this);
        if (!entry)
            return;
        if (b == editName.get())
        {
            entry->setFromButton(EnterNameWindow::kRename);
            entry->setEditingName(name);
            entry->setPlayerName(name);
        }
        else
        {
            entry->setFromButton(EnterNameWindow::kNewProfile);
            entry->setPlayerName(str(""));
        }
    }
    else if (b == deletePlayer.get())
    {
        DeletePlayerWindow* del = Game::openDialog<DeletePlayerWindow>(
            makeTransition(Transition::kSlideIn, Transition::kOpacityIn, 90, 0.3), this);
        if (!del)
            return;
        del->setPlayerName(name);
    }
    else if (b == ok.get())
    {
        if (name.empty())
            return;
        services::activateAndSaveProfile(name, screens::totals(play));
        leaveScreen(this, makeTransition(Transition::kOpacityOut, 0, 0, 0.5));
        bringToFront(goToScreen(Screen::kMainMenu, makeTransition(Transition::kOpacityIn, 0, 90, 0.5)));
    }
}

// ---- EnterNameWindow ---------------------------------------------------------------------------

EnterNameWindow::EnterNameWindow(PlayScreenAccess& play) : WGUI::FancyWindow(false), play(play)
{
    setUpDialog(this, screenName(kScreen), 280, 160);

    ok = button(this, "ok", nullptr, 30, 30, kAlignLeft, kAlignBottom, 100);
    ok->setVisible(false);
    addWindow(ok.get());
    cancel = button(this, "cancel", nullptr, 30, 30, kAlignRight, kAlignBottom, 100);
    addWindow(cancel.get());

    nameInput = std::make_unique<WGUI::TextInput>();
    place(nameInput.get(), 0, 50, kAlignCenter, kAlignTop, 150, 30);
    nameInput->setAlwaysActive(true);
    nameInput->setLettersOrNumbersOnly(true);
    nameInput->setListener(this);
    addWindow(nameInput.get());

    prompt = std::make_unique<WGUI::Label>();
    prompt->setText(screens::text("enternamelabel"));
    place(prompt.get(), 0, 30, kAlignCenter, kAlignTop, 200, 30);
    addWindow(prompt.get());

    duplicate = std::make_unique<WGUI::Label>();
    duplicate->setText(screens::text("namealreadyexists"));
    place(duplicate.get(), 0, 80, kAlignCenter, kAlignTop, 200, 30);
    duplicate->setVisible(false);
    addWindow(duplicate.get());
}

EnterNameWindow::~EnterNameWindow() = default;

void EnterNameWindow::setPlayerName(str name)
{
    nameInput->setText(name);
    nameInput->moveCursorToEnd();
    duplicate->setVisible(false);
}

bool EnterNameWindow::okAvailable() const
{
    return !nameInput->getText().empty();
}

void EnterNameWindow::textChanged(WGUI::TextInput* input)
{
    if (input == nameInput.get())
        duplicate->setVisible(false);
}

void EnterNameWindow::messageCallback(WGUI::WEvent& e)
{
    // A name is ASCII letters and digits only; backspace still edits.
    if (e.type == WGUI::WEvent::kChar)
    {
        const unsigned char c = static_cast<unsigned char>(e.code);
        const bool alnum = (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
        if (!alnum && c != 8)
            return;
    }
    if (e.type == WGUI::WEvent::kKeyDown && e.key == WGUI::Input::kEnter && okAvailable())
        okAction();
    WGUI::FancyWindow::messageCallback(e);
}

void EnterNameWindow::buttonReleased(WGUI::Button* b)
{
    if (b == ok.get())
        okAction();
    else if (b == cancel.get())
        cancelAction();
}

void EnterNameWindow::updateSelf()
{
    ok->setVisible(okAvailable());
    WGUI::FancyWindow::updateSelf();
}

void EnterNameWindow::draw()
{
    screens::drawOverlay(getOpacity());
    WGUI::FancyWindow::draw();
}

void EnterNameWindow::addProfile(str name)
{
    Profiles::instance()->addProfile(name);
    LevelProgress::instance()->addProfile(name);
    if (TotalEntitiesEaten* totals = screens::totals(play))
        totals->addProfile(name);
}

void EnterNameWindow::setActiveProfile(str name)
{
    services::activateAndSaveProfile(name, screens::totals(play));
}

void EnterNameWindow::changePlayerName(str oldName, str newName)
{
    Profiles::instance()->changePlayerName(oldName, newName);
    LevelProgress::instance()->changePlayerName(oldName, newName);
    if (TotalEntitiesEaten* totals = screens::totals(play))
        totals->changePlayerName(oldName, newName);
}

void EnterNameWindow::closeDialog()
{
    leaveScreen(this, makeTransition(Transition::kOpacityOut, Transition::kSlideOut, 90, 0.3));
}

void EnterNameWindow::okAction()
{
    const str name = nameInput->getText();
    if (name.empty())
        return;
    if (Profiles::instance()->profileExists(name) && !(fromButton == kRename && name == editingName))
    {
        duplicate->setVisible(true);
        return;
    }
    if (fromButton >= kPlay && fromButton <= kOptions)
    {
        addProfile(name);
        setActiveProfile(name);
        if (fromButton == kGallery)
            if (TotalEntitiesEaten* totals = screens::totals(play))
                totals->copyActiveToGallery();
        closeDialog();
        bringToFront(leaveScreen(Screen::kMainMenu, makeTransition(Transition::kOpacityOut, 0, 0, 0.5)));
        bringToFront(this);
        // The screen the menu button leads to, in the level mode it stands for.
        struct Route
        {
            Screen target;
            std::optional<LevelMode> mode;
        };
        static const Route kRoutes[] = {{Screen::kLevelSelect, LevelMode::kTimed},
                                        {Screen::kLevelSelect, LevelMode::kCasual},
                                        {Screen::kEndurance, LevelMode::kEndurance},
                                        {Screen::kGallery, std::nullopt},
                                        {Screen::kOptions, std::nullopt}};
        Arrival arrival;
        arrival.from = Screen::kEnterName;
        arrival.sender = this;
        arrival.mode = kRoutes[fromButton].mode;
        goToScreen(kRoutes[fromButton].target,
                   makeTransition(Transition::kFadeFromColour, Transition::kNone, 0, 0.5), arrival);
    }
    else if (fromButton == kNewProfile)
    {
        closeDialog();
        addProfile(name);
        if (ChangePlayerWindow* change = changePlayer())
        {
            change->loadPlayerButtons();
            change->setSelectedToEnd();
            returnToScreen(change);
        }
    }
    else if (fromButton == kRename)
    {
        closeDialog();
        changePlayerName(editingName, name);
        if (ChangePlayerWindow* change = changePlayer())
        {
            change->loadPlayerButtons();
            returnToScreen(change);
        }
    }
}

void EnterNameWindow::cancelAction()
{
    closeDialog();
    returnToScreen(fromButton <= kOptions ? Screen::kMainMenu : Screen::kChangePlayer);
}

// ---- DeletePlayerWindow ------------------------------------------------------------------------

DeletePlayerWindow::DeletePlayerWindow(PlayScreenAccess& play)
    : WGUI::FancyWindow(true, screens::text("deleteplayer")), play(play)
{
    setUpDialog(this, screenName(kScreen), 400, 150);
    yes = button(this, "yes", "deleteplayeryestip", 140, 30, kAlignRight, kAlignBottom, 100);
    addWindow(yes.get());
    no = button(this, "no", "deleteplayernotip", 30, 30, kAlignRight, kAlignBottom, 100);
    addWindow(no.get());
    question = std::make_unique<WGUI::Label>();
    question->setText(screens::text("deleteplayerlabel"));
    place(question.get(), 30, 40, kAlignCenter, kAlignTop);
    addWindow(question.get());
}

DeletePlayerWindow::~DeletePlayerWindow() = default;

void DeletePlayerWindow::setPlayerName(str name)
{
    playerName = name;
    question->setText(str(("Are you sure you want to delete " + std::string(name.c_str()) + "?").c_str()));
    yes->setTooltip(true, str(("Permanently delete " + std::string(name.c_str()) + ".").c_str()));
}

void DeletePlayerWindow::removeProfile(str name)
{
    Profiles::instance()->removeProfile(name);
    LevelProgress::instance()->removeProfile(name);
    if (TotalEntitiesEaten* totals = screens::totals(play))
        totals->removeProfile(name);
}

void DeletePlayerWindow::draw()
{
    screens::drawOverlay(getOpacity());
    WGUI::FancyWindow::draw();
}

void DeletePlayerWindow::closeDialog()
{
    leaveScreen(this, makeTransition(Transition::kOpacityOut, Transition::kSlideOut, 90, 0.3));
}

void DeletePlayerWindow::buttonReleased(WGUI::Button* b)
{
    if (b == yes.get())
    {
        closeDialog();
        removeProfile(playerName);
        if (ChangePlayerWindow* change = changePlayer())
        {
            change->loadPlayerButtons();
            returnToScreen(change);
        }
    }
    else if (b == no.get())
    {
        closeDialog();
        returnToScreen(changePlayer());
    }
}

}  // namespace Game
