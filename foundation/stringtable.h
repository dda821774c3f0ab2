// String tables: labels mapped to the texts the player sees. The files are spreadsheet XML,
// plain or in a "ZXML" container, scanned as raw text: each "<Row" starts a row, each "<Data"
// in it a cell (its text runs from the next ">" to the next "<", escapes decoded); the first
// cell is the label, the second the text.
//
// Markup in a text: "%%" is one percent sign, "%k%" argument k (from 1), "%name%" the text of
// label name (inserted as it stands). A failed lookup gives "#####" and a debug line.
#pragma once

#include <cstddef>
#include <list>
#include <map>

#include "foundation/str.h"

class TStringTable
{
public:
    TStringTable();

    // Empties the table, then merges the file.
    bool LoadStringTable(str file);
    // Adds the rows of the file; a label already present takes the new text. False when the
    // file does not open or is a damaged container (the table is then unchanged).
    bool MergeStringTable(str file);
    // The same over bytes in memory (plain or "ZXML").
    bool MergeStringTableText(const char* data, size_t size);
    // Merges the further tables of a folder prefix ("user:", "common:"): every resource directly
    // in it whose name after the prefix begins with "string" and contains ".xml", in name order.
    // Returns how many were merged.
    int MergeFolderStringTables(str prefix);

    // The text of label with its markup expanded; "#####" when it cannot be built.
    str GetString(str label, unsigned int count, str* args);
    str GetString(str label, str a1 = str(), str a2 = str(), str a3 = str(), str a4 = str(), str a5 = str());

    // Labels meant for the movies: those starting "FLASH_", or when there are none, those of
    // the form "flash" followed by digits.
    void GetFlashStrings(std::list<str>& out);

    bool HasLabel(const str& label) const { return mStrings.count(label) != 0; }
    // Every label, in map order.
    void GetLabels(std::list<str>& out) const
    {
        for (const auto& entry : mStrings)
            out.push_back(entry.first);
    }
    size_t GetCount() const { return mStrings.size(); }

private:
    std::map<str, str> mStrings;
};
