// Sequences of raw table operations checked against a std::map model: set, delete, get,
// and full traversals with lua_next (optionally clearing visited keys, which is allowed).
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>

#include "scriptengine/api.h"

namespace
{

struct Input
{
    const uint8_t* p;
    size_t n;
    bool empty() const { return n == 0; }
    uint8_t byte()
    {
        if (n == 0)
            return 0;
        n--;
        return *p++;
    }
};

// A key as the model sees it; pushKey pushes the same key on the stack.
struct Key
{
    int kind;  // 0 number, 1 string, 2 wide string, 3 boolean
    double num = 0;
    std::string text;
    bool operator<(const Key& o) const
    {
        if (kind != o.kind)
            return kind < o.kind;
        if (kind == 0 || kind == 3)
            return num < o.num;
        return text < o.text;
    }
    bool operator==(const Key& o) const { return !(*this < o) && !(o < *this); }
};

Key readKey(Input& in)
{
    Key k;
    uint8_t sel = in.byte();
    switch (sel % 6)
    {
    case 0:  // small integer (array part candidates)
        k.kind = 0;
        k.num = static_cast<double>(in.byte() % 64) + 1;
        break;
    case 1:
    {  // other numbers: negative, fractional, zero of both signs, large
        k.kind = 0;
        static const double specials[] = {0.0,   -0.0,     1.5,  -7,    1e9,
                                          65536, 16777217, 0.25, -1e-3, 2147483648.0};
        k.num = specials[in.byte() % 10];
        if (k.num == 0)
            k.num = 0;  // -0 and 0 are one key
        break;
    }
    case 2:
    case 3:
    {  // short strings
        k.kind = 1;
        int len = in.byte() % 4;
        for (int i = 0; i < len; i++)
            k.text.push_back(static_cast<char>('a' + in.byte() % 5));
        break;
    }
    case 4:
    {  // wide strings, stored as raw units in text
        k.kind = 2;
        int len = in.byte() % 3;
        for (int i = 0; i < len; i++)
            k.text.push_back(static_cast<char>('a' + in.byte() % 5));
        break;
    }
    default:
        k.kind = 3;
        k.num = in.byte() & 1;
        break;
    }
    return k;
}

void pushKey(lua_State* L, const Key& k)
{
    switch (k.kind)
    {
    case 0: lua_pushnumber(L, k.num); break;
    case 1: lua_pushlstring(L, k.text.data(), k.text.size()); break;
    case 2:
    {
        lua_WChar units[4];
        for (size_t i = 0; i < k.text.size(); i++)
            units[i] = static_cast<lua_WChar>(k.text[i]);
        lua_pushlwstring(L, units, k.text.size());
        break;
    }
    default: lua_pushboolean(L, k.num != 0); break;
    }
}

Key keyAt(lua_State* L, int idx)
{
    Key k;
    switch (lua_type(L, idx))
    {
    case LUA_TNUMBER:
        k.kind = 0;
        k.num = lua_tonumber(L, idx);
        break;
    case LUA_TSTRING:
        k.kind = 1;
        k.text.assign(lua_tostring(L, idx), lua_strlen(L, idx));
        break;
    case LUA_TWSTRING:
    {
        k.kind = 2;
        const lua_WChar* w = lua_towstring(L, idx);
        for (size_t i = 0; i < lua_strlen(L, idx); i++)
            k.text.push_back(static_cast<char>(w[i]));
        break;
    }
    case LUA_TBOOLEAN:
        k.kind = 3;
        k.num = lua_toboolean(L, idx);
        break;
    default: abort();
    }
    return k;
}

void check(bool ok)
{
    if (!ok)
        abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    lua_State* L = lua_open();
    if (L == nullptr)
        return 0;
    lua_newtable(L);  // the table under test at index 1
    std::map<Key, double> model;
    Input in{data, size};
    double counter = 0;
    int ops = 0;
    while (!in.empty() && ops++ < 4000)
    {
        uint8_t op = in.byte() % 5;
        if (op <= 1)
        {  // set
            Key k = readKey(in);
            counter += 1;
            pushKey(L, k);
            lua_pushnumber(L, counter);
            lua_rawset(L, 1);
            model[k] = counter;
        }
        else if (op == 2)
        {  // delete
            Key k = readKey(in);
            pushKey(L, k);
            lua_pushnil(L);
            lua_rawset(L, 1);
            model.erase(k);
        }
        else if (op == 3)
        {  // get
            Key k = readKey(in);
            pushKey(L, k);
            lua_rawget(L, 1);
            auto it = model.find(k);
            if (it == model.end())
                check(lua_isnil(L, -1));
            else
                check(lua_type(L, -1) == LUA_TNUMBER && lua_tonumber(L, -1) == it->second);
            lua_pop(L, 1);
        }
        else
        {  // traversal, clearing visited keys when asked
            bool clear = in.byte() & 1;
            std::map<Key, double> seen;
            lua_pushnil(L);
            while (lua_next(L, 1))
            {
                Key k = keyAt(L, -2);
                check(seen.find(k) == seen.end());
                check(lua_type(L, -1) == LUA_TNUMBER);
                seen[k] = lua_tonumber(L, -1);
                lua_pop(L, 1);
                if (clear)
                {
                    lua_pushvalue(L, -1);
                    lua_pushnil(L);
                    lua_rawset(L, 1);
                }
            }
            check(seen == model);
            if (clear)
                model.clear();
        }
        check(lua_gettop(L) == 1);
    }
    lua_close(L);
    return 0;
}
