#include "monitor/status_line.h"

#include "link/link_mode.h"
#include "link/text_format.h"

namespace kaviro {

namespace {
const char* LanguageName(int language) { return language == 1 ? "简体中文" : "English"; }
}  // namespace

std::optional<std::string> StatusLine(const DecodeContext& context) {
  const char* mode = nullptr;
  switch (LinkModeOf(context.workMode)) {
    case LinkMode::kSerial: mode = "串口"; break;
    case LinkMode::kWireless: mode = "2.4G无线"; break;
    case LinkMode::kNetwork: return std::nullopt;
  }
  return Format("工作方式：%s,  串口号：COM%d,  设备ID：%02d,  采集间隔：%ds,  语言：%s", mode, context.comPort,
                context.deviceId, context.pollInterval, LanguageName(context.language));
}

std::string NetworkStatusLine(const std::string& peerIp, int peerPort, int deviceId, int pollInterval, int language) {
  return Format("工作方式：网络,  控制器IP：%s,  端口：%d  设备ID：%02d,  采集间隔：%ds,  语言：%s", peerIp.c_str(), peerPort,
                deviceId, pollInterval, LanguageName(language));
}

}  // namespace kaviro
