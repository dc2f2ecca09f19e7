#include "sim/fault_injector.h"

#include <algorithm>

#include "link/crc16.h"
#include "sim/mbap_header.h"

namespace kaviro::sim {

namespace {
constexpr int kMaxPieces = 4;
constexpr int kMinGapMs = 5;
constexpr int kMaxGapMs = 40;
constexpr size_t kNetworkUnitAt = MbapHeader::kSize;

void Reseal(std::vector<uint8_t>& frame) {
  const uint16_t crc = ComputeCrc16(std::span<const uint8_t>(frame).first(frame.size() - 2));
  frame[frame.size() - 2] = static_cast<uint8_t>(crc & 0xFF);
  frame[frame.size() - 1] = static_cast<uint8_t>(crc >> 8);
}

// Another valid-looking address, never 0.
uint8_t OtherUnit(uint8_t unit) { return static_cast<uint8_t>(unit % 247 + 1); }

// The header's length field made to fit the frame again; the other fields stay.
void SetNetworkLength(std::vector<uint8_t>& frame) {
  auto header = MbapHeader::Decode(frame);
  if (!header) return;
  header->length = static_cast<uint16_t>(frame.size() - MbapHeader::kSize);
  const auto head = header->Encode();
  std::copy(head.begin(), head.end(), frame.begin());
}

// The answer's address and function with bit 7 set, then exception 04, framed like the answer.
std::vector<uint8_t> ExceptionAnswer(const std::vector<uint8_t>& answer, AnswerForm form) {
  constexpr uint8_t kServerFailure = 0x04;
  if (form == AnswerForm::kRtu) {
    if (answer.size() < 2) return answer;
    std::vector<uint8_t> frame{answer[0], static_cast<uint8_t>(answer[1] | 0x80), kServerFailure, 0, 0};
    Reseal(frame);
    return frame;
  }
  if (answer.size() < MbapHeader::kSize + 2) return answer;
  std::vector<uint8_t> frame(answer.begin(), answer.begin() + MbapHeader::kSize + 2);
  frame.back() |= 0x80;
  frame.push_back(kServerFailure);
  SetNetworkLength(frame);
  return frame;
}

// Filler in the data, so that the frame still ends the way its form ends: CRC or nothing.
void Oversize(std::vector<uint8_t>& answer, AnswerForm form) {
  const bool rtu = form == AnswerForm::kRtu;
  if (answer.size() < 4 || answer.size() >= kOversizeBytes) return;
  answer.insert(answer.end() - (rtu ? 2 : 0), kOversizeBytes - answer.size(), 0x5A);
  if (rtu) Reseal(answer);
  else SetNetworkLength(answer);
}
}  // namespace

bool FaultInjector::Happens(double probability) {
  if (probability <= 0) return false;
  if (probability >= 1) return true;
  return std::uniform_real_distribution<double>(0.0, 1.0)(dice_) < probability;
}

int FaultInjector::Between(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(dice_); }

std::vector<uint8_t> FaultInjector::Noise(int count) {
  std::vector<uint8_t> bytes(static_cast<size_t>(std::max(count, 0)));
  for (uint8_t& b : bytes) b = static_cast<uint8_t>(Between(0, 255));
  return bytes;
}

std::optional<std::vector<uint8_t>> FaultInjector::Spoil(std::vector<uint8_t> answer, AnswerForm form) {
  // A silence switched on at run time holds for every answer, counted or not.
  spoils_.clear();
  if (silenced_ && silenced_->load() != answeringWhen_) return std::nullopt;
  if (settings_.silentAfter > 0 && answers_ >= settings_.silentAfter && !silentAfterReached_) {
    // Without the switch nothing wakes it.
    if (!silenced_) return std::nullopt;
    silentAfterReached_ = true;
    answeringWhen_ = !silenced_->load();
    return std::nullopt;
  }
  active_ = settings_.faultAnswers == 0 || answers_ < settings_.faultAnswers;
  ++answers_;
  if (!active_) return answer;
  if (settings_.silent || Happens(settings_.drop)) return std::nullopt;
  if (Happens(settings_.garbage)) {
    for (uint8_t& b : answer) b = static_cast<uint8_t>(Between(0, 255));
    spoils_.push_back("garbage");
    return answer;
  }
  const bool rtu = form == AnswerForm::kRtu;
  if (Happens(settings_.exception)) {
    answer = ExceptionAnswer(answer, form);
    spoils_.push_back("exception");
  }
  if (Happens(settings_.oversize)) {
    Oversize(answer, form);
    spoils_.push_back("oversize");
  }
  const size_t unitAt = rtu ? 0 : kNetworkUnitAt;
  if (answer.size() > unitAt && Happens(settings_.wrongId)) {
    answer[unitAt] = OtherUnit(answer[unitAt]);
    if (rtu && answer.size() >= 4) Reseal(answer);  // only the address is wrong
    spoils_.push_back("unit id");
  }
  if (!rtu && answer.size() >= 2 && Happens(settings_.wrongTid)) {
    answer[1] = static_cast<uint8_t>(answer[1] + 1);
    spoils_.push_back("transaction id");
  }
  if (rtu && answer.size() >= 2 && Happens(settings_.corruptCrc)) {
    answer.back() ^= 0xA5;
    spoils_.push_back("crc");
  }
  if (settings_.half || settings_.halfClose) answer.resize(answer.size() / 2);
  std::vector<uint8_t> wire = Noise(settings_.leading);
  wire.insert(wire.end(), answer.begin(), answer.end());
  const std::vector<uint8_t> tail = Noise(settings_.trailing);
  wire.insert(wire.end(), tail.begin(), tail.end());
  return wire;
}

std::vector<FaultInjector::Piece> FaultInjector::Schedule(std::vector<uint8_t> bytes) {
  std::vector<Piece> pieces;
  const int delayMs = active_ ? settings_.delayMs : 0;
  if (!active_ || !settings_.split || bytes.size() < 2) {
    pieces.push_back({std::move(bytes), delayMs});
    return pieces;
  }
  const int count = std::min<int>(Between(2, kMaxPieces), static_cast<int>(bytes.size()));
  std::vector<size_t> cuts;
  for (int i = 1; i < count; ++i) cuts.push_back(static_cast<size_t>(Between(1, static_cast<int>(bytes.size()) - 1)));
  std::sort(cuts.begin(), cuts.end());
  cuts.erase(std::unique(cuts.begin(), cuts.end()), cuts.end());
  size_t from = 0;
  for (size_t i = 0; i <= cuts.size(); ++i) {
    const size_t to = i < cuts.size() ? cuts[i] : bytes.size();
    pieces.push_back({std::vector<uint8_t>(bytes.begin() + static_cast<std::ptrdiff_t>(from), bytes.begin() + static_cast<std::ptrdiff_t>(to)),
                      i == 0 ? delayMs : Between(kMinGapMs, kMaxGapMs)});
    from = to;
  }
  return pieces;
}

}  // namespace kaviro::sim
