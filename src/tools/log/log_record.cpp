#include "tools/log/log_record.h"

#include <algorithm>

#include "link/text_format.h"

namespace kaviro {

namespace {

uint32_t U32(std::span<const uint8_t> b, size_t at) {
  return static_cast<uint32_t>(b[at]) << 24 | static_cast<uint32_t>(b[at + 1]) << 16 |
         static_cast<uint32_t>(b[at + 2]) << 8 | b[at + 3];
}
uint16_t U16(std::span<const uint8_t> b, size_t at) { return static_cast<uint16_t>(b[at] << 8 | b[at + 1]); }

// Seconds are unsigned in the record but shown as the signed number printf's %d makes of them.
std::string Seconds(std::span<const uint8_t> b, size_t at, const char* format) {
  return Format(format, static_cast<int32_t>(U32(b, at)));
}
std::string Scaled(std::span<const uint8_t> b, size_t at, double factor, const char* format) {
  return Format(format, U16(b, at) * factor);
}

constexpr uint8_t kHeader[] = {0x01, 0x2B, 0x0E, 0x03};
constexpr uint8_t kTail[] = {0xFF, 0xFE, 0xFD, 0xFC};
constexpr size_t kFraming = 12;  // 8 header bytes and the 4-byte tail

}  // namespace

const std::array<LogColumn, kLogColumns> kLogListColumns = {{
    {"日期", 80},    {"工作时间(s)", 85}, {"标志", 50},    {"故障", 60},    {"报警", 60},   {"最高电压", 70},
    {"最低电压", 70}, {"最低温", 60},     {"最高温", 60},  {"吸收(s)", 60}, {"均衡(s)", 60}, {"浮充(s)", 60},
    {"充电AH", 60},  {"充电KWH", 60},    {"负载S", 60},   {"负载AH", 60},  {"负载KWH", 60},
}};

LogRow LogRecordTexts(std::span<const uint8_t, kLogRecordSize> r) {
  return {
      Format("%02d%02d-%02d-%02d", r[0], r[1], r[2], r[3]),
      Seconds(r, 4, "%05d"),
      Format("%d", U16(r, 8)),
      Format("0x%04x", U16(r, 12)),
      Format("0x%04x", U16(r, 10)),
      Scaled(r, 14, 0.01, "%.2f"),
      Scaled(r, 16, 0.01, "%.2f"),
      Format("%d", static_cast<int8_t>(r[18])),
      Format("%d", static_cast<int8_t>(r[19])),
      Seconds(r, 20, "%05d"),
      Seconds(r, 24, "%05d"),
      Seconds(r, 28, "%05d"),
      Scaled(r, 32, 0.1, "%.1f"),
      Scaled(r, 34, 0.1, "%.1f"),
      Seconds(r, 36, "%d"),
      Scaled(r, 40, 0.1, "%.1f"),
      Scaled(r, 42, 0.1, "%.1f"),
  };
}

LogAnswer ParseLogAnswer(std::span<const uint8_t> answer) {
  LogAnswer out;
  const int length = static_cast<int>(answer.size());
  if (answer.size() < std::size(kHeader) || !std::equal(std::begin(kHeader), std::end(kHeader), answer.begin())) {
    out.error = "头格式不对!";
    return out;
  }
  if (answer.size() >= kFraming && !std::equal(std::begin(kTail), std::end(kTail), answer.end() - 4)) {
    out.error = "尾格式不对!";
    return out;
  }
  if (answer.size() < kFraming || (answer.size() - kFraming) % kLogRecordSize != 0) {
    out.error = Format("数据个数=%d,数据部分丢失8+N*44+4", length);
    return out;
  }
  for (size_t at = 8; at + kLogRecordSize + 4 <= answer.size(); at += kLogRecordSize)
    out.rows.push_back(LogRecordTexts(answer.subspan(at).first<kLogRecordSize>()));
  return out;
}

}  // namespace kaviro
