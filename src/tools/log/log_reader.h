#pragma once
#include <string>
#include <vector>

#include "link/link_service.h"
#include "tools/common/result.h"
#include "tools/log/log_record.h"

namespace kaviro {

// 01 2B 0E 03 with object 1 (the latest record) or 0 (all records).
RtuFrame LogRequest(uint8_t unit, bool latest);

// How the log answer is collected: until 41 quiet checks of 50 ms on the serial line (the answer
// may be long and the controller sends it in bursts), until 21 empty receives of 10 ms on the
// network; at most 80,000 and 50,000 bytes. A line that trickles a byte now and then never
// goes quiet: the wait ends at the latest when the whole buffer would have come at 9600 8N2 and
// the quiet time has passed (about 94 s), and after 30 s on the network; what came is then
// checked as any answer is.
ExchangePolicy LogReadPolicy();

// One read of the log over the link in `mode`, holding the link for the exchange: the rows in
// answer order, or the text the read ended in (none when nothing came).
Result<std::vector<LogRow>> ReadLog(LinkService& link, LinkMode mode, uint8_t unit, bool latest);

}  // namespace kaviro
