#pragma once
#include <memory>
#include <string>

#include "sim/event_loop.h"
#include "sim/output_queue.h"
#include "sim/radio_joiner.h"
#include "sim/rtu_framer.h"
#include "sim/station.h"
#include "sim/traffic_log.h"

namespace kaviro::sim {

struct PtyOptions {
  std::string link;       // symlink made to the slave device
  bool wireless = false;  // frames travel in 16-byte packets
  bool pace = false;      // bytes leave at the 9600 8N2 rate
};

// The serial side: a pseudo-terminal whose slave the tool opens as its COM port. Clients may
// close and reopen the slave at will; the master keeps serving.
class PtyServer final : public Endpoint {
 public:
  // 11 bits per byte at 9600 baud.
  static constexpr int64_t kByteUs = 11'000'000 / 9600;

  static std::unique_ptr<PtyServer> Open(const PtyOptions& options, Station& station, TrafficLog& log,
                                         std::string& error);
  ~PtyServer() override;
  PtyServer(const PtyServer&) = delete;
  PtyServer& operator=(const PtyServer&) = delete;

  const std::string& SlavePath() const { return slave_; }

  void Watch(std::vector<pollfd>& fds, int64_t nowUs) override;
  void Serve(std::span<const pollfd> fds, int64_t nowUs) override;
  std::optional<int64_t> WakeUs() const override;

 private:
  PtyServer(const PtyOptions& options, Station& station, TrafficLog& log);
  void Receive(int64_t nowUs);
  void Answer(const RtuRequest& request, int64_t nowUs);
  void Transmit(int64_t nowUs);
  void HungUp(int64_t nowUs);

  PtyOptions options_;
  Station& station_;
  TrafficLog& log_;
  int master_ = -1;
  std::string slave_;
  bool linked_ = false;
  RadioJoiner joiner_;
  RtuFramer framer_;
  OutputQueue out_;
  bool watched_ = false;
  bool writeBlocked_ = false;
  int64_t hungUpUntilUs_ = 0;
};

}  // namespace kaviro::sim
