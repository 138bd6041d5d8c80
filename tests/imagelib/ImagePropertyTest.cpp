#include "imagelib/FCImageProperty.h"

#include <gtest/gtest.h>

TEST(ImageProperty, NewRecordIsEmpty)
{
    FCImageProperty p;
    EXPECT_EQ(p.saveParameter, -1);
    EXPECT_TRUE(p.frameDelays.empty() && p.make.empty() && p.model.empty() && p.dateTaken.empty() &&
                p.rawItems.empty());
}

TEST(ImageProperty, PackedItemLayout)
{
    const std::string packed = PackPropertyItem(0x0131, 2, 4, "abc");
    const std::string expected("\x31\x01\x00\x00\x02\x00\x04\x00\x00\x00"
                               "abc\0",
                               14);
    EXPECT_EQ(packed, expected);
    EXPECT_EQ(PackPropertyItem(0x0131, 2, 0, "abc"), "");
    EXPECT_EQ(PackPropertyItem(0x0131, 2, 4, nullptr), "");
}

TEST(ImageProperty, UnpackChecksTheLengthAgainstTheBytes)
{
    const std::string packed = PackPropertyItem(0x8769, 4, 4, "\x01\x02\x03\x04");
    PropertyItem item;
    ASSERT_TRUE(UnpackPropertyItem(packed, item));
    EXPECT_EQ(item.id, 0x8769u);
    EXPECT_EQ(item.type, 4);
    EXPECT_EQ(item.length, 4u);
    EXPECT_EQ(std::memcmp(item.value, "\x01\x02\x03\x04", 4), 0);

    PropertyItem untouched;
    untouched.id = 7;
    EXPECT_FALSE(UnpackPropertyItem(packed.substr(0, 9), untouched));
    EXPECT_FALSE(UnpackPropertyItem(packed.substr(0, 13), untouched)); // claims 4, has 3
    std::string huge = packed;
    huge[9] = '\x7F';
    EXPECT_FALSE(UnpackPropertyItem(huge, untouched));
    EXPECT_EQ(untouched.id, 7u);
}

TEST(ImageProperty, AssignmentCopiesEveryField)
{
    FCImageProperty a;
    a.saveParameter = 75;
    a.frameDelays = {100, 0, 70};
    a.make = std::string("Canon\0", 6);
    a.model = "X";
    a.dateTaken = "2026:12:10 09:00:00";
    a.rawItems = {PackPropertyItem(1, 1, 1, "a"), PackPropertyItem(2, 1, 1, "b"),
                  PackPropertyItem(3, 1, 1, "c")};
    FCImageProperty b;
    b.rawItems = {"old"};
    b = a;
    EXPECT_EQ(b.saveParameter, 75);
    EXPECT_EQ(b.frameDelays, a.frameDelays);
    EXPECT_EQ(b.make, a.make);
    EXPECT_EQ(b.model, "X");
    EXPECT_EQ(b.dateTaken, a.dateTaken);
    EXPECT_EQ(b.rawItems, a.rawItems);
}
