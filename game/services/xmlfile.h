// Reading the game's own XML files (saved state and data tables). The root is the first element
// of the document: an XML declaration, doctype or comments before it are skipped, so a file that a person
// edited and saved with a declaration still reads (and is not replaced by defaults at the next
// save). Writing goes through WGUI::XmlDocument, whose save replaces the file atomically.
//
// Data tables are read leniently: whatever parses is used. Saved state (options, profiles, level
// progress, eaten totals) is read only when it is one whole document: a damaged file is kept
// aside and its backup read instead, or nothing (see foundation/savedstate.h); saves of it go
// through XmlDocument::saveStateFile, which keeps those backups.
#pragma once

#include "foundation/savedstate.h"
#include "foundation/str.h"
#include "foundation/xml.h"
#include "wgui_xmldocument.h"

namespace Game::services
{

class XmlFile
{
public:
    // Parses the file (plain XML text or a "ZXML" container); a file that does not open or
    // holds no element leaves the document empty.
    explicit XmlFile(const str& path);
    enum SavedState
    {
        kSavedState
    };
    // Reads a file of saved state: only a whole document (the file's or its backup's) is
    // parsed; see the file comment.
    XmlFile(const str& path, SavedState);
    XmlFile(const XmlFile&) = delete;
    XmlFile& operator=(const XmlFile&) = delete;

    // The first element, with its child cursor reset; invalid when there is none.
    WGUI::XmlElement getRoot();

private:
    TXmlNode document;
};

// True when the element has a direct child of that name (its cursor is left reset).
bool hasChild(WGUI::XmlElement& element, const char* name);

// The path of a file in the user's preferences folder.
str preferencesPath(const str& fileName);

}  // namespace Game::services
