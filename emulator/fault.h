#pragma once

#include <string>

// Misbehaviours the device can be told to show, to exercise the panel's failure paths.
enum class Fault
{
    None,
    Silence, // no answers and no page requests
    Garbage, // a junk line instead of each answer
    Refusal, // "E" instead of each answer; the command is not carried out
    Trickle, // every byte sent after a delay
    Flood,   // one answer of endless bytes without a carriage return, then silence
    HangUp,  // the line is dropped: the panel's side sees a hang-up
};

// When an injected fault begins.
struct FaultTrigger
{
    enum class Kind
    {
        AtOnce,
        AfterCommands,   // that many more commands are served normally first
        AtCommand,       // the first command whose text equals text
        AtCommandPrefix, // the first command whose text starts with text
    };

    Kind kind = Kind::AtOnce;
    int commands = 0;
    std::string text;

    static FaultTrigger AtOnce() { return {}; }
    static FaultTrigger AfterCommands(int count) { return {Kind::AfterCommands, count, {}}; }
    static FaultTrigger AtCommand(std::string text)
    {
        return {Kind::AtCommand, 0, std::move(text)};
    }
    static FaultTrigger AtCommandPrefix(std::string text)
    {
        return {Kind::AtCommandPrefix, 0, std::move(text)};
    }
};
