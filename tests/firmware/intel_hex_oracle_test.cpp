// Cross-checks the Intel HEX reader and writer against an independent implementation, the
// srecord package's srec_cat, on random images.
#include "firmware/fileio.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include <sys/wait.h>

namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<unsigned char>;

struct Segment
{
    int address;
    Bytes bytes;
};

int Uniform(std::mt19937& rng, int low, int high)
{
    return std::uniform_int_distribution<int>(low, high)(rng);
}

Bytes RandomBytes(std::mt19937& rng, int count)
{
    Bytes bytes(count);
    std::generate(bytes.begin(), bytes.end(), [&] { return Uniform(rng, 0, 255); });
    return bytes;
}

// Disjoint segments in ascending order with a hole before each; every fourth seed also puts
// a segment against the end of the image.
std::vector<Segment> RandomSegments(std::mt19937& rng, unsigned seed, int capacity)
{
    std::vector<Segment> segments;
    const int wanted = Uniform(rng, 1, 8);
    int address = Uniform(rng, 0, 0x800);
    while (static_cast<int>(segments.size()) < wanted && address < capacity) {
        const int size = std::min(Uniform(rng, 1, 0x6000), capacity - address);
        segments.push_back({address, RandomBytes(rng, size)});
        address += size + Uniform(rng, 1, 0x4000);
    }
    const int tailStart = capacity - Uniform(rng, 1, 0x200);
    if (seed % 4 == 0 && tailStart > address) {
        segments.push_back({tailStart, RandomBytes(rng, capacity - tailStart)});
    }
    return segments;
}

Bytes ImageOf(const std::vector<Segment>& segments, int capacity)
{
    Bytes image(capacity, ImageFillByte);
    for (const Segment& segment : segments) {
        std::copy(segment.bytes.begin(), segment.bytes.end(), image.begin() + segment.address);
    }
    return image;
}

int LengthOf(const std::vector<Segment>& segments)
{
    const Segment& last = segments.back();
    return last.address + static_cast<int>(last.bytes.size());
}

long FirstDifference(const Bytes& expected, const Bytes& actual)
{
    if (expected.size() != actual.size()) {
        return static_cast<long>(std::min(expected.size(), actual.size()));
    }
    const auto mismatch = std::mismatch(expected.begin(), expected.end(), actual.begin());
    return mismatch.first == expected.end() ? -1 : mismatch.first - expected.begin();
}

std::string Quoted(const std::string& text)
{
    std::string quoted = "'";
    for (char c : text) {
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    }
    return quoted + "'";
}

std::string Contents(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

class IntelHexOracleTest : public testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(fs::exists(SREC_CAT_PATH))
            << SREC_CAT_PATH << " is missing: install the srecord package";
        std::string pattern = testing::TempDir() + "intel-hex-oracle-XXXXXX";
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        directory = pattern;
    }

    void TearDown() override { fs::remove_all(directory); }

    // Runs srec_cat with the given arguments; a failure reports srec_cat's own complaint.
    bool SrecCat(const std::string& arguments) const
    {
        const fs::path errors = directory / "srec_cat.err";
        const std::string command =
            Quoted(SREC_CAT_PATH) + " " + arguments + " 2>" + Quoted(errors.string());
        const int status = std::system(command.c_str());
        if (WIFEXITED(status) && WEXITSTATUS(status) == 0) {
            return true;
        }
        ADD_FAILURE() << command << "\n" << Contents(errors);
        return false;
    }

    // Has srec_cat turn the segments into the Intel HEX file `hex`.
    bool HexFromSrecCat(const std::vector<Segment>& segments, const std::string& options,
                        const fs::path& hex) const
    {
        std::string inputs;
        for (std::size_t i = 0; i < segments.size(); ++i) {
            const fs::path binary = directory / ("segment" + std::to_string(i) + ".bin");
            std::ofstream(binary, std::ios::binary)
                .write(reinterpret_cast<const char*>(segments[i].bytes.data()),
                       static_cast<std::streamsize>(segments[i].bytes.size()));
            inputs += Quoted(binary.string()) + " -binary -offset " +
                      std::to_string(segments[i].address) + " ";
        }
        return SrecCat(inputs + "-o " + Quoted(hex.string()) + " -intel " + options);
    }

    // Writes the image as Intel HEX, through fileio when the record size is fileio's own.
    int WriteOurs(Bytes& image, int recordSize, const fs::path& hex) const
    {
        const int capacity = static_cast<int>(image.size());
        if (recordSize == IntelHexWriteRecordSize) {
            return fileio(FileOperation::Write, hex.c_str(), FileFormat::IntelHex, image.data(),
                          capacity);
        }
        FILE* stream = std::fopen(hex.c_str(), "w");
        const int written = WriteIntelHex(stream, image.data(), capacity, recordSize);
        std::fclose(stream);
        return written;
    }

    fs::path directory;
};

TEST_F(IntelHexOracleTest, ReadsWhatSrecCatWrites)
{
    for (unsigned seed = 1; seed <= 40; ++seed) {
        std::mt19937 rng(seed);
        const int blockSize = Uniform(rng, 1, 255);
        const bool segmented = Uniform(rng, 0, 2) == 0;
        const bool crlf = Uniform(rng, 0, 2) == 0;
        const std::vector<Segment> segments = RandomSegments(rng, seed, FirmwareImageCapacity);
        const std::string options = "-Output_Block_Size " + std::to_string(blockSize) +
                                    (segmented ? " -address-length=3" : "") +
                                    (crlf ? " -line-termination=crlf" : "");
        SCOPED_TRACE("seed " + std::to_string(seed) + ": " + options);
        const fs::path hex = directory / "oracle.hex";
        ASSERT_TRUE(HexFromSrecCat(segments, options, hex));

        Bytes image(FirmwareImageCapacity, 0x00);
        testing::internal::CaptureStderr();
        const int length = fileio(FileOperation::Read, hex.c_str(), FileFormat::IntelHex,
                                  image.data(), FirmwareImageCapacity);
        EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
        EXPECT_EQ(length, LengthOf(segments));
        EXPECT_EQ(FirstDifference(ImageOf(segments, FirmwareImageCapacity), image), -1);
    }
}

TEST_F(IntelHexOracleTest, ReadsTheLongestRecordsAndRejectsLongerLines)
{
    for (const int blockSize : {128, 255}) {
        std::mt19937 rng(blockSize);
        const std::string options = "-Output_Block_Size " + std::to_string(blockSize);
        SCOPED_TRACE(options);
        const std::vector<Segment> segments = {{0x100, RandomBytes(rng, 600)}};
        const fs::path hex = directory / "oracle.hex";
        ASSERT_TRUE(HexFromSrecCat(segments, options, hex));

        Bytes image(FirmwareImageCapacity, 0x00);
        testing::internal::CaptureStderr();
        EXPECT_EQ(fileio(FileOperation::Read, hex.c_str(), FileFormat::IntelHex, image.data(),
                         FirmwareImageCapacity),
                  LengthOf(segments));
        EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
        EXPECT_EQ(FirstDifference(ImageOf(segments, FirmwareImageCapacity), image), -1);

        // Padding the first full record to 523 characters, past the longest line a record
        // fills (521 and a carriage return), makes it invalid, although its fields still parse.
        std::istringstream lines(Contents(hex));
        std::string padded;
        int paddedLine = 0;
        std::string line;
        for (int number = 1; std::getline(lines, line); ++number) {
            if (paddedLine == 0 && line.size() == 11 + 2u * blockSize) {
                line.resize(523, '0');
                paddedLine = number;
            }
            padded += line + "\n";
        }
        ASSERT_NE(paddedLine, 0);
        std::ofstream(hex, std::ios::binary) << padded;
        testing::internal::CaptureStderr();
        EXPECT_EQ(fileio(FileOperation::Read, hex.c_str(), FileFormat::IntelHex, image.data(),
                         FirmwareImageCapacity),
                  -1);
        EXPECT_EQ(testing::internal::GetCapturedStderr(), "invalid record at line " +
                                                              std::to_string(paddedLine) +
                                                              " of \"" + hex.string() + "\"\n");
    }
}

TEST_F(IntelHexOracleTest, SrecCatReadsWhatWeWrite)
{
    for (unsigned seed = 1; seed <= 20; ++seed) {
        std::mt19937 rng(seed);
        const int capacity = Uniform(rng, 1, FirmwareImageCapacity);
        const int recordSize = seed % 2 == 0 ? IntelHexWriteRecordSize : Uniform(rng, 1, 255);
        Bytes image = ImageOf(RandomSegments(rng, seed, capacity), capacity);
        SCOPED_TRACE("seed " + std::to_string(seed) + ", capacity " + std::to_string(capacity) +
                     ", record size " + std::to_string(recordSize));

        const fs::path hex = directory / "ours.hex";
        EXPECT_EQ(WriteOurs(image, recordSize, hex), capacity);

        const fs::path binary = directory / "back.bin";
        ASSERT_TRUE(
            SrecCat(Quoted(hex.string()) + " -intel -o " + Quoted(binary.string()) + " -binary"));
        const std::string back = Contents(binary);
        EXPECT_EQ(FirstDifference(image, Bytes(back.begin(), back.end())), -1);
    }
}

} // namespace
