#pragma once

#include <QStringList>

#include <functional>
#include <string>

#include "panel/folder_watch.h"

// Waits for a lost port's device node to come back, as an adapter plugged in again does, and
// says so once. It watches the folders on the way to the node, the nearest existing one
// included, since a folder such as /dev/serial/by-id goes with the last adapter.
// The node is taken as back only once it has stood for a moment: the system creates it
// before it gives it its group and its stable name.
class CPortReturnWatch
{
public:
    explicit CPortReturnWatch(std::function<void()> returned);

    // Starts waiting for path, forgetting any earlier one.
    void Watch(const std::string& path);
    void Stop();
    bool IsWatching() const { return !path.empty(); }

private:
    QStringList TheWayThere() const;
    bool IsBack() const;
    void OnBack();

    std::function<void()> returned;
    std::string path;
    CFolderWatch folders{[this] { return TheWayThere(); }, [this] { OnBack(); },
                         [this] { return IsBack(); }};
};
