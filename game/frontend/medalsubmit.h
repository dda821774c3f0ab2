// The medal submission dialogs. MedalSubmitWindow ("medalsubmitwindow") takes the online account
// and sends one medal row per all-levels achievement of the active profile through the hiscore
// client; MedalSubmitResult ("medalsubmitresult") polls that request and shows how it ended.
#pragma once

#include <memory>

#include "screenlinks.h"
#include "services/navigation.h"
#include "wgui_button.h"
#include "wgui_fancywindow.h"
#include "wgui_label.h"
#include "wgui_scroll.h"

class TQfHiscores;

namespace Game
{

class MedalSubmitWindow : public WGUI::FancyWindow, public WGUI::Listener
{
public:
    static constexpr Screen kScreen = Screen::kMedalSubmit;
    static const int kNameLimit = 26;

    // The hiscore client it keeps for its whole life (created with its file saving on).
    MedalSubmitWindow();
    ~MedalSubmitWindow() override;

    DIALOG_CLAIMS_MOUSE(WGUI::FancyWindow)
    void updateSelf() override;
    void messageCallback(WGUI::WEvent& e) override;
    void buttonReleased(WGUI::Button* b) override;

    void initFields();
    static str getMedalString(str name);
    static str getFinalMedalString();
    void submit();

    TQfHiscores* getHiscores() const { return hiscores.get(); }
    WGUI::TextInput* getNameInput() const { return nameInput; }
    WGUI::TextInput* getPasswordInput() const { return passwordInput; }
    WGUI::CheckBox* getRememberBox() const { return remember; }
    WGUI::TextButton* getSubmitButton() const { return submitButton; }
    WGUI::TextButton* getCancelButton() const { return cancel; }

private:
    WGUI::TextButton* submitButton;
    WGUI::TextButton* cancel;
    WGUI::TextBox* description;
    WGUI::Label* nameCaption;
    WGUI::Label* passwordCaption;
    WGUI::TextInput* nameInput;
    WGUI::TextInput* passwordInput;
    WGUI::CheckBox* remember;
    std::unique_ptr<TQfHiscores> hiscores;
};

class MedalSubmitResult : public WGUI::FancyWindow, public WGUI::Listener
{
public:
    static constexpr Screen kScreen = Screen::kMedalSubmitResult;
    static const unsigned kMessageSize = 512;

    MedalSubmitResult();
    ~MedalSubmitResult() override;

    DIALOG_CLAIMS_MOUSE(WGUI::FancyWindow)
    void updateSelf() override;
    void buttonReleased(WGUI::Button* b) override;

    void initFields(TQfHiscores* client, bool accepted);
    void setMedalsSubmitted();

    bool isSubmitting() const { return submitting; }
    int getDotCount() const { return dotCount; }
    str getMessage() const { return message->getText(); }
    WGUI::TextButton* getOkButton() const { return ok; }

private:
    WGUI::TextButton* ok;
    WGUI::TextBox* message;
    TQfHiscores* client = nullptr;
    bool submitting = false;
    double dotTimer = 0;
    int dotCount = 0;
};

}  // namespace Game
