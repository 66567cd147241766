#include <gtest/gtest.h>

#include "shell/Buffer.h"

TEST(Buffer, MixedBitAndByteValuesReadBackInOrder) {
  Vesk::Buffer b;
  b.WriteBoolean(true);
  b.WriteNumBits(5, 3);
  b.WriteByte(0xAB);
  b.WriteShort(-2);
  b.WriteLong(-123456789);
  b.WriteNumBits(0x123456789ABCDEFull, 64);
  b.WriteString("caf\xC3\xA9");
  b.WriteBoolean(false);
  EXPECT_EQ(b.GetBitsWritten(), 1u + 3 + 8 + 16 + 32 + 64 + 32 + 5 * 8 + 1);
  EXPECT_EQ(b.GetDataLen(), (b.GetBitsWritten() + 7) / 8);

  Vesk::Buffer r(b.GetData());
  EXPECT_TRUE(r.ReadBoolean());
  EXPECT_EQ(r.ReadNumBits(3), 5u);
  EXPECT_EQ(r.ReadByte(), 0xAB);
  EXPECT_EQ(r.ReadShort(), -2);
  EXPECT_EQ(r.ReadLong(), -123456789);
  EXPECT_EQ(r.ReadNumBits(64), 0x123456789ABCDEFull);
  std::string s;
  EXPECT_TRUE(r.ReadString(s));
  EXPECT_EQ(s, "caf\xC3\xA9");
  EXPECT_FALSE(r.ReadBoolean());
  EXPECT_FALSE(r.HasError());
  EXPECT_TRUE(r.AtEnd());
}

TEST(Buffer, FlagsPackIntoBytes) {
  Vesk::Buffer b;
  for (int i = 0; i < 8; ++i) b.WriteBoolean(i % 3 == 0);
  ASSERT_EQ(b.GetDataLen(), 1u);
  EXPECT_EQ(b.GetDataPtr()[0], 0b01001001);
}

TEST(Buffer, ReadingPastTheEndYieldsZeroAndAnError) {
  Vesk::Buffer b;
  b.WriteByte(7);
  Vesk::Buffer r(b.GetData());
  EXPECT_EQ(r.ReadLong(), 0);
  EXPECT_TRUE(r.HasError());
  r.SeekFront();
  EXPECT_FALSE(r.HasError());
  EXPECT_EQ(r.ReadByte(), 7);
  EXPECT_EQ(r.ReadByte(), 0);
  EXPECT_TRUE(r.HasError());

  // A string whose length runs past the data, or above the limit.
  Vesk::Buffer s;
  s.WriteLong(1000);
  s.WriteByte('x');
  std::string out = "keep";
  EXPECT_FALSE(s.ReadString(out));
  EXPECT_TRUE(s.HasError());
  Vesk::Buffer t;
  t.WriteString("abcdef");
  EXPECT_FALSE(t.ReadString(out, 3));
  uint8_t bytes[4];
  Vesk::Buffer u;
  u.WriteByte(1);
  EXPECT_FALSE(u.ReadBytes(bytes, 4));
}
