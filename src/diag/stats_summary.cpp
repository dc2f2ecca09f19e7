#include "diag/stats_summary.h"

#include <ctime>

#include "link/text_format.h"

namespace kaviro::diag {

namespace {

std::string Ms(uint64_t us) { return Format("%.1f", static_cast<double>(us) / 1000.0); }

std::string Exceptions(const LinkStatsSnapshot& s) {
  std::string text;
  for (const auto& [code, n] : s.exceptions)
    text += (text.empty() ? "" : ", ") + Format("%02X×%llu", code, static_cast<unsigned long long>(n));
  return text.empty() ? "0" : text;
}

std::string LastError(const LinkStatsSnapshot& s) {
  if (s.lastError.empty()) return "-";
  std::tm local{};
  localtime_r(&s.lastErrorAt, &local);
  char at[16];
  std::strftime(at, sizeof at, "%H:%M:%S", &local);
  return s.lastError + " " + at;
}

}  // namespace

std::vector<StatRow> StatRows(const LinkStatsSnapshot& s) {
  const auto n = [](uint64_t v) { return std::to_string(v); };
  const bool timed = s.roundTrips > 0;
  return {
      {"requests", "请求", n(s.requests)},
      {"sends", "仅发送", n(s.sends)},
      {"answers", "应答", n(s.answers)},
      {"timeouts", "超时", n(s.timeouts)},
      {"crc_errors", "CRC错误", n(s.crcErrors)},
      {"wrong_address", "地址错误", n(s.wrongAddress)},
      {"wrong_transaction", "事务号错误", n(s.wrongTransaction)},
      {"malformed", "格式错误", n(s.malformed)},
      {"exceptions", "异常应答", Exceptions(s)},
      {"bytes_out", "发送字节", n(s.bytesOut)},
      {"bytes_in", "接收字节", n(s.bytesIn)},
      {"rtt_min_ms", "往返最小(ms)", timed ? Ms(s.rttMinUs) : "-"},
      {"rtt_mean_ms", "往返平均(ms)", timed ? Ms(s.rttMeanUs) : "-"},
      {"rtt_p95_ms", "往返P95(ms)", timed ? Ms(s.rttP95Us) : "-"},
      {"rtt_max_ms", "往返最大(ms)", timed ? Ms(s.rttMaxUs) : "-"},
      {"last_error", "最近错误", LastError(s)},
  };
}

std::string StatsText(const LinkStatsSnapshot& s) {
  std::string text;
  for (const StatRow& row : StatRows(s)) text += std::string(row.key) + ": " + row.value + "\n";
  return text;
}

nlohmann::ordered_json StatsJson(const LinkStatsSnapshot& s) {
  nlohmann::ordered_json exceptions = nlohmann::ordered_json::object();
  for (const auto& [code, count] : s.exceptions) exceptions[Format("%02X", code)] = count;
  const auto ms = [&](uint64_t us) -> nlohmann::ordered_json {
    if (s.roundTrips == 0) return nullptr;
    return static_cast<double>(us) / 1000.0;
  };
  nlohmann::ordered_json j = {{"requests", s.requests},
                              {"sends", s.sends},
                              {"answers", s.answers},
                              {"timeouts", s.timeouts},
                              {"crc_errors", s.crcErrors},
                              {"wrong_address", s.wrongAddress},
                              {"wrong_transaction", s.wrongTransaction},
                              {"malformed", s.malformed},
                              {"exceptions", exceptions},
                              {"bytes_out", s.bytesOut},
                              {"bytes_in", s.bytesIn},
                              {"rtt_min_ms", ms(s.rttMinUs)},
                              {"rtt_mean_ms", ms(s.rttMeanUs)},
                              {"rtt_p95_ms", ms(s.rttP95Us)},
                              {"rtt_max_ms", ms(s.rttMaxUs)}};
  j["last_error"] = s.lastError.empty() ? nlohmann::ordered_json(nullptr) : nlohmann::ordered_json(s.lastError);
  return j;
}

std::string StatsTooltip(const LinkStatsSnapshot& s) {
  std::string text;
  for (const StatRow& row : StatRows(s)) {
    if (row.value == "0" || row.value == "-") continue;  // a healthy link's tooltip stays short
    text += (text.empty() ? "" : "\n") + std::string(row.label) + ": " + row.value;
  }
  return text.empty() ? "无通讯" : text;
}

}  // namespace kaviro::diag
