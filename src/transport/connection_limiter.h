#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <unordered_map>

// Counts the connections being served, in all and per client address, so
// that one busy or hostile client cannot start threads without end. Shared by
// a server thread and its connection threads; outlives whichever ends last.
class TConnectionLimiter {
public:
    TConnectionLimiter(int maxConnections, int maxPerAddress);

    // Called from the accept thread; takes Lock.
    [[nodiscard]] bool TryAcquire(uint32_t address);
    // Called from connection threads as they end; takes Lock.
    void Release(uint32_t address);

    [[nodiscard]] int Count() const;
    [[nodiscard]] int CountFrom(uint32_t address) const;

private:
    const int MaxConnections;
    const int MaxPerAddress;
    mutable std::mutex Lock;
    int Total = 0;
    std::unordered_map<uint32_t, int> PerAddress;
};

// One counted connection. Gives its place back when destroyed, on whatever
// thread that happens, even after the server thread is gone.
class TConnectionSlot {
public:
    // Takes a place for `address`; Held() tells whether one was free. Without
    // a limiter every connection is held.
    TConnectionSlot(std::shared_ptr<TConnectionLimiter> limiter, uint32_t address);
    ~TConnectionSlot();
    TConnectionSlot(TConnectionSlot&& other) noexcept;
    TConnectionSlot(const TConnectionSlot&) = delete;
    TConnectionSlot& operator=(const TConnectionSlot&) = delete;
    TConnectionSlot& operator=(TConnectionSlot&&) = delete;

    [[nodiscard]] bool Held() const { return IsHeld; }

private:
    std::shared_ptr<TConnectionLimiter> Limiter;
    uint32_t Address;
    bool IsHeld;
};
