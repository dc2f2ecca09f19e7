#include "link/radio_packet.h"

#include <algorithm>

#include "link/text_format.h"

namespace kaviro {

RadioPacket PackRequest(std::span<const uint8_t> frame) {
  RadioPacket p{};
  const size_t n = std::min(frame.size(), kPacketData);
  std::copy_n(frame.begin(), n, p.begin());
  p[kPacketData] = static_cast<uint8_t>(n);
  return p;
}

std::vector<RadioPacket> PackFrame(std::span<const uint8_t> frame) {
  std::vector<RadioPacket> packets;
  for (size_t at = 0; at < frame.size(); at += kPacketData)
    packets.push_back(PackRequest(frame.subspan(at, std::min(kPacketData, frame.size() - at))));
  return packets;
}

int PacketsFor(int n) {
  return (n / 15 + (n % 15 ? 1 : 0)) * 16;
}

namespace {
bool CountInRange(uint8_t count) { return count >= 1 && count <= kPacketData; }

Unpacked JoinCounted(std::span<const uint8_t> stream, const char* notWhole, const char* badCount) {
  Unpacked out;
  if (stream.size() % kPacketSize != 0) {
    out.error = Format(notWhole, static_cast<int>(stream.size()));
    return out;
  }
  for (size_t at = 0; at < stream.size(); at += kPacketSize) {
    const uint8_t count = stream[at + kPacketData];
    if (!CountInRange(count)) {
      out.plain.clear();
      out.error = badCount;
      return out;
    }
    out.plain.insert(out.plain.end(), stream.begin() + at, stream.begin() + at + count);
  }
  return out;
}
}  // namespace

Unpacked UnpackAnswer(std::span<const uint8_t> stream) {
  return JoinCounted(stream, radio_text::kNotWholePackets, radio_text::kBadCount);
}

Unpacked UnpackLogAnswer(std::span<const uint8_t> stream) {
  return JoinCounted(stream, radio_text::kLogNotWholePackets, radio_text::kLogBadCount);
}

Unpacked UnpackPollAnswer(std::span<const uint8_t> stream, int expected, const char* mismatchFormat) {
  Unpacked out;
  if (stream.empty() || stream.size() % kPacketSize != 0) {
    out.error = Format(radio_text::kPollNotWholePackets, static_cast<int>(stream.size()));
    return out;
  }
  const size_t packets = stream.size() / kPacketSize;
  const uint8_t lastCount = stream[stream.size() - 1];
  if (!CountInRange(lastCount)) {
    out.error = Format(radio_text::kPollBadLastCount, lastCount);
    return out;
  }
  const int joined = static_cast<int>(kPacketData * (packets - 1) + lastCount);
  if (joined != expected) {
    out.error = Format(mismatchFormat, expected, joined);
    return out;
  }
  for (size_t p = 0; p < packets; ++p) {
    const size_t take = p + 1 == packets ? lastCount : kPacketData;
    out.plain.insert(out.plain.end(), stream.begin() + p * kPacketSize, stream.begin() + p * kPacketSize + take);
  }
  return out;
}

}  // namespace kaviro
