#pragma once

// Owns one file descriptor and closes it when replaced or destroyed.
class CUniqueFd
{
public:
    CUniqueFd() = default;
    explicit CUniqueFd(int fd) : fd(fd) {}
    CUniqueFd(CUniqueFd&& other) noexcept;
    CUniqueFd& operator=(CUniqueFd&& other) noexcept;
    CUniqueFd(const CUniqueFd&) = delete;
    CUniqueFd& operator=(const CUniqueFd&) = delete;
    ~CUniqueFd();

    int Get() const { return fd; }
    bool IsOpen() const { return fd >= 0; }
    void Close();

private:
    int fd = -1;
};
