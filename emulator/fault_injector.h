#pragma once

#include <chrono>
#include <optional>
#include <string_view>

#include "emulator/fault.h"

// Decides which fault, if any, acts on each command, and when a firmware transfer is cut
// short. An active fault stays until the faults are cleared.
class CFaultInjector
{
public:
    static constexpr std::chrono::milliseconds DefaultTrickleDelay{400};

    // Replaces whatever was injected before; a fault with a later trigger lets the active one
    // go on until the trigger is met.
    void Inject(Fault fault, const FaultTrigger& trigger);
    void SetTrickleDelay(std::chrono::milliseconds delay) { trickleDelay = delay; }
    void AbortTransferAfterPages(int pages) { abortAfterPages = pages; }
    void Clear();

    // Counts one received command against the pending trigger and gives the fault that acts
    // on that command.
    Fault OnCommand(std::string_view line);

    // After its flood the device says nothing more.
    void FloodSent() { active = Fault::Silence; }

    // True, once, when the page request that would follow pagesReceived pages is to be an
    // abort instead.
    bool AbortsTransfer(int pagesReceived);

    Fault Active() const { return active; }
    Fault Pending() const { return pending; }
    std::chrono::milliseconds TrickleDelay() const { return trickleDelay; }

private:
    bool TriggerMet(std::string_view line);

    Fault active = Fault::None;
    Fault pending = Fault::None;
    FaultTrigger pendingTrigger;
    std::chrono::milliseconds trickleDelay = DefaultTrickleDelay;
    std::optional<int> abortAfterPages;
};
