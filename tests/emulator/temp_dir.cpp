#include "temp_dir.h"

#include <cstdlib>
#include <filesystem>

CTempDir::CTempDir()
{
    std::string pattern = "/tmp/sonavire-emu-test-XXXXXX";
    if (mkdtemp(pattern.data()) != nullptr)
        path_ = pattern;
}

CTempDir::~CTempDir()
{
    std::error_code ignored;
    if (!path_.empty())
        std::filesystem::remove_all(path_, ignored);
}
