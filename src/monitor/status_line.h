#pragma once
#include <optional>
#include <string>

#include "monitor/decode_context.h"

namespace kaviro {

// The work-mode line of status pane 0 for the serial and wireless modes. The network mode has
// none: its session control owns the pane.
std::optional<std::string> StatusLine(const DecodeContext& context);

// The network mode's line, written once when the connection is made.
std::string NetworkStatusLine(const std::string& peerIp, int peerPort, int deviceId, int pollInterval, int language);

}  // namespace kaviro
