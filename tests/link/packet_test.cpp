// The 2.4G adapter's 16-byte packets and the network frame.
#include <gtest/gtest.h>

#include "link/network_frame.h"
#include "link/radio_packet.h"
#include "link/rtu_frame.h"
#include "link/text_format.h"

namespace kaviro {
namespace {

using Bytes = std::vector<uint8_t>;

// A plain answer of n bytes as the adapter delivers it.
Bytes AsPackets(size_t n) {
  Bytes plain(n);
  for (size_t i = 0; i < n; ++i) plain[i] = static_cast<uint8_t>(i);
  Bytes stream;
  for (const RadioPacket& p : PackFrame(plain)) stream.insert(stream.end(), p.begin(), p.end());
  return stream;
}

TEST(RadioPacket, PacketsForRoundsUpToWholePackets) {
  const std::pair<int, int> cases[] = {{185, 208}, {59, 64}, {161, 176}, {7, 16}, {9, 16}, {149, 160}, {23, 32}, {15, 16}, {16, 32}, {0, 0}, {227, 256}, {255, 272}};
  for (auto [plain, wire] : cases) EXPECT_EQ(PacketsFor(plain), wire) << plain;
}

TEST(RadioPacket, RequestPacketPadsAndCounts) {
  const RtuFrame f = ReadRegisters(1, fn::kReadHolding, 0xE000, 27);
  EXPECT_EQ(HexBytes(PackRequest(f.Bytes())), "01 03 E0 00 00 1B 32 01 00 00 00 00 00 00 00 08 ");
}

TEST(RadioPacket, LongFramesGoOutAsFullPacketsThenTheRest) {
  const Bytes frame(27, 0xAA);
  const auto packets = PackFrame(frame);
  ASSERT_EQ(packets.size(), 2u);
  EXPECT_EQ(packets[0][15], 15);
  EXPECT_EQ(packets[1][15], 12);
  EXPECT_EQ(packets[1][12], 0);
}

TEST(RadioPacket, GeneralUnpack) {
  const Bytes stream = AsPackets(185);
  ASSERT_EQ(stream.size(), 208u);
  EXPECT_EQ(stream[207], 5);
  const Unpacked ok = UnpackAnswer(stream);
  ASSERT_TRUE(ok.ok());
  ASSERT_EQ(ok.plain.size(), 185u);
  EXPECT_EQ(ok.plain[184], 184);

  Bytes zeroCount(16, 0);
  Bytes bigCount = AsPackets(20);
  bigCount[15] = 16;
  const struct { const char* what; Bytes stream; const char* error; } rejects[] = {
      {"24 bytes", Bytes(24, 1), "数据个数不能被16整除"},
      {"count 0", zeroCount, "包有效数据个数不在1~15范围内"},
      {"count 16", bigCount, "包有效数据个数不在1~15范围内"},
  };
  for (const auto& r : rejects) {
    const Unpacked u = UnpackAnswer(r.stream);
    EXPECT_EQ(u.error, r.error) << r.what;
    EXPECT_TRUE(u.plain.empty()) << r.what;
  }
}

TEST(RadioPacket, PollUnpackIsStricter) {
  const char* fmt = "3需要数据长度=%d,实际读回数据长度=%d";
  // Count bytes of packets before the last are not looked at.
  Bytes sloppy = AsPackets(185);
  sloppy[15] = 0;
  const Unpacked ok = UnpackPollAnswer(sloppy, 185, fmt);
  ASSERT_TRUE(ok.ok()) << ok.error;
  EXPECT_EQ(ok.plain.size(), 185u);
  EXPECT_EQ(ok.plain[15], 15);

  Bytes badLast = AsPackets(185);
  badLast[207] = 0;
  const struct { const char* what; Bytes stream; int expected; std::string error; } rejects[] = {
      {"not whole packets", Bytes(24, 1), 185, "读回来的数据不是16的整数倍,m_count=24"},
      {"last count 0", badLast, 185, "最后1包数据长度不正确=0,应该在1~15"},
      {"joined length short", AsPackets(180), 185, "3需要数据长度=185,实际读回数据长度=180"},
  };
  for (const auto& r : rejects) EXPECT_EQ(UnpackPollAnswer(r.stream, r.expected, fmt).error, r.error) << r.what;
}

TEST(RadioPacket, LogUnpackTexts) {
  EXPECT_EQ(UnpackLogAnswer(Bytes(40, 1)).error, "数据个数不能被16整除=40");
  EXPECT_EQ(UnpackLogAnswer(Bytes(32, 0)).error, "数据包不完整，即不能被16整除!");
  EXPECT_EQ(UnpackLogAnswer(AsPackets(100)).plain.size(), 100u);
}

TEST(NetworkFrame, RequestLayout) {
  const RtuFrame read = ReadRegisters(1, fn::kReadInput, 0, 90);
  EXPECT_EQ(HexBytes(BuildNetworkRequest(0x1234, Protocol::kController, read.WithoutCrc())),
            "12 34 00 00 00 06 01 04 00 00 00 5A ");
  const RtuFrame rd = ReadRegisters(0x36, fn::kReadHolding, 0x0020, 4);
  EXPECT_EQ(HexBytes(BuildNetworkRequest(7, Protocol::kRelay, rd.WithoutCrc())), "00 07 01 01 00 06 36 03 00 20 00 04 ");
}

TEST(NetworkFrame, TransactionMatchingIsHighByteFirst) {
  const Bytes answer = {0x12, 0x34, 0, 0, 0, 3, 1, 4, 0};
  EXPECT_TRUE(MatchesTransaction(answer, 0x1234));
  EXPECT_FALSE(MatchesTransaction(answer, 0x3412));
  EXPECT_FALSE(MatchesTransaction(answer, 0x1233));
  EXPECT_FALSE(MatchesTransaction(Bytes{0x12}, 0x1234));
}

TEST(NetworkFrame, AnswerCopyCountsCrcPlacesAndRefusesShortOnes) {
  Bytes answer = {0, 1, 0, 0, 0x00, 0xB7, 0x01, 0x04, 0xB4};
  answer.resize(6 + 0xB7, 0x55);
  ReceiveBuffer rb;
  ASSERT_TRUE(CopyNetworkAnswer(answer, rb));
  EXPECT_EQ(rb.count, 185);
  EXPECT_EQ(rb.Stored().size(), 183u);
  EXPECT_EQ(rb.bytes[2], 0xB4);

  ReceiveBuffer untouched;
  untouched.Assign(Bytes{9, 9, 9});
  const Bytes claimsMore = {0, 1, 0, 0, 0x00, 0x07, 0x01, 0x03, 0x04};
  EXPECT_FALSE(CopyNetworkAnswer(claimsMore, untouched));
  EXPECT_FALSE(CopyNetworkAnswer(Bytes{0, 1, 0}, untouched));
  EXPECT_EQ(untouched.bytes[0], 9);

  // A length beyond the receive buffer is cut at the buffer, never written past it.
  Bytes huge = {0, 1, 0, 0, 0x01, 0x2C};
  huge.resize(6 + 300, 0x11);
  ReceiveBuffer cut;
  ASSERT_TRUE(CopyNetworkAnswer(huge, cut));
  EXPECT_EQ(cut.Stored().size(), ReceiveBuffer::kSize);
  EXPECT_EQ(cut.count, 302);
}

TEST(NetworkFrame, TransactionIdWrapsAt16Bits) {
  TransactionId id;
  id.Reset(0xFFFF);
  id.Advance();
  EXPECT_EQ(id.Current(), 0);
}

}  // namespace
}  // namespace kaviro
