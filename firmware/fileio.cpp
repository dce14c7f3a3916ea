#include "firmware/fileio.h"
#include "firmware/fileio_message_capture.h"
#include "firmware/text_lines.h"
#include "storage/regular_file.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <optional>
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

constexpr OperationWords ReadWords{"input", "from", "read"};
constexpr OperationWords WriteWords{"output", "to", "wrote"};

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

const OperationWords* WordsFor(FileOperation operation)
{
    switch (operation) {
    case FileOperation::Read:
        return &ReadWords;
    case FileOperation::Write:
        return &WriteWords;
    default:
        return nullptr;
    }
}

// The stream one fileio call works on. The standard streams are borrowed: they are flushed
// at the end of the call but stay open for the rest of the process.
class OperationStream
{
public:
    OperationStream(FileOperation operation, const char* fileName, const OperationWords& words)
    {
        const bool reading = operation == FileOperation::Read;
        if (std::strcmp(fileName, "-") == 0) {
            stream = reading ? stdin : stdout;
            displayName = reading ? "<stdin>" : "<stdout>";
            owned = false;
            return;
        }
        displayName = fileName;
        std::string reason;
        stream = reading ? OpenInput(fileName, reason) : OpenOutput(fileName, reason);
        if (stream == nullptr) {
            CFileIoMessageCapture::Report("can't open %s file %s: %s\n", words.streamNoun, fileName,
                                          reason.c_str());
        }
    }

    OperationStream(const OperationStream&) = delete;
    OperationStream& operator=(const OperationStream&) = delete;

    ~OperationStream()
    {
        if (stream == nullptr) {
            return;
        }
        if (owned) {
            std::fclose(stream);
        } else {
            std::fflush(stream);
        }
    }

    FILE* Stream() const { return stream; }
    const char* DisplayName() const { return displayName; }

private:
    FILE* stream = nullptr;
    const char* displayName = nullptr;
    bool owned = true;
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
FileFormat FormatProvenByLine(std::string_view line)
{
    if (HasByteAbove7F(line)) {
        return FileFormat::RawBinary;
    }
    if (!line.empty() && line.back() == '\r') {
        line.remove_suffix(1);
    }
    if (line.size() >= 11 && line[0] == ':' && IsAllHexDigits(line.substr(1))) {
        return FileFormat::IntelHex;
    }
    if (line.size() >= 10 && line[0] == 'S' && std::isdigit(static_cast<unsigned char>(line[1])) &&
        IsAllHexDigits(line.substr(2))) {
        return FileFormat::MotorolaSRecord;
    }
    return FileFormat::AutoDetect;
}

// Returns the format of the named file, or nothing when it cannot be opened or no line decides.
// A line longer than any record is judged by the part the line reader keeps, and detection
// reads no further than the longest Intel HEX file of the image would reach.
std::optional<FileFormat> DetectFileFormat(const char* fileName, int capacity)
{
    std::string reason;
    FILE* stream = OpenInput(fileName, reason);
    if (stream == nullptr) {
        CFileIoMessageCapture::Report("error opening %s: %s\n", fileName, reason.c_str());
        return std::nullopt;
    }
    FileFormat format = FileFormat::AutoDetect;
    std::size_t allowance = IntelHexFileLimit(capacity);
    TextLine line;
    while (format == FileFormat::AutoDetect &&
           ReadTextLine(stream, allowance, line) == LineResult::Line) {
        format = FormatProvenByLine(line.text);
    }
    std::fclose(stream);
    if (format == FileFormat::AutoDetect) {
        return std::nullopt;
    }
    return format;
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
        return ReportRawError(ReadWords, displayName, count, capacity);
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
        return ReportRawError(WriteWords, displayName, written, capacity);
    }
    return written;
}

int TransferInFormat(FileOperation operation, FileFormat format, const OperationWords& words,
                     const OperationStream& file, unsigned char* buffer, int capacity)
{
    switch (format) {
    case FileFormat::MotorolaSRecord:
        CFileIoMessageCapture::Report("Motorola S-Record %s format not yet supported\n",
                                      words.streamNoun);
        return -1;
    case FileFormat::IntelHex:
        return IntelHexFileIo(operation, file.DisplayName(), file.Stream(), buffer, capacity);
    case FileFormat::RawBinary:
        return RawBinaryFileIo(operation, file.DisplayName(), file.Stream(), buffer, capacity);
    default:
        CFileIoMessageCapture::Report("invalid %s file format: %d\n", words.streamNoun,
                                      static_cast<int>(format));
        return -1;
    }
}

} // namespace

const char* FileFormatName(FileFormat format)
{
    switch (format) {
    case FileFormat::AutoDetect:
        return "auto-detect";
    case FileFormat::MotorolaSRecord:
        return "Motorola S-Record";
    case FileFormat::IntelHex:
        return "Intel Hex";
    case FileFormat::RawBinary:
        return "raw binary";
    default:
        return "invalid format";
    }
}

int RawBinaryFileIo(FileOperation operation, const char* displayName, FILE* stream,
                    unsigned char* buffer, int capacity)
{
    switch (operation) {
    case FileOperation::Read:
        return ReadRawBinary(displayName, stream, buffer, capacity);
    case FileOperation::Write:
        return WriteRawBinary(displayName, stream, buffer, capacity);
    default:
        CFileIoMessageCapture::Report("fileio: invalid operation=%d\n",
                                      static_cast<int>(operation));
        return -1;
    }
}

int fileio(FileOperation operation, const char* fileName, FileFormat format, unsigned char* buffer,
           int capacity)
{
    if (buffer == nullptr) {
        CFileIoMessageCapture::Report("fileio(): memory type not configured for device");
        return -1;
    }
    const OperationWords* words = WordsFor(operation);
    if (words == nullptr) {
        CFileIoMessageCapture::Report("invalid I/O operation %d\n", static_cast<int>(operation));
        return -1;
    }
    const OperationStream file(operation, fileName, *words);
    if (file.Stream() == nullptr) {
        return -1;
    }
    if (operation == FileOperation::Read && capacity > 0) {
        std::memset(buffer, ImageFillByte, static_cast<std::size_t>(capacity));
    }
    if (format == FileFormat::AutoDetect) {
        const std::optional<FileFormat> detected = DetectFileFormat(fileName, capacity);
        if (!detected) {
            CFileIoMessageCapture::Report(
                "can't determine file format for %s, specify explicitly\n", file.DisplayName());
            return -1;
        }
        format = *detected;
        CFileIoMessageCapture::Report("%s file %s auto detected as %s\n\n", words->streamNoun,
                                      file.DisplayName(), FileFormatName(format));
    }
    return TransferInFormat(operation, format, *words, file, buffer, capacity);
}

int HexImage::LoadIntelHex(const char* fileName)
{
    const int result = fileio(FileOperation::Read, fileName, FileFormat::IntelHex, bytes.data(),
                              FirmwareImageCapacity);
    length = std::max(result, 0);
    return result;
}
