// SPDX-License-Identifier: GPL-3.0-or-later
#include "script/lzss.hpp"

#include <gtest/gtest.h>

#include "bit_stream.hpp"

using qv::script::bit_text;
using qv::script::decompress;
using qv::test::BitStream;
using Bytes = std::vector<std::uint8_t>;

TEST(Decompress, FirstByteGoesToRingPositionOne) {
  // A reference to position 1 finds the first literal; position 0 still holds a zero.
  const auto stream = BitStream().literal(0x41).literal(0x42).reference(1, 2).reference(0, 3);
  EXPECT_EQ(decompress(stream.bytes(), 100), (Bytes{0x41, 0x42, 0x41, 0x42, 0x00, 0x41, 0x42}));
}

TEST(Decompress, ZeroRingServesBeforeAnythingIsWritten) {
  const auto stream = BitStream().reference(0, 17).reference(4000, 2);
  EXPECT_EQ(decompress(stream.bytes(), 100), Bytes(19, 0));
}

TEST(Decompress, ReferenceReachingIntoItsOwnOutputRepeatsIt) {
  // W is 3 after two literals; P = W - 1 with L = 3 repeats the last byte five times.
  const auto stream = BitStream().literal(0x10).literal(0x20).reference(2, 5);
  EXPECT_EQ(decompress(stream.bytes(), 100), (Bytes{0x10, 0x20, 0x20, 0x20, 0x20, 0x20, 0x20}));
}

TEST(Decompress, RingWrapsAfter4096Bytes) {
  BitStream stream;
  for (int i = 0; i < 4095; ++i) stream.literal(static_cast<std::uint8_t>(i % 251));
  // W has wrapped to 0: the next literal lands at position 0, position 4095 holds byte 4094.
  stream.literal(0xEE).reference(4095, 2);
  const Bytes out = decompress(stream.bytes(), 10000);
  ASSERT_EQ(out.size(), 4098u);
  EXPECT_EQ(out[4095], 0xEE);
  EXPECT_EQ(out[4096], 4094 % 251);  // ring[4095]
  EXPECT_EQ(out[4097], 0xEE);        // ring[0], read round the end
}

TEST(Decompress, SizeLimitCutsLiteralsAndReferencesExactly) {
  const auto stream = BitStream().literal(1).literal(2).reference(1, 17).literal(3);
  struct Case {
    std::uint32_t limit;
    std::size_t size;
  };
  for (const Case c : {Case{0, 0}, Case{1, 1}, Case{2, 2}, Case{10, 10}, Case{19, 19}, Case{20, 20},
                       Case{1000, 20}}) {
    const Bytes out = decompress(stream.bytes(), c.limit);
    EXPECT_EQ(out.size(), c.size) << "limit " << c.limit;
  }
}

TEST(Decompress, IncompleteLastItemAndLeftoverBitsAreIgnored) {
  // One literal (9 bits) leaves 7 bits of its second byte: flag 1 with too few bits after it.
  auto stream = BitStream().literal(0x55).bits(0x7F, 7);
  EXPECT_EQ(decompress(stream.bytes(), 100), (Bytes{0x55}));
  // A reference flag with fewer than 16 bits after it.
  stream = BitStream().literal(0x55).bits(0, 7).bits(0xFF, 8);
  EXPECT_EQ(decompress(stream.bytes(), 100), (Bytes{0x55}));
  EXPECT_TRUE(decompress({}, 100).empty());
}

TEST(BitText, EightCharactersPerByteMostSignificantFirst) {
  EXPECT_EQ(bit_text(Bytes{0xA5, 0x01}), "1010010100000001");
  EXPECT_EQ(bit_text(Bytes{}), "");
}

TEST(CompressedHeader, FieldsAreLittleEndianAndMagicIsNotChecked) {
  const Bytes file = {'x', 'y', 'z', 'w', 0x35, 0x00, 0x01, 0x00, 1, 2, 3, 4, 0xFF};
  const auto header = qv::script::read_compressed_header(file);
  ASSERT_TRUE(header);
  EXPECT_EQ(header->size_limit, 0x10035u);
  EXPECT_EQ(header->header_word, (std::array<std::uint8_t, 4>{1, 2, 3, 4}));
  EXPECT_FALSE(qv::script::read_compressed_header(Bytes(11, 0)));
}
