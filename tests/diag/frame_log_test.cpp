// The frame log and what it says of each frame.
#include <gtest/gtest.h>

#include "diag/frame_log.h"
#include "link/rtu_frame.h"

namespace kaviro::diag {
namespace {

std::vector<uint8_t> Of(const RtuFrame& f) { return {f.Bytes().begin(), f.Bytes().end()}; }

std::vector<uint8_t> Sealed(std::vector<uint8_t> body) { return Of(RtuFrame::Seal(body)); }

std::string NameOf(uint16_t address) {
  const RegisterTable table = *RegisterTableFor(1);
  std::string name(table[RowsForAddress(table, address).front()].description);
  while (!name.empty() && name.back() == ' ') name.pop_back();
  return name;
}

struct SummaryCase {
  const char* name;
  FrameLayer layer;
  FrameDirection direction;
  std::vector<uint8_t> bytes;
  std::string text;
  CrcVerdict crc;
  uint16_t named = kSeparatorAddress;  // the register whose name ends the text
};

class SummaryTest : public ::testing::TestWithParam<SummaryCase> {};

TEST_P(SummaryTest, SaysFunctionUnitRegistersAndCrc) {
  const SummaryCase& c = GetParam();
  const FrameSummary s = SummariseFrame(c.layer, c.direction, c.bytes, *RegisterTableFor(1));
  EXPECT_EQ(s.text, c.named == kSeparatorAddress ? c.text : c.text + " " + NameOf(c.named));
  EXPECT_EQ(s.crc, c.crc);
}

std::vector<uint8_t> Spoilt(std::vector<uint8_t> b) {
  b.back() ^= 0xA5;
  return b;
}

using D = FrameDirection;
using L = FrameLayer;

INSTANTIATE_TEST_SUITE_P(
    Frames, SummaryTest,
    ::testing::Values(
        SummaryCase{"BlockRead", L::kRtu, D::kOut, Of(ReadRegisters(1, fn::kReadInput, 0, 90)),
                    "单元1 读输入寄存器 0x0000×90", CrcVerdict::kRight, 0x0000},
        SummaryCase{"Answer", L::kRtu, D::kIn, Sealed({1, 4, 4, 0, 1, 0, 2}), "应答 单元1 读输入寄存器 4字节",
                    CrcVerdict::kRight},
        SummaryCase{"AnswerCrcSpoilt", L::kRtu, D::kIn, Spoilt(Sealed({1, 4, 4, 0, 1, 0, 2})),
                    "应答 单元1 读输入寄存器 4字节", CrcVerdict::kWrong},
        SummaryCase{"Exception", L::kRtu, D::kIn, Sealed({2, 0x83, 0x02}), "异常应答 单元2 读保持寄存器 代码02",
                    CrcVerdict::kRight},
        SummaryCase{"RegisterWrite", L::kRtu, D::kOut, Of(WriteRegister(1, 0xE00E, 0x0084)),
                    "单元1 写单个寄存器 0xE00E=0x0084", CrcVerdict::kRight, 0xE00E},
        SummaryCase{"CoilWrite", L::kRtu, D::kOut, Of(WriteCoil(1, 2)), "单元1 写线圈 0x0002=0xFF00",
                    CrcVerdict::kRight},
        SummaryCase{"Fragment", L::kRtu, D::kIn, {1, 4}, "不完整的帧", CrcVerdict::kWrong},
        SummaryCase{"NetworkRequest", L::kModbusTcp, D::kOut, {0, 7, 0, 0, 0, 6, 1, 3, 0xE0, 0x03, 0, 0x1B},
                    "事务7 单元1 读保持寄存器 0xE003×27", CrcVerdict::kNone, 0xE003},
        // a register the list does not show: no name
        SummaryCase{"UnlistedRegister", L::kRtu, D::kOut, Of(ReadRegisters(1, fn::kReadHolding, 0xE000, 27)),
                    "单元1 读保持寄存器 0xE000×27", CrcVerdict::kRight},
        SummaryCase{"Packet", L::kRadio, D::kIn, {1, 4, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 2}, "无线包 2字节有效",
                    CrcVerdict::kNone}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(FrameLog, KeepsTheLatestFramesOnly) {
  FrameLog log(3);
  for (uint8_t i = 1; i <= 5; ++i) {
    const uint8_t b[] = {i, i};
    log.OnFrame({i * 1000u, FrameDirection::kOut, FrameLayer::kRtu, b});
  }
  const std::vector<LoggedFrame> frames = log.Frames();
  ASSERT_EQ(frames.size(), 3u);
  EXPECT_EQ(log.Seen(), 5u);
  EXPECT_EQ(frames.front().bytes, (std::vector<uint8_t>{3, 3}));
  EXPECT_EQ(frames.back().timeUs, 5000u);
  log.Clear();
  EXPECT_TRUE(log.Frames().empty());
}

}  // namespace
}  // namespace kaviro::diag
