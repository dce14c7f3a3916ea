#pragma once

#include <string>

// fileio reports its problems as lines on the standard error, which a program with a window
// never shows. While a capture lives, every such line written on its thread is also kept in
// it, so that the caller can show the reader's own words; the standard error gets the same
// lines either way. Captures nest: the innermost one keeps the lines.
class CFileIoMessageCapture
{
public:
    CFileIoMessageCapture();
    ~CFileIoMessageCapture();
    CFileIoMessageCapture(const CFileIoMessageCapture&) = delete;
    CFileIoMessageCapture& operator=(const CFileIoMessageCapture&) = delete;

    // Everything reported since the capture began, as written.
    const std::string& Text() const { return text; }

    // Writes one message to the standard error and to the innermost capture of this thread.
    static void Report(const char* format, ...) __attribute__((format(printf, 1, 2)));

private:
    std::string text;
    CFileIoMessageCapture* outer;
};
