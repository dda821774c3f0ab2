// The change-player screen, the name entry and the delete question, against the three stores.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "entitygallery.h"
#include "optionswindow.h"
#include "profilewindows.h"
#include "screenlinks.h"
#include "services/levelprogress.h"
#include "services/profiles.h"
#include "services/tests/failingsaves.h"
#include "services/tests/recordingscreen.h"
#include "test_fb_fixture.h"
#include "wgui_input.h"
#include "wgui_manager.h"
#include "wgui_transition.h"

using namespace Game;

using fbtest::FrontEndTest;
using WGUI::Transition;

namespace
{

class ProfileTest : public FrontEndTest
{
protected:
    void SetUp() override
    {
        FrontEndTest::SetUp();
        makeTotals(3);
        menu = stub("mainmenu");
        levelSelect = add(new navtest::RecordingScreen(Screen::kLevelSelect));
        endurance = add(new navtest::RecordingScreen(Screen::kEndurance));
        options = add(new OptionsWindow());
        change = add(new ChangePlayerWindow(access));
        entry = add(new EnterNameWindow(access));
        del = add(new DeletePlayerWindow(access));
        for (WGUI::Window* w : {levelSelect, endurance})
            w->setVisible(false);
    }
    void type(const std::string& s)
    {
        for (char c : s)
        {
            WGUI::WEvent e;
            e.type = WGUI::WEvent::kChar;
            e.code = c;
            entry->messageCallback(e);
        }
    }
    void openEntry(int code, const std::string& name)
    {
        entry->setFromButton(code);
        entry->setEditingName(name.c_str());
        entry->setPlayerName(name.c_str());
        entry->setTransition(nullptr);
        entry->setVisible(true);
        entry->setAlwaysActive(true);
        frames(1);  // children hear events from the frame after they became active
    }
    std::vector<std::string> names() const
    {
        std::vector<std::string> out;
        for (const str& n : Profiles::instance()->getNames())
            out.push_back(n.c_str());
        return out;
    }

    WGUI::Window* menu = nullptr;
    navtest::RecordingScreen* levelSelect = nullptr;
    navtest::RecordingScreen* endurance = nullptr;
    OptionsWindow* options = nullptr;
    ChangePlayerWindow* change = nullptr;
    EnterNameWindow* entry = nullptr;
    DeletePlayerWindow* del = nullptr;
};

TEST_F(ProfileTest, FirstRunNameEntryWritesTheStoresAndFadesInTheTarget)
{
    struct Case
    {
        int code;
        const char* target;
    } cases[] = {{0, "levelselect"}, {1, "levelselect"}, {2, "endurancemenu"}, {4, "optionswindow"}};
    options->setFromWindow(OptionsWindow::kFromPause);
    for (const Case& c : cases)
    {
        std::remove((root + "/user/profiles.xml").c_str());
        std::remove((root + "/user/levelprogress.xml").c_str());
        std::remove((root + "/user/eatenentities.xml").c_str());
        const std::string name = "p" + std::to_string(c.code);
        openEntry(c.code, "");
        type(name);
        EXPECT_TRUE(entry->okAvailable());
        entry->okAction();
        EXPECT_EQ(Profiles::instance()->getActiveProfile(), str(name.c_str()));
        EXPECT_EQ(LevelProgress::instance()->getActiveProfile()->getName(), str(name.c_str()));
        EXPECT_EQ(totals->getActiveProfile()->getName(), str(name.c_str()));
        EXPECT_TRUE(fileExists("user/profiles.xml")) << c.code;
        EXPECT_TRUE(fileExists("user/levelprogress.xml")) << c.code;
        EXPECT_TRUE(fileExists("user/eatenentities.xml")) << c.code;
        WGUI::Window* target = WGUI::Manager::instance()->getChild(c.target);
        ASSERT_NE(target->getTransition(), nullptr);
        EXPECT_EQ(target->getTransition()->getType(), Transition::kFadeFromColour);
        EXPECT_TRUE(target->isAlwaysActive());
        EXPECT_FALSE(menu->isAlwaysActive());
        EXPECT_EQ(menu->getTransition()->getType(), Transition::kOpacityOut);
        EXPECT_EQ(entry->getTransition()->getType(), Transition::kOpacityOut);
        frames(40);
        target->setAlwaysActive(false);
    }
    // The level selection was told the mode of each button (timed, then casual), the endurance
    // menu the endurance mode; the options went back to the main menu when closed.
    ASSERT_EQ(levelSelect->arrivals.size(), 2u);
    ASSERT_EQ(endurance->arrivals.size(), 1u);
    EXPECT_TRUE(levelSelect->arrivals[0].mode == LevelMode::kTimed);
    EXPECT_TRUE(levelSelect->arrivals[1].mode == LevelMode::kCasual);
    EXPECT_TRUE(endurance->arrivals[0].mode == LevelMode::kEndurance);
    for (const Arrival& a : {levelSelect->arrivals[0], levelSelect->arrivals[1], endurance->arrivals[0]})
    {
        EXPECT_EQ(a.from, Screen::kEnterName);
        EXPECT_EQ(a.sender, entry);
    }
    EXPECT_EQ(options->getFromWindow(), OptionsWindow::kFromMainMenu);
    EXPECT_TRUE(options->getCheatsButton()->isVisible());
}

TEST_F(ProfileTest, DuplicateNamesAreRefusedExceptARenameToItself)
{
    activeProfile("Ann");
    Profiles::instance()->addProfile("Bob");
    openEntry(EnterNameWindow::kNewProfile, "Ann");
    entry->okAction();
    EXPECT_TRUE(entry->getDuplicateLabel()->isVisible());
    EXPECT_TRUE(entry->isAlwaysActive());
    EXPECT_EQ(names(), (std::vector<std::string>{"Ann", "Bob"}));
    type("x");
    EXPECT_FALSE(entry->getDuplicateLabel()->isVisible());

    openEntry(EnterNameWindow::kRename, "Ann");
    entry->getNameInput()->setText("Bob");
    entry->okAction();
    EXPECT_TRUE(entry->getDuplicateLabel()->isVisible());

    openEntry(EnterNameWindow::kRename, "Ann");
    entry->okAction();  // to its own name
    EXPECT_FALSE(entry->getDuplicateLabel()->isVisible());
    EXPECT_FALSE(entry->isAlwaysActive());

    openEntry(EnterNameWindow::kNewProfile, "ann");  // case counts
    entry->okAction();
    EXPECT_FALSE(entry->getDuplicateLabel()->isVisible());
    EXPECT_EQ(names(), (std::vector<std::string>{"Ann", "Bob", "ann"}));
}

TEST_F(ProfileTest, NewAndRenameChangeMemoryOnly)
{
    activeProfile("Ann");
    change->loadPlayerButtons();
    openEntry(EnterNameWindow::kNewProfile, "");
    type("Cy");
    entry->okAction();
    EXPECT_EQ(names(), (std::vector<std::string>{"Ann", "Cy"}));
    EXPECT_EQ(Profiles::instance()->getActiveProfile(), str("Ann"));
    EXPECT_EQ(change->getSelectedName(), str("Cy"));
    EXPECT_TRUE(change->isAlwaysActive());
    EXPECT_FALSE(fileExists("user/profiles.xml"));

    openEntry(EnterNameWindow::kRename, "Ann");
    entry->getNameInput()->setText("Anna");
    entry->okAction();
    EXPECT_EQ(names(), (std::vector<std::string>{"Anna", "Cy"}));
    EXPECT_EQ(Profiles::instance()->getActiveProfile(), str("Anna"));  // the active name follows
    EXPECT_EQ(LevelProgress::instance()->getProfile(0)->getName(), str("Anna"));
    EXPECT_EQ(change->getSelectedName(), str("Cy"));  // the index stays
    EXPECT_FALSE(fileExists("user/profiles.xml"));
    EXPECT_FALSE(fileExists("user/levelprogress.xml"));

    // OK writes the three files and activates the selection.
    change->setVisible(true);
    change->buttonReleased(change->getOkButton());
    EXPECT_EQ(Profiles::instance()->getActiveProfile(), str("Cy"));
    EXPECT_NE(readFile("user/profiles.xml").find("Cy"), std::string::npos);
    EXPECT_TRUE(fileExists("user/levelprogress.xml"));
    EXPECT_TRUE(fileExists("user/eatenentities.xml"));
    EXPECT_TRUE(menu->isAlwaysActive());
}

TEST_F(ProfileTest, CancelStoresNothing)
{
    for (int code : {0, 4, 5, 6})
    {
        menu->setAlwaysActive(false);
        change->setAlwaysActive(false);
        openEntry(code, "");
        type("Zed");
        entry->cancelAction();
        EXPECT_TRUE(names().empty());
        EXPECT_EQ((code <= 4 ? menu : static_cast<WGUI::Window*>(change))->isAlwaysActive(), true) << code;
        EXPECT_FALSE(entry->isAlwaysActive());
        frames(25);
    }
}

TEST_F(ProfileTest, NameInputTakesLettersAndDigitsOnlyAndEnterNeedsText)
{
    openEntry(EnterNameWindow::kNewProfile, "");
    type(" .\xe9-");
    EXPECT_EQ(entry->getNameInput()->getText(), str(""));
    WGUI::WEvent enter;
    enter.type = WGUI::WEvent::kKeyDown;
    enter.key = WGUI::Input::kEnter;
    entry->messageCallback(enter);
    EXPECT_TRUE(names().empty());
    frames(1);
    EXPECT_FALSE(entry->getOkButton()->isVisible());
    type("Al1");
    EXPECT_EQ(entry->getNameInput()->getText(), str("Al1"));
    frames(1);
    EXPECT_TRUE(entry->getOkButton()->isVisible());
    entry->messageCallback(enter);
    EXPECT_EQ(names(), (std::vector<std::string>{"Al1"}));
}

TEST_F(ProfileTest, DeleteKeepsTheIndexOrFallsBackToTheLast)
{
    struct Case
    {
        int selected;
        int count;
        int expectIndex;
    } cases[] = {{0, 3, 0}, {1, 3, 1}, {2, 3, 1}, {0, 1, -1}};
    for (const Case& c : cases)
    {
        Profiles::deleteInstance();
        LevelProgress::deleteInstance();
        std::vector<std::string> all;
        for (int i = 0; i < c.count; ++i)
        {
            all.push_back("P" + std::to_string(i));
            Profiles::instance()->addProfile(all.back().c_str());
        }
        change->getList()->setSelectedIndex(-1);
        change->loadPlayerButtons();
        change->getList()->setSelectedIndex(c.selected);
        del->setPlayerName(change->getSelectedName());
        EXPECT_EQ(del->getQuestion()->getText(),
                  str(("Are you sure you want to delete " + all[c.selected] + "?").c_str()));
        EXPECT_EQ(del->getYesButton()->getTooltipText(),
                  str(("Permanently delete " + all[c.selected] + ".").c_str()));
        del->buttonReleased(del->getYesButton());
        EXPECT_EQ(change->getNumRows(), c.count - 1);
        EXPECT_EQ(change->getSelectedIndex(), c.expectIndex) << c.selected << "/" << c.count;
        EXPECT_EQ(change->getOkButton()->isVisible(), c.count > 1);
        EXPECT_EQ(change->getEditButton()->isVisible(), c.count > 1);
        EXPECT_TRUE(change->getNewButton()->isVisible());
        EXPECT_FALSE(fileExists("user/profiles.xml"));
    }
}

TEST_F(ProfileTest, DeletingTheActiveProfileClearsItAndNoKeepsIt)
{
    activeProfile("Ann");
    change->loadPlayerButtons();
    del->setPlayerName("Ann");
    del->buttonReleased(del->getNoButton());
    EXPECT_TRUE(Profiles::instance()->profileExists("Ann"));
    EXPECT_TRUE(change->isAlwaysActive());
    del->buttonReleased(del->getYesButton());
    EXPECT_FALSE(Profiles::instance()->hasActiveProfile());
    for (int i = 0; i < totals->getNumProfiles(); ++i)
        EXPECT_NE(totals->getProfile(i)->getName(), str("Ann"));
    EXPECT_FALSE(Profiles::instance()->profileExists("Ann"));
}

// Exactly one row of the list shows the selection frame, the selected one, however it was chosen:
// the list rebuilt and set to the active profile, a new player added (selected at the end), a
// rename, a click on another row.
TEST_F(ProfileTest, ExactlyTheSelectedRowShowsTheSelectionFrame)
{
    change->setVisible(true);
    change->setAlwaysActive(true);
    auto framed = [this]
    {
        std::vector<int> rows;
        for (int i = 0; i < change->getList()->getTotalButtons(); ++i)
            if (change->getList()->getButton(i)->getState() == WGUI::Button::kDown)
                rows.push_back(i);
        return rows;
    };
    auto expectOnlySelected = [&](const char* when)
    {
        EXPECT_EQ(framed(), std::vector<int>{change->getSelectedIndex()}) << when;
        frames(2);
        EXPECT_EQ(framed(), std::vector<int>{change->getSelectedIndex()}) << when << ", frames later";
    };
    for (const char* n : {"A", "B", "C"})
        Profiles::instance()->addProfile(n);
    Profiles::instance()->setActiveProfile("B");
    change->loadPlayerButtons();
    expectOnlySelected("list loaded");
    change->setSelectedToActive();
    EXPECT_EQ(change->getSelectedName(), str("B"));
    expectOnlySelected("set to the active profile");

    openEntry(EnterNameWindow::kNewProfile, "");
    type("Dee");
    entry->okAction();
    EXPECT_EQ(change->getSelectedName(), str("Dee"));
    expectOnlySelected("new player");

    openEntry(EnterNameWindow::kRename, "A");
    entry->getNameInput()->setText("Al");
    entry->okAction();
    expectOnlySelected("renamed");

    change->getList()->buttonReleased(change->getList()->getButton(0));
    EXPECT_EQ(change->getSelectedName(), str("Al"));
    expectOnlySelected("clicked");
}

TEST_F(ProfileTest, SelectedToActiveFindsTheActiveName)
{
    for (const char* n : {"A", "B", "C"})
        Profiles::instance()->addProfile(n);
    Profiles::instance()->setActiveProfile("B");
    change->loadPlayerButtons();
    EXPECT_EQ(change->getSelectedIndex(), 0);
    change->setSelectedToActive();
    EXPECT_EQ(change->getSelectedName(), str("B"));
    Profiles::instance()->setActiveProfile("nobody");
    change->setSelectedToActive();
    EXPECT_EQ(change->getSelectedName(), str("B"));
}

}  // namespace

namespace
{

class ChangePlayerScrollTest : public ProfileTest
{
protected:
    void show15()
    {
        for (int i = 0; i < 15; ++i)
            Profiles::instance()->addProfile(("P" + std::to_string(i)).c_str());
        change->loadPlayerButtons();
        change->setTransition(nullptr);
        change->setVisible(true);
        change->setAlwaysActive(true);
        frames(2);
    }
    void click(WGUI::Window* w)
    {
        const int x = (w->getLeft() + w->getRight()) / 2, y = (w->getTop() + w->getBottom()) / 2;
        WGUI::Manager* m = WGUI::Manager::instance();
        TEvent move(TEvent::kMouseMoved, 0, x, y, 0);
        m->handleEvent(move);
        frames(1);
        TEvent down(TEvent::kLeftDown, 0, x, y, 0);
        m->handleEvent(down);
        frames(1);
        TEvent up(TEvent::kLeftUp, 0, x, y, 0);
        m->handleEvent(up);
        frames(1);
    }
    static bool overlaps(const WGUI::Window* a, const WGUI::Window* b)
    {
        return a->getLeft() < b->getRight() && b->getLeft() < a->getRight() && a->getTop() < b->getBottom() &&
               b->getTop() < a->getBottom();
    }
    // Every shown row lies inside the dialog and clear of its buttons; the shown rows.
    std::vector<int> checkShownRows()
    {
        std::vector<int> shown;
        for (int i = 0; i < change->getNumRows(); ++i)
        {
            WGUI::Button* row = change->getList()->getButton(i);
            if (!row->isVisible())
                continue;
            shown.push_back(i);
            EXPECT_GE(row->getTop(), change->getTop()) << i;
            EXPECT_LE(row->getBottom(), change->getBottom()) << i;
            for (WGUI::Window* b : {static_cast<WGUI::Window*>(change->getEditButton()),
                                    static_cast<WGUI::Window*>(change->getDeleteButton()),
                                    static_cast<WGUI::Window*>(change->getNewButton()),
                                    static_cast<WGUI::Window*>(change->getOkButton())})
                EXPECT_FALSE(overlaps(row, b)) << "row " << i << " lies under a button";
        }
        return shown;
    }
};

TEST_F(ChangePlayerScrollTest, FifteenProfilesScrollAndTheLastCanBeChosen)
{
    show15();
    std::vector<int> shown = checkShownRows();
    EXPECT_EQ(shown, (std::vector<int>{0, 1, 2, 3, 4, 5, 6, 7}));
    EXPECT_TRUE(change->getScrollUpButton()->isVisible());
    EXPECT_TRUE(change->getScrollDownButton()->isVisible());

    // The wheel scrolls a row a notch, no further than the last page.
    for (int i = 0; i < 20; ++i)
    {
        WGUI::WEvent wheel;
        wheel.type = WGUI::WEvent::kWheelDown;
        change->messageCallback(wheel);
    }
    frames(1);
    shown = checkShownRows();
    EXPECT_EQ(shown, (std::vector<int>{7, 8, 9, 10, 11, 12, 13, 14}));

    // The last profile is clicked, chosen and made active.
    click(change->getList()->getButton(14));
    EXPECT_EQ(change->getSelectedName(), str("P14"));
    click(change->getOkButton());
    EXPECT_EQ(Profiles::instance()->getActiveProfile(), str("P14"));

    // The up arrow scrolls back.
    change->setTransition(nullptr);
    change->setVisible(true);
    change->setAlwaysActive(true);
    frames(1);
    click(change->getScrollUpButton());
    EXPECT_EQ(change->getFirstVisibleRow(), 6);
}

TEST_F(ChangePlayerScrollTest, TheSelectedProfileIsScrolledIntoView)
{
    for (int i = 0; i < 15; ++i)
        Profiles::instance()->addProfile(("P" + std::to_string(i)).c_str());
    Profiles::instance()->setActiveProfile("P12");
    change->loadPlayerButtons();
    change->setSelectedToActive();
    frames(1);
    EXPECT_TRUE(change->getList()->getButton(12)->isVisible());
    change->setSelectedToEnd();
    EXPECT_TRUE(change->getList()->getButton(14)->isVisible());
    change->scrollTo(0);
    EXPECT_FALSE(change->getList()->getButton(14)->isVisible());
    // Few profiles: no arrows, every row shown.
    for (int i = 14; i >= 3; --i)
        Profiles::instance()->removeProfile(("P" + std::to_string(i)).c_str());
    change->loadPlayerButtons();
    change->setTransition(nullptr);
    change->setVisible(true);
    change->setAlwaysActive(true);
    frames(2);
    EXPECT_EQ(checkShownRows(), (std::vector<int>{0, 1, 2}));
    EXPECT_FALSE(change->getScrollUpButton()->isVisible());
}

// Every save these screens make, with the disk full: the files in the order tried, and a report
// of each lost one that names the cause.
TEST_F(ProfileTest, TheScreensSaveInTheirOrderAndReportALostSave)
{
    using Names = std::vector<std::string>;
    const Names three = {"levelprogress.xml", "eatenentities.xml", "profiles.xml"};
    const struct
    {
        const char* what;
        std::function<void()> act;
        Names files;
        Names lost;
    } cases[] = {
        {"change player ok",
         [this]
         {
             change->loadPlayerButtons();
             change->setSelectedToActive();
             change->setVisible(true);
             change->buttonReleased(change->getOkButton());
         },
         three,
         {"level progress", "eaten totals", "profiles"}},
        {"new name entered",
         [this]
         {
             openEntry(EnterNameWindow::kOptions, "");
             type("Zed");
             entry->okAction();
         },
         three,
         {"level progress", "eaten totals", "profiles"}},
        {"options closed", [this] { options->saveOptions(); }, {"options.xml"}, {"options"}},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.what);
        activeProfile("Ann");
        servicestest::FailingSaves failing;
        c.act();
        EXPECT_EQ(failing.files(), c.files);
        Names lost;
        for (const std::string& line : failing.reports())
        {
            const std::string tail = " could not be saved: " + std::string(strerror(ENOSPC));
            ASSERT_GT(line.size(), tail.size() + 4) << line;
            EXPECT_EQ(line.substr(line.size() - tail.size()), tail) << line;
            lost.push_back(line.substr(4, line.size() - tail.size() - 4));
        }
        EXPECT_EQ(lost, c.lost);
        menu->setAlwaysActive(false);
    }
}

}  // namespace
