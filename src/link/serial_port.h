#pragma once
#include <atomic>
#include <string>

#include "link/serial_device.h"

namespace kaviro {

// A POSIX serial line in raw mode. "COM n" is the path in $KAVIRO_COM<n>, else /dev/ttyS<n-1>.
class SerialPort final : public SerialDevice {
 public:
  SerialPort() = default;
  ~SerialPort() override;
  SerialPort(const SerialPort&) = delete;
  SerialPort& operator=(const SerialPort&) = delete;

  static std::string PathForCom(int comPort);

  // 9600 8N2 is what every caller asks for. Returns true at once when already open; on failure
  // nothing stays open.
  bool OpenCom(int comPort, int baud = 9600, int parity = 0, int byteSize = 8, int stopBitsCode = 2);
  bool OpenPath(const std::string& path, int baud = 9600, int parity = 0, int byteSize = 8, int stopBitsCode = 2);
  void Close();

  bool IsOpen() const override { return fd_ >= 0; }
  void Purge() override;
  int Queued() override;
  int Read(std::span<uint8_t> out) override;
  int Write(std::span<const uint8_t> bytes) override;
  bool Vanished() const override { return vanished_.load(); }

 private:
  void NoteError(int error);

  // Atomic: whether the port is open is read from any thread; all I/O happens under the link lock.
  std::atomic<int> fd_{-1};
  std::atomic<bool> vanished_{false};
};

}  // namespace kaviro
