#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <optional>

#include "serial/message_target.h"

// A message target for programs without a window: posted messages wait in a queue until
// the owner's loop takes them.
class CMessageQueue : public IMessageTarget, public IMessageWindow
{
public:
    struct Message
    {
        std::uint32_t message;
        std::uintptr_t wParam;
        std::intptr_t lParam;
    };

    void Post(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam) override;
    IMessageTarget* MessageTarget() override { return this; }

    // The oldest message, waiting up to timeout for one to arrive.
    std::optional<Message> Take(std::chrono::milliseconds timeout);

private:
    std::mutex mutex;
    std::condition_variable posted;
    std::deque<Message> messages;
};
