// Log records, the answer's framing checks, export bytes and the collection in virtual time.
#include <gtest/gtest.h>

#include <memory>

#include "link/fake_link.h"
#include "link/radio_packet.h"
#include "tools/log/log_export.h"
#include "tools/log/log_reader.h"

namespace kaviro {
namespace {

using testing::Bytes;

// A record whose every field is distinguishable: 2014-05-17, temperatures -10 and 35, ...
Bytes Record(uint8_t day = 0x11) {
  return {0x14, 0x0E, 0x05, day,                       // date
          0x00, 0x01, 0x51, 0x80,                      // 86400 s working
          0x00, 0x07,                                  // flags
          0x00, 0x22,                                  // alarm word
          0x01, 0x0A,                                  // fault word
          0x05, 0xDC, 0x04, 0xB0,                      // 15.00 V, 12.00 V
          0xF6, 0x23,                                  // -10, 35
          0x00, 0x00, 0x0E, 0x10, 0x00, 0x00, 0x00, 0x3C, 0x00, 0x00, 0x00, 0x05,  // 3600, 60, 5 s
          0x00, 0x7B, 0x00, 0x0C,                      // 12.3 Ah, 1.2 kWh
          0x00, 0x00, 0x70, 0x80,                      // 28800 s load
          0x01, 0xC8, 0x00, 0x01};                     // 45.6 Ah, 0.1 kWh
}

Bytes Answer(int records) {
  Bytes a = {0x01, 0x2B, 0x0E, 0x03, 0x00, 0x00, 0x00, 0x00};
  for (int i = 0; i < records; ++i) {
    const Bytes r = Record(static_cast<uint8_t>(0x11 + i));
    a.insert(a.end(), r.begin(), r.end());
  }
  a.insert(a.end(), {0xFF, 0xFE, 0xFD, 0xFC});
  return a;
}

const LogRow kFirstRow = {"2014-05-17", "86400", "7", "0x010a", "0x0022", "15.00", "12.00", "-10", "35",
                          "03600",      "00060", "00005", "12.3", "1.2", "28800", "45.6", "0.1"};

TEST(LogRecord, EveryColumn) {
  const Bytes r = Record();
  EXPECT_EQ(LogRecordTexts(std::span<const uint8_t, kLogRecordSize>(r.data(), kLogRecordSize)), kFirstRow);
}

TEST(LogAnswer, FramingChecks) {
  Bytes badTail = Answer(1);
  badTail.back() = 0x00;
  Bytes badHeader = Answer(1);
  badHeader[0] = 0x02;
  const struct { const char* what; Bytes answer; size_t rows; std::string error; } cases[] = {
      {"header and tail only", Answer(0), 0, ""},
      {"nothing", {}, 0, "头格式不对!"},
      {"three bytes", {0x01, 0x2B, 0x0E}, 0, "头格式不对!"},
      {"other address in byte 0", badHeader, 0, "头格式不对!"},
      {"tail broken", badTail, 0, "尾格式不对!"},
      // 100 bytes are exactly two records (8 + 2 x 44 + 4); four bytes fewer are not.
      {"100 bytes", Answer(2), 2, ""},
      {"96 bytes", [] { Bytes b = Answer(2); b.erase(b.begin() + 8, b.begin() + 12); return b; }(), 0,
       "数据个数=96,数据部分丢失8+N*44+4"},
      {"header without tail", {0x01, 0x2B, 0x0E, 0x03, 0, 0}, 0, "数据个数=6,数据部分丢失8+N*44+4"},
  };
  for (const auto& c : cases) {
    const LogAnswer parsed = ParseLogAnswer(c.answer);
    EXPECT_EQ(parsed.rows.size(), c.rows) << c.what;
    EXPECT_EQ(parsed.error, c.error) << c.what;
  }
  EXPECT_EQ(ParseLogAnswer(Answer(2)).rows[1][0], "2014-05-18");
}

TEST(LogExport, WholeFilesByteForByte) {
  const std::vector<LogRow> rows = {kFirstRow};
  std::string text, sheet;
  for (const std::string& cell : kFirstRow) {
    text += cell + " ";
    sheet += cell + "\t";
  }
  EXPECT_EQ(LogExportBytes(rows, kLogText), text + "\n");
  EXPECT_EQ(LogExportBytes(rows, kLogSpreadsheet), sheet + "\r");
  LogRow chinese{};
  chinese[0] = "报警";
  EXPECT_EQ(LogExportBytes({chinese}, kLogText).substr(0, 5), "\xB1\xA8\xBE\xAF ");  // GBK, no BOM
  EXPECT_EQ(LogExportBytes({}, kLogText), "");
}

class LogReadTest : public ::testing::Test {
 protected:
  LogReadTest() { link.UseSerialDevice(&port); }
  static Bytes Packets(const Bytes& plain) {
    Bytes out;
    for (const RadioPacket& p : PackFrame(plain)) out.insert(out.end(), p.begin(), p.end());
    return out;
  }
  testing::FakeClock clock;
  testing::ScriptedPort port{clock};
  LinkService link{clock};
};

TEST_F(LogReadTest, SerialAnswerInBurstsIsCollectedWhole) {
  const Bytes answer = Answer(30);
  port.AnswerAfter(120, Bytes(answer.begin(), answer.begin() + 500));
  port.AnswerAfter(900, Bytes(answer.begin() + 500, answer.end()));
  const Result<std::vector<LogRow>> read = ReadLog(link, LinkMode::kSerial, 1, false);
  EXPECT_EQ(read.Text(), "");
  EXPECT_EQ(read.value.value_or(std::vector<LogRow>{}).size(), 30u);
  EXPECT_EQ(Bytes(port.writes()[0].begin(), port.writes()[0].begin() + 5), (Bytes{0x01, 0x2B, 0x0E, 0x03, 0x00}));
  EXPECT_EQ(clock.NowMs(), 900u + 41 * 50);
}

TEST_F(LogReadTest, SilenceEndsAfterAboutTwoSecondsWithTheHeaderMessage) {
  const Result<std::vector<LogRow>> read = ReadLog(link, LinkMode::kSerial, 1, true);
  EXPECT_EQ(read.Text(), "头格式不对!");
  EXPECT_EQ(clock.NowMs(), 41u * 50);
  EXPECT_EQ(port.writes()[0], (Bytes{0x01, 0x2B, 0x0E, 0x03, 0x01, 0xB0, 0xD7}));
}

// A line that sends a byte a second never goes quiet: the read still ends, at the time the whole
// buffer would have come at 9600 8N2 plus the quiet time, with the answer checks' message.
TEST_F(LogReadTest, ATricklingLineEndsTheReadAfterItsLongestWait) {
  for (int s = 1; s <= 200; ++s) port.AnswerAfter(1000u * static_cast<uint64_t>(s), Bytes{0x55});
  const Result<std::vector<LogRow>> read = ReadLog(link, LinkMode::kSerial, 1, true);
  EXPECT_EQ(read.Text(), "头格式不对!");
  EXPECT_GT(clock.NowMs(), 90000u);
  EXPECT_LE(clock.NowMs(), 93700u);
}

TEST_F(LogReadTest, WirelessPacketsAndTheirErrors) {
  port.AnswerAfter(100, Packets(Answer(3)));
  const Result<std::vector<LogRow>> ok = ReadLog(link, LinkMode::kWireless, 1, false);
  EXPECT_EQ(ok.value.value_or(std::vector<LogRow>{}).size(), 3u);
  EXPECT_EQ(port.writes()[0].size(), 16u);
  EXPECT_EQ(port.writes()[0][15], 7);

  port.AnswerAfter(100, Bytes(40, 1));
  EXPECT_EQ(ReadLog(link, LinkMode::kWireless, 1, false).Text(), "数据个数不能被16整除=40");
  Bytes zeroCount = Packets(Answer(1));
  zeroCount[15] = 0;
  port.AnswerAfter(100, zeroCount);
  EXPECT_EQ(ReadLog(link, LinkMode::kWireless, 1, false).Text(), "数据包不完整，即不能被16整除!");
}

TEST_F(LogReadTest, OversizedAnswerIsCutAtTheBufferThenChecked) {
  Bytes flood = Answer(0);
  flood.resize(90000, 0x55);
  port.AnswerAfter(50, flood);
  const Result<std::vector<LogRow>> read = ReadLog(link, LinkMode::kSerial, 1, false);
  EXPECT_EQ(read.Text(), "尾格式不对!");
  EXPECT_FALSE(read.value);
}

TEST_F(LogReadTest, ClosedPortAndMissingNetwork) {
  port.SetOpen(false);
  EXPECT_EQ(ReadLog(link, LinkMode::kSerial, 1, false).Text(),
            "串口或被占用无法打开！\r\n请关闭占用此串口的程序，在重新打开本程序!");
  EXPECT_EQ(ReadLog(link, LinkMode::kNetwork, 1, false).Text(), "网络未连接");
}

TEST_F(LogReadTest, NetworkReadTakesEverythingBehindTheHeader) {
  auto socket = std::make_shared<testing::ScriptedSocket>();
  link.SetConnection(socket);
  link.SetConnected(true);
  const Bytes answer = Answer(2);
  Bytes framed = {0x00, 0x00, 0x00, 0x00, static_cast<uint8_t>(answer.size() >> 8), static_cast<uint8_t>(answer.size())};
  framed.insert(framed.end(), answer.begin(), answer.begin() + 50);
  socket->Then(framed);
  socket->Then(Bytes(answer.begin() + 50, answer.end()));
  const Result<std::vector<LogRow>> read = ReadLog(link, LinkMode::kNetwork, 1, false);
  EXPECT_EQ(read.value.value_or(std::vector<LogRow>{}).size(), 2u);
  EXPECT_EQ(socket->sent()[0], (Bytes{0, 0, 0, 0, 0, 5, 0x01, 0x2B, 0x0E, 0x03, 0x00}));
  EXPECT_EQ(link.transaction().Current(), 1);

  socket->LimitSend(3);
  EXPECT_EQ(ReadLog(link, LinkMode::kNetwork, 1, false).Text(), "发送数据失败");
}

}  // namespace
}  // namespace kaviro
