#include "serial/message_queue.h"

void CMessageQueue::Post(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam)
{
    {
        const std::lock_guard lock(mutex);
        messages.push_back({message, wParam, lParam});
    }
    posted.notify_one();
}

std::optional<CMessageQueue::Message> CMessageQueue::Take(std::chrono::milliseconds timeout)
{
    std::unique_lock lock(mutex);
    if (!posted.wait_for(lock, timeout, [this] { return !messages.empty(); }))
        return std::nullopt;
    const Message message = messages.front();
    messages.pop_front();
    return message;
}
