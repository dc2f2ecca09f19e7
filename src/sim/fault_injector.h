#pragma once
#include <atomic>
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
  double exception = 0;  // exception 04 instead of the answer
  double oversize = 0;   // the answer padded to kOversizeBytes, past every receive buffer
  int leading = 0;       // bytes of noise before the answer
  int trailing = 0;      // bytes of noise behind the answer
  bool half = false;     // only the first half of the answer goes out
  bool halfClose = false;  // TCP: half the answer, then the connection is closed
  bool echo = false;     // pseudo-terminal: the request comes back before the answer, as on RS-485
  bool split = false;
  int delayMs = 0;
  int faultAnswers = 0;  // faults touch only the first N answers (0: every answer)
  int silentAfter = 0;   // after N answers nothing is answered until SIGUSR1 (0: never)
};

inline constexpr size_t kOversizeBytes = 1100;

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
  // For the answer last spoilt: its pieces and gaps, whether the request goes back first, and
  // whether the connection closes behind it.
  std::vector<Piece> Schedule(std::vector<uint8_t> bytes);
  bool Echoes() const { return active_ && settings_.echo; }
  bool Closes() const { return active_ && settings_.halfClose; }

  const FaultSettings& settings() const { return settings_; }
  // What Spoil did to the last answer it passed on ("crc", "unit id", ...), for --verbose.
  const std::vector<const char*>& LastSpoils() const { return spoils_; }

  // A switch flipped while the simulator runs (SIGUSR1): while it is on, nothing is answered.
  void SilenceWith(const std::atomic<bool>* silenced) { silenced_ = silenced; }

 private:
  bool Happens(double probability);
  int Between(int lo, int hi);
  std::vector<uint8_t> Noise(int count);

  FaultSettings settings_;
  std::mt19937_64 dice_;
  int answers_ = 0;
  bool active_ = true;  // the last answer was one the faults touch
  const std::atomic<bool>* silenced_ = nullptr;
  // The switch's position that means answering: --silent-after turns it over, so that the next
  // SIGUSR1 wakes the simulator.
  bool answeringWhen_ = false;
  bool silentAfterReached_ = false;
  std::vector<const char*> spoils_;
};

}  // namespace kaviro::sim
