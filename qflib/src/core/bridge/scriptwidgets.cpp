// Registration of the framework's scripted widgets with the window script.
#include "bridge/scriptwidgets.h"

#include "bridge/buttonwindow.h"
#include "bridge/imagewindow.h"
#include "bridge/luawindowscript.h"
#include "bridge/moviehost.h"
#include "bridge/sliderwindow.h"
#include "bridge/texteditwindow.h"
#include "bridge/textwindow.h"

void InstallScriptedWidgets()
{
    TLuaWindowScript::SetBuiltinWindowClass(str("Slider"), TSlider::ClassId());
    TLuaWindowScript::SetBuiltinWindowClass(str("Bitmap"), TImage::ClassId());
    TLuaWindowScript::SetBuiltinWindowClass(str("Button"), TButton::ClassId());
    TLuaWindowScript::SetBuiltinWindowClass(str("Text"), TText::ClassId());
    TLuaWindowScript::SetBuiltinWindowClass(str("TextEdit"), TTextEdit::ClassId());
    SetMovieHostFactory(&MakeFlashHost);
}
