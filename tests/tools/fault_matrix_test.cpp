// Every operation against kaviro-sim's faults in every work mode: one row per (operation, fault)
// with the outcome the operation's own rules give, then the same operation once the fault has
// stopped, which must succeed. Each row has its own simulator (faults for its first answer only)
// and the rows of a mode run side by side, since nearly all of their time is spent waiting.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "link/link_service.h"
#include "link/tcp_link.h"
#include "monitor/poll_worker.h"
#include "sim/sim_process.h"
#include "tools/console/identification.h"
#include "tools/console/lighting.h"
#include "tools/console/network_module.h"
#include "tools/console/raw_frame.h"
#include "tools/common/verified_write.h"
#include "tools/console/wireless_settings.h"
#include "tools/controller/coil_command.h"
#include "tools/controller/controller_info.h"
#include "tools/controller/param_register.h"
#include "tools/controller/param_settings.h"
#include "tools/log/log_reader.h"
#include "tools/relay/rd_command.h"

namespace kaviro::testing {
namespace {

const std::string kSim = KAVIRO_SIM_PATH;
constexpr uint8_t kUnit = 1;

// The simulated controller's values that the reads below must bring back unchanged.
constexpr uint16_t kPresetFirstWord = 1420;
constexpr uint16_t kPresetLastWord = 0x00F6;
constexpr const char* kSerialNumber = "24051701";
constexpr uint32_t kFirstLightingTime = 0x00010428;
constexpr uint32_t kModuleIp = 0xC0A80164;
constexpr const char* kControllerRadio = "3231323031";  // "21201"
constexpr uint16_t kLatchedFaults = 0x0080;
constexpr uint16_t kLatchedAlarms = 0x0020;
// 0xE00E holds 1600; the CRC comes behind.
constexpr std::string_view kRawAnswerStart = "01 03 02 06 40 ";

// What an operation ended in: success, and every text it had for the user, joined by " | ".
struct Ended {
  bool ok = false;
  std::string text;
  bool operator==(const Ended&) const = default;
};

std::string Joined(const std::vector<std::string>& texts) {
  std::string all;
  for (const std::string& t : texts) all += (all.empty() ? "" : " | ") + t;
  return all;
}

struct Recorder final : PollObserver {
  std::vector<std::string> texts;
  void OnBlockDecoded(const DecodedTexts&) override {}
  void OnStatusText(const std::string& text) override { texts.push_back(text); }
  void OnMessage(const std::string& text) override { texts.push_back(text); }
  void OnConnectionLost() override { texts.push_back(kConnectionLostText); }
};

Ended Poll(LinkService& link, LinkMode mode) {
  AppConfig config = AppConfig::Defaults();
  config.workMode = static_cast<int32_t>(mode);
  SharedConfig shared(config);
  DecodedValues values;
  Recorder recorder;
  PollWorker worker(link, shared, values, recorder);
  worker.SetEnabled(true);
  const PollResult result = worker.PollOnce();
  // A successful poll writes the work-mode line; only failures are of interest here.
  return {result == PollResult::kSucceeded, result == PollResult::kSucceeded ? "" : Joined(recorder.texts)};
}

// Success needs the simulator's own values, so an answer spoiled into other numbers fails.
template <typename T, typename Check>
Ended Judged(const Result<T>& r, Check good) {
  return {r.ok() && good(*r.value), Joined(r.Texts())};
}
template <typename T>
Ended Judged(const Result<T>& r) {
  return {r.ok(), Joined(r.Texts())};
}

Ended ParamRead(LinkService& link, LinkMode mode) {
  return Judged(ReadParamRegister(link, mode, kUnit, 0xE00E), [](const RegisterWords& w) { return w[0] == 1600; });
}

Ended ParamWrite(LinkService& link, LinkMode mode) {
  return Judged(SendParamWrite(link, mode, WriteRegister(kUnit, 0xE00E, 1600)));
}

// A write whose answer comes late, then a read of another register in the same session: the read
// shows its own register's value or fails, never a value decoded from the write's answer. On the
// network the transaction id tells the two apart, so the read must succeed there; on the line the
// late echo may take the answer's place (the read then fails), whichever way the timing goes.
constexpr uint16_t kOtherRegister = 0xE012;
constexpr uint16_t kOtherValue = 1250;
Ended WriteThenRead(LinkService& link, LinkMode mode) {
  SendParamWrite(link, mode, WriteRegister(kUnit, 0xE00E, 1600));
  const Result<RegisterWords> read = ReadParamRegister(link, mode, kUnit, kOtherRegister);
  const bool another = read.ok() && read.value->front() != kOtherValue;
  return {!another && (mode != LinkMode::kNetwork || read.ok()), another ? "another value" : ""};
}

Ended Coil(LinkService& link, LinkMode mode) { return Judged(SendCoil(link, mode, kUnit, 0x0014)); }

Ended Log(LinkService& link, LinkMode mode) {
  const Result<std::vector<LogRow>> r = ReadLog(link, mode, kUnit, true);
  return {r.ok() && r.value->size() == 1, r.Text()};
}

// The simulator's clock runs: a read counts when it decodes to a time at all.
Ended ClockGet(LinkService& link, LinkMode mode) {
  return Judged(ReadControllerClock(link, mode, kUnit), [](const ClockValue& c) { return c.time.has_value(); });
}

Ended ClockSet(LinkService& link, LinkMode mode) {
  return Judged(WriteControllerClock(link, mode, kUnit, {2026, 12, 8, 12, 0, 0}));
}

Ended PresetTable(LinkService& link, LinkMode mode) {
  return Judged(ReadPresetTable(link, mode, kUnit),
                [](const PresetWords& w) { return w[0] == kPresetFirstWord && w[kPresetRegisters - 1] == kPresetLastWord; });
}

Ended FaultWords(LinkService& link, LinkMode mode) {
  return Judged(ReadFaultsAndAlarms(link, mode, kUnit),
                [](const FaultAlarmWords& w) { return w.faults == kLatchedFaults && w.alarms == kLatchedAlarms; });
}

Ended Identification(LinkService& link, LinkMode mode) {
  return Judged(ReadIdentification(link, mode, kUnit),
                [](const IdentificationAnswer& a) { return a.objects && (*a.objects)[4] == kSerialNumber; });
}

Ended LightingTimes(LinkService& link, LinkMode mode) {
  return Judged(ReadLightingTimes(link, mode, kUnit), [](const kaviro::LightingTimes& t) { return t[0] == kFirstLightingTime; });
}

Ended NetworkModule(LinkService& link, LinkMode mode) {
  return Judged(ReadNetworkSettings(link, mode, kUnit), [](const NetworkSettings& s) { return s.ip == kModuleIp; });
}

Ended WirelessAddresses(LinkService& link, LinkMode mode) {
  return Judged(ReadWirelessConfig(link, mode, kUnit), [](const WirelessConfig& c) { return c.controller == kControllerRadio; });
}

// Writes the address the controller already has, so the rows after it still find it there, and
// reads it back the command line's way: nobody reads the write's answer.
Ended AddressWrite(LinkService& link, LinkMode mode) {
  return Judged(SetModbusAddressVerified(link, mode, kUnit, kUnit), [](int address) { return address == kUnit; });
}

Ended RawSendOp(LinkService& link, LinkMode mode) {
  const RtuFrame frame = ComposeRawFrame({"01", "03", "E00E", "0001"}).value->frame;
  // The console shows what came back, whatever it is; its checks are only on the length.
  // On the network the answer has no CRC.
  const size_t shown = (mode == LinkMode::kNetwork ? 5 : 7) * 3;
  return Judged(SendRawFrame(link, mode, frame),
                [&](const std::string& text) { return text.size() == shown && text.starts_with(kRawAnswerStart); });
}

constexpr uint8_t kRdUnit = 0x36;

Ended RdInfo(LinkService& link, LinkMode) {
  return Judged(SendRdRequest(link, kRdUnit, 0x03, 0x0020, 4),
                [](const RdBytes& a) { return a.size() == 11 && a[0] == kRdUnit; });
}

Ended RdWrite(LinkService& link, LinkMode) {
  const RtuFrame request = RdRequestFrame(kRdUnit, 0x06, 0x2022, 0x0001);
  return Judged(SendRdRequest(link, kRdUnit, 0x06, 0x2022, 0x0001),
                [&](const RdBytes& a) { return std::ranges::equal(a, request.WithoutCrc()); });
}

using Operation = Ended (*)(LinkService&, LinkMode);

struct Op {
  const char* name;
  Operation run;
  Ended success;  // what it ends in without a fault
  // How long after its first request its last wait for an answer ends, on the serial line and on
  // the network: a late answer to that request comes after it, while the next request waits.
  int lineWaitMs;
  int netWaitMs;
};

const Op kPoll{"Poll", Poll, {true, ""}, 2000, 500};
const Op kParamRead{"ParamRead", ParamRead, {true, ""}, 500, 1500};
const Op kParamWrite{"ParamWrite", ParamWrite, {true, "设置成功！"}, 500, 500};
const Op kCoil{"Coil", Coil, {true, "设置成功！"}, 500, 500};
const Op kWriteThenRead{"WriteThenRead", WriteThenRead, {true, ""}, 500, 500};
const Op kLog{"Log", Log, {true, ""}, 2050, 210};
const Op kClockRead{"ClockRead", ClockGet, {true, ""}, 500, 1500};
const Op kClockWrite{"ClockWrite", ClockSet, {true, "设置成功！"}, 500, 500};
const Op kPresetTable{"PresetTable", PresetTable, {true, ""}, 400, 500};
const Op kFaultWords{"FaultWords", FaultWords, {true, ""}, 500, 500};
const Op kIdentification{"Identification", Identification, {true, ""}, 300, 500};
const Op kLightingTimes{"LightingTimes", LightingTimes, {true, ""}, 2000, 500};
const Op kNetworkModule{"NetworkModule", NetworkModule, {true, ""}, 400, 500};
const Op kWirelessAddresses{"WirelessAddresses", WirelessAddresses, {true, ""}, 2000, 500};
// The write's short look for its echo (network only), the settle, then the read-back's own wait.
const Op kAddressWrite{"AddressWrite", AddressWrite, {true, ""}, kUnreadWriteSettleMs + 2000,
                       10 + kUnreadWriteSettleMs + 500};
const Op kRawFrame{"RawFrame", RawSendOp, {true, ""}, 1050, 500};
const Op kRdInfo{"RdInfo", RdInfo, {true, ""}, 3000, 3000};
const Op kRdWrite{"RdWrite", RdWrite, {true, ""}, 3000, 3000};

enum ModeMask { kSerial = 1, kWireless = 2, kNetwork = 4, kLine = kSerial | kWireless, kAll = 7 };

struct Fault {
  const char* name;
  std::vector<std::string> args;  // a late answer adds its delay
  bool late = false;
  bool closes = false;  // the connection is gone afterwards and must be made again
};

const Fault kSplit{"Split", {"--split"}};
const Fault kLeading{"Leading", {"--leading", "7"}};
const Fault kTrailing{"Trailing", {"--trailing", "7"}};
const Fault kBadCrc{"BadCrc", {"--corrupt-crc", "1"}};
const Fault kWrongAddress{"WrongAddress", {"--wrong-id", "1"}};
const Fault kException{"Exception", {"--exception", "1"}};
const Fault kWrongTid{"WrongTid", {"--wrong-tid", "1"}};
const Fault kLate{"Late", {}, true};
const Fault kHalf{"Half", {"--half"}};
const Fault kHalfClose{"HalfClose", {"--half-close"}, false, true};
const Fault kSilence{"Silence", {"--silent"}};
const Fault kOversize{"Oversize", {"--oversize", "1"}};
const Fault kEcho{"Echo", {"--echo"}};

struct Row {
  const Op* op;
  const Fault* fault;
  int modes;
  Ended expected;
  // The exchange right after, when the fault still reaches into it (a late answer arriving
  // there); the one after that must then succeed.
  std::optional<Ended> next = std::nullopt;
};

constexpr const char* kNoComm = "通讯失败，请检查连接或重新操作！";
constexpr const char* kBadData = "返回数据错误！";
constexpr const char* kSetFailed = "设置失败！";
constexpr const char* kSetOk = "设置成功！";
constexpr const char* kReadFailed = "读取数据失败！";

const Row kRows[] = {
    {&kPoll, &kSplit, kAll, {true, ""}},
    {&kPoll, &kLeading, kSerial, {false, ""}},
    {&kPoll, &kLeading, kNetwork, {true, ""}},
    {&kPoll, &kLeading, kWireless, {false, "3需要数据长度=185,实际读回数据长度=192"}},
    {&kPoll, &kTrailing, kSerial | kNetwork, {true, ""}},
    {&kPoll, &kTrailing, kWireless, {false, "3需要数据长度=185,实际读回数据长度=192"}},
    {&kPoll, &kBadCrc, kLine, {false, ""}},
    {&kPoll, &kWrongAddress, kLine, {false, ""}},
    {&kPoll, &kWrongAddress, kNetwork, {true, ""}},
    {&kPoll, &kException, kAll, {false, ""}},
    {&kPoll, &kWrongTid, kNetwork, {true, ""}},
    {&kPoll, &kLate, kLine, {false, ""}},
    {&kPoll, &kLate, kNetwork, {true, ""}},
    {&kPoll, &kHalf, kAll, {false, ""}},
    {&kPoll, &kHalfClose, kNetwork, {false, ""}},
    {&kPoll, &kSilence, kLine, {false, ""}},
    {&kPoll, &kSilence, kNetwork, {true, ""}},
    {&kPoll, &kOversize, kSerial | kNetwork, {false, ""}},
    {&kPoll, &kOversize, kWireless, {false, "3需要数据长度=185,实际读回数据长度=195"}},
    {&kPoll, &kEcho, kSerial, {false, ""}},
    {&kPoll, &kEcho, kWireless, {false, "3需要数据长度=185,实际读回数据长度=195"}},
    {&kParamRead, &kSplit, kAll, {true, ""}},
    {&kParamRead, &kLeading, kSerial, {true, ""}},
    {&kParamRead, &kLeading, kNetwork, {false, kReadFailed}},
    {&kParamRead, &kLeading, kWireless, {false, "3需要数据长度=7,实际读回数据长度=14"}},
    {&kParamRead, &kTrailing, kSerial, {false, kBadData}},
    {&kParamRead, &kTrailing, kNetwork, {true, ""}},
    {&kParamRead, &kTrailing, kWireless, {false, "3需要数据长度=7,实际读回数据长度=14"}},
    {&kParamRead, &kBadCrc, kLine, {false, kBadData}},
    {&kParamRead, &kWrongAddress, kAll, {false, kBadData}},
    {&kParamRead, &kException, kSerial | kNetwork, {false, kBadData}},
    {&kParamRead, &kException, kWireless, {false, "3需要数据长度=7,实际读回数据长度=5"}},
    {&kParamRead, &kWrongTid, kNetwork, {false, kReadFailed}},
    {&kParamRead, &kLate, kLine, {false, kNoComm}},
    {&kParamRead, &kLate, kNetwork, {false, kReadFailed}},
    {&kParamRead, &kHalf, kSerial | kNetwork, {false, kBadData}},
    {&kParamRead, &kHalf, kWireless, {false, "3需要数据长度=7,实际读回数据长度=3"}},
    {&kParamRead, &kHalfClose, kNetwork, {false, kBadData}},
    {&kParamRead, &kSilence, kLine, {false, kNoComm}},
    {&kParamRead, &kSilence, kNetwork, {false, kReadFailed}},
    {&kParamRead, &kOversize, kSerial | kNetwork, {false, kBadData}},
    {&kParamRead, &kOversize, kWireless, {false, "3需要数据长度=7,实际读回数据长度=15"}},
    {&kParamRead, &kEcho, kSerial, {false, kBadData}},
    {&kParamRead, &kEcho, kWireless, {true, ""}},
    {&kParamWrite, &kSplit, kAll, {true, kSetOk}},
    {&kParamWrite, &kLeading, kAll, {false, kSetFailed}},
    {&kParamWrite, &kTrailing, kLine, {false, kSetFailed}},
    {&kParamWrite, &kTrailing, kNetwork, {true, kSetOk}},
    {&kParamWrite, &kBadCrc, kLine, {false, kSetFailed}},
    {&kParamWrite, &kWrongAddress, kAll, {false, kSetFailed}},
    {&kParamWrite, &kException, kAll, {false, kSetFailed}},
    {&kParamWrite, &kWrongTid, kNetwork, {false, kSetFailed}},
    {&kParamWrite, &kLate, kLine, {false, kNoComm}, Ended{false, kSetFailed}},
    {&kParamWrite, &kLate, kNetwork, {false, kSetFailed}},
    {&kParamWrite, &kHalf, kAll, {false, kSetFailed}},
    {&kParamWrite, &kHalfClose, kNetwork, {false, kSetFailed}},
    {&kParamWrite, &kSilence, kLine, {false, kNoComm}},
    {&kParamWrite, &kSilence, kNetwork, {false, kSetFailed}},
    {&kParamWrite, &kOversize, kAll, {false, kSetFailed}},
    {&kParamWrite, &kEcho, kLine, {false, kSetFailed}},
    {&kWriteThenRead, &kLate, kAll, {true, ""}},
    {&kCoil, &kSplit, kAll, {true, kSetOk}},
    {&kCoil, &kLeading, kLine, {false, "操作失败！ | 设置失败！"}},
    {&kCoil, &kLeading, kNetwork, {false, kSetFailed}},
    {&kCoil, &kTrailing, kAll, {true, kSetOk}},
    {&kCoil, &kBadCrc, kLine, {false, "操作失败！ | 设置失败！"}},
    {&kCoil, &kWrongAddress, kLine, {false, "操作失败！ | 设置失败！"}},
    {&kCoil, &kWrongAddress, kNetwork, {false, kSetFailed}},
    {&kCoil, &kException, kSerial | kNetwork, {false, kSetFailed}},
    {&kCoil, &kException, kWireless, {false, "操作失败！ | 设置失败！"}},
    {&kCoil, &kWrongTid, kNetwork, {false, kSetFailed}},
    {&kCoil, &kLate, kAll, {false, kSetFailed}},
    {&kCoil, &kHalf, kSerial | kNetwork, {false, kSetFailed}},
    {&kCoil, &kHalf, kWireless, {false, "操作失败！ | 设置失败！"}},
    {&kCoil, &kHalfClose, kNetwork, {false, kSetFailed}},
    {&kCoil, &kSilence, kAll, {false, kSetFailed}},
    {&kCoil, &kOversize, kLine, {false, "操作失败！ | 设置失败！"}},
    {&kCoil, &kOversize, kNetwork, {false, kSetFailed}},
    {&kCoil, &kEcho, kLine, {true, kSetOk}},
    {&kLog, &kSplit, kAll, {true, ""}},
    {&kLog, &kLeading, kAll, {false, "头格式不对!"}},
    {&kLog, &kTrailing, kAll, {false, "尾格式不对!"}},
    {&kLog, &kBadCrc, kLine, {false, "尾格式不对!"}},
    {&kLog, &kWrongAddress, kAll, {false, "头格式不对!"}},
    {&kLog, &kException, kAll, {false, "头格式不对!"}},
    {&kLog, &kWrongTid, kNetwork, {false, ""}},  // another transaction's answer is none
    {&kLog, &kLate, kLine, {false, "头格式不对!"}, Ended{false, "数据个数=112,数据部分丢失8+N*44+4"}},
    {&kLog, &kLate, kNetwork, {false, ""}, Ended{false, "数据个数=118,数据部分丢失8+N*44+4"}},
    {&kLog, &kHalf, kAll, {false, "尾格式不对!"}},
    {&kLog, &kHalfClose, kNetwork, {false, "尾格式不对!"}},
    {&kLog, &kSilence, kLine, {false, "头格式不对!"}},
    {&kLog, &kSilence, kNetwork, {false, ""}},
    {&kLog, &kOversize, kAll, {false, "尾格式不对!"}},
    {&kLog, &kEcho, kLine, {false, "数据个数=63,数据部分丢失8+N*44+4"}},
    {&kClockRead, &kSplit, kAll, {true, ""}},
    {&kClockRead, &kLeading, kSerial, {false, "返回数据错误！"}},
    {&kClockRead, &kLeading, kWireless, {false, "3需要数据长度=9,实际读回数据长度=1"}},
    {&kClockRead, &kLeading, kNetwork, {false, "读取数据失败！"}},
    {&kClockRead, &kTrailing, kSerial | kNetwork, {true, ""}},
    {&kClockRead, &kTrailing, kWireless, {false, "3需要数据长度=9,实际读回数据长度=1"}},
    {&kClockRead, &kBadCrc, kLine, {false, "返回数据错误！"}},
    {&kClockRead, &kWrongAddress, kAll, {false, "返回数据错误！"}},
    {&kClockRead, &kException, kSerial | kNetwork, {false, "返回数据错误！"}},
    {&kClockRead, &kException, kWireless, {false, "3需要数据长度=9,实际读回数据长度=5"}},
    {&kClockRead, &kWrongTid, kNetwork, {false, "读取数据失败！"}},
    {&kClockRead, &kLate, kLine, {false, "通讯失败，请检查连接或重新操作！"}},
    {&kClockRead, &kLate, kNetwork, {false, "读取数据失败！"}},
    {&kClockRead, &kHalf, kSerial | kNetwork, {false, "返回数据错误！"}},
    {&kClockRead, &kHalf, kWireless, {false, "3需要数据长度=9,实际读回数据长度=4"}},
    {&kClockRead, &kHalfClose, kNetwork, {false, "返回数据错误！"}},
    {&kClockRead, &kSilence, kLine, {false, "通讯失败，请检查连接或重新操作！"}},
    {&kClockRead, &kSilence, kNetwork, {false, "读取数据失败！"}},
    {&kClockRead, &kOversize, kSerial | kNetwork, {false, "返回数据错误！"}},
    {&kClockRead, &kOversize, kWireless, {false, "3需要数据长度=9,实际读回数据长度=15"}},
    {&kClockRead, &kEcho, kSerial, {false, "返回数据错误！"}},
    {&kClockRead, &kEcho, kWireless, {true, ""}},
    {&kClockWrite, &kSplit, kAll, {true, "设置成功！"}},
    {&kClockWrite, &kLeading, kAll, {false, "设置失败！"}},
    {&kClockWrite, &kTrailing, kLine, {false, "设置失败！"}},
    {&kClockWrite, &kTrailing, kNetwork, {true, "设置成功！"}},
    {&kClockWrite, &kBadCrc, kLine, {false, "设置失败！"}},
    {&kClockWrite, &kWrongAddress, kAll, {false, "设置失败！"}},
    {&kClockWrite, &kException, kAll, {false, "设置失败！"}},
    {&kClockWrite, &kWrongTid, kNetwork, {false, "设置失败！"}},
    {&kClockWrite, &kLate, kLine, {false, "通讯失败，请检查连接或重新操作！"}, Ended{false, "设置失败！"}},
    {&kClockWrite, &kLate, kNetwork, {false, "设置失败！"}},
    {&kClockWrite, &kHalf, kAll, {false, "设置失败！"}},
    {&kClockWrite, &kHalfClose, kNetwork, {false, "设置失败！"}},
    {&kClockWrite, &kSilence, kLine, {false, "通讯失败，请检查连接或重新操作！"}},
    {&kClockWrite, &kSilence, kNetwork, {false, "设置失败！"}},
    {&kClockWrite, &kOversize, kAll, {false, "设置失败！"}},
    {&kClockWrite, &kEcho, kLine, {false, "设置失败！"}},
    {&kPresetTable, &kSplit, kAll, {true, ""}},
    {&kPresetTable, &kLeading, kLine, {false, "ModBus地址不匹配"}},
    {&kPresetTable, &kLeading, kNetwork, {false, ""}},
    {&kPresetTable, &kTrailing, kLine, {false, "格式不正确"}},
    {&kPresetTable, &kTrailing, kNetwork, {true, ""}},
    {&kPresetTable, &kBadCrc, kLine, {false, ""}},
    {&kPresetTable, &kWrongAddress, kAll, {false, "ModBus地址不匹配"}},
    {&kPresetTable, &kException, kLine, {false, ""}},
    {&kPresetTable, &kException, kNetwork, {false, "格式不正确"}},
    {&kPresetTable, &kWrongTid, kNetwork, {false, ""}},
    {&kPresetTable, &kLate, kLine, {false, ""}, Ended{false, "格式不正确"}},
    {&kPresetTable, &kLate, kNetwork, {false, ""}},
    {&kPresetTable, &kHalf, kLine, {false, ""}},
    {&kPresetTable, &kHalf, kNetwork, {false, "格式不正确"}},
    {&kPresetTable, &kHalfClose, kNetwork, {false, "接收数据错误，请检查网络连接！"}},
    {&kPresetTable, &kSilence, kAll, {false, ""}},
    {&kPresetTable, &kOversize, kAll, {false, "格式不正确"}},
    {&kPresetTable, &kEcho, kLine, {false, "格式不正确"}},
    {&kFaultWords, &kSplit, kAll, {true, ""}},
    {&kFaultWords, &kLeading, kAll, {false, "返回数据错误！"}},
    {&kFaultWords, &kTrailing, kLine, {false, "返回数据错误！"}},
    {&kFaultWords, &kTrailing, kNetwork, {true, ""}},
    {&kFaultWords, &kBadCrc, kLine, {false, "返回数据错误！"}},
    {&kFaultWords, &kWrongAddress, kLine, {false, "返回数据错误！"}},
    {&kFaultWords, &kWrongAddress, kNetwork, {false, "ModBus地址不匹配 | 接收数据错误！"}},
    {&kFaultWords, &kException, kLine, {false, "返回数据错误！"}},
    {&kFaultWords, &kException, kNetwork, {false, "格式不正确 | 接收数据错误！"}},
    {&kFaultWords, &kWrongTid, kNetwork, {false, "返回数据错误！"}},
    {&kFaultWords, &kLate, kLine, {false, "返回数据错误！"}, Ended{false, "返回数据错误！"}},
    {&kFaultWords, &kLate, kNetwork, {false, "返回数据错误！"}},
    {&kFaultWords, &kHalf, kLine, {false, "返回数据错误！"}},
    {&kFaultWords, &kHalf, kNetwork, {false, "格式不正确 | 接收数据错误！"}},
    {&kFaultWords, &kHalfClose, kNetwork, {false, "接收数据错误，请检查网络连接！"}},
    {&kFaultWords, &kSilence, kAll, {false, "返回数据错误！"}},
    {&kFaultWords, &kOversize, kLine, {false, "返回数据错误！"}},
    {&kFaultWords, &kOversize, kNetwork, {false, "格式不正确 | 接收数据错误！"}},
    {&kFaultWords, &kEcho, kLine, {false, "返回数据错误！"}},
    {&kIdentification, &kSplit, kAll, {true, ""}},
    {&kIdentification, &kLeading, kAll, {false, ""}},
    {&kIdentification, &kTrailing, kLine, {false, ""}},
    {&kIdentification, &kTrailing, kNetwork, {true, ""}},
    {&kIdentification, &kBadCrc, kLine, {false, ""}},
    {&kIdentification, &kWrongAddress, kLine, {false, ""}},
    {&kIdentification, &kWrongAddress, kNetwork, {true, ""}},
    {&kIdentification, &kException, kAll, {false, ""}},
    {&kIdentification, &kWrongTid, kNetwork, {false, ""}},
    {&kIdentification, &kLate, kLine, {false, ""}, Ended{false, ""}},
    {&kIdentification, &kLate, kNetwork, {false, ""}},
    {&kIdentification, &kHalf, kAll, {false, ""}},
    {&kIdentification, &kHalfClose, kNetwork, {false, "接收数据错误！"}},
    {&kIdentification, &kSilence, kAll, {false, ""}},
    {&kIdentification, &kOversize, kAll, {false, ""}},
    {&kIdentification, &kEcho, kLine, {false, ""}},
    {&kLightingTimes, &kSplit, kAll, {true, ""}},
    {&kLightingTimes, &kLeading, kAll, {false, ""}},
    {&kLightingTimes, &kTrailing, kSerial | kNetwork, {true, ""}},
    {&kLightingTimes, &kTrailing, kWireless, {false, ""}},
    {&kLightingTimes, &kBadCrc, kLine, {false, ""}},
    {&kLightingTimes, &kWrongAddress, kLine, {false, ""}},
    {&kLightingTimes, &kWrongAddress, kNetwork, {true, ""}},
    {&kLightingTimes, &kException, kAll, {false, ""}},
    {&kLightingTimes, &kWrongTid, kNetwork, {false, ""}},
    {&kLightingTimes, &kLate, kAll, {false, ""}},
    {&kLightingTimes, &kHalf, kAll, {false, ""}},
    {&kLightingTimes, &kHalfClose, kNetwork, {false, "接收数据错误！"}},
    {&kLightingTimes, &kSilence, kAll, {false, ""}},
    {&kLightingTimes, &kOversize, kAll, {false, ""}},
    {&kLightingTimes, &kEcho, kLine, {false, ""}},
    {&kNetworkModule, &kSplit, kAll, {true, ""}},
    {&kNetworkModule, &kLeading, kLine, {false, "ModBus地址不匹配"}},
    {&kNetworkModule, &kLeading, kNetwork, {false, ""}},
    {&kNetworkModule, &kTrailing, kLine, {false, "格式不正确"}},
    {&kNetworkModule, &kTrailing, kNetwork, {true, ""}},
    {&kNetworkModule, &kBadCrc, kLine, {false, ""}},
    {&kNetworkModule, &kWrongAddress, kAll, {false, "ModBus地址不匹配"}},
    {&kNetworkModule, &kException, kLine, {false, ""}},
    {&kNetworkModule, &kException, kNetwork, {false, "格式不正确"}},
    {&kNetworkModule, &kWrongTid, kNetwork, {false, ""}},
    {&kNetworkModule, &kLate, kLine, {false, ""}, Ended{false, "格式不正确"}},
    {&kNetworkModule, &kLate, kNetwork, {false, ""}},
    {&kNetworkModule, &kHalf, kAll, {false, ""}},
    {&kNetworkModule, &kHalfClose, kNetwork, {false, "接收数据错误！"}},
    {&kNetworkModule, &kSilence, kAll, {false, ""}},
    {&kNetworkModule, &kOversize, kLine, {false, "格式不正确"}},
    {&kNetworkModule, &kOversize, kNetwork, {false, ""}},
    {&kNetworkModule, &kEcho, kLine, {false, ""}},
    {&kWirelessAddresses, &kSplit, kAll, {true, ""}},
    {&kWirelessAddresses, &kLeading, kLine, {false, "ModBus地址不匹配"}},
    {&kWirelessAddresses, &kLeading, kNetwork, {false, ""}},
    {&kWirelessAddresses, &kTrailing, kLine, {false, "格式不正确"}},
    {&kWirelessAddresses, &kTrailing, kNetwork, {true, ""}},
    {&kWirelessAddresses, &kBadCrc, kLine, {false, ""}},
    {&kWirelessAddresses, &kWrongAddress, kAll, {false, "ModBus地址不匹配"}},
    {&kWirelessAddresses, &kException, kLine, {false, ""}},
    {&kWirelessAddresses, &kException, kNetwork, {false, "格式不正确"}},
    {&kWirelessAddresses, &kWrongTid, kNetwork, {false, ""}},
    {&kWirelessAddresses, &kLate, kLine, {false, ""}, Ended{false, "格式不正确"}},
    {&kWirelessAddresses, &kLate, kNetwork, {false, ""}},
    {&kWirelessAddresses, &kHalf, kAll, {false, ""}},
    {&kWirelessAddresses, &kHalfClose, kNetwork, {false, "接收数据错误！"}},
    {&kWirelessAddresses, &kSilence, kAll, {false, ""}},
    {&kWirelessAddresses, &kOversize, kLine, {false, "格式不正确"}},
    {&kWirelessAddresses, &kOversize, kNetwork, {false, ""}},
    {&kWirelessAddresses, &kEcho, kLine, {false, ""}},
    {&kAddressWrite, &kSplit, kAll, {true, ""}},
    {&kAddressWrite, &kLeading, kAll, {true, ""}},
    {&kAddressWrite, &kTrailing, kAll, {true, ""}},
    {&kAddressWrite, &kBadCrc, kLine, {true, ""}},
    {&kAddressWrite, &kWrongAddress, kAll, {true, ""}},
    {&kAddressWrite, &kException, kAll, {true, ""}},
    {&kAddressWrite, &kWrongTid, kNetwork, {true, ""}},
    {&kAddressWrite, &kLate, kLine, {false, ""}, Ended{false, "读取数据错误！"}},
    {&kAddressWrite, &kLate, kNetwork, {false, ""}},
    {&kAddressWrite, &kHalf, kAll, {true, ""}},
    {&kAddressWrite, &kHalfClose, kNetwork, {false, "接收数据错误！"}},
    {&kAddressWrite, &kSilence, kAll, {true, ""}},
    {&kAddressWrite, &kOversize, kAll, {true, ""}},
    {&kAddressWrite, &kEcho, kLine, {true, ""}},
    {&kRawFrame, &kSplit, kAll, {true, ""}},
    {&kRawFrame, &kLeading, kAll, {false, ""}},
    {&kRawFrame, &kTrailing, kLine, {false, ""}},
    {&kRawFrame, &kTrailing, kNetwork, {true, ""}},
    {&kRawFrame, &kBadCrc, kLine, {true, ""}},
    {&kRawFrame, &kWrongAddress, kAll, {false, ""}},
    {&kRawFrame, &kException, kAll, {false, ""}},
    {&kRawFrame, &kWrongTid, kNetwork, {false, ""}},
    {&kRawFrame, &kLate, kLine, {false, ""}, Ended{false, ""}},
    {&kRawFrame, &kLate, kNetwork, {false, ""}},
    {&kRawFrame, &kHalf, kAll, {false, ""}},
    {&kRawFrame, &kHalfClose, kNetwork, {false, "接收数据错误！"}},
    {&kRawFrame, &kSilence, kAll, {false, ""}},
    {&kRawFrame, &kOversize, kAll, {false, ""}},
    {&kRawFrame, &kEcho, kLine, {false, ""}},
    {&kRdInfo, &kSplit, kNetwork, {true, ""}},
    {&kRdInfo, &kLeading, kNetwork, {false, "返回数据错误！"}},
    {&kRdInfo, &kTrailing, kNetwork, {true, ""}},
    {&kRdInfo, &kWrongAddress, kNetwork, {false, ""}},
    {&kRdInfo, &kException, kNetwork, {false, ""}},
    {&kRdInfo, &kWrongTid, kNetwork, {false, "返回数据错误！"}},
    {&kRdInfo, &kLate, kNetwork, {false, "返回数据错误！"}},
    {&kRdInfo, &kHalf, kNetwork, {false, ""}},
    {&kRdInfo, &kHalfClose, kNetwork, {false, ""}},
    {&kRdInfo, &kSilence, kNetwork, {false, "返回数据错误！"}},
    {&kRdInfo, &kOversize, kNetwork, {false, ""}},
    {&kRdWrite, &kSplit, kNetwork, {true, ""}},
    {&kRdWrite, &kLeading, kNetwork, {false, "返回数据错误！"}},
    {&kRdWrite, &kTrailing, kNetwork, {true, ""}},
    {&kRdWrite, &kWrongAddress, kNetwork, {false, ""}},
    {&kRdWrite, &kException, kNetwork, {false, ""}},
    {&kRdWrite, &kWrongTid, kNetwork, {false, "返回数据错误！"}},
    {&kRdWrite, &kLate, kNetwork, {false, "返回数据错误！"}},
    {&kRdWrite, &kHalf, kNetwork, {false, "返回数据错误！"}},
    {&kRdWrite, &kHalfClose, kNetwork, {false, "返回数据错误！"}},
    {&kRdWrite, &kSilence, kNetwork, {false, "返回数据错误！"}},
    {&kRdWrite, &kOversize, kNetwork, {false, ""}},
};

struct Session {
  SimProcess sim;
  std::string tty;
  LinkService link;
  std::shared_ptr<TcpLink> tcp;
  int connectError = -1;

  bool Start(LinkMode mode, std::vector<std::string> faults) {
    std::vector<std::string> args;
    if (mode == LinkMode::kNetwork) {
      args = {"--tcp", "0"};
    } else {
      tty = SimProcess::UniquePath("matrix");
      args = {"--pty", tty};
      if (mode == LinkMode::kWireless) args.push_back("--wireless");
    }
    args.insert(args.end(), faults.begin(), faults.end());
    if (!sim.Start(kSim, args)) return false;
    return mode == LinkMode::kNetwork ? Connect() : link.EnsureSerialOpenPath(tty);
  }

  // What the network session does once the controller closed the connection: a new one.
  bool Connect() {
    connectError = -1;
    tcp = std::make_shared<TcpLink>([this](int e, int err) {
      if (e == kSocketConnect) connectError = err;
    });
    if (!tcp->Connect("127.0.0.1", sim.tcpPort())) return false;
    for (int i = 0; i < 100 && connectError < 0; ++i) tcp->PumpEvents(20);
    if (connectError != 0) return false;
    link.SetConnection(tcp);
    link.SetConnected(true);
    return true;
  }
};

std::string RowName(const Row& row) { return std::string(row.op->name) + "/" + row.fault->name; }

void RunRow(const Row& row, LinkMode mode) {
  SCOPED_TRACE(RowName(row) + " in mode " + std::to_string(static_cast<int>(mode)));
  std::vector<std::string> faults = row.fault->args;
  const int waitMs = mode == LinkMode::kNetwork ? row.op->netWaitMs : row.op->lineWaitMs;
  // Real sleeps overrun their nominal length: the late answer keeps a wide margin behind the wait.
  if (row.fault->late) faults = {"--delay", std::to_string(waitMs * 3 / 2 + 100)};
  faults.insert(faults.end(), {"--fault-answers", "1"});
  Session s;
  ASSERT_TRUE(s.Start(mode, faults)) << s.sim.output();
  const Ended got = row.op->run(s.link, mode);
  EXPECT_EQ(got, row.expected);
  if (row.fault->closes) {
    ASSERT_TRUE(s.Connect());
  }
  if (row.next) {
    // A late answer that beats the next request (a loaded machine stretches the first wait) is
    // flushed before that request goes out: then the next exchange simply succeeds.
    const Ended next = row.op->run(s.link, mode);
    EXPECT_TRUE(next == *row.next || next == row.op->success)
        << "while the fault reaches in: " << ::testing::PrintToString(next);
  }
  EXPECT_EQ(row.op->run(s.link, mode), row.op->success) << "once the fault stopped";
}

void PrintTo(const Ended& e, std::ostream* os) { *os << (e.ok ? "ok" : "failed") << " \"" << e.text << "\""; }

}  // namespace
}  // namespace kaviro::testing

namespace kaviro {
void PrintTo(LinkMode mode, std::ostream* os) { *os << static_cast<int>(mode); }
}  // namespace kaviro

namespace kaviro::testing {
namespace {

class FaultMatrix : public ::testing::TestWithParam<LinkMode> {};

TEST_P(FaultMatrix, EveryOperationMeetsEveryFault) {
  const LinkMode mode = GetParam();
  const int bit = mode == LinkMode::kSerial ? kSerial : mode == LinkMode::kWireless ? kWireless : kNetwork;
  std::vector<const Row*> rows;
  for (const Row& r : kRows)
    if (r.modes & bit) rows.push_back(&r);
  // Rows mostly sleep in their waits: enough of them at once to keep the run short.
  constexpr size_t kSideBySide = 12;
  std::atomic<size_t> next{0};
  std::vector<std::thread> workers;
  for (size_t w = 0; w < kSideBySide; ++w)
    workers.emplace_back([&] {
      for (size_t i; (i = next++) < rows.size();) RunRow(*rows[i], mode);
    });
  for (std::thread& t : workers) t.join();
}

INSTANTIATE_TEST_SUITE_P(Modes, FaultMatrix,
                         ::testing::Values(LinkMode::kSerial, LinkMode::kWireless, LinkMode::kNetwork),
                         [](const auto& info) {
                           return std::string(info.param == LinkMode::kSerial     ? "Serial"
                                              : info.param == LinkMode::kWireless ? "Wireless"
                                                                                  : "Network");
                         });

}  // namespace
}  // namespace kaviro::testing

