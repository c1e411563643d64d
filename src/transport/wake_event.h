#pragma once

// A descriptor that one thread makes readable to cut another thread's
// poll() short. Without one (creation failed) waits simply run to their
// time-out.
class TWakeEvent {
public:
    TWakeEvent();
    ~TWakeEvent();
    TWakeEvent(const TWakeEvent&) = delete;
    TWakeEvent& operator=(const TWakeEvent&) = delete;

    // Thread-safe; the descriptor stays readable until Reset.
    void Signal();
    void Reset();
    [[nodiscard]] int Descriptor() const { return Fd; }

private:
    int Fd;
};
