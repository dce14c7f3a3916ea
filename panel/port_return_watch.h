#pragma once

#include <QFileSystemWatcher>
#include <QObject>
#include <QTimer>

#include <functional>
#include <string>

// Waits for a lost port's device node to come back, as an adapter plugged in again does, and
// says so once. It watches the folders on the way to the node, the nearest existing one
// included, since a folder such as /dev/serial/by-id goes with the last adapter; no polling.
// The node is taken as back only once it has stood for a moment: the system creates it
// before it gives it its group and its stable name.
class CPortReturnWatch : public QObject
{
public:
    explicit CPortReturnWatch(std::function<void()> returned);

    // Starts waiting for path, forgetting any earlier one.
    void Watch(const std::string& path);
    void Stop();
    bool IsWatching() const { return !path.empty(); }

private:
    void WatchTheWayThere();
    void OnFolderChanged();
    void OnSettled();

    std::function<void()> returned;
    std::string path;
    QFileSystemWatcher folders;
    QTimer settle;
};
