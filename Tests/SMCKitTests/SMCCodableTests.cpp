#include <gtest/gtest.h>

#include <limits>

#include "SMCKit/SMCCodable.h"

using namespace smckit;

namespace {

SMCBytes block(std::initializer_list<std::uint8_t> bytes)
{
    return smcBytes(std::vector<std::uint8_t>(bytes));
}

std::vector<std::uint8_t> prefix(const SMCBytes& bytes, std::size_t count)
{
    return {bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(count)};
}

bool restIsZero(const SMCBytes& bytes, std::size_t from)
{
    return std::all_of(bytes.begin() + static_cast<std::ptrdiff_t>(from), bytes.end(),
                       [](std::uint8_t b) { return b == 0; });
}

template <SMCCodable T>
void expectRoundTrip(T value, std::vector<std::uint8_t> bytes, DataType type)
{
    const SMCBytes encoded = SMCCoding<T>::encode(value);
    EXPECT_EQ(prefix(encoded, bytes.size()), bytes);
    EXPECT_TRUE(restIsZero(encoded, bytes.size()));
    EXPECT_EQ(SMCCoding<T>::decode(smcBytes(bytes)), value);
    EXPECT_EQ(SMCCoding<T>::smcDataType, type);
}

}  // namespace

TEST(SMCCodable, IntegersAreLeastSignificantByteFirst)
{
    expectRoundTrip<std::uint8_t>(0xAB, {0xAB}, DataTypes::UInt8);
    expectRoundTrip<std::uint16_t>(0x1234, {0x34, 0x12}, DataTypes::UInt16);
    expectRoundTrip<std::uint32_t>(0x01020304, {0x04, 0x03, 0x02, 0x01}, DataTypes::UInt32);
    expectRoundTrip<std::uint64_t>(0x0102030405060708, {8, 7, 6, 5, 4, 3, 2, 1}, DataTypes::UInt64);
    expectRoundTrip<std::uint32_t>(std::numeric_limits<std::uint32_t>::max(), {0xFF, 0xFF, 0xFF, 0xFF},
                                   DataTypes::UInt32);
}

TEST(SMCCodable, SignedIntegersKeepTheirBitPattern)
{
    expectRoundTrip<std::int8_t>(-1, {0xFF}, DataTypes::Int8);
    expectRoundTrip<std::int16_t>(-1, {0xFF, 0xFF}, DataTypes::Int16);
    expectRoundTrip<std::int16_t>(-2, {0xFE, 0xFF}, DataTypes::Int16);
    expectRoundTrip<std::int32_t>(-1500, {0x24, 0xFA, 0xFF, 0xFF}, DataTypes::Int32);
    expectRoundTrip<std::int64_t>(std::numeric_limits<std::int64_t>::min(), {0, 0, 0, 0, 0, 0, 0, 0x80},
                                  DataTypes::Int64);
}

TEST(SMCCodable, FloatIsIEEESingleLeastSignificantByteFirst)
{
    expectRoundTrip<float>(20.0f, {0x00, 0x00, 0xA0, 0x41}, DataTypes::Float);
    expectRoundTrip<float>(-1.5f, {0x00, 0x00, 0xC0, 0xBF}, DataTypes::Float);
}

TEST(SMCCodable, FlagIsAnyNonZeroFirstByte)
{
    EXPECT_TRUE(SMCCoding<bool>::decode(block({2})));
    EXPECT_FALSE(SMCCoding<bool>::decode(block({0, 1})));
    EXPECT_EQ(SMCCoding<bool>::encode(true), block({1}));
    EXPECT_EQ(SMCCoding<bool>::encode(false), block({}));
    EXPECT_EQ(SMCCoding<bool>::smcDataType, DataTypes::Flag);
}

TEST(SMCCodable, BigEndianIsMostSignificantByteFirst)
{
    EXPECT_EQ(SMCCoding<BigEndian<std::uint32_t>>::decode(block({0x00, 0x00, 0x01, 0x02})).value, 258u);
    EXPECT_EQ(SMCCoding<BigEndian<std::uint32_t>>::encode({258}), block({0x00, 0x00, 0x01, 0x02}));
    EXPECT_EQ(SMCCoding<BigEndian<std::int16_t>>::decode(block({0xFA, 0x24})).value, -1500);
    EXPECT_EQ(SMCCoding<BigEndian<std::int16_t>>::encode({-1500}), block({0xFA, 0x24}));
    EXPECT_EQ(SMCCoding<BigEndian<std::uint64_t>>::decode(block({1, 2, 3, 4, 5, 6, 7, 8})).value,
              0x0102030405060708u);
    EXPECT_EQ(SMCCoding<BigEndian<std::uint32_t>>::smcDataType, DataTypes::UInt32);
}

TEST(SMCCodable, ValueBlockKeepsTheFirst32BytesAndPadsWithZeros)
{
    std::vector<std::uint8_t> long_(40);
    for (std::size_t i = 0; i < long_.size(); ++i) {
        long_[i] = static_cast<std::uint8_t>(i + 1);
    }
    const SMCBytes kept = smcBytes(long_);
    EXPECT_EQ(kept.front(), 1);
    EXPECT_EQ(kept.back(), 32);

    const SMCBytes padded = smcBytes(std::vector<std::uint8_t>{9, 9});
    EXPECT_EQ(prefix(padded, 2), (std::vector<std::uint8_t>{9, 9}));
    EXPECT_TRUE(restIsZero(padded, 2));
}

TEST(SMCCodable, HostOrderHelpers)
{
    const std::uint32_t value = 0x11223344;
    const std::vector<std::uint8_t> bytes = toBytes(value);
    ASSERT_EQ(bytes.size(), 4u);
    EXPECT_EQ(fromBytes<std::uint32_t>(bytes), value);
    EXPECT_DEATH(fromBytes<std::uint64_t>(bytes), "cannot hold");
}
