// Reading the game's own XML files and their small helpers.
#include "services/xmlfile.h"

#include "foundation/debug.h"
#include "foundation/file.h"
#include "services/profiles.h"
#include "wgui_misc.h"

namespace Game::services
{

XmlFile::XmlFile(const str& path)
{
    if (path.empty())
        return;
    document.ParseFile(path.c_str());
}

namespace
{

// The first element of a document node: declarations, doctypes and comments are childless
// nodes named "?...", "!...".
WGUI::XmlElement firstElement(TXmlNode& document)
{
    for (size_t i = 0; i < document.GetChildCount(); ++i)
    {
        TXmlNode* child = document.GetChildAt(i);
        const str name = child->GetName();
        if (name.empty() || name[0] == '?' || name[0] == '!')
            continue;
        WGUI::XmlElement root(child);
        root.resetIterateChildren();
        return root;
    }
    return WGUI::XmlElement();
}

}  // namespace

XmlFile::XmlFile(const str& path, SavedState, const RootCheck& check)
{
    if (path.empty())
        return;
    TSavedStateCheck whole = TXmlNode::IsWholeDocument;
    if (check)
    {
        whole = [&check](const char* data, size_t size)
        {
            TXmlNode parsed;
            parsed.ParseString(data, size);
            if (!parsed.GetParseVerdict().IsWholeDocument())
                return false;
            WGUI::XmlElement root = firstElement(parsed);
            return root.isValid() && check(root);
        };
    }
    TSavedStateRead read = ReadSavedState(path, whole);
    if (!read.mBytes.empty())
        document.ParseString(read.mBytes.data(), read.mBytes.size());
}

WGUI::XmlElement XmlFile::getRoot()
{
    return firstElement(document);
}

bool profileNamesFit(WGUI::XmlElement& root)
{
    str value;
    if (root.queryStringAttribute("active", value) == 0 && value.length() > Profiles::kMaxNameBytes)
        return false;
    root.resetIterateChildren();
    bool fit = true;
    for (WGUI::XmlElement child = root.iterateChildren(); fit && child.isValid();
         child = root.iterateChildren())
    {
        value = "";
        child.queryStringAttribute("name", value);
        fit = value.length() <= Profiles::kMaxNameBytes;
    }
    root.resetIterateChildren();
    return fit;
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

int saveStateFile(WGUI::XmlDocument& doc, const str& file)
{
    // An encrypted document is checked as text only after decryption, which the backup keeping
    // cannot do: any non-empty version counts as whole there.
    TSavedStateCheck whole;
    if (!doc.isEncrypted())
        whole = TXmlNode::IsWholeDocument;
    return doc.saveFileThrough(file,
                               [&whole](const str& path, const char* bytes, unsigned long n)
                               {
                                   if (WriteSavedState(path, bytes, n, whole))
                                       return true;
                                   WriteDbg("XmlDocument: writing %s failed: %s", path.c_str(),
                                            TFile::LastSaveErrorText().c_str());
                                   return false;
                               });
}

}  // namespace Game::services
