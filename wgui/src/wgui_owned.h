// OwnedArray: a fixed row of objects that one owner makes and deletes, such as a screen's row of
// buttons. Unlike a plain array of unique_ptr, which deletes its elements last to first, the row
// deletes them first to last, so a screen's teardown keeps the order its rows were built in.
#pragma once

#include <cstddef>
#include <memory>

namespace WGUI
{

template <class T, std::size_t N>
class OwnedArray
{
public:
    OwnedArray() = default;
    OwnedArray(const OwnedArray&) = delete;
    OwnedArray& operator=(const OwnedArray&) = delete;
    ~OwnedArray() { clear(); }

    // Takes the object into slot i (deleting the one there) and returns it.
    T* set(std::size_t i, std::unique_ptr<T> item)
    {
        items[i] = std::move(item);
        return items[i].get();
    }
    T* operator[](std::size_t i) const { return items[i].get(); }
    static constexpr std::size_t size() { return N; }

    // Deletes every object, first to last.
    void clear()
    {
        for (std::unique_ptr<T>& item : items)
            item.reset();
    }

    // Walks the objects as plain pointers (null for an empty slot).
    class const_iterator
    {
    public:
        explicit const_iterator(const std::unique_ptr<T>* at) : at(at) {}
        T* operator*() const { return at->get(); }
        const_iterator& operator++()
        {
            ++at;
            return *this;
        }
        bool operator!=(const const_iterator& other) const { return at != other.at; }

    private:
        const std::unique_ptr<T>* at;
    };
    const_iterator begin() const { return const_iterator(items); }
    const_iterator end() const { return const_iterator(items + N); }

private:
    std::unique_ptr<T> items[N];
};

}  // namespace WGUI
