// Firmware files: the Intel HEX reader, format detection and the record parser on any bytes.
#include <algorithm>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <sys/mman.h>
#include <unistd.h>
#include <vector>

#include "firmware/fileio.h"
#include "firmware/text_lines.h"
#include "fuzz/require.h"

namespace {

using Image = std::vector<unsigned char>;

struct Expectation
{
    int result = 0;
    bool anyRecord = false;
    Image bytes;
};

struct Record
{
    std::uint8_t type;
    std::uint32_t offset;
    std::vector<std::uint8_t> data;
};

// The images live from input to input: fresh ones would cost the target most of its time.
Image& ScratchImage()
{
    static Image image(FirmwareImageCapacity);
    return image;
}

bool IsErased(const unsigned char* begin, const unsigned char* end)
{
    static const Image erased(FirmwareImageCapacity, ImageFillByte);
    return std::equal(begin, end, erased.begin());
}

int HexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

std::optional<std::vector<std::uint8_t>> HexBytes(std::string_view digits)
{
    if (digits.size() % 2 != 0)
        return std::nullopt;
    std::vector<std::uint8_t> bytes;
    for (std::size_t i = 0; i < digits.size(); i += 2) {
        const int high = HexDigit(digits[i]);
        const int low = HexDigit(digits[i + 1]);
        if (high < 0 || low < 0)
            return std::nullopt;
        bytes.push_back(static_cast<std::uint8_t>(high * 16 + low));
    }
    return bytes;
}

// A record in its one canonical shape: the colon, whole hex byte pairs, a count that matches
// the data and a checksum that brings the sum of all bytes to zero.
std::optional<Record> CanonicalRecord(std::string_view line)
{
    if (line.empty() || line.front() != ':')
        return std::nullopt;
    const auto bytes = HexBytes(line.substr(1));
    if (!bytes || bytes->size() < 5 || (*bytes)[0] != bytes->size() - 5)
        return std::nullopt;
    std::uint8_t sum = 0;
    for (std::uint8_t byte : *bytes)
        sum = static_cast<std::uint8_t>(sum + byte);
    if (sum != 0)
        return std::nullopt;
    return Record{(*bytes)[3], (*bytes)[1] * 256u + (*bytes)[2],
                  std::vector<std::uint8_t>(bytes->begin() + 4, bytes->end() - 1)};
}

// Applies one record; false once the reading is over, with or without an error.
bool Apply(const Record& record, std::uint32_t& base, Expectation& expected)
{
    switch (record.type) {
    case 0: {
        if (record.data.empty())
            return true;
        const std::uint64_t end = std::uint64_t{base} + record.offset + record.data.size();
        if (end > expected.bytes.size()) {
            expected.result = -1;
            return false;
        }
        std::copy(record.data.begin(), record.data.end(),
                  expected.bytes.begin() + base + record.offset);
        expected.result = std::max(expected.result, static_cast<int>(end));
        return true;
    }
    case 1:
        return false;
    case 2:
    case 4:
        base = (record.data[0] * 256u + record.data[1]) * (record.type == 2 ? 16u : 0x10000u);
        return true;
    case 3:
    case 5:
        return true;
    default:
        expected.result = -1;
        return false;
    }
}

// What the reader must make of a file of canonical records and blank lines, worked out
// without the reader; false for any other file, which the general properties bound.
bool FindCanonicalExpectation(std::string_view text, Expectation& expected)
{
    expected.result = 0;
    expected.anyRecord = false;
    expected.bytes.assign(FirmwareImageCapacity, ImageFillByte);
    std::uint32_t base = 0;
    while (!text.empty()) {
        const auto end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        // No record fills a longer line, so whatever follows the colon it is refused.
        if (line.size() > LongestRecordLine && line.starts_with(':')) {
            expected.result = -1;
            break;
        }
        if (line.ends_with('\r'))
            line.remove_suffix(1);
        if (line.empty())
            continue;
        const auto record = CanonicalRecord(line);
        const bool addressRecord = record && (record->type == 2 || record->type == 4);
        if (!record || (addressRecord && record->data.size() != 2))
            return false;
        expected.anyRecord = true;
        if (!Apply(*record, base, expected))
            break;
    }
    return true;
}

// The input as a file, for the readers that take a file name.
std::string InputFile(const std::uint8_t* data, std::size_t size)
{
    static const int fd = memfd_create("intel-hex-input", 0);
    Require(fd >= 0, "no memory file for the input");
    Require(ftruncate(fd, 0) == 0 && pwrite(fd, data, size, 0) == static_cast<ssize_t>(size),
            "the input file cannot be written");
    return "/proc/self/fd/" + std::to_string(fd);
}

void CheckHexRead(const HexImage& image, int result, const Expectation* expected)
{
    Require(result >= -1 && result <= FirmwareImageCapacity, "the HEX length fits the image");
    Require(image.length == std::max(result, 0), "the image length is the reader's result");
    if (result >= 0)
        Require(IsErased(image.bytes.data() + result, image.bytes.data() + image.bytes.size()),
                "bytes past the length stay erased flash");
    if (!expected)
        return;
    Require(result == expected->result, "the HEX result matches the records");
    if (result >= 0)
        Require(std::equal(image.bytes.begin(), image.bytes.end(), expected->bytes.begin()),
                "the image holds the records' bytes and erased flash elsewhere");
}

// Detection may pick the raw form or no form, but a read it makes is one of the two readings.
void CheckDetectedRead(const std::string& path, std::span<const std::uint8_t> input,
                       const HexImage& image, int hexResult, const Expectation* expected)
{
    Image& buffer = ScratchImage();
    std::fill(buffer.begin(), buffer.end(), 0);
    const int result = fileio(FileOperation::Read, path.c_str(), FileFormat::AutoDetect,
                              buffer.data(), FirmwareImageCapacity);
    Require(result >= -1 && result <= FirmwareImageCapacity, "the detected read fits the buffer");
    const bool asHex =
        result == hexResult &&
        (result < 0 || std::equal(buffer.begin(), buffer.end(), image.bytes.begin()));
    if (expected && expected->anyRecord)
        Require(asHex, "a file of records is detected as Intel HEX");
    if (result < 0 || asHex)
        return;
    const auto rawCount = std::min<std::size_t>(input.size(), buffer.size());
    Require(static_cast<std::size_t>(result) == rawCount &&
                std::equal(input.begin(), input.begin() + rawCount, buffer.begin()) &&
                IsErased(buffer.data() + rawCount, buffer.data() + buffer.size()),
            "a detected read that is no HEX reading is the raw bytes");
}

void CheckRecordParser(std::string_view line)
{
    HexRecord record;
    const int checksum = ParseHexRecord(line, record);
    Require(checksum >= -1 && checksum <= 255, "a record checksum is a byte");
    if (checksum >= 0)
        Require(line.size() >= 11 + 2u * record.count, "a parsed record lies within its line");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const std::string path = InputFile(data, size);
    static Expectation canonical;
    const Expectation* expected = FindCanonicalExpectation(text, canonical) ? &canonical : nullptr;

    static HexImage image;
    const int result = image.LoadIntelHex(path.c_str());
    CheckHexRead(image, result, expected);
    CheckDetectedRead(path, {data, size}, image, result, expected);
    CheckRecordParser(text);
    return 0;
}
