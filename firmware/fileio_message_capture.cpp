#include "firmware/fileio_message_capture.h"

#include <cstdarg>
#include <cstdio>
#include <vector>

namespace {

// Each thread reads its own files, so one thread's capture never takes another's lines.
thread_local CFileIoMessageCapture* innermost = nullptr;

std::string FormatMessage(const char* format, std::va_list arguments)
{
    std::va_list measuring;
    va_copy(measuring, arguments);
    const int length = std::vsnprintf(nullptr, 0, format, measuring);
    va_end(measuring);
    if (length <= 0)
        return {};
    std::vector<char> buffer(static_cast<std::size_t>(length) + 1);
    std::vsnprintf(buffer.data(), buffer.size(), format, arguments);
    return std::string(buffer.data(), static_cast<std::size_t>(length));
}

} // namespace

CFileIoMessageCapture::CFileIoMessageCapture() : outer(innermost)
{
    innermost = this;
}

CFileIoMessageCapture::~CFileIoMessageCapture()
{
    innermost = outer;
}

void CFileIoMessageCapture::Report(const char* format, ...)
{
    std::va_list arguments;
    va_start(arguments, format);
    const std::string message = FormatMessage(format, arguments);
    va_end(arguments);
    std::fputs(message.c_str(), stderr);
    if (innermost)
        innermost->text += message;
}
