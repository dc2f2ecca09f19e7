#include "sim/output_queue.h"

#include <algorithm>

namespace kaviro::sim {

void OutputQueue::Push(std::vector<uint8_t> bytes, int64_t dueUs) {
  if (bytes.empty()) return;
  pieces_.push_back({std::move(bytes), 0, std::max(dueUs, LastDueUs())});
}

int64_t OutputQueue::StartUs() const {
  const int64_t due = pieces_.front().dueUs;
  return byteUs_ > 0 ? std::max(due, lineFreeUs_) : due;
}

std::span<const uint8_t> OutputQueue::Ready(int64_t nowUs) const {
  if (pieces_.empty()) return {};
  const Piece& front = pieces_.front();
  const int64_t start = StartUs();
  if (nowUs < start) return {};
  const std::span<const uint8_t> rest = std::span<const uint8_t>(front.bytes).subspan(front.sent);
  if (byteUs_ <= 0) return rest;
  const auto due = static_cast<size_t>((nowUs - start) / byteUs_ + 1);
  return rest.first(std::min(due, rest.size()));
}

void OutputQueue::Consumed(size_t count) {
  if (pieces_.empty() || count == 0) return;
  if (byteUs_ > 0) lineFreeUs_ = StartUs() + static_cast<int64_t>(count) * byteUs_;
  Piece& front = pieces_.front();
  front.sent += count;
  if (front.sent >= front.bytes.size()) pieces_.pop_front();
}

size_t OutputQueue::PendingBytes() const {
  size_t n = 0;
  for (const Piece& p : pieces_) n += p.bytes.size() - p.sent;
  return n;
}

std::optional<int64_t> OutputQueue::WakeUs() const {
  if (pieces_.empty()) return std::nullopt;
  return StartUs();
}

}  // namespace kaviro::sim
