#include "emulator/fault_injector.h"

void CFaultInjector::Inject(Fault fault, const FaultTrigger& trigger)
{
    if (trigger.kind == FaultTrigger::Kind::AtOnce) {
        active_ = fault;
        pending_ = Fault::None;
        return;
    }
    pending_ = fault;
    trigger_ = trigger;
}

void CFaultInjector::Clear()
{
    active_ = Fault::None;
    pending_ = Fault::None;
    trickleDelay_ = DefaultTrickleDelay;
    abortAfterPages_.reset();
}

Fault CFaultInjector::OnCommand(std::string_view line)
{
    if (pending_ != Fault::None && TriggerMet(line)) {
        active_ = pending_;
        pending_ = Fault::None;
    }
    return active_;
}

bool CFaultInjector::AbortsTransfer(int pagesReceived)
{
    if (abortAfterPages_ != pagesReceived)
        return false;
    abortAfterPages_.reset();
    return true;
}

bool CFaultInjector::TriggerMet(std::string_view line)
{
    switch (trigger_.kind) {
    case FaultTrigger::Kind::AtOnce:
        return true;
    case FaultTrigger::Kind::AfterCommands:
        return trigger_.commands-- <= 0;
    case FaultTrigger::Kind::AtCommand:
        return line == trigger_.text;
    case FaultTrigger::Kind::AtCommandPrefix:
        return line.starts_with(trigger_.text);
    }
    return false;
}
