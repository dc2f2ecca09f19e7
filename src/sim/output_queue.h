#pragma once
#include <cstdint>
#include <deque>
#include <optional>
#include <span>
#include <vector>

namespace kaviro::sim {

// Bytes waiting to go out, each piece not before its due time; optionally paced one byte per
// `byteUs`, as a serial line would let them out.
class OutputQueue {
 public:
  explicit OutputQueue(int64_t byteUs = 0) : byteUs_(byteUs) {}

  void Push(std::vector<uint8_t> bytes, int64_t dueUs);
  // The bytes that may be written at `nowUs` (from the front piece).
  std::span<const uint8_t> Ready(int64_t nowUs) const;
  void Consumed(size_t count);
  // When bytes next become ready; nothing when the queue is empty.
  std::optional<int64_t> WakeUs() const;
  // The due time of the last piece: later pieces never overtake it.
  int64_t LastDueUs() const { return pieces_.empty() ? 0 : pieces_.back().dueUs; }
  bool Empty() const { return pieces_.empty(); }
  size_t PendingBytes() const;
  void Clear() { pieces_.clear(); }

 private:
  struct Piece {
    std::vector<uint8_t> bytes;
    size_t sent = 0;
    int64_t dueUs = 0;
  };
  int64_t StartUs() const;

  int64_t byteUs_;
  int64_t lineFreeUs_ = 0;  // paced: when the line can take the next byte
  std::deque<Piece> pieces_;
};

}  // namespace kaviro::sim
