// Options: the game's settings and "options.xml".
#include "services/options.h"

#include <cmath>

#include "foundation/singletons.h"
#include "services/xmlfile.h"
#include "wgui_helpers.h"
#include "wgui_font.h"
#include "wgui_xmldocument.h"

namespace Game
{

Options* Options::sInstance = nullptr;

Options::Options()
{
}

Options* Options::createInstance()
{
    if (!sInstance)
    {
        qfNoteLifetime("make", "Options");
        sInstance = new Options();
        sInstance->readXML();
    }
    return sInstance;
}

Options* Options::instance()
{
    if (!sInstance)
        qfSingletonNotMade("Options");
    return createInstance();
}

void Options::deleteInstance()
{
    qfNoteLifetime("delete", "Options");
    delete sInstance;
    sInstance = nullptr;
}

str Options::getFilePath() const
{
    return services::preferencesPath(fileName);
}

bool Options::validDisplayResolution(int w, int h)
{
    return w >= 800 && w <= 1280 && h >= 600 && h <= 1024;
}

str Options::getWindowTitle() const
{
    return WGUI::StringTable::instance()->getString("windowtitle");
}

namespace
{

// A value with no number in it ("nan", "abc") keeps the field as it was instead of reading as 0.
// A number too large for a double reads as infinity, which would be written back as "inf" and
// read as 0 at the next start: such a value keeps the field as it was too.
void queryFiniteDouble(WGUI::XmlElement& element, const char* name, double& field)
{
    str text;
    if (element.queryStringAttribute(name, text) != 0 || !WGUI::hasLeadingNumber(text, true))
        return;
    double value = field;
    if (element.queryDoubleAttribute(name, value) == 0 && std::isfinite(value))
        field = value;
}

void queryNumberInt(WGUI::XmlElement& element, const char* name, int& field)
{
    str text;
    if (element.queryStringAttribute(name, text) == 0 && WGUI::hasLeadingNumber(text, false))
        element.queryIntAttribute(name, field);
}

}  // namespace

void Options::readXML()
{
    services::XmlFile file(getFilePath(), services::XmlFile::kSavedState);
    WGUI::XmlElement root = file.getRoot();
    if (!root.isValid())
        return;

    WGUI::XmlElement display = root.iterateChildren("display");
    if (display.isValid())
    {
        queryNumberInt(display, "width", width);
        queryNumberInt(display, "height", height);
        queryNumberInt(display, "depth", depth);
        display.queryBoolAttribute("windowed", windowed);
        if (windowed || !validDisplayResolution(width, height))
        {
            width = 800;
            height = 600;
        }
    }

    root.resetIterateChildren();
    WGUI::XmlElement control = root.iterateChildren("control");
    if (control.isValid())
    {
        queryFiniteDouble(control, "sensitivity", mouseSensitivity);
        control.queryBoolAttribute("joystickon", joystickOn);
    }

    root.resetIterateChildren();
    WGUI::XmlElement sound = root.iterateChildren("sound");
    if (sound.isValid())
    {
        queryFiniteDouble(sound, "musicvolume", musicVolume);
        queryFiniteDouble(sound, "effectvolume", soundEffectVolume);
    }
}

int Options::writeXML()
{
    WGUI::XmlDocument doc(false);
    WGUI::XmlElement root("options");

    WGUI::XmlElement display("display");
    display.setAttribute("width", width);
    display.setAttribute("height", height);
    display.setAttribute("depth", depth);
    display.setBoolAttribute("windowed", windowed);
    root.insertEndChild(display);

    WGUI::XmlElement control("control");
    control.setDoubleAttribute("sensitivity", mouseSensitivity);
    control.setBoolAttribute("joystickon", joystickOn);
    root.insertEndChild(control);

    WGUI::XmlElement sound("sound");
    sound.setDoubleAttribute("musicvolume", musicVolume);
    sound.setDoubleAttribute("effectvolume", soundEffectVolume);
    root.insertEndChild(sound);

    doc.setRoot(root);
    return services::saveStateFile(doc, getFilePath());
}

}  // namespace Game
