// What the window script asks of the framework's scripted widgets (text, button, image and
// layered windows) and of the movie host. Widgets implement TScriptWidget beside their window
// class; the window script finds them with dynamic_cast and leaves every other window alone.
#pragma once

#include "foundation/str.h"

class TLuaFunction;

class TScriptWidget
{
public:
    enum EKind
    {
        kText,
        kButton,
        kImage,
        kLayered
    };
    virtual ~TScriptWidget() {}
    virtual EKind GetWidgetKind() const = 0;

    // Text windows: the text; buttons: the label.
    virtual str GetLabel() const { return str(""); }
    virtual void SetLabel(const str& text) { (void)text; }
    // Buttons.
    virtual bool IsOn() const { return false; }
    virtual void SetOn(bool on) { (void)on; }
    // Takes ownership of the function, which the button runs as its command.
    virtual void SetCommand(TLuaFunction* function);
    // Images.
    virtual void SetTexture(const str& image, float scale) { (void)image, (void)scale; }
    virtual bool HasTexture() const { return false; }
    // Layered windows (buttons are layered too).
    virtual void SetCurrentLayer(int layer) { (void)layer; }
};

// The movie player behind "StartMovie". Without a factory no movie ever starts.
class TMovieHost
{
public:
    virtual ~TMovieHost() {}
    virtual bool Start(bool loop, bool translate, bool allowInput) = 0;
    virtual bool IsPlaying() = 0;
    virtual void Stop() = 0;
};
typedef TMovieHost* (*TMovieHostFactory)(const str& file);
void SetMovieHostFactory(TMovieHostFactory factory);
