// The medal submission dialogs: the account form, the medal rows sent, and the polled reply.
#include "medalsubmit.h"

#include <string>

#include "frontendutil.h"
#include "online/hiscores.h"
#include "services/levelprogress.h"
#include "services/navigation.h"
#include "wgui_input.h"
#include "wgui_manager.h"
#include "wgui_timer.h"
#include "wgui_transition.h"

namespace Game
{

using Frontend::place;
using WGUI::Transition;
using WGUI::Window;

namespace
{

void backToOptions()
{
    returnToScreen(Screen::kOptions);
}

}  // namespace

MedalSubmitWindow::MedalSubmitWindow()
    : WGUI::FancyWindow(true, screens::text("submitmedals")), hiscores(std::make_unique<TQfHiscores>(true))
{
    setName(screenName(kScreen));
    setUseVirtCoordPos(false, false);
    setUseVirtCoordDim(false, false);
    setPixWidth(350);
    setPixHeight(370);
    setAlign(kAlignCenter, kAlignCenter);
    setAlwaysActive(false);
    setMouseMoveToTop(false);

    submitButton = std::make_unique<WGUI::TextButton>();
    submitButton->setText(screens::text("submit"));
    place(submitButton.get(), 140, 30, kAlignRight, kAlignBottom, 100, 30);
    submitButton->setListener(this);
    addWindow(submitButton.get());

    cancel = std::make_unique<WGUI::TextButton>();
    cancel->setText(screens::text("cancel"));
    place(cancel.get(), 30, 30, kAlignRight, kAlignBottom, 100, 30);
    cancel->setListener(this);
    addWindow(cancel.get());

    description = std::make_unique<WGUI::TextBox>();
    description->setText(screens::text("medalsdescription"));
    description->setBackColour(1, 1, 1, 0);
    place(description.get(), 30, 40, kAlignLeft, kAlignTop, 300, 140);
    addWindow(description.get());

    nameCaption = std::make_unique<WGUI::Label>();
    nameCaption->setText(screens::text("medalsname"));
    place(nameCaption.get(), 30, 180, kAlignLeft, kAlignTop);
    addWindow(nameCaption.get());

    nameInput = std::make_unique<WGUI::TextInput>();
    nameInput->setQuillfireNameOnly(true);
    nameInput->setCharacterLimit(kNameLimit);
    place(nameInput.get(), 110, 180, kAlignLeft, kAlignTop, 150, 30);
    addWindow(nameInput.get());

    passwordCaption = std::make_unique<WGUI::Label>();
    passwordCaption->setText(screens::text("medalspassword"));
    place(passwordCaption.get(), 30, 220, kAlignLeft, kAlignTop);
    addWindow(passwordCaption.get());

    passwordInput = std::make_unique<WGUI::TextInput>();
    passwordInput->setQuillfirePasswordOnly(true);
    passwordInput->setPasswordBox(true);
    passwordInput->setCharacterLimit(kNameLimit);
    place(passwordInput.get(), 110, 220, kAlignLeft, kAlignTop, 150, 30);
    addWindow(passwordInput.get());

    remember = std::make_unique<WGUI::CheckBox>();
    remember->setText(screens::text("medalsremember"));
    place(remember.get(), 30, 260, kAlignLeft, kAlignTop);
    remember->setListener(this);
    addWindow(remember.get());
}

MedalSubmitWindow::~MedalSubmitWindow() = default;

void MedalSubmitWindow::initFields()
{
    str name, password;
    if (hiscores->GetRememberedUserInfo(&name, &password))
    {
        nameInput->setText(name);
        passwordInput->setText(password);
        remember->setSelected(true);
    }
    else
    {
        nameInput->setText(str(""));
        passwordInput->setText(str(""));
        remember->setSelected(false);
    }
}

str MedalSubmitWindow::getMedalString(str name)
{
    return str::getFormatted("<medal name=\"omnivora_%s\" per=\"game\"/>", name.c_str());
}

str MedalSubmitWindow::getFinalMedalString()
{
    LevelProgress* progress = LevelProgress::instance();
    progress->calcLevelCompletionStats();
    const struct
    {
        bool holds;
        const char* name;
    } medals[] = {
        {progress->allTimeAttackBeaten(), "completedgame"},
        {progress->allTimeAttackBronze(), "completedgamebronze"},
        {progress->allTimeAttackSilver(), "completedgamesilver"},
        {progress->allTimeAttackGold(), "completedgamegold"},
        {progress->allNormalModeBeaten(), "completedcasual"},
        {progress->allEnduranceModeBeaten(), "completedendurance"},
    };
    std::string rows;
    for (const auto& m : medals)
        if (m.holds)
            rows += getMedalString(str(m.name)).c_str();
    return str(rows.c_str());
}

void MedalSubmitWindow::updateSelf()
{
    submitButton->setVisible(!nameInput->getText().empty() && !passwordInput->getText().empty());
    WGUI::FancyWindow::updateSelf();
}

void MedalSubmitWindow::messageCallback(WGUI::WEvent& e)
{
    if (e.type == WGUI::WEvent::kKeyDown)
    {
        if (e.key == WGUI::Input::kTab)
        {
            if (nameInput->isActive())
            {
                nameInput->setActive(false);
                passwordInput->setActive(true);
            }
            else if (passwordInput->isActive())
            {
                passwordInput->setActive(false);
                nameInput->setActive(true);
            }
        }
        else if (e.key == WGUI::Input::kEnter && submitButton->isVisible())
        {
            submit();
            return;
        }
    }
    WGUI::FancyWindow::messageCallback(e);
}

void MedalSubmitWindow::buttonReleased(WGUI::Button* b)
{
    if (b == submitButton.get())
        submit();
    else if (b == cancel.get())
    {
        leaveScreen(this, makeTransition(Transition::kOpacityOut, Transition::kSlideOut, 90, 0.3));
        backToOptions();
    }
}

void MedalSubmitWindow::submit()
{
    const str rows = getFinalMedalString();
    const bool keep = remember->getSelected();
    const str password = passwordInput->getText();
    const str name = nameInput->getText();
    const bool accepted = hiscores->SubmitMedals(rows.c_str(), name, password, keep);

    leaveScreen(this, makeTransition(Transition::kOpacityOut, Transition::kSlideOut, 90, 0.3));
    openDialog(Screen::kMedalSubmitResult,
               makeTransition(Transition::kOpacityIn, Transition::kSlideIn, 90, 0.3), nullptr);
    if (MedalSubmitResult* result = screenOf<MedalSubmitResult>())
        result->initFields(hiscores.get(), accepted);
}

// ---- MedalSubmitResult -------------------------------------------------------------------------

MedalSubmitResult::MedalSubmitResult() : WGUI::FancyWindow(true, screens::text("submitmedalsresult"))
{
    setName(screenName(kScreen));
    setUseVirtCoordPos(false, false);
    setUseVirtCoordDim(false, false);
    setPixWidth(250);
    setPixHeight(230);
    setAlign(kAlignCenter, kAlignCenter);
    setAlwaysActive(false);
    setMouseMoveToTop(false);

    ok = std::make_unique<WGUI::TextButton>();
    ok->setText(screens::text("ok"));
    place(ok.get(), 140, 30, kAlignCenter, kAlignBottom, 100, 30);
    ok->setListener(this);
    addWindow(ok.get());

    message = std::make_unique<WGUI::TextBox>();
    message->setBackColour(1, 1, 1, 0);
    place(message.get(), 30, 40, kAlignCenter, kAlignTop, 220, 100);
    addWindow(message.get());
}

MedalSubmitResult::~MedalSubmitResult() = default;

void MedalSubmitResult::initFields(TQfHiscores* c, bool accepted)
{
    ok->setVisible(false);
    submitting = true;
    client = c;
    dotTimer = 0;
    dotCount = 0;
    if (accepted)
        message->setText(screens::text("submittingmedals"));
    else
    {
        message->setText(screens::text("medalsubmitfailed"));
        setMedalsSubmitted();
    }
}

void MedalSubmitResult::setMedalsSubmitted()
{
    submitting = false;
    ok->setTransition(makeTransition(Transition::kOpacityIn, 0, 0, 0.3));
}

void MedalSubmitResult::updateSelf()
{
    WGUI::FancyWindow::updateSelf();
    if (!submitting)
        return;
    dotTimer += WGUI::Timer::instance()->getDeltaT();
    if (dotTimer > 0.2)
    {
        dotCount = (dotCount + 1) % 6;
        dotTimer = 0;
        message->setText(str((std::string(screens::text("submittingmedals").c_str()) +
                              std::string(static_cast<size_t>(dotCount), '.'))
                                 .c_str()));
    }
    if (!client)
    {
        message->setText(screens::text("medalsubmitfailed"));
        setMedalsSubmitted();
        return;
    }
    // The reply is the server's text: bounded, terminated here, and shown without markup.
    char text[kMessageSize];
    text[0] = 0;
    const int status = client->GetServerRequestStatus(text, kMessageSize - 1, nullptr);
    text[kMessageSize - 1] = 0;
    if (status == 2)
    {
        message->setText(screens::escapeMarkup(str(text)));
        setMedalsSubmitted();
    }
    else if (status == 0)
    {
        message->setText(screens::text("medalssubmitsuccess"));
        setMedalsSubmitted();
    }
}

void MedalSubmitResult::buttonReleased(WGUI::Button* b)
{
    if (b != ok.get())
        return;
    leaveScreen(this, makeTransition(Transition::kOpacityOut, Transition::kSlideOut, 90, 0.3));
    backToOptions();
}

}  // namespace Game
