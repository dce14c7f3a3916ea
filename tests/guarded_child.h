#pragma once

#include <functional>

// Runs the checks in a child that a CPU limit stops when it spins and an alarm stops when it
// waits, so that a reader looping or blocking for ever fails the test instead of hanging the
// suite. The limits are far beyond what the checks need; they only catch "for ever".
void InGuardedChild(const std::function<void()>& checks);
