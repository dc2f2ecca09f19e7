#pragma once

namespace kaviro {

// The configuration values the decoder reads, taken once per block.
struct DecodeContext {
  int batteryVoltage;  // 0 12V, 1 24V, 2 48V; others count as 12V
  int workMode;        // LinkMode
  int comPort;
  int deviceId;
  int pollInterval;    // seconds
  int language;        // 1 Simplified Chinese, others English
};

}  // namespace kaviro
