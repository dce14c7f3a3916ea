#pragma once

// Owns one file descriptor and closes it when replaced or destroyed.
class CUniqueFd
{
public:
    CUniqueFd() = default;
    explicit CUniqueFd(int fd) : fd_(fd) {}
    CUniqueFd(CUniqueFd&& other) noexcept;
    CUniqueFd& operator=(CUniqueFd&& other) noexcept;
    CUniqueFd(const CUniqueFd&) = delete;
    CUniqueFd& operator=(const CUniqueFd&) = delete;
    ~CUniqueFd();

    int Get() const { return fd_; }
    bool IsOpen() const { return fd_ >= 0; }
    void Close();

private:
    int fd_ = -1;
};
