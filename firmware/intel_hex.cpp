#include "firmware/fileio.h"
#include "firmware/text_lines.h"

#include <algorithm>
#include <cinttypes>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

enum RecordType : std::uint8_t
{
    DataRecord = 0,
    EndOfFileRecord = 1,
    ExtendedSegmentAddressRecord = 2,
    StartSegmentAddressRecord = 3,
    ExtendedLinearAddressRecord = 4,
    StartLinearAddressRecord = 5,
};

constexpr std::size_t kCountPosition = 1;
constexpr std::size_t kOffsetPosition = 3;
constexpr std::size_t kTypePosition = 7;
constexpr std::size_t kDataPosition = 9;
constexpr std::uint32_t kSegmentSize = 0x10000;

// Converts the field of `width` characters at `position` on a copy of exactly those
// characters, so that a field can never borrow digits from its neighbour. strtoul leaves
// `end` at the start when it reads no digit, so one comparison rejects both an empty number
// and a character left over.
bool ReadHexField(std::string_view line, std::size_t position, std::size_t width,
                  unsigned long& value)
{
    if (line.size() < position + width) {
        return false;
    }
    const std::string field(line.substr(position, width));
    char* end = nullptr;
    value = std::strtoul(field.c_str(), &end, 16);
    return end == field.c_str() + field.size();
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
// to an address inside the buffer.
RecordOutcome CopyDataRecord(ReaderState& state, const HexRecord& record)
{
    const std::uint32_t address = state.base + record.offset;
    const std::uint64_t end = std::uint64_t{state.base} + record.offset + record.count;
    if (static_cast<std::int64_t>(end) > state.capacity) {
        std::fprintf(stderr, "ERROR: address 0x%04" PRIx64 " out of range at line %d of %s\n", end,
                     state.lineNumber, state.displayName);
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
        std::fprintf(stderr, "invalid record at line %d of \"%s\"\n", state.lineNumber,
                     state.displayName);
        return RecordOutcome::Failed;
    }
    state.base = ((record.data[0] * 256u) + record.data[1]) * scale;
    return RecordOutcome::Continue;
}

RecordOutcome ApplyRecord(ReaderState& state, const HexRecord& record)
{
    switch (record.type) {
    case DataRecord:
        return CopyDataRecord(state, record);
    case EndOfFileRecord:
        return RecordOutcome::EndOfFile;
    case ExtendedSegmentAddressRecord:
        return SetBase(state, record, 16);
    case ExtendedLinearAddressRecord:
        return SetBase(state, record, kSegmentSize);
    case StartSegmentAddressRecord:
    case StartLinearAddressRecord:
        return RecordOutcome::Continue;
    default:
        std::fprintf(stderr, "don't know how to deal with rectype=%d at line %d of %s\n",
                     record.type, state.lineNumber, state.displayName);
        return RecordOutcome::Failed;
    }
}

RecordOutcome ProcessLine(ReaderState& state, std::string_view line)
{
    if (line.empty() || line.front() != ':') {
        return RecordOutcome::Continue;
    }
    HexRecord record;
    const int computed = ParseHexRecord(line, record);
    if (computed < 0) {
        std::fprintf(stderr, "invalid record at line %d of \"%s\"\n", state.lineNumber,
                     state.displayName);
        return RecordOutcome::Failed;
    }
    if (computed != record.checksum) {
        std::fprintf(stderr, "ERROR: checksum mismatch at line %d of \"%s\"\n", state.lineNumber,
                     state.displayName);
        std::fprintf(stderr, "checksum=0x%02x, computed checksum=0x%02x\n", record.checksum,
                     computed);
        return RecordOutcome::Failed;
    }
    return ApplyRecord(state, record);
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
    record.type = DataRecord;
    std::copy_n(bytes, count, record.data.begin());
    WriteRecord(stream, record);
}

void WriteExtendedLinearAddress(FILE* stream, std::uint32_t upperWord)
{
    HexRecord record;
    record.count = 2;
    record.type = ExtendedLinearAddressRecord;
    record.data[0] = static_cast<std::uint8_t>(upperWord >> 8);
    record.data[1] = static_cast<std::uint8_t>(upperWord);
    WriteRecord(stream, record);
}

} // namespace

int ParseHexRecord(std::string_view line, HexRecord& record)
{
    unsigned long value = 0;
    if (!ReadHexField(line, kCountPosition, 2, value)) {
        return -1;
    }
    record.count = static_cast<std::uint8_t>(value);
    if (!ReadHexField(line, kOffsetPosition, 4, value)) {
        return -1;
    }
    record.offset = static_cast<std::uint16_t>(value);
    if (!ReadHexField(line, kTypePosition, 2, value)) {
        return -1;
    }
    record.type = static_cast<std::uint8_t>(value);
    std::size_t position = kDataPosition;
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

int ReadIntelHex(const char* displayName, FILE* stream, unsigned char* buffer, int capacity)
{
    ReaderState state{displayName, buffer, capacity};
    std::string line;
    while (ReadLinePiece(stream, line)) {
        ++state.lineNumber;
        DropTrailingLineFeed(line);
        switch (ProcessLine(state, line)) {
        case RecordOutcome::Continue:
            break;
        case RecordOutcome::EndOfFile:
            return state.length;
        case RecordOutcome::Failed:
            return -1;
        }
    }
    std::fprintf(stderr, "WARNING: no end of file record found for Intel Hex file \"%s\"\n",
                 displayName);
    return state.length;
}

int WriteIntelHex(FILE* stream, const unsigned char* buffer, int capacity, int recordSize)
{
    if (recordSize < 1 || recordSize > 255) {
        std::fprintf(stderr, "recsize=%d, must be < 256\n", recordSize);
        return -1;
    }
    int written = 0;
    std::uint32_t offset = 0;
    std::uint32_t upperWord = 0;
    while (written < capacity) {
        const int count = static_cast<int>(std::min<std::uint32_t>(
            std::min(recordSize, capacity - written), kSegmentSize - offset));
        WriteDataRecord(stream, offset, buffer + written, count);
        written += count;
        offset += count;
        if (offset == kSegmentSize) {
            WriteExtendedLinearAddress(stream, ++upperWord);
            offset = 0;
        }
    }
    std::fputs(":00000001FF\n", stream);
    return written;
}

int IntelHexFileIo(int operation, const char* displayName, FILE* stream, unsigned char* buffer,
                   int capacity)
{
    switch (operation) {
    case Read:
        return ReadIntelHex(displayName, stream, buffer, capacity);
    case Write:
        return WriteIntelHex(stream, buffer, capacity, kIntelHexWriteRecordSize);
    default:
        std::fprintf(stderr, "invalid Intex Hex file I/O operation=%d\n", operation);
        return -1;
    }
}
