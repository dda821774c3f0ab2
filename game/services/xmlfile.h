// Reading the game's own XML files (saved state and data tables). The root is the first element
// of the document: an XML declaration, doctype or comments before it are skipped, so a file that a person
// edited and saved with a declaration still reads (and is not replaced by defaults at the next
// save). Writing goes through WGUI::XmlDocument, whose save replaces the file atomically.
#pragma once

#include "foundation/str.h"
#include "foundation/xml.h"
#include "wgui_xmldocument.h"

namespace services {

class XmlFile
{
public:
    // Parses the file (plain XML text or a "ZXML" container); a file that does not open or
    // holds no element leaves the document empty.
    explicit XmlFile(const str& path);
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

}  // namespace services
