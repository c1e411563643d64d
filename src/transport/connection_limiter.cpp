#include "transport/connection_limiter.h"

#include <utility>

TConnectionLimiter::TConnectionLimiter(int maxConnections, int maxPerAddress)
    : MaxConnections(maxConnections), MaxPerAddress(maxPerAddress)
{
}

bool TConnectionLimiter::TryAcquire(uint32_t address)
{
    const std::lock_guard guard(Lock);
    int& fromAddress = PerAddress[address];
    if (Total >= MaxConnections || fromAddress >= MaxPerAddress) {
        if (fromAddress == 0)
            PerAddress.erase(address);
        return false;
    }
    ++Total;
    ++fromAddress;
    return true;
}

void TConnectionLimiter::Release(uint32_t address)
{
    const std::lock_guard guard(Lock);
    const auto entry = PerAddress.find(address);
    if (entry == PerAddress.end())
        return;
    --Total;
    // Emptied entries go, so a scan of many addresses leaves no trace.
    if (--entry->second == 0)
        PerAddress.erase(entry);
}

int TConnectionLimiter::Count() const
{
    const std::lock_guard guard(Lock);
    return Total;
}

int TConnectionLimiter::CountFrom(uint32_t address) const
{
    const std::lock_guard guard(Lock);
    const auto entry = PerAddress.find(address);
    return entry == PerAddress.end() ? 0 : entry->second;
}

TConnectionSlot::TConnectionSlot(std::shared_ptr<TConnectionLimiter> limiter, uint32_t address)
    : Limiter(std::move(limiter)), Address(address), IsHeld(Limiter == nullptr || Limiter->TryAcquire(address))
{
}

TConnectionSlot::~TConnectionSlot()
{
    if (IsHeld && Limiter != nullptr)
        Limiter->Release(Address);
}

TConnectionSlot::TConnectionSlot(TConnectionSlot&& other) noexcept
    : Limiter(std::move(other.Limiter)), Address(other.Address), IsHeld(std::exchange(other.IsHeld, false))
{
}
