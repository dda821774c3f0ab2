#include "wguimain.h"

#include "wgui_manager.h"

// The game's screens are not built yet: the GUI library's manager opens the display, hosts the
// (still empty) window tree and runs the main loop until the platform reports quit; a close
// request ends in the orderly exit.
void WGUImain()
{
    WGUI::Manager* manager = new WGUI::Manager(800, 600, -1, true, "Wombixomnivora");
    manager->run();
    WGUI::Manager::deleteInstance();
}
