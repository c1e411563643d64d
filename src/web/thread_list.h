#pragma once

#include <algorithm>
#include <cstddef>
#include <memory>
#include <mutex>
#include <vector>

// An ordered list of pointers that destroys the items leaving it while
// OwnsItems is set; with it cleared the list only refers to items that live
// elsewhere (the window's lit analyzer panels, owned by their parent widget).
template <typename T>
class TMyList {
public:
    TMyList() = default;
    ~TMyList() { Clear(); }
    TMyList(const TMyList&) = delete;
    TMyList& operator=(const TMyList&) = delete;

    // Appends `item` and returns its index.
    size_t Add(T* item)
    {
        Items.push_back(item);
        return Items.size() - 1;
    }
    void Delete(size_t index)
    {
        T* item = Items.at(index);
        Items.erase(Items.begin() + static_cast<std::ptrdiff_t>(index));
        Notify(item);
    }
    // Removes the first occurrence of `item`; its index, or -1 when absent.
    std::ptrdiff_t Remove(T* item)
    {
        const std::ptrdiff_t index = IndexOf(item);
        if (index >= 0)
            Delete(static_cast<size_t>(index));
        return index;
    }
    // Takes the item at `index` out without destroying it; the caller owns it
    // from then on when the list did.
    [[nodiscard]] T* Extract(size_t index)
    {
        T* item = Items.at(index);
        Items.erase(Items.begin() + static_cast<std::ptrdiff_t>(index));
        return item;
    }
    void Clear()
    {
        // Emptied first, so an item's destructor never sees a half-cleared list.
        std::vector<T*> removed;
        removed.swap(Items);
        for (T* item : removed)
            Notify(item);
    }
    [[nodiscard]] std::ptrdiff_t IndexOf(const T* item) const
    {
        const auto found = std::find(Items.begin(), Items.end(), item);
        return found == Items.end() ? -1 : found - Items.begin();
    }
    [[nodiscard]] size_t Count() const { return Items.size(); }
    [[nodiscard]] T* operator[](size_t index) const { return Items.at(index); }
    [[nodiscard]] auto begin() const { return Items.begin(); }
    [[nodiscard]] auto end() const { return Items.end(); }

    bool OwnsItems = true;

private:
    void Notify(T* item)
    {
        if (OwnsItems)
            std::default_delete<T>()(item);
    }

    std::vector<T*> Items;
};

// A TMyList of owned items behind a lock: the queue between the web server's
// connection threads and the GUI thread. Every operation holds Lock for its
// whole run. A queue that is full drops new items, so a flood of requests
// while no port is connected cannot grow it without end.
template <typename T>
class TMyThreadList {
public:
    static constexpr size_t kDefaultCapacity = 1024;

    explicit TMyThreadList(size_t capacity = kDefaultCapacity) : Capacity(capacity) {}
    ~TMyThreadList()
    {
        std::lock_guard guard(Lock);
        List.Clear();
    }
    TMyThreadList(const TMyThreadList&) = delete;
    TMyThreadList& operator=(const TMyThreadList&) = delete;

    // Called from connection threads; takes Lock. False when the item was not
    // queued (null, or the queue full); it is then destroyed here.
    bool Add(std::unique_ptr<T> item)
    {
        if (!item)
            return false;
        std::lock_guard guard(Lock);
        if (List.Count() >= Capacity)
            return false;
        List.Add(item.release());
        return true;
    }
    // Called from the GUI thread; takes Lock. The oldest item, or null.
    [[nodiscard]] std::unique_ptr<T> PopFirst()
    {
        std::lock_guard guard(Lock);
        if (List.Count() == 0)
            return nullptr;
        return std::unique_ptr<T>(List.Extract(0));
    }
    // Takes Lock; destroys every queued item.
    void Clear()
    {
        std::lock_guard guard(Lock);
        List.Clear();
    }
    // Takes Lock.
    [[nodiscard]] size_t Count() const
    {
        std::lock_guard guard(Lock);
        return List.Count();
    }

    const size_t Capacity;

private:
    TMyList<T> List; // OwnsItems set: queued items belong to the queue
    mutable std::mutex Lock;
};
