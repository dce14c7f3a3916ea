#include "panel/port_return_watch.h"

#include <filesystem>

namespace {

constexpr int SettleMs = 300;

bool Exists(const std::string& path)
{
    std::error_code error;
    return std::filesystem::exists(path, error);
}

} // namespace

CPortReturnWatch::CPortReturnWatch(std::function<void()> onReturn) : returned(std::move(onReturn))
{
    settle.setSingleShot(true);
    settle.setInterval(SettleMs);
    connect(&settle, &QTimer::timeout, this, &CPortReturnWatch::OnSettled);
    connect(&folders, &QFileSystemWatcher::directoryChanged, this,
            &CPortReturnWatch::OnFolderChanged);
}

void CPortReturnWatch::Watch(const std::string& portPath)
{
    Stop();
    path = portPath;
    WatchTheWayThere();
}

void CPortReturnWatch::Stop()
{
    path.clear();
    settle.stop();
    if (!folders.directories().isEmpty())
        folders.removePaths(folders.directories());
}

void CPortReturnWatch::WatchTheWayThere()
{
    std::filesystem::path folder = std::filesystem::path(path).parent_path();
    while (!folder.empty()) {
        const QString name = QString::fromStdString(folder.string());
        if (!folders.directories().contains(name) && Exists(folder.string()))
            folders.addPath(name);
        if (Exists(folder.string()) || folder == folder.parent_path())
            break;
        folder = folder.parent_path();
    }
}

void CPortReturnWatch::OnFolderChanged()
{
    if (path.empty())
        return;
    WatchTheWayThere();
    if (Exists(path))
        settle.start();
}

void CPortReturnWatch::OnSettled()
{
    if (path.empty() || !Exists(path))
        return;
    Stop();
    returned();
}
