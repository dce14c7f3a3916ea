#pragma once

#include <string>

// What the owner of the link (the panel's window, or the headless service) does for the remote
// control: the exchanges that have texts and screens of their own, and showing what a client
// changed.
class IRemoteHost
{
public:
    virtual ~IRemoteHost() = default;

    // A client changed this strip's settings; the owner shows them (controls and read-outs).
    virtual void ShowRemoteChange(int strip) = 0;
    // The device's settings into the strips; empty when done, otherwise why not, in plain words.
    virtual std::string RetrieveForRemote() = 0;
    // The strips stored in the device; empty when done, otherwise why not.
    virtual std::string StoreForRemote() = 0;
    // The panel keeps offline edits for a later download, as its own controls do; a service
    // without a device has nowhere to keep them and refuses them.
    virtual bool KeepsOfflineEdits() const = 0;
    // One line for the operator's log: a client refused, a packet ignored.
    virtual void LogRemote(const std::string& line) = 0;
};
