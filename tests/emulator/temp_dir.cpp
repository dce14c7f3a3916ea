#include "temp_dir.h"

#include <cstdlib>
#include <filesystem>

CTempDir::CTempDir()
{
    std::string pattern = "/tmp/sonavire-emu-test-XXXXXX";
    if (mkdtemp(pattern.data()) != nullptr)
        path = pattern;
}

CTempDir::~CTempDir()
{
    std::error_code ignored;
    if (!path.empty())
        std::filesystem::remove_all(path, ignored);
}
