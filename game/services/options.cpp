#include "services/options.h"

#include "app/platform.h"
#include "foundation/stringtable.h"
#include "services/xmlfile.h"
#include "wgui_xmldocument.h"

Options* Options::sInstance = nullptr;

Options::Options() {}

Options* Options::instance()
{
    if (!sInstance)
    {
        sInstance = new Options();
        sInstance->readXML();
    }
    return sInstance;
}

void Options::deleteInstance()
{
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
    TPlatform* platform = TPlatform::GetInstance();
    TStringTable* table = platform ? platform->GetStringTable() : nullptr;
    return table ? table->GetString("windowtitle") : str("");
}

void Options::readXML()
{
    services::XmlFile file(getFilePath());
    WGUI::XmlElement root = file.getRoot();
    if (!root.isValid())
        return;

    WGUI::XmlElement display = root.iterateChildren("display");
    if (display.isValid())
    {
        display.queryIntAttribute("width", width);
        display.queryIntAttribute("height", height);
        display.queryIntAttribute("depth", depth);
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
        control.queryDoubleAttribute("sensitivity", mouseSensitivity);
        control.queryBoolAttribute("joystickon", joystickOn);
    }

    root.resetIterateChildren();
    WGUI::XmlElement sound = root.iterateChildren("sound");
    if (sound.isValid())
    {
        sound.queryDoubleAttribute("musicvolume", musicVolume);
        sound.queryDoubleAttribute("effectvolume", soundEffectVolume);
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
    return doc.saveFile(getFilePath());
}
