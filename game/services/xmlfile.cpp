// Reading the game's own XML files and their small helpers.
#include "services/xmlfile.h"

#include "wgui_misc.h"

namespace Game::services
{

XmlFile::XmlFile(const str& path)
{
    if (path.empty())
        return;
    document.ParseFile(path.c_str());
}

XmlFile::XmlFile(const str& path, SavedState)
{
    if (path.empty())
        return;
    TSavedStateRead read = ReadSavedState(path, TXmlNode::IsWholeDocument);
    if (!read.mBytes.empty())
        document.ParseString(read.mBytes.data(), read.mBytes.size());
}

WGUI::XmlElement XmlFile::getRoot()
{
    for (size_t i = 0; i < document.GetChildCount(); ++i)
    {
        TXmlNode* child = document.GetChildAt(i);
        const str name = child->GetName();
        // Declarations, doctypes and comments are childless nodes named "?...", "!...".
        if (name.empty() || name[0] == '?' || name[0] == '!')
            continue;
        WGUI::XmlElement root(child);
        root.resetIterateChildren();
        return root;
    }
    return WGUI::XmlElement();
}

bool hasChild(WGUI::XmlElement& element, const char* name)
{
    if (!element.isValid())
        return false;
    element.resetIterateChildren();
    const bool found = element.iterateChildren(name).isValid();
    element.resetIterateChildren();
    return found;
}

str preferencesPath(const str& fileName)
{
    return WGUI::Pathnames::instance()->getPreferences() + fileName;
}

}  // namespace Game::services
