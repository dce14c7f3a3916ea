// The file-image module: moves memory images between byte buffers and files in Intel HEX or
// raw binary form. Problems are reported as text lines on the standard error stream and as a
// result of -1; a caller that shows them elsewhere holds a CFileIoMessageCapture.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string_view>

#include "firmware/flash_image.h"

enum class FileFormat
{
    AutoDetect = 0,
    MotorolaSRecord = 1,
    IntelHex = 2,
    RawBinary = 3,
};

enum class FileOperation
{
    Read = 0,
    Write = 1,
};

// Data bytes per record in the Intel HEX files that fileio writes.
inline constexpr int IntelHexWriteRecordSize = 32;

// One parsed Intel HEX line.
struct HexRecord
{
    std::uint8_t count = 0;
    std::uint16_t offset = 0;
    std::uint8_t type = 0;
    std::array<std::uint8_t, 256> data{};
    std::uint8_t checksum = 0;
};

// A firmware image: bytes the file does not cover keep the fill value, and length is the
// highest address written plus one.
struct HexImage
{
    HexImage() { bytes.fill(ImageFillByte); }

    // Reads an Intel HEX file into the image. Returns fileio's result; length becomes that
    // result, or 0 when the read failed.
    int LoadIntelHex(const char* fileName);

    std::array<unsigned char, FirmwareImageCapacity> bytes;
    int length = 0;
};

// Reads (Read) or writes (Write) the buffer of `capacity` bytes from or to the named file in
// the given FileFormat; "-" names the standard input or output. Only a regular file is read:
// a FIFO, a device or a folder is refused without waiting on it. Returns the count of bytes
// handled (for an Intel HEX read, the image length) or -1.
int fileio(FileOperation operation, const char* fileName, FileFormat format, unsigned char* buffer,
           int capacity);

// The display name of a FileFormat value, "invalid format" for any other value.
const char* FileFormatName(FileFormat format);

// Fills `record` from one line and returns the checksum the record's fields call for (0 to
// 255), or -1 when the line is malformed. The leading colon is not examined.
int ParseHexRecord(std::string_view line, HexRecord& record);

// The most bytes an Intel HEX file for an image of `capacity` bytes may hold: every byte in a
// record of its own, with CR LF line ends, and room to spare.
std::size_t IntelHexFileLimit(int capacity);

// Copies the data records of an Intel HEX stream into the buffer, which the caller has
// filled. A record may carry 0 to 255 data bytes; a record line longer than the longest
// record is invalid, and lines that do not start with a colon are skipped, whatever their
// length. A stream longer than IntelHexFileLimit(capacity) is refused. Returns the highest
// end address of any data record that carries data (0 when there is none) or -1.
// displayName is used in messages only.
int ReadIntelHex(const char* displayName, FILE* stream, unsigned char* buffer, int capacity);

// Writes the whole buffer as Intel HEX from address 0 in records of at most `recordSize`
// (1 to 255) data bytes. Returns the number of data bytes written or -1.
int WriteIntelHex(FILE* stream, const unsigned char* buffer, int capacity, int recordSize);

// The Intel HEX and raw binary handlers behind fileio, for a stream that is already open.
int IntelHexFileIo(FileOperation operation, const char* displayName, FILE* stream,
                   unsigned char* buffer, int capacity);
int RawBinaryFileIo(FileOperation operation, const char* displayName, FILE* stream,
                    unsigned char* buffer, int capacity);
