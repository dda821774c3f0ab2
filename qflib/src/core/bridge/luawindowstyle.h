// TLuaWindowStyle: the window style over a script table. A key missing from the window's own
// table is looked up in the script's current default style ("gCurrentDefaultStyle") and then
// along that style's "parent" chain; the window table's own "parent" is not followed.
#pragma once

#include "bridge/luaobject.h"
#include "window/windowstyle.h"

class TLuaWindowStyle : public TWindowStyle
{
public:
    // Parent links followed at most; a longer (or cyclic) chain ends the search unfound.
    static constexpr int kMaxParentLinks = 32;

    // The table is not owned.
    explicit TLuaWindowStyle(TLuaTable* table) : mStyleTable(table) {}

    // With the candidate on the top of the stack: true with the found value on the top, false
    // with the stack as before (the candidate popped by the caller's restore).
    bool _GetTag(const char* key, bool useDefault) const;

    double GetNumber(const str& key, double defaultValue) const override;
    str GetString(const str& key, const str& defaultValue) const override;
    bool GetBool(const str& key, bool defaultValue) const override;
    // New handles owned by the caller on whatever value is found; null when not found.
    TLuaTable* GetTable(const str& key) const;
    TLuaFunction* GetFunction(const str& key) const;

private:
    // Pushes the style table and looks the key up; on true the value is on the top.
    bool Find(const str& key) const;

    TLuaTable* mStyleTable;
};

// A class identity for dialogs (the id of TDialog is kind of TModalWindow and TWindow).
class TDialog
{
public:
    static intptr_t ClassId();
    static bool IsKindOf(intptr_t id);
};
