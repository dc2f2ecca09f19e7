#pragma once
#include <atomic>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <thread>

#include "config/app_config.h"
#include "link/link_service.h"
#include "monitor/decoded_values.h"
#include "monitor/decoder.h"

namespace kaviro {

enum class PollResult {
  kSkipped,    // the link is not there (port will not open, network not connected): nothing counted
  kSucceeded,
  kFailed,     // block read 1 failed: counted
  kCancelled,  // polling was paused or stopped in the middle: nothing counted
};

// What a poll tells its front end. Called on the polling thread while the link is held, so a GUI
// implementation must queue the work to its own thread and return at once.
class PollObserver {
 public:
  virtual ~PollObserver() = default;
  virtual void OnBlockDecoded(const DecodedTexts& texts) = 0;
  virtual void OnStatusText(const std::string& text) = 0;   // status pane 0
  virtual void OnMessage(const std::string& text) = 0;      // a message box for the user
  // True while the last message is still in front of the user. The worker waits until it is
  // closed before it polls again, without blocking on the front end.
  virtual bool MessageOpen() const { return false; }
  virtual void OnConnectionLost() = 0;                      // value column emptied, lost-connection text
  // After every poll the loop ran, once the link is let go: the blocks decoded since the last call
  // make up one poll.
  virtual void OnPollEnded(PollResult) {}
};

inline constexpr const char* kConnectionLostText = "连接已断开，请检查连接";

// One of the poll's three block reads and how its answer is waited for.
struct PollBlock {
  uint8_t function;
  uint16_t start;
  uint16_t count;
  int sleepMs;
  int checks;
  int block;
  const char* mismatch;  // the wireless length message, with (expected, joined)
};
std::span<const PollBlock> PollBlocks();
// Serial: `checks` looks of `sleepMs`, the answer read once it is all there, by the read rule;
// network: 50 receives of 10 ms, the byte count checked.
ExchangePolicy PollBlockPolicy(const PollBlock& read);

// Reads the controller every `pollInterval` seconds with three block reads and hands each answer
// to the decoder. The link lock is held for a whole poll; clearing the enabled flag ends a poll
// under way before its next read (a dialog waits at most for one read), stopping ends it at once.
class PollWorker {
 public:
  PollWorker(LinkService& link, SharedConfig& config, DecodedValues& values, PollObserver& observer);
  ~PollWorker();
  PollWorker(const PollWorker&) = delete;
  PollWorker& operator=(const PollWorker&) = delete;

  // Starts the polling thread; the first poll runs at once.
  void Start();
  // Ends the loop and joins the thread.
  void Stop();
  bool Running() const { return running_.load(); }

  void SetEnabled(bool enabled) { enabled_.store(enabled); }
  bool Enabled() const { return enabled_.load(); }

  // The loop on the calling thread, until Stop() or until `pass` returns false. `pass` runs on
  // every pass of the loop, with the result when a poll ran in it.
  using PassFn = std::function<bool(std::optional<PollResult>)>;
  void RunLoop(const PassFn& pass = {});
  PollResult PollOnce();
  int ConsecutiveFailures() const { return failures_.load(); }
  // Polls run so far, whatever their result.
  uint64_t PollCount() const { return polls_.load(); }

 private:
  void Loop(const PassFn& pass);
  enum class ReadOutcome { kOk, kFailed, kEndPoll, kCancelled };
  ReadOutcome Read(const PollBlock& read, const AppConfig& config);

  LinkService& link_;
  SharedConfig& config_;
  DecodedValues& values_;
  PollObserver& observer_;
  std::atomic<bool> running_{false};
  std::atomic<bool> stopRequested_{false};
  std::atomic<bool> enabled_{false};
  std::atomic<int> failures_{0};
  std::atomic<uint64_t> polls_{0};
  std::thread thread_;
};

}  // namespace kaviro
