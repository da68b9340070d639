#pragma once
// Counting the kernel handles of this process, to show that repeated actions leave none open.
#include <cstddef>
#include <functional>

// The number of valid handle values of this process. GetProcessHandleCount answers 0 under Wine,
// so each value is tried; the table hands out its lowest free values first, so a couple of
// thousand values cover every handle a test process holds.
size_t OpenHandleCount();

// Runs `action` `times` times, twice over, and returns the fewer of the handles either half left
// open. The platform opens some handles once, on first need (the event of a lock first waited
// on, for one); such a handle shows in one half at most, while a leak shows in both.
size_t HandlesLeftOpen(const std::function<void()>& action, int times);
