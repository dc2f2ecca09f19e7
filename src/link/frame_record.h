#pragma once
#include <cstdint>
#include <span>

namespace kaviro {

enum class FrameDirection : uint8_t { kOut, kIn };

// What the bytes of a frame are: a plain RTU frame (CRC included, as on the serial line or as
// joined from packets), the 16-byte packets of the wireless adapter, or a Modbus/TCP frame.
enum class FrameLayer : uint8_t { kRtu, kRadio, kModbusTcp };

// One frame as the engine wrote or read it. `bytes` lives only for the call; keep a copy.
struct FrameRecord {
  uint64_t timeUs;  // on the link's clock
  FrameDirection direction;
  FrameLayer layer;
  std::span<const uint8_t> bytes;
};

// Called for every frame the link sends or receives, on the thread of the exchange and while it
// holds the link: return quickly, never block.
class FrameObserver {
 public:
  virtual ~FrameObserver() = default;
  virtual void OnFrame(const FrameRecord& frame) = 0;
};

}  // namespace kaviro
