#include "emulator/unique_fd.h"

#include <unistd.h>
#include <utility>

CUniqueFd::CUniqueFd(CUniqueFd&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}

CUniqueFd& CUniqueFd::operator=(CUniqueFd&& other) noexcept
{
    if (this != &other) {
        Close();
        fd_ = std::exchange(other.fd_, -1);
    }
    return *this;
}

CUniqueFd::~CUniqueFd()
{
    Close();
}

void CUniqueFd::Close()
{
    if (fd_ >= 0)
        ::close(std::exchange(fd_, -1));
}
