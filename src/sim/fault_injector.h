#pragma once
#include <cstdint>
#include <optional>
#include <random>
#include <vector>

namespace kaviro::sim {

// Faults switched on from the command line. Probabilities are 0..1 per answer.
struct FaultSettings {
  bool silent = false;
  double drop = 0;
  double corruptCrc = 0;  // RTU answers only: no CRC travels on TCP
  double garbage = 0;
  double wrongId = 0;
  double wrongTid = 0;  // TCP answers only
  bool split = false;
  int delayMs = 0;
};

// Where the fields that faults touch sit in an answer.
enum class AnswerForm { kRtu, kNetwork };

// Turns a correct answer into what goes on the wire: nothing, random bytes, or the answer with
// its unit id, transaction id or CRC spoilt; then cuts it into timed pieces.
class FaultInjector {
 public:
  FaultInjector(FaultSettings settings, uint64_t seed) : settings_(settings), dice_(seed) {}

  std::optional<std::vector<uint8_t>> Spoil(std::vector<uint8_t> answer, AnswerForm form);

  struct Piece {
    std::vector<uint8_t> bytes;
    int afterMs;  // wait before this piece: the delay before the first, gaps between the others
  };
  std::vector<Piece> Schedule(std::vector<uint8_t> bytes);

  const FaultSettings& settings() const { return settings_; }

 private:
  bool Happens(double probability);
  int Between(int lo, int hi);

  FaultSettings settings_;
  std::mt19937_64 dice_;
};

}  // namespace kaviro::sim
