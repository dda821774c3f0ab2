// The profile screens. ChangePlayerWindow ("changeplayerwindow") lists the profiles and picks,
// creates, renames or deletes one; EnterNameWindow ("enternamewindow") takes a new or changed
// name; DeletePlayerWindow ("deleteplayerwindow") asks before a profile goes. The three keep
// Profiles, LevelProgress and the play screen's eaten totals in step.
#pragma once

#include <memory>

#include <vector>

#include "screenlinks.h"
#include "services/navigation.h"
#include "wgui_button.h"
#include "wgui_fancywindow.h"
#include "wgui_label.h"

namespace Game
{

class PlayScreenAccess;

class ChangePlayerWindow : public WGUI::FancyWindow, public WGUI::Listener
{
public:
    static constexpr Screen kScreen = Screen::kChangePlayer;
    // The eaten totals are reached through play.
    explicit ChangePlayerWindow(PlayScreenAccess& play);
    ~ChangePlayerWindow() override;

    DIALOG_CLAIMS_MOUSE(WGUI::FancyWindow)
    void updateSelf() override;
    void buttonReleased(WGUI::Button* b) override;
    void buttonRepeat(WGUI::Button* b) override;
    // The mouse wheel scrolls the list by a row a notch.
    void messageCallback(WGUI::WEvent& e) override;

    // The rows shown at once, between the title and the buttons; more scroll.
    static const int kVisibleRows = 8;
    // Shows the rows from first on (clamped so that the last page is full).
    void scrollTo(int first);
    int getFirstVisibleRow() const { return firstRow; }
    // Scrolls as little as needed to show row i.
    void makeRowVisible(int i);
    WGUI::GraphicButton* getScrollUpButton() const { return scrollUp.get(); }
    WGUI::GraphicButton* getScrollDownButton() const { return scrollDown.get(); }

    void loadPlayerButtons();
    void setSelectedToActive();
    void setSelectedToEnd();
    void addButton(str name);
    void checkEmptyPlayerList();

    // The selected row's name ("" without a selection).
    str getSelectedName() const;
    int getSelectedIndex() const { return list->getSelectedIndex(); }
    int getNumRows() const { return list->getTotalButtons(); }
    WGUI::ToggleButtonGroup* getList() const { return list.get(); }
    WGUI::TextButton* getEditButton() const { return editName.get(); }
    WGUI::TextButton* getDeleteButton() const { return deletePlayer.get(); }
    WGUI::TextButton* getNewButton() const { return newPlayer.get(); }
    WGUI::TextButton* getOkButton() const { return ok.get(); }

private:
    PlayScreenAccess& play;  // not owned
    // Selects row i (-1: none), showing the selection frame on that row only.
    void select(int i);
    void layoutRows();

    int firstRow = 0;
    // Child widgets, deleted last declared first.
    std::unique_ptr<WGUI::ToggleButtonGroup> list;
    std::unique_ptr<WGUI::TextButton> ok;
    std::unique_ptr<WGUI::TextButton> newPlayer;
    std::unique_ptr<WGUI::TextButton> deletePlayer;
    std::unique_ptr<WGUI::TextButton> editName;
    std::unique_ptr<WGUI::GraphicButton> scrollDown;
    std::unique_ptr<WGUI::GraphicButton> scrollUp;
    std::vector<str> names;  // the rows' names, in row order
};

class EnterNameWindow : public WGUI::FancyWindow, public WGUI::Listener
{
public:
    static constexpr Screen kScreen = Screen::kEnterName;
    // Who opened the name entry, and so where OK leads.
    enum
    {
        kPlay = 0,
        kCasual = 1,
        kEndurance = 2,
        kGallery = 3,
        kOptions = 4,
        kNewProfile = 5,
        kRename = 6,
    };

    // The eaten totals are reached through play.
    explicit EnterNameWindow(PlayScreenAccess& play);
    ~EnterNameWindow() override;

    DIALOG_CLAIMS_MOUSE(WGUI::FancyWindow)
    void updateSelf() override;
    void draw() override;
    void messageCallback(WGUI::WEvent& e) override;
    void buttonReleased(WGUI::Button* b) override;
    void textChanged(WGUI::TextInput* input) override;

    void setFromButton(int code) { fromButton = code; }
    int getFromButton() const { return fromButton; }
    void setPlayerName(str name);
    void setEditingName(str name) { editingName = name; }
    bool okAvailable() const;
    void okAction();
    void cancelAction();
    void addProfile(str name);
    void setActiveProfile(str name);
    void changePlayerName(str oldName, str newName);

    WGUI::TextInput* getNameInput() const { return nameInput.get(); }
    WGUI::Label* getDuplicateLabel() const { return duplicate.get(); }
    WGUI::TextButton* getOkButton() const { return ok.get(); }

private:
    PlayScreenAccess& play;  // not owned
    void closeDialog();

    // Child widgets, deleted last declared first.
    std::unique_ptr<WGUI::Label> duplicate;
    std::unique_ptr<WGUI::Label> prompt;
    std::unique_ptr<WGUI::TextInput> nameInput;
    std::unique_ptr<WGUI::TextButton> cancel;
    std::unique_ptr<WGUI::TextButton> ok;
    int fromButton = 0;
    str editingName;
};

class DeletePlayerWindow : public WGUI::FancyWindow, public WGUI::Listener
{
public:
    static constexpr Screen kScreen = Screen::kDeletePlayer;
    // The eaten totals are reached through play.
    explicit DeletePlayerWindow(PlayScreenAccess& play);
    ~DeletePlayerWindow() override;

    DIALOG_CLAIMS_MOUSE(WGUI::FancyWindow)
    void draw() override;
    void buttonReleased(WGUI::Button* b) override;

    void setPlayerName(str name);
    void removeProfile(str name);

    WGUI::Label* getQuestion() const { return question.get(); }
    WGUI::TextButton* getYesButton() const { return yes.get(); }
    WGUI::TextButton* getNoButton() const { return no.get(); }

private:
    PlayScreenAccess& play;  // not owned
    void closeDialog();

    // Child widgets, deleted last declared first.
    std::unique_ptr<WGUI::Label> question;
    std::unique_ptr<WGUI::TextButton> no;
    std::unique_ptr<WGUI::TextButton> yes;
    str playerName;
};

}  // namespace Game
