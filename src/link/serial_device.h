#pragma once
#include <cstdint>
#include <span>

namespace kaviro {

// What an exchange needs of a serial line; the real port and the tests' scripted port provide it.
class SerialDevice {
 public:
  virtual ~SerialDevice() = default;
  virtual bool IsOpen() const = 0;
  // Drops whatever waits in both directions.
  virtual void Purge() = 0;
  // Bytes waiting in the input queue.
  virtual int Queued() = 0;
  // Reads at most out.size() bytes that are already queued; returns the count read.
  virtual int Read(std::span<uint8_t> out) = 0;
  virtual int Write(std::span<const uint8_t> bytes) = 0;
  // True once the device has gone away under an open handle (an adapter unplugged, the far end
  // of a pseudo-terminal closed); only closing and opening again can bring it back.
  virtual bool Vanished() const { return false; }
};

}  // namespace kaviro
