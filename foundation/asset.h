// Shared resources (textures, sounds, script chunks, ...) derive from TAsset and are held
// through std::shared_ptr. Each asset class has a class identity so that a generic asset
// pointer can be checked and cast to its kind.
#pragma once

#include <cstdint>
#include <memory>

// The identity of an asset class: derived from the address of the class's own ClassId function,
// which is unique to it.
template <class F>
inline int qfClassIdFrom(F function)
{
    return static_cast<int>(reinterpret_cast<intptr_t>(reinterpret_cast<void*>(function)));
}

// Declares ClassId, IsKindOf and GetTypeName for an asset class derived from Base.
#define QF_ASSET_CLASS(Class, Base)                                                                          \
public:                                                                                                      \
    static int ClassId()                                                                                     \
    {                                                                                                        \
        return qfClassIdFrom(&Class::ClassId);                                                               \
    }                                                                                                        \
    bool IsKindOf(int classId) override                                                                      \
    {                                                                                                        \
        return classId == Class::ClassId() || Base::IsKindOf(classId);                                       \
    }                                                                                                        \
    const char* GetTypeName() override                                                                       \
    {                                                                                                        \
        return #Class;                                                                                       \
    }

class TAsset : public std::enable_shared_from_this<TAsset>
{
public:
    TAsset() {}
    virtual ~TAsset() {}

    static int ClassId() { return qfClassIdFrom(&TAsset::ClassId); }
    virtual const char* GetTypeName() { return "TAsset"; }
    // True for the class's own id and for each base's id.
    virtual bool IsKindOf(int classId) { return classId == TAsset::ClassId(); }

    // Hooks to drop and rebuild graphics memory (textures override them).
    virtual void Release() {}
    virtual void Restore() {}

    // This asset as a T, or empty when it is not a T. The asset must be owned by a shared_ptr.
    template <class T>
    std::shared_ptr<T> GetCast()
    {
        if (!IsKindOf(T::ClassId()))
            return std::shared_ptr<T>();
        std::weak_ptr<TAsset> self = weak_from_this();
        return std::static_pointer_cast<T>(self.lock());
    }
};

// GetCast over a possibly empty pointer.
template <class T>
std::shared_ptr<T> qfAssetCast(const std::shared_ptr<TAsset>& asset)
{
    return asset ? asset->GetCast<T>() : std::shared_ptr<T>();
}
