// LPCD: binds native free functions and member functions to script globals. A bound global is a
// native closure whose one upvalue is a userdata holding a trivially copyable record (the
// function pointer, or the object pointer and the member pointer) of exactly its own size; the
// dispatcher chosen from the signature converts the script arguments, calls the target and
// pushes the result. No argument's type is tested: a wrong or missing argument arrives as "",
// 0, false or null.
#pragma once

#include <cstring>
#include <memory>
#include <tuple>
#include <type_traits>
#include <utility>

#include "bridge/luaobject.h"
#include "foundation/str.h"
#include "scriptengine/api.h"
#include "scriptengine/auxlib.h"

class TMessage;

namespace LPCD
{

template <class T>
struct TypeWrapper
{
};

// Argument conversions.
str Get(TypeWrapper<str>, lua_State* L, int index);
inline int Get(TypeWrapper<int>, lua_State* L, int index)
{
    return int(luaL_numtoint(lua_tonumber(L, index)));
}
inline unsigned Get(TypeWrapper<unsigned>, lua_State* L, int index)
{
    return luaL_numtouint(lua_tonumber(L, index));
}
inline float Get(TypeWrapper<float>, lua_State* L, int index)
{
    return float(lua_tonumber(L, index));
}
inline double Get(TypeWrapper<double>, lua_State* L, int index)
{
    return lua_tonumber(L, index);
}
inline bool Get(TypeWrapper<bool>, lua_State* L, int index)
{
    return lua_toboolean(L, index) != 0;
}
// Only a box made by Push(TMessage*) (its metatable is the message metatable) gives a message;
// any other value gives null.
TMessage* Get(TypeWrapper<TMessage*>, lua_State* L, int index);

// Result conversions.
inline void Push(lua_State* L, bool value)
{
    lua_pushboolean(L, value ? 1 : 0);
}
inline void Push(lua_State* L, int value)
{
    lua_pushnumber(L, value);
}
inline void Push(lua_State* L, unsigned value)
{
    lua_pushnumber(L, double(value));
}
inline void Push(lua_State* L, float value)
{
    lua_pushnumber(L, value);
}
inline void Push(lua_State* L, double value)
{
    lua_pushnumber(L, value);
}
inline void Push(lua_State* L, const str& value)
{
    lua_pushlstring(L, value.c_str(), value.length());
}
// Boxes the message with the message metatable; the script owns it from then on. A null message
// is boxed too. When the box cannot be made, the error goes on and the message is deleted.
void Push(lua_State* L, TMessage* message);
void Push(lua_State* L, std::unique_ptr<TMessage> message);

// One converted argument, alive for the duration of the call.
template <class T>
struct Arg
{
    Arg(lua_State* L, int index) : value(Get(TypeWrapper<T>(), L, index)) {}
    T value;
};

// A table argument: a handle on a copy of the argument, handed to the interpreter's script for
// deletion at its next entry into script code; without a script it dies with the call.
template <>
struct Arg<TLuaTable*>
{
    Arg(lua_State* L, int index)
    {
        lua_pushvalue(L, index);
        value = new TLuaTable(L);
        owned = !TLuaTable::DeferDelete(value);
    }
    Arg(Arg&& other) noexcept : value(other.value), owned(other.owned) { other.owned = false; }
    Arg(const Arg&) = delete;
    ~Arg()
    {
        if (owned)
            delete value;
    }
    TLuaTable* value;
    bool owned;
};

template <class R>
inline int PushResult(lua_State* L, R&& result)
{
    Push(L, std::forward<R>(result));
    return 1;
}

// The shared worker: argument k of the signature is read from firstIndex + k - 1.
template <class R, class... A, size_t... I>
int CallFunction(R (*f)(A...), lua_State* L, int firstIndex, std::index_sequence<I...>)
{
    std::tuple<Arg<std::decay_t<A>>...> args(Arg<std::decay_t<A>>(L, firstIndex + int(I))...);
    if constexpr (std::is_void_v<R>)
    {
        f(std::get<I>(args).value...);
        return 0;
    }
    else
    {
        return PushResult(L, f(std::get<I>(args).value...));
    }
}

template <class C, class M, class R, class... A, size_t... I>
int CallMember(C* object, M member, lua_State* L, int firstIndex, std::index_sequence<I...>)
{
    std::tuple<Arg<std::decay_t<A>>...> args(Arg<std::decay_t<A>>(L, firstIndex + int(I))...);
    if constexpr (std::is_void_v<R>)
    {
        (object->*member)(std::get<I>(args).value...);
        return 0;
    }
    else
    {
        return PushResult(L, (object->*member)(std::get<I>(args).value...));
    }
}

template <class Record>
Record ReadRecord(lua_State* L)
{
    Record record;
    std::memcpy(&record, lua_touserdata(L, lua_upvalueindex(1)), sizeof record);
    return record;
}

template <class Record>
void PushRecordClosure(lua_State* L, const char* name, const Record& record, lua_CFunction dispatcher)
{
    static_assert(std::is_trivially_copyable<Record>::value, "bound records are copied bytewise");
    lua_pushstring(L, name);
    void* block = lua_newuserdata(L, sizeof record);
    std::memcpy(block, &record, sizeof record);
    lua_pushcclosure(L, dispatcher, 1);
    lua_rawset(L, LUA_GLOBALSINDEX);
}

template <class F>
struct DirectCallFunctionDispatchHelper;

template <class R, class... A>
struct DirectCallFunctionDispatchHelper<R (*)(A...)>
{
    struct Record
    {
        R (*function)(A...);
    };
    static int DirectCallFunctionDispatcher(lua_State* L)
    {
        const Record record = ReadRecord<Record>(L);
        return CallFunction(record.function, L, 1, std::index_sequence_for<A...>());
    }
};

template <class C, class M>
struct DirectCallMemberDispatcherHelper;

template <class C, class R, class... A>
struct DirectCallMemberDispatcherHelper<C, R (C::*)(A...)>
{
    using Member = R (C::*)(A...);
    struct Record
    {
        C* object;
        Member member;
    };
    static int DirectCallMemberDispatcher(lua_State* L)
    {
        const Record record = ReadRecord<Record>(L);
        return CallMember<C, Member, R, A...>(record.object, record.member, L, 1,
                                              std::index_sequence_for<A...>());
    }
};

template <class C, class R, class... A>
struct DirectCallMemberDispatcherHelper<C, R (C::*)(A...) const>
{
    using Member = R (C::*)(A...) const;
    struct Record
    {
        C* object;
        Member member;
    };
    static int DirectCallMemberDispatcher(lua_State* L)
    {
        const Record record = ReadRecord<Record>(L);
        return CallMember<const C, Member, R, A...>(record.object, record.member, L, 1,
                                                    std::index_sequence_for<A...>());
    }
};

// Members that read their own arguments and return their result count.
template <class C>
struct lua_StateMemberDispatcher
{
    struct Record
    {
        C* object;
        int (C::*member)(lua_State*);
    };
    static int Dispatch(lua_State* L)
    {
        const Record record = ReadRecord<Record>(L);
        return (record.object->*record.member)(L);
    }
};

// Registration: global `name` of L becomes the bound function.
template <class R, class... A>
void Register(lua_State* L, const char* name, R (*function)(A...))
{
    using Helper = DirectCallFunctionDispatchHelper<R (*)(A...)>;
    typename Helper::Record record{function};
    PushRecordClosure(L, name, record, &Helper::DirectCallFunctionDispatcher);
}

template <class C, class M>
void Register(lua_State* L, const char* name, C* object, M member)
{
    using Helper = DirectCallMemberDispatcherHelper<C, M>;
    typename Helper::Record record{object, member};
    PushRecordClosure(L, name, record, &Helper::DirectCallMemberDispatcher);
}

template <class C>
void RegisterStateMember(lua_State* L, const char* name, C* object, int (C::*member)(lua_State*))
{
    typename lua_StateMemberDispatcher<C>::Record record{object, member};
    PushRecordClosure(L, name, record, &lua_StateMemberDispatcher<C>::Dispatch);
}

}  // namespace LPCD
