#pragma once

#include <string>

// A fresh folder under /tmp for one test's files, removed with everything in it.
class CTempDir
{
public:
    CTempDir();
    CTempDir(const CTempDir&) = delete;
    CTempDir& operator=(const CTempDir&) = delete;
    ~CTempDir();

    std::string Path(const std::string& name) const { return path + "/" + name; }

private:
    std::string path;
};
