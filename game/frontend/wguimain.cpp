#include "wguimain.h"

#include "app/event.h"
#include "app/platform.h"
#include "window/windowmanager.h"

// The game's screens are not built yet: open the display and run the platform's event loop
// until the application is asked to quit, answering a close request with the orderly exit;
// the window manager sees every event and redraws the window stack on idle.
void WGUImain()
{
    TPlatform* platform = TPlatform::GetInstance();
    if (!platform)
        return;
    platform->SetWindowTitle("Wombixomnivora");
    platform->SetDisplay(800, 600, false);
    for (;;)
    {
        TEvent event;
        platform->GetEvent(&event);
        if (event.mType == TEvent::kQuit)
            break;
        if (event.mType == TEvent::kCloseRequested)
            platform->Exit(0);
        if (TWindowManager* manager = platform->GetWindowManager())
            manager->HandleEvent(&event);
    }
}
