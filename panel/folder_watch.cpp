#include "panel/folder_watch.h"

#include <utility>

namespace {

constexpr int SettleMs = 300;

} // namespace

CFolderWatch::CFolderWatch(std::function<QStringList()> toWatch, std::function<void()> onSettled,
                           std::function<bool()> isReady)
    : folders(std::move(toWatch)), settled(std::move(onSettled)), ready(std::move(isReady))
{
    settle.setSingleShot(true);
    settle.setInterval(SettleMs);
    connect(&settle, &QTimer::timeout, this, &CFolderWatch::OnSettled);
    connect(&watcher, &QFileSystemWatcher::directoryChanged, this, &CFolderWatch::OnFolderChanged);
}

void CFolderWatch::Watch()
{
    const QStringList watched = watcher.directories();
    for (const QString& folder : folders()) {
        if (!watched.contains(folder))
            watcher.addPath(folder);
    }
}

void CFolderWatch::Stop()
{
    settle.stop();
    if (!watcher.directories().isEmpty())
        watcher.removePaths(watcher.directories());
}

void CFolderWatch::OnFolderChanged()
{
    Watch();
    if (ready())
        settle.start();
}

void CFolderWatch::OnSettled()
{
    if (ready())
        settled();
}
