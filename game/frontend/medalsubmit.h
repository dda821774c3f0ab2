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
    WGUI::TextInput* getNameInput() const { return nameInput.get(); }
    WGUI::TextInput* getPasswordInput() const { return passwordInput.get(); }
    WGUI::CheckBox* getRememberBox() const { return remember.get(); }
    WGUI::TextButton* getSubmitButton() const { return submitButton.get(); }
    WGUI::TextButton* getCancelButton() const { return cancel.get(); }

private:
    std::unique_ptr<TQfHiscores> hiscores;
    // Child widgets, deleted last declared first.
    std::unique_ptr<WGUI::CheckBox> remember;
    std::unique_ptr<WGUI::TextInput> passwordInput;
    std::unique_ptr<WGUI::TextInput> nameInput;
    std::unique_ptr<WGUI::Label> passwordCaption;
    std::unique_ptr<WGUI::Label> nameCaption;
    std::unique_ptr<WGUI::TextBox> description;
    std::unique_ptr<WGUI::TextButton> cancel;
    std::unique_ptr<WGUI::TextButton> submitButton;
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
    WGUI::TextButton* getOkButton() const { return ok.get(); }

private:
    // Child widgets, deleted last declared first.
    std::unique_ptr<WGUI::TextBox> message;
    std::unique_ptr<WGUI::TextButton> ok;
    TQfHiscores* client = nullptr;
    bool submitting = false;
    double dotTimer = 0;
    int dotCount = 0;
};

}  // namespace Game
