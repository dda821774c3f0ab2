// Reading the game's own XML files (saved state and data tables). The root is the first element
// of the document: an XML declaration, doctype or comments before it are skipped, so a file that a person
// edited and saved with a declaration still reads (and is not replaced by defaults at the next
// save). Writing goes through WGUI::XmlDocument, whose save replaces the file atomically.
//
// Data tables are read leniently: whatever parses is used. Saved state (options, profiles, level
// progress, eaten totals) is read only when it is one whole document: a damaged file is kept
// aside and its backup read instead, or nothing (see foundation/savedstate.h); saves of it go
// through saveStateFile, which keeps those backups.
#pragma once

#include <functional>

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
    // parsed; see the file comment. A document whose root the check refuses counts as damaged
    // too (a value the game can never have written: a profile name longer than any the name
    // entry makes).
    typedef std::function<bool(WGUI::XmlElement& root)> RootCheck;
    XmlFile(const str& path, SavedState, const RootCheck& check = RootCheck());
    XmlFile(const XmlFile&) = delete;
    XmlFile& operator=(const XmlFile&) = delete;

    // The first element, with its child cursor reset; invalid when there is none.
    WGUI::XmlElement getRoot();

private:
    TXmlNode document;
};

// True when the element has a direct child of that name (its cursor is left reset).
bool hasChild(WGUI::XmlElement& element, const char* name);

// The check of the files that hold profile names (profiles, level progress, eaten totals): the
// root's "active" and the "name" of each of its children fit Profiles::kMaxNameBytes.
bool profileNamesFit(WGUI::XmlElement& root);

// Writes a document of saved state as XmlDocument::saveFile writes any, except that the replaced
// version, when whole, is kept as file + ".bak" (see foundation/savedstate.h). 0 on success;
// non-zero, with a debug line, when there is no root or the write fails.
int saveStateFile(WGUI::XmlDocument& doc, const str& file);

// The path of a file in the user's preferences folder.
str preferencesPath(const str& fileName);

}  // namespace Game::services
