#include <gtest/gtest.h>

#include "model/strip_settings.h"
#include "remote/remote_address.h"

namespace {

TEST(RemoteAddress, EveryStripValueHasAnAddressThatReadsBack)
{
    for (int strip = 0; strip < StripCount; ++strip) {
        for (RemoteField field : RemoteFields) {
            const std::string path = RemoteValuePath(strip, field);
            const auto address = ParseRemoteAddress(path);
            ASSERT_EQ(address.has_value(), HasRemoteField(strip, field)) << path;
            if (!address)
                continue;
            EXPECT_EQ(address->request, RemoteRequest::Value) << path;
            EXPECT_EQ(address->strip, strip) << path;
            EXPECT_EQ(address->field, field) << path;
        }
    }
}

TEST(RemoteAddress, PathsOutsideTheAddressSpaceAreRefused)
{
    struct Case
    {
        const char* path;
        bool known;
    };
    const Case cases[] = {
        {"/sonavire/channel/1/gain", true},
        {"/sonavire/channel/16/lock/q", true},
        {"/sonavire/master/q", true},
        {"/sonavire/subscribe", true},
        {"/sonavire/channel/0/gain", false},
        {"/sonavire/channel/17/gain", false},
        {"/sonavire/channel/03/gain", false},
        {"/sonavire/channel/+3/gain", false},
        {"/sonavire/channel/3/", false},
        {"/sonavire/channel/3", false},
        {"/sonavire/channel//gain", false},
        {"/sonavire/channel/3/gain/", false},
        {"/sonavire/channel/3/lock", false},
        {"/sonavire/channel/3/lock/filter", false},
        {"/sonavire/master/filter", false},
        {"/sonavire/master/lock/gain", false},
        {"/sonavire/state/", false},
        {"/Sonavire/state", false},
        {"/sonavire", false},
        {"", false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ParseRemoteAddress(c.path).has_value(), c.known) << c.path;
}

} // namespace
