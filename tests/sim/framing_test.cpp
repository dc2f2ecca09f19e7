#include <gtest/gtest.h>

#include "link/radio_packet.h"
#include "link/rtu_frame.h"
#include "sim/mbap_header.h"
#include "sim/network_framer.h"
#include "sim/radio_joiner.h"
#include "sim/rtu_framer.h"

namespace kaviro::sim {
namespace {

using Bytes = std::vector<uint8_t>;

Bytes B(const RtuFrame& f) { return Bytes(f.Bytes().begin(), f.Bytes().end()); }
Bytes Cat(std::initializer_list<Bytes> parts) {
  Bytes out;
  for (const Bytes& p : parts) out.insert(out.end(), p.begin(), p.end());
  return out;
}

const Bytes kPollRead = B(ReadRegisters(1, 0x04, 0x0000, 90));
const Bytes kRow7 = B(WriteRegisters(1, 0x203F, Bytes(18, 0x05)));
const Bytes kIdent = B(ReadDeviceIdentification(1, 1, 0));
const Bytes kUpdate = B(RtuFrame::Seal(Bytes{1, 0x2B, 0x0E, 0x02, 0x00, 0x0C, 0x00, 0x01, 0x04, 0x08, '1', '2', '3', '4', '5', '6', '7', '8'}));
const Bytes kUnknown = B(RtuFrame::Seal(Bytes{1, 0x07}));

TEST(RtuRequestLength, FollowsTheFunctionLayout) {
  struct Case {
    Bytes start;
    size_t length;
  } cases[] = {
      {{1}, 0},
      {{1, 0x03}, 8},
      {{1, 0x10, 0, 0, 0, 9}, 0},
      {{1, 0x10, 0x20, 0x3F, 0, 9, 18}, 27},
      {{1, 0x2B, 0x0E}, 0},
      {{1, 0x2B, 0x0E, 0x03}, 7},
      {{1, 0x2B, 0x0E, 0x02, 0x00}, 0},
      {{1, 0x2B, 0x0E, 0x02, 0x00, 12}, 20},
      {{1, 0x07}, 4},
      {{1, 0x45}, kUnknownLength},
  };
  for (const Case& c : cases) EXPECT_EQ(RtuRequestLength(c.start), c.length) << c.start.size();
}

struct Stream {
  const char* what;
  std::vector<Bytes> chunks;
  std::vector<Bytes> frames;
  std::vector<bool> padded;
};

TEST(RtuFramer, CutsStreamsIntoRequests) {
  const Bytes badCrc = [] {
    Bytes b = kPollRead;
    b.back() ^= 1;
    return b;
  }();
  const Stream cases[] = {
      {"one request", {kPollRead}, {kPollRead}, {false}},
      {"request in three pieces", {Bytes(kPollRead.begin(), kPollRead.begin() + 3), Bytes(kPollRead.begin() + 3, kPollRead.begin() + 7), Bytes(kPollRead.end() - 1, kPollRead.end())}, {kPollRead}, {false}},
      {"two requests at once", {Cat({kPollRead, kIdent})}, {kPollRead, kIdent}, {false, false}},
      {"garbage before a request", {Cat({Bytes{0xFF, 0x00, 0x13, 0x99}, kPollRead})}, {kPollRead}, {false}},
      {"bad CRC then a good request", {badCrc, kIdent}, {kIdent}, {false}},
      {"27-byte write in packets' slices", {Bytes(kRow7.begin(), kRow7.begin() + 15), Bytes(kRow7.begin() + 15, kRow7.end())}, {kRow7}, {false}},
      {"identification update", {kUpdate}, {kUpdate}, {false}},
      {"function without a known layout", {kUnknown}, {kUnknown}, {false}},
      {"zero-padded 16-byte block", {Cat({B(ReadRegisters(1, 0x03, 0x2033, 2)), Bytes(8, 0)}), kIdent}, {B(ReadRegisters(1, 0x03, 0x2033, 2)), kIdent}, {true, false}},
  };
  for (const Stream& c : cases) {
    SCOPED_TRACE(c.what);
    RtuFramer framer(50);
    std::vector<RtuRequest> got;
    int64_t t = 0;
    for (const Bytes& chunk : c.chunks)
      for (RtuRequest& r : framer.Feed(chunk, t += 5)) got.push_back(std::move(r));
    ASSERT_EQ(got.size(), c.frames.size());
    for (size_t i = 0; i < got.size(); ++i) {
      EXPECT_EQ(got[i].frame, c.frames[i]);
      EXPECT_EQ(got[i].padded, c.padded[i]);
    }
  }
}

TEST(RtuFramer, DropsAPartialRequestAfterTheGap) {
  RtuFramer framer(50);
  EXPECT_TRUE(framer.Feed(Bytes(kPollRead.begin(), kPollRead.begin() + 5), 0).empty());
  EXPECT_EQ(framer.Deadline(), 50);
  framer.Expire(49);
  EXPECT_EQ(framer.Pending(), 5u);
  framer.Expire(50);
  EXPECT_EQ(framer.Pending(), 0u);
  // The rest arriving late is no request; a whole one afterwards is.
  EXPECT_TRUE(framer.Feed(Bytes(kPollRead.begin() + 5, kPollRead.end()), 60).empty());
  EXPECT_EQ(framer.Feed(kIdent, 70).size(), 1u);
}

TEST(RtuFramer, ThousandRandomBytesNeverGrowTheBufferOrHideTheNextRequest) {
  RtuFramer framer(50);
  Bytes noise;
  uint32_t x = 12345;
  for (int i = 0; i < 1000; ++i) noise.push_back(static_cast<uint8_t>((x = x * 1103515245 + 12345) >> 16));
  framer.Feed(noise, 0);
  EXPECT_LE(framer.Pending(), RtuFramer::kMaxBuffered);
  framer.Expire(100);
  const auto got = framer.Feed(kPollRead, 100);
  ASSERT_EQ(got.size(), 1u);
  EXPECT_EQ(got[0].frame, kPollRead);
}

Bytes Packets(const Bytes& frame) {
  Bytes out;
  for (const RadioPacket& p : PackFrame(frame)) out.insert(out.end(), p.begin(), p.end());
  return out;
}

TEST(RadioJoiner, UnwrapsPacketsAndPassesOtherBlocksWhole) {
  RadioJoiner joiner(50);
  EXPECT_EQ(joiner.Feed(Packets(kPollRead), 0), kPollRead);
  const Bytes row = Packets(kRow7);
  ASSERT_EQ(row.size(), 32u);
  EXPECT_EQ(joiner.Feed(Bytes(row.begin(), row.begin() + 16), 0), Bytes(kRow7.begin(), kRow7.begin() + 15));
  EXPECT_EQ(joiner.Feed(Bytes(row.begin() + 16, row.end()), 100), Bytes(kRow7.begin() + 15, kRow7.end()));
  Bytes block = Cat({B(ReadRegisters(1, 0x03, 0x2033, 2)), Bytes(8, 0)});
  EXPECT_EQ(joiner.Feed(block, 200), block) << "count byte 0: not a packet";
}

TEST(RadioJoiner, DropsAPartialPacketAfterTheGap) {
  RadioJoiner joiner(50);
  const Bytes packet = Packets(kPollRead);
  EXPECT_TRUE(joiner.Feed(Bytes(packet.begin(), packet.begin() + 5), 0).empty());
  joiner.Expire(60);
  EXPECT_FALSE(joiner.Deadline());
  EXPECT_EQ(joiner.Feed(packet, 70), kPollRead);
}

// The header as it travels, byte by byte: every field high byte first.
struct HeaderBytes {
  Bytes bytes;
  MbapHeader header;
};

TEST(MbapHeader, ReadsAndWritesTheSixBytesHighByteFirst) {
  const HeaderBytes rows[] = {
      {{0x00, 0x00, 0x00, 0x00, 0x00, 0x06}, {0x0000, 0x0000, 6}},
      {{0x12, 0x34, 0x00, 0x00, 0x00, 0xB7}, {0x1234, 0x0000, 0x00B7}},
      {{0x00, 0x01, 0x01, 0x01, 0x00, 0x09}, {0x0001, 0x0101, 9}},
      {{0xFF, 0xFE, 0xAB, 0xCD, 0x01, 0x05}, {0xFFFE, 0xABCD, 0x0105}},
  };
  for (const HeaderBytes& row : rows) {
    SCOPED_TRACE(::testing::PrintToString(row.bytes));
    EXPECT_EQ(MbapHeader::Decode(row.bytes), row.header);
    const auto encoded = row.header.Encode();
    EXPECT_EQ(Bytes(encoded.begin(), encoded.end()), row.bytes);
    Bytes longer = row.bytes;
    longer.insert(longer.end(), {0x01, 0x03});
    EXPECT_EQ(MbapHeader::Decode(longer), row.header) << "the frame behind the header is not the header's";
    EXPECT_FALSE(MbapHeader::Decode(std::span<const uint8_t>(row.bytes).first(5))) << "five bytes are no header";
  }
}

TEST(NetworkFramer, SplitsByTheLengthFieldAndBreaksOnImpossibleLengths) {
  // Transaction 7, the controller, 90 input registers from 0; transaction 8, the RD, 4 holding
  // registers from 0x20.
  const Bytes a{0x00, 0x07, 0x00, 0x00, 0x00, 0x06, 0x01, 0x04, 0x00, 0x00, 0x00, 0x5A};
  const Bytes b{0x00, 0x08, 0x01, 0x01, 0x00, 0x06, 0x36, 0x03, 0x00, 0x20, 0x00, 0x04};
  NetworkFramer framer;
  framer.Feed(Cat({a, Bytes(b.begin(), b.begin() + 4)}));
  auto first = framer.Next();
  ASSERT_TRUE(first);
  EXPECT_EQ(first->transaction, 7);
  EXPECT_EQ(first->unit, 1);
  EXPECT_EQ(first->pdu, (Bytes{0x04, 0x00, 0x00, 0x00, 0x5A}));
  EXPECT_FALSE(framer.Next());
  EXPECT_TRUE(framer.HasPartial());
  framer.Feed(Bytes(b.begin() + 4, b.end()));
  auto second = framer.Next();
  ASSERT_TRUE(second);
  EXPECT_EQ(second->protocol, 0x0101);
  EXPECT_EQ(NetworkAnswer(*second, Bytes{0x03, 0x02, 0x12, 0x34}), (Bytes{0, 8, 1, 1, 0, 5, 0x36, 0x03, 0x02, 0x12, 0x34}));

  for (uint16_t length : {0, 1, 262, 0xFFFF}) {
    NetworkFramer broken;
    broken.Feed(Bytes{0, 1, 0, 0, static_cast<uint8_t>(length >> 8), static_cast<uint8_t>(length)});
    EXPECT_FALSE(broken.Next());
    EXPECT_TRUE(broken.Broken()) << length;
  }
}

}  // namespace
}  // namespace kaviro::sim
