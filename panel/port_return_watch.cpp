#include "panel/port_return_watch.h"

#include <filesystem>
#include <utility>

namespace {

bool Exists(const std::string& path)
{
    std::error_code error;
    return std::filesystem::exists(path, error);
}

} // namespace

CPortReturnWatch::CPortReturnWatch(std::function<void()> onReturn) : returned(std::move(onReturn))
{}

void CPortReturnWatch::Watch(const std::string& portPath)
{
    Stop();
    path = portPath;
    folders.Watch();
}

void CPortReturnWatch::Stop()
{
    path.clear();
    folders.Stop();
}

// The folders above that are watched already stay so: the nearest existing one is the one
// the next folder down appears in.
QStringList CPortReturnWatch::TheWayThere() const
{
    for (std::filesystem::path folder = std::filesystem::path(path).parent_path(); !folder.empty();
         folder = folder.parent_path()) {
        if (Exists(folder.string()))
            return {QString::fromStdString(folder.string())};
        if (folder == folder.parent_path())
            break;
    }
    return {};
}

bool CPortReturnWatch::IsBack() const
{
    return !path.empty() && Exists(path);
}

void CPortReturnWatch::OnBack()
{
    Stop();
    returned();
}
