// Bytes from the controller's TCP connection through the network exchange: gathered into the
// inbox however the stream is cut, matched by transaction id and length, and copied into the
// receive buffer; by each way a caller waits. Two exchanges run on one stream, so an answer
// that came behind the first is matched by the second.
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <span>

#include "link/fake_link.h"
#include "link/link_service.h"
#include "monitor/poll_worker.h"
#include "tools/console/console_link.h"
#include "tools/console/wireless_settings.h"
#include "tools/controller/coil_command.h"
#include "tools/controller/param_register.h"
#include "tools/log/log_reader.h"
#include "tools/relay/rd_command.h"

using namespace kaviro;

namespace {

// A TCP stream as the receives see it: cut into pieces of one length, maybe a receive with
// nothing between pieces, and at the end either silence or the peer closing.
class StreamSocket final : public NetSocket {
 public:
  StreamSocket(std::span<const uint8_t> stream, size_t piece, bool gaps, bool closes)
      : stream_(stream), piece_(piece), gaps_(gaps), closes_(closes) {}
  int Send(std::span<const uint8_t> bytes) override { return static_cast<int>(bytes.size()); }
  int Receive(std::span<uint8_t> out) override {
    if (gaps_ && (gap_ = !gap_)) return kWouldBlock;
    if (at_ == stream_.size()) return closes_ ? 0 : kWouldBlock;
    const size_t n = std::min({out.size(), piece_ ? piece_ : out.size(), stream_.size() - at_});
    std::copy_n(stream_.begin() + static_cast<std::ptrdiff_t>(at_), n, out.begin());
    at_ += n;
    return static_cast<int>(n);
  }

 private:
  std::span<const uint8_t> stream_;
  size_t piece_;
  bool gaps_, closes_;
  bool gap_ = false;
  size_t at_ = 0;
};

// The callers' ways of waiting, by their own policies: the poll, the console, a parameter read,
// the Modbus address write, the RD, the log (collecting until quiet) and a coil's echo.
ExchangePolicy Waiting(int which) {
  switch (which) {
    case 0: return PollBlockPolicy(PollBlocks()[0]);
    case 1: return ConsoleReadPolicy(ResponseKind::kRawDisplay);
    case 2: return ParamReadPolicy();
    case 3: return ModbusAddressWritePolicy();
    case 4: return RdExchangePolicy();
    case 5: return LogReadPolicy();
    default: return CoilEchoPolicy(WriteCoil(1, 0x14));
  }
}
constexpr int kWaits = 7;

// What a matched answer must be: the bytes its header announces, straight from the stream.
void CheckMatched(const ExchangeResult& r, const ReceiveBuffer& receive, std::span<const uint8_t> stream) {
  if (stream.size() < kNetworkHeader) std::abort();
  const size_t length = static_cast<size_t>(stream[4] << 8 | stream[5]);
  const size_t kept = std::min(length, ReceiveBuffer::kSize);
  if (stream.size() < kNetworkHeader + length || r.answer.size() != kept || receive.count != static_cast<int>(length) + 2 ||
      !std::equal(r.answer.begin(), r.answer.end(), stream.begin() + kNetworkHeader))
    std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  // Byte 0: the wait, the length of the pieces (0: as much as a receive takes), and whether a
  // receive comes up empty between pieces and the peer closes at the end.
  const int which = data[0] % kWaits;
  const int shape = data[0] / kWaits;
  const std::span<const uint8_t> stream(data + 1, size - 1);
  testing::FakeClock clock;
  LinkService link(clock);
  link.SetConnection(std::make_shared<StreamSocket>(stream, shape % 9, shape / 9 % 2, shape / 18 % 2));
  link.SetConnected(true);
  // The first answer carries the id the exchange waits for, so matching is always reached.
  if (stream.size() >= 2) link.transaction().Reset(static_cast<uint16_t>(stream[0] << 8 | stream[1]));

  const ExchangePolicy policy = Waiting(which);
  const RtuFrame request = ReadRegisters(1, fn::kReadInput, 0x0000, 90);
  const ExchangeResult first = link.Exchange(LinkMode::kNetwork, request, 0, policy);
  if (first.ok() && std::holds_alternative<wait::MatchTransaction>(policy.net)) CheckMatched(first, link.receive(), stream);
  link.Exchange(LinkMode::kNetwork, request, 0, policy);
  return 0;
}
