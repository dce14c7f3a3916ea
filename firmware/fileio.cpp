#include "firmware/fileio.h"
#include "firmware/fileio_message_capture.h"
#include "firmware/text_lines.h"
#include "storage/regular_file.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <string>
#include <unistd.h>

namespace {

// The words an operation lends to its messages.
struct OperationWords
{
    const char* streamNoun;
    const char* direction;
    const char* verb;
};

constexpr OperationWords kReadWords{"input", "from", "read"};
constexpr OperationWords kWriteWords{"output", "to", "wrote"};

// A stream on the named file when it is a regular file; nullptr with the reason otherwise.
FILE* OpenInput(const char* fileName, std::string& reason)
{
    const int fd = OpenRegularFileForReading(fileName, reason);
    if (fd < 0) {
        return nullptr;
    }
    FILE* stream = fdopen(fd, "r");
    if (stream == nullptr) {
        reason = std::strerror(errno);
        close(fd);
    }
    return stream;
}

FILE* OpenOutput(const char* fileName, std::string& reason)
{
    FILE* stream = std::fopen(fileName, "w");
    if (stream == nullptr) {
        reason = std::strerror(errno);
    }
    return stream;
}

const OperationWords* WordsFor(int operation)
{
    switch (operation) {
    case Read:
        return &kReadWords;
    case Write:
        return &kWriteWords;
    default:
        return nullptr;
    }
}

// The stream one fileio call works on. The standard streams are borrowed: they are flushed
// at the end of the call but stay open for the rest of the process.
class OperationStream
{
public:
    OperationStream(int operation, const char* fileName, const OperationWords& words)
    {
        if (std::strcmp(fileName, "-") == 0) {
            stream_ = operation == Read ? stdin : stdout;
            displayName_ = operation == Read ? "<stdin>" : "<stdout>";
            owned_ = false;
            return;
        }
        displayName_ = fileName;
        std::string reason;
        stream_ = operation == Read ? OpenInput(fileName, reason) : OpenOutput(fileName, reason);
        if (stream_ == nullptr) {
            CFileIoMessageCapture::Report("can't open %s file %s: %s\n", words.streamNoun, fileName,
                                          reason.c_str());
        }
    }

    OperationStream(const OperationStream&) = delete;
    OperationStream& operator=(const OperationStream&) = delete;

    ~OperationStream()
    {
        if (stream_ == nullptr) {
            return;
        }
        if (owned_) {
            std::fclose(stream_);
        } else {
            std::fflush(stream_);
        }
    }

    FILE* stream() const { return stream_; }
    const char* displayName() const { return displayName_; }

private:
    FILE* stream_ = nullptr;
    const char* displayName_ = nullptr;
    bool owned_ = true;
};

bool IsAllHexDigits(std::string_view text)
{
    return std::all_of(text.begin(), text.end(),
                       [](char c) { return std::isxdigit(static_cast<unsigned char>(c)) != 0; });
}

bool HasByteAbove7F(std::string_view line)
{
    return std::any_of(line.begin(), line.end(),
                       [](char c) { return static_cast<unsigned char>(c) > 0x7F; });
}

// Returns the format that one line proves, or AutoDetect when the line proves nothing.
// A carriage return before the line feed is not part of the record, so files written with
// CRLF line ends are recognised as readily as the reader accepts them.
int FormatProvenByLine(std::string_view line)
{
    if (HasByteAbove7F(line)) {
        return RawBinary;
    }
    if (!line.empty() && line.back() == '\r') {
        line.remove_suffix(1);
    }
    if (line.size() >= 11 && line[0] == ':' && IsAllHexDigits(line.substr(1))) {
        return IntelHex;
    }
    if (line.size() >= 10 && line[0] == 'S' && std::isdigit(static_cast<unsigned char>(line[1])) &&
        IsAllHexDigits(line.substr(2))) {
        return MotorolaSRecord;
    }
    return AutoDetect;
}

// Returns the format of the named file, or -1 when it cannot be opened or no line decides.
// A line longer than any record is judged by the part the line reader keeps, and detection
// reads no further than the longest Intel HEX file of the image would reach.
int DetectFileFormat(const char* fileName, int capacity)
{
    std::string reason;
    FILE* stream = OpenInput(fileName, reason);
    if (stream == nullptr) {
        CFileIoMessageCapture::Report("error opening %s: %s\n", fileName, reason.c_str());
        return -1;
    }
    int format = AutoDetect;
    std::size_t allowance = IntelHexFileLimit(capacity);
    TextLine line;
    while (format == AutoDetect && ReadTextLine(stream, allowance, line) == LineResult::Line) {
        format = FormatProvenByLine(line.text);
    }
    std::fclose(stream);
    return format == AutoDetect ? -1 : format;
}

int ReportRawError(const OperationWords& words, const char* displayName, int count, int capacity)
{
    CFileIoMessageCapture::Report("%s error %s %s: %s; %s %d of the expected %d bytes\n",
                                  words.streamNoun, words.direction, displayName,
                                  std::strerror(errno), words.verb, count, capacity);
    return -1;
}

int ReadRawBinary(const char* displayName, FILE* stream, unsigned char* buffer, int capacity)
{
    const auto wanted = static_cast<std::size_t>(std::max(capacity, 0));
    const auto count = static_cast<int>(std::fread(buffer, 1, wanted, stream));
    if (std::ferror(stream)) {
        return ReportRawError(kReadWords, displayName, count, capacity);
    }
    return count;
}

// Written straight to the descriptor so that bytes the file refuses are noticed and counted
// here, instead of vanishing in the stream's buffer until it is closed.
int WriteRawBinary(const char* displayName, FILE* stream, const unsigned char* buffer, int capacity)
{
    std::fflush(stream);
    int written = 0;
    while (written < capacity) {
        const ssize_t count = ::write(fileno(stream), buffer + written, capacity - written);
        if (count < 0 && errno == EINTR) {
            continue;
        }
        if (count <= 0) {
            break;
        }
        written += static_cast<int>(count);
    }
    if (written < capacity) {
        return ReportRawError(kWriteWords, displayName, written, capacity);
    }
    return written;
}

int TransferInFormat(int operation, int format, const OperationWords& words,
                     const OperationStream& file, unsigned char* buffer, int capacity)
{
    switch (format) {
    case MotorolaSRecord:
        CFileIoMessageCapture::Report("Motorola S-Record %s format not yet supported\n",
                                      words.streamNoun);
        return -1;
    case IntelHex:
        return IntelHexFileIo(operation, file.displayName(), file.stream(), buffer, capacity);
    case RawBinary:
        return RawBinaryFileIo(operation, file.displayName(), file.stream(), buffer, capacity);
    default:
        CFileIoMessageCapture::Report("invalid %s file format: %d\n", words.streamNoun, format);
        return -1;
    }
}

} // namespace

const char* FileFormatName(int format)
{
    switch (format) {
    case AutoDetect:
        return "auto-detect";
    case MotorolaSRecord:
        return "Motorola S-Record";
    case IntelHex:
        return "Intel Hex";
    case RawBinary:
        return "raw binary";
    default:
        return "invalid format";
    }
}

int RawBinaryFileIo(int operation, const char* displayName, FILE* stream, unsigned char* buffer,
                    int capacity)
{
    switch (operation) {
    case Read:
        return ReadRawBinary(displayName, stream, buffer, capacity);
    case Write:
        return WriteRawBinary(displayName, stream, buffer, capacity);
    default:
        CFileIoMessageCapture::Report("fileio: invalid operation=%d\n", operation);
        return -1;
    }
}

int fileio(int operation, const char* fileName, int format, unsigned char* buffer, int capacity)
{
    if (buffer == nullptr) {
        CFileIoMessageCapture::Report("fileio(): memory type not configured for device");
        return -1;
    }
    const OperationWords* words = WordsFor(operation);
    if (words == nullptr) {
        CFileIoMessageCapture::Report("invalid I/O operation %d\n", operation);
        return -1;
    }
    const OperationStream file(operation, fileName, *words);
    if (file.stream() == nullptr) {
        return -1;
    }
    if (operation == Read && capacity > 0) {
        std::memset(buffer, kImageFillByte, static_cast<std::size_t>(capacity));
    }
    if (format == AutoDetect) {
        format = DetectFileFormat(fileName, capacity);
        if (format < 0) {
            CFileIoMessageCapture::Report(
                "can't determine file format for %s, specify explicitly\n", file.displayName());
            return -1;
        }
        CFileIoMessageCapture::Report("%s file %s auto detected as %s\n\n", words->streamNoun,
                                      file.displayName(), FileFormatName(format));
    }
    return TransferInFormat(operation, format, *words, file, buffer, capacity);
}

int HexImage::LoadIntelHex(const char* fileName)
{
    const int result = fileio(Read, fileName, IntelHex, bytes.data(), capacity);
    length = std::max(result, 0);
    return result;
}
