#include "serial/message_registry.h"

#include <map>
#include <mutex>
#include <string>

namespace {

constexpr std::uint32_t FirstRegisteredMessage = 0xC000;

} // namespace

std::uint32_t RegisterMessageName(std::string_view name)
{
    static std::mutex mutex;
    static std::map<std::string, std::uint32_t, std::less<>> numbers;
    const std::lock_guard lock(mutex);
    const auto found = numbers.find(name);
    if (found != numbers.end())
        return found->second;
    const auto number = FirstRegisteredMessage + static_cast<std::uint32_t>(numbers.size());
    numbers.emplace(std::string(name), number);
    return number;
}
