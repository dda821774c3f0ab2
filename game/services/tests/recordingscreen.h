// A plain top-level screen standing in for one of another layer in tests: it records every
// arrival the navigation seam tells it.
#pragma once

#include <string>
#include <vector>

#include "services/navigation.h"
#include "wgui_window.h"

namespace Game::navtest
{

class RecordingScreen : public WGUI::Window, public Destination
{
public:
    explicit RecordingScreen(Screen s)
    {
        setName(screenName(s));
        setVisible(false);
    }
    void arrive(const Arrival& arrival) override
    {
        arrivals.push_back(arrival);
        // Told before the transition is given (the screen prepares itself first).
        hadTransitionOnArrival.push_back(getTransition() != nullptr);
    }
    std::vector<Arrival> arrivals;
    std::vector<bool> hadTransitionOnArrival;
};

}  // namespace Game::navtest