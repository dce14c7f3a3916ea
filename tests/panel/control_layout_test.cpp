#include <gtest/gtest.h>
#include <set>

#include "model/strip_settings.h"
#include "panel/control_layout.h"

namespace {

TEST(ControlLayout, EveryControlOnceWithItsOwnId)
{
    const auto layout = MainWindowLayout();
    std::set<int> ids;
    for (const ControlEntry& entry : layout)
        EXPECT_TRUE(ids.insert(entry.id).second) << entry.id;
    const int stripControls = StripCount * 5 + ChannelCount * 3 + ChannelCount * FilterTypeCount;
    EXPECT_EQ(layout.size(), static_cast<std::size_t>(stripControls + 12));
}

struct IdCase
{
    int id;
    ControlRole role;
    int strip;
    int filterType;
    DialogRect rect;
};

class ControlIdTest : public testing::TestWithParam<IdCase>
{};

TEST_P(ControlIdTest, IdsMapToTheirRoleStripAndPlace)
{
    const ControlEntry* entry = FindControl(GetParam().id);
    ASSERT_NE(entry, nullptr);
    EXPECT_EQ(entry->role, GetParam().role);
    EXPECT_EQ(entry->strip, GetParam().strip);
    EXPECT_EQ(entry->filterType, GetParam().filterType);
    EXPECT_EQ(entry->rect.x, GetParam().rect.x);
    EXPECT_EQ(entry->rect.y, GetParam().rect.y);
    EXPECT_EQ(entry->rect.width, GetParam().rect.width);
    EXPECT_EQ(entry->rect.height, GetParam().rect.height);
}

INSTANTIATE_TEST_SUITE_P(
    Template, ControlIdTest,
    testing::Values(IdCase{1000, ControlRole::QKnob, 0, -1, {4, 128, 14, 14}},
                    IdCase{1016, ControlRole::QKnob, MasterStrip, -1, {443, 132, 14, 14}},
                    IdCase{1050, ControlRole::FrequencyKnob, MasterStrip, -1, {443, 91, 14, 14}},
                    IdCase{1067, ControlRole::FrequencyReadout, MasterStrip, -1, {449, 40, 8, 8}},
                    IdCase{1084, ControlRole::GainFader, MasterStrip, -1, {446, 238, 13, 35}},
                    IdCase{1101, ControlRole::FrequencyLock, 15, -1, {412, 109, 6, 6}},
                    IdCase{1133, ControlRole::GainLock, 15, -1, {412, 283, 6, 6}},
                    IdCase{1150, ControlRole::GainReadout, MasterStrip, -1, {442, 295, 8, 8}},
                    IdCase{1151, ControlRole::FilterButton, 0, 1, {4, 166, 18, 6}},
                    IdCase{1166, ControlRole::FilterButton, 15, 1, {405, 166, 18, 6}},
                    IdCase{1167, ControlRole::MinimizeButton, -1, -1, {434, 5, 10, 10}},
                    IdCase{1168, ControlRole::FilterButton, 0, 0, {4, 175, 18, 6}},
                    IdCase{1199, ControlRole::FilterButton, 15, 4, {405, 184, 18, 6}},
                    IdCase{1247, ControlRole::FilterButton, 15, 5, {405, 210, 18, 6}},
                    IdCase{1248, ControlRole::ExitButton, -1, -1, {447, 5, 10, 10}},
                    IdCase{1263, ControlRole::FrontPanelLamp, -1, -1, {5, 227, 7, 7}},
                    IdCase{1085, ControlRole::StatusDisplay, -1, -1, {28, 315, 383, 8}}));

TEST(ControlLayout, RangesHoldOnlyTheirOwnRole)
{
    for (int id = 1086; id <= 1133; ++id) {
        const ControlRole role = FindControl(id)->role;
        EXPECT_TRUE(role == ControlRole::FrequencyLock || role == ControlRole::QLock ||
                    role == ControlRole::GainLock)
            << id;
    }
    for (int id = 1151; id <= 1247; ++id)
        EXPECT_EQ(FindControl(id)->role == ControlRole::FilterButton, id != 1167) << id;
}

struct MulDivCase
{
    int a, b, c, result;
};

TEST(ControlLayout, MulDivRoundsHalvesAwayFromZero)
{
    for (const MulDivCase& c :
         {MulDivCase{1, 3, 2, 2}, MulDivCase{-1, 3, 2, -2}, MulDivCase{315, 13, 8, 512},
          MulDivCase{5, 13, 8, 8}, MulDivCase{411, 6, 4, 617}, MulDivCase{480, 6, 4, 720}})
        EXPECT_EQ(MulDiv(c.a, c.b, c.c), c.result) << c.a << "*" << c.b << "/" << c.c;
}

TEST(ControlLayout, DialogUnitsMapEdgeByEdge)
{
    EXPECT_EQ(ToPixels({28, 315, 383, 8}), (PixelRect{42, 512, 575, 13}));
    EXPECT_EQ(ToPixels({4, 88, 14, 14}), (PixelRect{6, 143, 21, 23}));
    EXPECT_EQ(ToPixels({5, 227, 7, 7}), (PixelRect{8, 369, 10, 11}));
}

} // namespace
