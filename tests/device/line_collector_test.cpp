#include <gtest/gtest.h>

#include "device/line_collector.h"

namespace {

struct CollectCase
{
    const char* name;
    std::vector<std::string> batches;
    std::vector<std::string> lines;
    std::string pending;
};

class LineCollectorTest : public testing::TestWithParam<CollectCase>
{};

TEST_P(LineCollectorTest, SplitsAtCarriageReturns)
{
    CLineCollector collector;
    std::vector<std::string> lines;
    for (const std::string& batch : GetParam().batches) {
        for (std::string& line : collector.Append(batch))
            lines.push_back(std::move(line));
    }
    EXPECT_EQ(lines, GetParam().lines);
    EXPECT_EQ(collector.Pending(), GetParam().pending);
}

const std::string Overlong(CLineCollector::MaxPendingBytes + 1, 'x');

INSTANTIATE_TEST_SUITE_P(
    Batches, LineCollectorTest,
    testing::Values(CollectCase{"request", {"<<\r"}, {"<<\r"}, ""},
                    CollectCase{"split", {"<", "<", "\r"}, {"<<\r"}, ""},
                    CollectCase{"strayLineThenRequest", {"x\r<<\r"}, {"x\r", "<<\r"}, ""},
                    CollectCase{"prefixedRequest", {"x<<\r"}, {"x<<\r"}, ""},
                    CollectCase{"tailWaits", {"<<\r<"}, {"<<\r"}, "<"},
                    CollectCase{"lineFeedIsData", {"\n<<\r"}, {"\n<<\r"}, ""},
                    CollectCase{"overlongDropped", {Overlong, "<<\r", "<<\r"}, {"<<\r"}, ""},
                    CollectCase{"overlongTailNoRequest", {Overlong + "<<", "\r"}, {}, ""}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
