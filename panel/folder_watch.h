#pragma once

#include <QFileSystemWatcher>
#include <QObject>
#include <QStringList>
#include <QTimer>

#include <functional>

// Watches folders for device nodes coming and going, and calls back once a burst of changes
// is over: udev makes a node, then gives it its group and mode, then its by-id name, and
// whoever reads the folder in between sees a port that is not yet usable. The folders to
// watch are asked for again at each change, since a folder that was missing, such as
// /dev/serial/by-id, is to be watched from when it appears; no polling.
class CFolderWatch : public QObject
{
public:
    // folders gives the existing folders to watch as things stand now. A change counts only
    // while ready holds, and settled is called only if it still holds once things are quiet.
    CFolderWatch(
        std::function<QStringList()> folders, std::function<void()> settled,
        std::function<bool()> ready = [] { return true; });

    // Adds the folders not yet watched; those already watched stay until Stop.
    void Watch();
    void Stop();

private:
    void OnFolderChanged();
    void OnSettled();

    std::function<QStringList()> folders;
    std::function<void()> settled;
    std::function<bool()> ready;
    QFileSystemWatcher watcher;
    QTimer settle;
};
