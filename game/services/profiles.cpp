// Profiles: the profile names, the active one and "profiles.xml".
#include "services/profiles.h"

#include "foundation/singletons.h"
#include "services/xmlfile.h"
#include "wgui_xmldocument.h"

namespace Game
{

Profiles* Profiles::sInstance = nullptr;

Profiles* Profiles::createInstance()
{
    if (!sInstance)
    {
        qfNoteLifetime("make", "Profiles");
        sInstance = new Profiles();
        sInstance->readXML();
    }
    return sInstance;
}

Profiles* Profiles::instance()
{
    if (!sInstance)
        qfSingletonNotMade("Profiles");
    return createInstance();
}

void Profiles::deleteInstance()
{
    qfNoteLifetime("delete", "Profiles");
    delete sInstance;
    sInstance = nullptr;
}

str Profiles::getFilePath() const
{
    return services::preferencesPath(fileName);
}

void Profiles::readXML()
{
    active = "";
    names.clear();
    services::XmlFile file(getFilePath(), services::XmlFile::kSavedState, services::profileNamesFit);
    WGUI::XmlElement root = file.getRoot();
    if (!root.isValid())
        return;
    root.queryStringAttribute("active", active);
    for (WGUI::XmlElement child = root.iterateChildren(); child.isValid(); child = root.iterateChildren())
    {
        // Comments and declarations are kept by the tree as children; they name no profile.
        const str element = child.getName();
        if (!element.empty() && (element[0] == '!' || element[0] == '?'))
            continue;
        str name = "";
        child.queryStringAttribute("name", name);
        names.push_back(name);
    }
}

int Profiles::writeXML()
{
    WGUI::XmlDocument doc(false);
    WGUI::XmlElement root("profiles");
    root.setAttribute("active", active);
    for (const str& name : names)
    {
        WGUI::XmlElement profile("profile");
        profile.setAttribute("name", name);
        root.insertEndChild(profile);
    }
    doc.setRoot(root);
    return services::saveStateFile(doc, getFilePath());
}

void Profiles::setDefaultToActive()
{
    active = getDefaultName();
    addProfile(active);
}

str Profiles::claimForOlderFormFile()
{
    if (hasActiveProfile())
        addProfile(active);
    else
        setDefaultToActive();
    return active;
}

bool Profiles::profileExists(const str& name) const
{
    for (const str& n : names)
        if (n == name)
            return true;
    return false;
}

bool Profiles::addProfile(const str& name)
{
    if (profileExists(name))
        return false;
    names.push_back(name);
    return true;
}

void Profiles::removeProfile(const str& name)
{
    for (auto it = names.begin(); it != names.end();)
    {
        if (*it == name)
            it = names.erase(it);
        else
            ++it;
    }
    if (active == name)
        active = "";
}

void Profiles::changePlayerName(const str& oldName, const str& newName)
{
    // Only a rename of the active profile moves the active name: renaming another profile
    // must not switch the player (the results would go to one profile while another shows).
    if (active == oldName)
        active = newName;
    for (str& n : names)
        if (n == oldName)
            n = newName;
}

}  // namespace Game
