// Class identity of windows: a class id is the address of the class's factory function, and
// windows are made from ids only through the registry of known factories, so that an id that
// arrives from a script can never be called as an arbitrary address.
#pragma once

#include <cstdint>

class TWindow;

using TClassId = intptr_t;
using TWindowFactory = TWindow* (*)();

// Makes a default-constructed window of class T.
template <class T>
TWindow* TWindowDynamicCreate()
{
    return new T();
}

// Adds a factory to the registry; the factory's address is the class id it returns.
TClassId RegisterWindowFactory(TWindowFactory factory);
// The factory registered under the id, or null.
TWindowFactory FindWindowFactory(TClassId id);

// The class id of T (the address of its factory), registered on first use.
template <class T>
TClassId WindowClassId()
{
    static const TClassId id = RegisterWindowFactory(&TWindowDynamicCreate<T>);
    return id;
}

// Classes that are never made from their id (abstract ones, or ones that need arguments) name a
// marker function of their own instead of a factory; CreateFromId makes nothing for such an id.
template <class T>
void TWindowClassMarker()
{
}

template <class T>
TClassId NonCreatableWindowClassId()
{
    return reinterpret_cast<TClassId>(&TWindowClassMarker<T>);
}
