// A row of the profile list: a button showing one profile name as plain centred text, with a
// thin frame for the pointer-over and pressed states instead of a skinned picture.
#pragma once

#include "foundation/str.h"
#include "wgui_button.h"

namespace Game
{

class PlayerNameButton : public WGUI::Button
{
public:
    PlayerNameButton() = default;
    ~PlayerNameButton() override = default;

    void setText(str t) { text = t; }
    str getText() const { return text; }

    void draw() override;

private:
    str text;
};

}  // namespace Game
