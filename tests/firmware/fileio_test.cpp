#include "firmware/fileio.h"
#include "tests/guarded_child.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <numeric>
#include <sstream>
#include <string>
#include <vector>

#include <csignal>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<unsigned char>;

Bytes Counting(int count, unsigned char first = 0)
{
    Bytes bytes(count);
    std::iota(bytes.begin(), bytes.end(), first);
    return bytes;
}

// A record line with a correct checksum, so that tables can state records by their fields.
std::string Record(int type, int offset, const Bytes& data)
{
    char text[32];
    unsigned sum = data.size() + (offset >> 8) + (offset & 0xFF) + type;
    std::string line = ":";
    std::snprintf(text, sizeof text, "%02zX%04X%02X", data.size(), offset, type);
    line += text;
    for (unsigned char byte : data) {
        std::snprintf(text, sizeof text, "%02X", byte);
        line += text;
        sum += byte;
    }
    std::snprintf(text, sizeof text, "%02X\n", (0u - sum) & 0xFF);
    return line + text;
}

const std::string EndOfFile = ":00000001FF\n";

struct Patch
{
    int address;
    Bytes bytes;
};

Bytes ImageWith(const std::vector<Patch>& patches, int capacity = FirmwareImageCapacity)
{
    Bytes image(capacity, ImageFillByte);
    for (const Patch& patch : patches) {
        std::copy(patch.bytes.begin(), patch.bytes.end(), image.begin() + patch.address);
    }
    return image;
}

// The index of the first byte in which two images differ, -1 when they are equal; keeps a
// failure report to one address instead of two dumps of 128 KiB.
long FirstDifference(const Bytes& expected, const Bytes& actual)
{
    if (expected.size() != actual.size()) {
        return static_cast<long>(std::min(expected.size(), actual.size()));
    }
    const auto mismatch = std::mismatch(expected.begin(), expected.end(), actual.begin());
    return mismatch.first == expected.end() ? -1 : mismatch.first - expected.begin();
}

std::string WithCrlf(const std::string& text)
{
    std::string converted;
    for (char c : text) {
        converted += c == '\n' ? "\r\n" : std::string(1, c);
    }
    return converted;
}

std::string StderrOf(const std::function<void()>& action)
{
    testing::internal::CaptureStderr();
    action();
    return testing::internal::GetCapturedStderr();
}

std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    return lines;
}

class FileIoTest : public testing::Test
{
protected:
    void SetUp() override
    {
        std::string pattern = testing::TempDir() + "fileio-XXXXXX";
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        directory = pattern;
    }

    void TearDown() override { fs::remove_all(directory); }

    std::string PathOf(const std::string& name) const { return (directory / name).string(); }

    std::string Create(const std::string& name, const std::string& content) const
    {
        std::ofstream(PathOf(name), std::ios::binary) << content;
        return PathOf(name);
    }

    std::string Contents(const std::string& path) const
    {
        std::ifstream in(path, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), {}};
    }

    fs::path directory;
};

struct ReadCase
{
    const char* name;
    std::string text;
    int result;
    std::string messages;
    std::vector<Patch> patches;
};

TEST_F(FileIoTest, ReadIntelHexFillsImageAndReportsEveryFault)
{
    const Bytes sixteen = Counting(16, 0x40);
    const std::vector<ReadCase> cases = {
        {"end of file only", EndOfFile, 0, "", {}},
        {"sixteen bytes at 0x100",
         Record(0, 0x100, sixteen) + EndOfFile,
         0x110,
         "",
         {{0x100, sixteen}}},
        {"extended linear 1",
         Record(4, 0, {0, 1}) + Record(0, 0, {7}) + EndOfFile,
         0x10001,
         "",
         {{0x10000, {7}}}},
        {"extended segment 0x1000",
         Record(2, 0, {0x10, 0}) + Record(0, 0x10, {9}) + EndOfFile,
         0x10011,
         "",
         {{0x10010, {9}}}},
        {"new base replaces old",
         Record(4, 0, {0, 1}) + Record(4, 0, {0, 0}) + Record(0, 0x20, {5}) + EndOfFile,
         0x21,
         "",
         {{0x20, {5}}}},
        {"record ending at capacity",
         Record(4, 0, {0, 1}) + Record(0, 0xFFF0, sixteen) + EndOfFile,
         FirmwareImageCapacity,
         "",
         {{0x1FFF0, sixteen}}},
        {"record ending past capacity",
         Record(4, 0, {0, 1}) + Record(0, 0xFFF1, sixteen),
         -1,
         "ERROR: address 0x20001 out of range at line 2 of fw.hex\n",
         {}},
        {"address wrapping past 4 GiB",
         Record(4, 0, {0xFF, 0xFF}) + Record(0, 0xFFF0, Counting(32)),
         -1,
         "ERROR: address 0x100000010 out of range at line 2 of fw.hex\n",
         {}},
        {"checksum mismatch",
         "\nnote\n" + Record(0, 0, {1, 2}) + ":0100000011EF\n",
         -1,
         "ERROR: checksum mismatch at line 4 of \"fw.hex\"\n"
         "checksum=0xef, computed checksum=0xee\n",
         {{0, {1, 2}}}},
        {"255 data bytes fit a line",
         Record(0, 0, Counting(255)) + ":0100000011EF\n",
         -1,
         "ERROR: checksum mismatch at line 2 of \"fw.hex\"\n"
         "checksum=0xef, computed checksum=0xee\n",
         {{0, Counting(255)}}},
        {"a record line longer than any record",
         ":" + std::string(522, '0') + "\n",
         -1,
         "invalid record at line 1 of \"fw.hex\"\n",
         {}},
        {"a long note is one line",
         std::string(600, 'n') + "\n:0100000011EF\n",
         -1,
         "ERROR: checksum mismatch at line 2 of \"fw.hex\"\n"
         "checksum=0xef, computed checksum=0xee\n",
         {}},
        {"an empty record extends nothing",
         Record(0, 4, {1}) + Record(0, 0x1000, {}) + EndOfFile,
         5,
         "",
         {{4, {1}}}},
        {"an empty record is never out of range",
         Record(4, 0, {0, 5}) + Record(0, 0xFFFF, {}) + EndOfFile,
         0,
         "",
         {}},
        {"non-hex digit", ":1G00000000\n", -1, "invalid record at line 1 of \"fw.hex\"\n", {}},
        {"one-byte linear address",
         Record(4, 0, {1}),
         -1,
         "invalid record at line 1 of \"fw.hex\"\n",
         {}},
        {"empty segment address",
         Record(2, 0, {}),
         -1,
         "invalid record at line 1 of \"fw.hex\"\n",
         {}},
        {"no end of file record",
         Record(0, 0x100, sixteen),
         0x110,
         "WARNING: no end of file record found for Intel Hex file \"fw.hex\"\n",
         {{0x100, sixteen}}},
        {"start addresses skipped",
         Record(3, 0, {1, 2, 3, 4}) + Record(5, 0, {1, 2, 3, 4}) + Record(0, 2, {3}) + EndOfFile,
         3,
         "",
         {{2, {3}}}},
        {"type 6 rejected",
         Record(0, 0, {1}) + Record(6, 0, {}),
         -1,
         "don't know how to deal with rectype=6 at line 2 of fw.hex\n",
         {{0, {1}}}},
        {"later record overwrites, length stays",
         Record(0, 4, {1, 2, 3}) + Record(0, 4, {9}) + EndOfFile,
         7,
         "",
         {{4, {9, 2, 3}}}},
        {"nothing read after end of file", EndOfFile + ":zz\n" + Record(0, 0, {1}), 0, "", {}},
    };
    for (const ReadCase& row : cases) {
        for (bool crlf : {false, true}) {
            SCOPED_TRACE(std::string(row.name) + (crlf ? " (CRLF)" : " (LF)"));
            const std::string path = Create("fw.hex", crlf ? WithCrlf(row.text) : row.text);
            FILE* stream = std::fopen(path.c_str(), "r");
            ASSERT_NE(stream, nullptr);
            Bytes image(FirmwareImageCapacity, ImageFillByte);
            int result = 0;
            const std::string messages = StderrOf([&] {
                result = ReadIntelHex("fw.hex", stream, image.data(), FirmwareImageCapacity);
            });
            std::fclose(stream);
            EXPECT_EQ(result, row.result);
            EXPECT_EQ(messages, row.messages);
            EXPECT_EQ(FirstDifference(ImageWith(row.patches), image), -1);
        }
    }
}

TEST(ParseHexRecordTest, RejectsEveryTruncationAndReturnsComputedChecksum)
{
    const struct
    {
        std::string line;
        int result;
    } cases[] = {
        {":10010000000102030405060708090A0B0C0D0E0F77", 0x77},
        {":0100000011EF", 0xEE},
        {":00000001FFtrailing", 0xFF},
        {"", -1},
        {":1", -1},
        {":10000", -1},
        {":0000000", -1},
        {":01000000", -1},
        {":0100000011", -1},
        {":00000001F", -1},
        {":000G0001FF", -1},
        {":0000000XFF", -1},
        {":+0000001FF", -1},
        {": 0000001FF", -1},
        {":000x0001FF", -1},
    };
    for (const auto& row : cases) {
        HexRecord record;
        EXPECT_EQ(ParseHexRecord(row.line, record), row.result) << row.line;
    }
    HexRecord record;
    ParseHexRecord(":0300300002337A1E", record);
    EXPECT_EQ(record.count, 3);
    EXPECT_EQ(record.offset, 0x0030);
    EXPECT_EQ(record.type, 0);
    EXPECT_EQ(Bytes(record.data.begin(), record.data.begin() + 3), (Bytes{0x02, 0x33, 0x7A}));
    EXPECT_EQ(record.checksum, 0x1E);
}

TEST_F(FileIoTest, ReadFillsTheWholeBufferFirst)
{
    const std::string path = Create("eof.hex", EndOfFile);
    Bytes image(FirmwareImageCapacity, 0x00);
    EXPECT_EQ(fileio(FileOperation::Read, path.c_str(), FileFormat::IntelHex, image.data(),
                     FirmwareImageCapacity),
              0);
    EXPECT_EQ(FirstDifference(ImageWith({}), image), -1);
}

TEST_F(FileIoTest, WritesIntelHexRecordsAndEndOfFile)
{
    Bytes bytes = Counting(40);
    const std::string path = PathOf("small.hex");
    EXPECT_EQ(fileio(FileOperation::Write, path.c_str(), FileFormat::IntelHex, bytes.data(), 40),
              40);
    EXPECT_EQ(Contents(path),
              ":20000000000102030405060708090A0B0C0D0E0F101112131415161718191A1B1C1D1E1FF0\n"
              ":080020002021222324252627BC\n"
              ":00000001FF\n");
}

TEST_F(FileIoTest, WrittenRecordsStopAtEach64KiBoundary)
{
    Bytes bytes(0x10008);
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        bytes[i] = static_cast<unsigned char>(i);
    }
    const std::string path = PathOf("big.hex");
    EXPECT_EQ(
        fileio(FileOperation::Write, path.c_str(), FileFormat::IntelHex, bytes.data(), 0x10008),
        0x10008);
    const std::vector<std::string> lines = Lines(Contents(path));
    ASSERT_EQ(lines.size(), 2051u);
    EXPECT_EQ(lines[2047].substr(0, 9), ":20FFE000");
    EXPECT_EQ(lines[2048], ":020000040001F9");
    EXPECT_EQ(lines[2049], ":080000000001020304050607DC");
    EXPECT_EQ(lines[2050], ":00000001FF");

    FILE* stream = std::fopen(path.c_str(), "w");
    ASSERT_NE(stream, nullptr);
    EXPECT_EQ(WriteIntelHex(stream, bytes.data(), 0x10000, 48), 0x10000);
    std::fclose(stream);
    const std::vector<std::string> shortened = Lines(Contents(path));
    ASSERT_EQ(shortened.size(), 1368u);
    EXPECT_EQ(shortened[1365], ":10FFF000F0F1F2F3F4F5F6F7F8F9FAFBFCFDFEFF89");
    EXPECT_EQ(shortened[1366], ":020000040001F9");
}

TEST_F(FileIoTest, RawBinaryReadsAndWritesBytesAsTheyAre)
{
    const std::string in = Create("in.bin", std::string("\x00\x01\x80\xFF\n\x7F", 6));
    Bytes image(16, 0x00);
    EXPECT_EQ(fileio(FileOperation::Read, in.c_str(), FileFormat::RawBinary, image.data(), 16), 6);
    EXPECT_EQ(image, ImageWith({{0, {0x00, 0x01, 0x80, 0xFF, '\n', 0x7F}}}, 16));

    const std::string out = PathOf("out.bin");
    EXPECT_EQ(fileio(FileOperation::Write, out.c_str(), FileFormat::RawBinary, image.data(), 16),
              16);
    EXPECT_EQ(Contents(out), std::string(image.begin(), image.end()));
}

TEST_F(FileIoTest, AutoDetectionNamesTheFormatItUses)
{
    const struct
    {
        const char* name;
        std::string text;
        int result;
        std::string messages;
    } cases[] = {
        {"Intel HEX", Record(0, 0, {1, 2}) + EndOfFile, 2,
         "input file %F auto detected as Intel Hex\n\n"},
        {"Intel HEX with CRLF", WithCrlf(Record(0, 0, {1, 2}) + EndOfFile), 2,
         "input file %F auto detected as Intel Hex\n\n"},
        {"undecided lines skipped", "hex image\nS1\n" + EndOfFile, 0,
         "input file %F auto detected as Intel Hex\n\n"},
        {"byte above 0x7F", std::string("\x00\x01\x80\x03", 4), 4,
         "input file %F auto detected as raw binary\n\n"},
        {"S-record", "S00600004844521B\n", -1,
         "input file %F auto detected as Motorola S-Record\n\n"
         "Motorola S-Record input format not yet supported\n"},
        {"nothing decides", "hello\n:0000\n", -1,
         "can't determine file format for %F, specify explicitly\n"},
    };
    for (const auto& row : cases) {
        SCOPED_TRACE(row.name);
        const std::string path = Create("image", row.text);
        Bytes image(16);
        int result = 0;
        const std::string messages = StderrOf([&] {
            result =
                fileio(FileOperation::Read, path.c_str(), FileFormat::AutoDetect, image.data(), 16);
        });
        EXPECT_EQ(result, row.result);
        std::string expected = row.messages;
        expected.replace(expected.find("%F"), 2, path);
        EXPECT_EQ(messages, expected);
    }
}

TEST_F(FileIoTest, RefusedRequestsAndFailedTransfersAreReported)
{
    fs::create_directory(directory / "folder");
    const std::string folder = PathOf("folder");
    const std::string missing = PathOf("missing/x.hex");
    const std::string hex = Create("x.hex", EndOfFile);
    Bytes buffer(16);
    unsigned char* data = buffer.data();
    const struct
    {
        const char* name;
        std::function<int()> call;
        std::string messages;
    } cases[] = {
        {"no buffer",
         [&] {
             return fileio(FileOperation::Read, hex.c_str(), FileFormat::IntelHex, nullptr, 16);
         },
         "fileio(): memory type not configured for device"},
        {"operation 2",
         [&] {
             return fileio(static_cast<FileOperation>(2), hex.c_str(), FileFormat::IntelHex, data,
                           16);
         },
         "invalid I/O operation 2\n"},
        {"missing input",
         [&] {
             return fileio(FileOperation::Read, missing.c_str(), FileFormat::IntelHex, data, 16);
         },
         "can't open input file " + missing + ": No such file or directory\n"},
        {"missing output",
         [&] {
             return fileio(FileOperation::Write, missing.c_str(), FileFormat::RawBinary, data, 16);
         },
         "can't open output file " + missing + ": No such file or directory\n"},
        {"format 7",
         [&] {
             return fileio(FileOperation::Read, hex.c_str(), static_cast<FileFormat>(7), data, 16);
         },
         "invalid input file format: 7\n"},
        {"S-record output",
         [&] {
             return fileio(FileOperation::Write, hex.c_str(), FileFormat::MotorolaSRecord, data,
                           16);
         },
         "Motorola S-Record output format not yet supported\n"},
        {"raw read failure",
         [&] {
             FILE* stream = std::fopen(folder.c_str(), "r");
             const int result =
                 RawBinaryFileIo(FileOperation::Read, folder.c_str(), stream, data, 16);
             std::fclose(stream);
             return result;
         },
         "input error from " + folder + ": Is a directory; read 0 of the expected 16 bytes\n"},
        {"raw write failure",
         [&] { return fileio(FileOperation::Write, "/dev/full", FileFormat::RawBinary, data, 16); },
         "output error to /dev/full: No space left on device; wrote 0 of the expected 16 bytes\n"},
        {"record size 256", [&] { return WriteIntelHex(stdout, data, 16, 256); },
         "recsize=256, must be < 256\n"},
        {"Intel HEX operation 2",
         [&] { return IntelHexFileIo(static_cast<FileOperation>(2), "x", stdin, data, 16); },
         "invalid Intex Hex file I/O operation=2\n"},
        {"raw operation 5",
         [&] { return RawBinaryFileIo(static_cast<FileOperation>(5), "x", stdin, data, 16); },
         "fileio: invalid operation=5\n"},
    };
    for (const auto& row : cases) {
        SCOPED_TRACE(row.name);
        int result = 0;
        EXPECT_EQ(StderrOf([&] { result = row.call(); }), row.messages);
        EXPECT_EQ(result, -1);
    }
}

// A FIFO would hold an ordinary open for ever and /dev/zero would feed the HEX reader and
// detection for ever; each is refused before a byte is read, in every input format.
TEST_F(FileIoTest, OnlyRegularFilesAreRead)
{
    const std::string fifo = PathOf("fifo.hex");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    const std::string link = PathOf("zero.hex");
    fs::create_symlink("/dev/zero", link);
    fs::create_directory(directory / "folder.hex");
    const std::string folder = PathOf("folder.hex");
    const struct
    {
        std::string path;
        const char* reason;
    } cases[] = {
        {fifo, "not a regular file"},
        {"/dev/zero", "not a regular file"},
        {link, "not a regular file"},
        {folder, "Is a directory"},
    };
    for (const auto& row : cases) {
        for (const FileFormat format :
             {FileFormat::IntelHex, FileFormat::AutoDetect, FileFormat::RawBinary}) {
            SCOPED_TRACE(row.path + " as " + FileFormatName(format));
            InGuardedChild([&] {
                Bytes image(16);
                int result = 0;
                const std::string messages = StderrOf([&] {
                    result =
                        fileio(FileOperation::Read, row.path.c_str(), format, image.data(), 16);
                });
                EXPECT_EQ(result, -1);
                EXPECT_EQ(messages, "can't open input file " + row.path + ": " + row.reason + "\n");
            });
        }
    }
}

// The stream a HEX reader is given: a regular file, whose size is known before reading, or a
// pipe, which says nothing of its size until it ends.
FILE* StreamOf(const std::string& text, bool throughPipe, const std::string& path)
{
    if (!throughPipe) {
        std::ofstream(path, std::ios::binary) << text;
        return std::fopen(path.c_str(), "r");
    }
    int ends[2];
    // The texts here fit a pipe's buffer, so they are written whole before the read.
    if (pipe(ends) != 0 ||
        write(ends[1], text.data(), text.size()) != static_cast<ssize_t>(text.size())) {
        return nullptr;
    }
    close(ends[1]);
    return fdopen(ends[0], "r");
}

TEST_F(FileIoTest, IntelHexReadStopsAtTheLargestFileAnImageNeeds)
{
    constexpr int Capacity = 16;
    const std::size_t limit = IntelHexFileLimit(Capacity);
    const std::string refusal =
        "ERROR: Intel Hex file \"fw.hex\" is larger than " + std::to_string(limit) + " bytes\n";
    const struct
    {
        const char* name;
        std::size_t size;
        bool throughPipe;
        int result;
        std::string messages;
    } cases[] = {
        {"a file at the limit", limit, false, 0, ""},
        {"a file past the limit", limit + 1, false, -1, refusal},
        {"a stream at the limit", limit, true, 0, ""},
        {"a stream past the limit", limit + 1, true, -1, refusal},
    };
    for (const auto& row : cases) {
        SCOPED_TRACE(row.name);
        const std::string text = std::string(row.size - EndOfFile.size(), '\n') + EndOfFile;
        FILE* stream = StreamOf(text, row.throughPipe, PathOf("fw.hex"));
        ASSERT_NE(stream, nullptr);
        Bytes image(Capacity, ImageFillByte);
        int result = 0;
        const std::string messages =
            StderrOf([&] { result = ReadIntelHex("fw.hex", stream, image.data(), Capacity); });
        std::fclose(stream);
        EXPECT_EQ(result, row.result);
        EXPECT_EQ(messages, row.messages);
    }

    // The limit is never below the longest way to spell an image: a record for every byte,
    // with CR LF line ends.
    Bytes image = Counting(FirmwareImageCapacity);
    const std::string lf = PathOf("spelled.hex");
    FILE* stream = std::fopen(lf.c_str(), "w");
    ASSERT_EQ(WriteIntelHex(stream, image.data(), FirmwareImageCapacity, 1), FirmwareImageCapacity);
    std::fclose(stream);
    const std::string crlf = Create("spelled-crlf.hex", WithCrlf(Contents(lf)));
    Bytes read(FirmwareImageCapacity);
    EXPECT_EQ(fileio(FileOperation::Read, crlf.c_str(), FileFormat::IntelHex, read.data(),
                     FirmwareImageCapacity),
              FirmwareImageCapacity);
    EXPECT_EQ(FirstDifference(image, read), -1);
}

// Points a standard descriptor at a file for the life of the object.
class DescriptorRedirect
{
public:
    DescriptorRedirect(int descriptor, const std::string& path, int flags)
        : redirected(descriptor), saved(dup(descriptor))
    {
        const int file = open(path.c_str(), flags, 0600);
        dup2(file, descriptor);
        close(file);
    }
    ~DescriptorRedirect()
    {
        dup2(saved, redirected);
        close(saved);
    }

private:
    int redirected;
    int saved;
};

TEST_F(FileIoTest, DashMeansTheStandardStreams)
{
    const std::string in = Create("in.hex", Record(0, 3, {0xAB}));
    Bytes image(16);
    std::string messages;
    {
        DescriptorRedirect redirect(STDIN_FILENO, in, O_RDONLY);
        messages = StderrOf([&] {
            EXPECT_EQ(fileio(FileOperation::Read, "-", FileFormat::IntelHex, image.data(), 16), 4);
        });
        std::clearerr(stdin);
    }
    EXPECT_EQ(messages, "WARNING: no end of file record found for Intel Hex file \"<stdin>\"\n");
    EXPECT_EQ(image, ImageWith({{3, {0xAB}}}, 16));

    const std::string out = PathOf("out.bin");
    std::fflush(stdout);
    {
        DescriptorRedirect redirect(STDOUT_FILENO, out, O_WRONLY | O_CREAT | O_TRUNC);
        EXPECT_EQ(fileio(FileOperation::Write, "-", FileFormat::RawBinary, image.data(), 16), 16);
    }
    EXPECT_EQ(Contents(out), std::string(image.begin(), image.end()));
}

TEST(FileFormatNameTest, NamesEveryCode)
{
    EXPECT_STREQ(FileFormatName(FileFormat::AutoDetect), "auto-detect");
    EXPECT_STREQ(FileFormatName(FileFormat::MotorolaSRecord), "Motorola S-Record");
    EXPECT_STREQ(FileFormatName(FileFormat::IntelHex), "Intel Hex");
    EXPECT_STREQ(FileFormatName(FileFormat::RawBinary), "raw binary");
    EXPECT_STREQ(FileFormatName(static_cast<FileFormat>(4)), "invalid format");
    EXPECT_STREQ(FileFormatName(static_cast<FileFormat>(-1)), "invalid format");
}

TEST_F(FileIoTest, HexImageKeepsLengthOfLastLoad)
{
    HexImage image;
    EXPECT_EQ(image.length, 0);
    EXPECT_TRUE(std::all_of(image.bytes.begin(), image.bytes.end(),
                            [](unsigned char b) { return b == ImageFillByte; }));
    const std::string good = Create("good.hex", Record(0, 0x100, Counting(16)) + EndOfFile);
    EXPECT_EQ(image.LoadIntelHex(good.c_str()), 0x110);
    EXPECT_EQ(image.length, 0x110);
    const std::string bad = Create("bad.hex", ":0100000011EF\n");
    StderrOf([&] { EXPECT_EQ(image.LoadIntelHex(bad.c_str()), -1); });
    EXPECT_EQ(image.length, 0);
}

} // namespace
