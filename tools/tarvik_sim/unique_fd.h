#pragma once

#include <unistd.h>

#include <utility>

// Owns one file descriptor and closes it once.
class TUniqueFd {
public:
    TUniqueFd() = default;
    explicit TUniqueFd(int fd) : Fd(fd) {}
    ~TUniqueFd() { Reset(); }
    TUniqueFd(TUniqueFd&& other) noexcept : Fd(std::exchange(other.Fd, -1)) {}
    TUniqueFd& operator=(TUniqueFd&& other) noexcept
    {
        if (this != &other)
            Reset(std::exchange(other.Fd, -1));
        return *this;
    }
    TUniqueFd(const TUniqueFd&) = delete;
    TUniqueFd& operator=(const TUniqueFd&) = delete;

    [[nodiscard]] int Get() const { return Fd; }
    [[nodiscard]] bool IsValid() const { return Fd >= 0; }
    void Reset(int fd = -1)
    {
        if (Fd >= 0)
            ::close(Fd);
        Fd = fd;
    }

private:
    int Fd = -1;
};
