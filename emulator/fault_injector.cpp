#include "emulator/fault_injector.h"

void CFaultInjector::Inject(Fault fault, const FaultTrigger& trigger)
{
    if (trigger.kind == FaultTrigger::Kind::AtOnce) {
        active = fault;
        pending = Fault::None;
        return;
    }
    pending = fault;
    pendingTrigger = trigger;
}

void CFaultInjector::Clear()
{
    active = Fault::None;
    pending = Fault::None;
    trickleDelay = DefaultTrickleDelay;
    abortAfterPages.reset();
}

Fault CFaultInjector::OnCommand(std::string_view line)
{
    if (pending != Fault::None && TriggerMet(line)) {
        active = pending;
        pending = Fault::None;
    }
    return active;
}

bool CFaultInjector::AbortsTransfer(int pagesReceived)
{
    if (abortAfterPages != pagesReceived)
        return false;
    abortAfterPages.reset();
    return true;
}

bool CFaultInjector::TriggerMet(std::string_view line)
{
    switch (pendingTrigger.kind) {
    case FaultTrigger::Kind::AtOnce:
        return true;
    case FaultTrigger::Kind::AfterCommands:
        return pendingTrigger.commands-- <= 0;
    case FaultTrigger::Kind::AtCommand:
        return line == pendingTrigger.text;
    case FaultTrigger::Kind::AtCommandPrefix:
        return line.starts_with(pendingTrigger.text);
    }
    return false;
}
