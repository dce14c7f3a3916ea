#include "firmware/fileio.h"
#include "firmware/fileio_message_capture.h"
#include "firmware/text_lines.h"

#include <algorithm>
#include <cinttypes>
#include <cstring>
#include <string>
#include <sys/stat.h>

namespace {

enum class RecordType : std::uint8_t
{
    Data = 0,
    EndOfFile = 1,
    ExtendedSegmentAddress = 2,
    StartSegmentAddress = 3,
    ExtendedLinearAddress = 4,
    StartLinearAddress = 5,
};

constexpr std::size_t CountPosition = 1;
constexpr std::size_t OffsetPosition = 3;
constexpr std::size_t TypePosition = 7;
constexpr std::size_t DataPosition = 9;
constexpr std::uint32_t SegmentSize = 0x10000;

// The most a file can need for an image: one that spells every byte in a record of its own
// with CR LF line ends takes 15 characters a byte (":01AAAA00DDCC" and CR LF); a 16th pays
// for the address record such a file needs every 64 KiB, and the slack for the end record
// and a few lines of notes.
constexpr std::size_t HexCharactersPerImageByte = 16;
constexpr std::size_t HexFileSlack = 4096;

int HexDigitValue(char c)
{
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    return -1;
}

// Every character of the field must be a hex digit: a general number conversion would also
// take a sign, blanks or a "0x" inside a field.
bool ReadHexField(std::string_view line, std::size_t position, std::size_t width,
                  unsigned long& value)
{
    if (line.size() < position + width) {
        return false;
    }
    value = 0;
    for (const char c : line.substr(position, width)) {
        const int digit = HexDigitValue(c);
        if (digit < 0) {
            return false;
        }
        value = value * 16 + static_cast<unsigned long>(digit);
    }
    return true;
}

int ComputeChecksum(const HexRecord& record)
{
    unsigned sum = record.count + (record.offset >> 8) + (record.offset & 0xFF) + record.type;
    for (int i = 0; i < record.count; ++i) {
        sum += record.data[i];
    }
    return static_cast<int>((0u - sum) & 0xFF);
}

struct ReaderState
{
    const char* displayName;
    unsigned char* buffer;
    int capacity;
    std::uint32_t base = 0;
    int length = 0;
    int lineNumber = 0;
};

enum class RecordOutcome
{
    Continue,
    EndOfFile,
    Failed,
};

// The end address is formed in 64 bits so that no base, offset and count can wrap around
// to an address inside the buffer. A record without data names no byte of the image, so its
// address neither counts against the capacity nor extends the length.
RecordOutcome CopyDataRecord(ReaderState& state, const HexRecord& record)
{
    if (record.count == 0) {
        return RecordOutcome::Continue;
    }
    const std::uint32_t address = state.base + record.offset;
    const std::uint64_t end = std::uint64_t{state.base} + record.offset + record.count;
    if (static_cast<std::int64_t>(end) > state.capacity) {
        CFileIoMessageCapture::Report("ERROR: address 0x%04" PRIx64
                                      " out of range at line %d of %s\n",
                                      end, state.lineNumber, state.displayName);
        return RecordOutcome::Failed;
    }
    std::memcpy(state.buffer + address, record.data.data(), record.count);
    state.length = std::max(state.length, static_cast<int>(end));
    return RecordOutcome::Continue;
}

// An address record needs both bytes of its address word; a shorter one would make the
// new base out of bytes the line never held.
RecordOutcome SetBase(ReaderState& state, const HexRecord& record, std::uint32_t scale)
{
    if (record.count < 2) {
        CFileIoMessageCapture::Report("invalid record at line %d of \"%s\"\n", state.lineNumber,
                                      state.displayName);
        return RecordOutcome::Failed;
    }
    state.base = ((record.data[0] * 256u) + record.data[1]) * scale;
    return RecordOutcome::Continue;
}

RecordOutcome ApplyRecord(ReaderState& state, const HexRecord& record)
{
    switch (static_cast<RecordType>(record.type)) {
    case RecordType::Data:
        return CopyDataRecord(state, record);
    case RecordType::EndOfFile:
        return RecordOutcome::EndOfFile;
    case RecordType::ExtendedSegmentAddress:
        return SetBase(state, record, 16);
    case RecordType::ExtendedLinearAddress:
        return SetBase(state, record, SegmentSize);
    case RecordType::StartSegmentAddress:
    case RecordType::StartLinearAddress:
        return RecordOutcome::Continue;
    default:
        CFileIoMessageCapture::Report("don't know how to deal with rectype=%d at line %d of %s\n",
                                      record.type, state.lineNumber, state.displayName);
        return RecordOutcome::Failed;
    }
}

RecordOutcome ProcessLine(ReaderState& state, const TextLine& line)
{
    if (line.text.empty() || line.text.front() != ':') {
        return RecordOutcome::Continue;
    }
    HexRecord record;
    const int computed = line.tooLong ? -1 : ParseHexRecord(line.text, record);
    if (computed < 0) {
        CFileIoMessageCapture::Report("invalid record at line %d of \"%s\"\n", state.lineNumber,
                                      state.displayName);
        return RecordOutcome::Failed;
    }
    if (computed != record.checksum) {
        CFileIoMessageCapture::Report("ERROR: checksum mismatch at line %d of \"%s\"\n",
                                      state.lineNumber, state.displayName);
        CFileIoMessageCapture::Report("checksum=0x%02x, computed checksum=0x%02x\n",
                                      record.checksum, computed);
        return RecordOutcome::Failed;
    }
    return ApplyRecord(state, record);
}

// A regular file's size refuses it before a byte is read; anything else meets the limit while
// it is read.
bool IsFileLargerThan(FILE* stream, std::size_t limit)
{
    struct stat info
    {};
    return fstat(fileno(stream), &info) == 0 && S_ISREG(info.st_mode) &&
           static_cast<std::uintmax_t>(info.st_size) > limit;
}

int ReportFileTooLarge(const char* displayName, std::size_t limit)
{
    CFileIoMessageCapture::Report("ERROR: Intel Hex file \"%s\" is larger than %zu bytes\n",
                                  displayName, limit);
    return -1;
}

void WriteRecord(FILE* stream, const HexRecord& record)
{
    std::fprintf(stream, ":%02X%04X%02X", record.count, record.offset, record.type);
    for (int i = 0; i < record.count; ++i) {
        std::fprintf(stream, "%02X", record.data[i]);
    }
    std::fprintf(stream, "%02X\n", ComputeChecksum(record));
}

void WriteDataRecord(FILE* stream, std::uint32_t offset, const unsigned char* bytes, int count)
{
    HexRecord record;
    record.count = static_cast<std::uint8_t>(count);
    record.offset = static_cast<std::uint16_t>(offset);
    record.type = static_cast<std::uint8_t>(RecordType::Data);
    std::copy_n(bytes, count, record.data.begin());
    WriteRecord(stream, record);
}

void WriteExtendedLinearAddress(FILE* stream, std::uint32_t upperWord)
{
    HexRecord record;
    record.count = 2;
    record.type = static_cast<std::uint8_t>(RecordType::ExtendedLinearAddress);
    record.data[0] = static_cast<std::uint8_t>(upperWord >> 8);
    record.data[1] = static_cast<std::uint8_t>(upperWord);
    WriteRecord(stream, record);
}

} // namespace

int ParseHexRecord(std::string_view line, HexRecord& record)
{
    unsigned long value = 0;
    if (!ReadHexField(line, CountPosition, 2, value)) {
        return -1;
    }
    record.count = static_cast<std::uint8_t>(value);
    if (!ReadHexField(line, OffsetPosition, 4, value)) {
        return -1;
    }
    record.offset = static_cast<std::uint16_t>(value);
    if (!ReadHexField(line, TypePosition, 2, value)) {
        return -1;
    }
    record.type = static_cast<std::uint8_t>(value);
    std::size_t position = DataPosition;
    for (int i = 0; i < record.count; ++i, position += 2) {
        if (!ReadHexField(line, position, 2, value)) {
            return -1;
        }
        record.data[i] = static_cast<std::uint8_t>(value);
    }
    if (!ReadHexField(line, position, 2, value)) {
        return -1;
    }
    record.checksum = static_cast<std::uint8_t>(value);
    return ComputeChecksum(record);
}

std::size_t IntelHexFileLimit(int capacity)
{
    return static_cast<std::size_t>(std::max(capacity, 0)) * HexCharactersPerImageByte +
           HexFileSlack;
}

int ReadIntelHex(const char* displayName, FILE* stream, unsigned char* buffer, int capacity)
{
    const std::size_t limit = IntelHexFileLimit(capacity);
    if (IsFileLargerThan(stream, limit)) {
        return ReportFileTooLarge(displayName, limit);
    }
    ReaderState state{displayName, buffer, capacity};
    std::size_t allowance = limit;
    TextLine line;
    LineResult read;
    while ((read = ReadTextLine(stream, allowance, line)) == LineResult::Line) {
        ++state.lineNumber;
        switch (ProcessLine(state, line)) {
        case RecordOutcome::Continue:
            break;
        case RecordOutcome::EndOfFile:
            return state.length;
        case RecordOutcome::Failed:
            return -1;
        }
    }
    if (read == LineResult::OverLimit) {
        return ReportFileTooLarge(displayName, limit);
    }
    CFileIoMessageCapture::Report(
        "WARNING: no end of file record found for Intel Hex file \"%s\"\n", displayName);
    return state.length;
}

int WriteIntelHex(FILE* stream, const unsigned char* buffer, int capacity, int recordSize)
{
    if (recordSize < 1 || recordSize > 255) {
        CFileIoMessageCapture::Report("recsize=%d, must be < 256\n", recordSize);
        return -1;
    }
    int written = 0;
    std::uint32_t offset = 0;
    std::uint32_t upperWord = 0;
    while (written < capacity) {
        const int count = static_cast<int>(std::min<std::uint32_t>(
            std::min(recordSize, capacity - written), SegmentSize - offset));
        WriteDataRecord(stream, offset, buffer + written, count);
        written += count;
        offset += count;
        if (offset == SegmentSize) {
            WriteExtendedLinearAddress(stream, ++upperWord);
            offset = 0;
        }
    }
    std::fputs(":00000001FF\n", stream);
    return written;
}

int IntelHexFileIo(FileOperation operation, const char* displayName, FILE* stream,
                   unsigned char* buffer, int capacity)
{
    switch (operation) {
    case FileOperation::Read:
        return ReadIntelHex(displayName, stream, buffer, capacity);
    case FileOperation::Write:
        return WriteIntelHex(stream, buffer, capacity, IntelHexWriteRecordSize);
    default:
        CFileIoMessageCapture::Report("invalid Intex Hex file I/O operation=%d\n",
                                      static_cast<int>(operation));
        return -1;
    }
}
