#include "emulator/unique_fd.h"

#include <unistd.h>
#include <utility>

CUniqueFd::CUniqueFd(CUniqueFd&& other) noexcept : fd(std::exchange(other.fd, -1)) {}

CUniqueFd& CUniqueFd::operator=(CUniqueFd&& other) noexcept
{
    if (this != &other) {
        Close();
        fd = std::exchange(other.fd, -1);
    }
    return *this;
}

CUniqueFd::~CUniqueFd()
{
    Close();
}

void CUniqueFd::Close()
{
    if (fd >= 0)
        ::close(std::exchange(fd, -1));
}
