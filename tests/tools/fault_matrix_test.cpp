// Every operation against kaviro-sim's faults in every work mode: one row per (operation, fault)
// with the outcome the operation's own rules give, then the same operation once the fault has
// stopped, which must succeed. Each row has its own simulator (faults for its first answer only)
// and the rows of a mode run side by side, since nearly all of their time is spent waiting.
#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "link/link_service.h"
#include "link/tcp_link.h"
#include "monitor/poll_worker.h"
#include "sim/sim_process.h"
#include "tools/controller/coil_command.h"
#include "tools/controller/param_register.h"
#include "tools/log/log_reader.h"

namespace kaviro::testing {
namespace {

const std::string kSim = KAVIRO_SIM_PATH;
constexpr uint8_t kUnit = 1;

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

Ended ParamRead(LinkService& link, LinkMode mode) {
  const ParamReply r = ReadParamRegister(link, mode, kUnit, 0xE00E);
  return {r.ok() && r.Word() == 1600, r.message};
}

Ended ParamWrite(LinkService& link, LinkMode mode) {
  const ParamReply r = SendParamWrite(link, mode, WriteRegister(kUnit, 0xE00E, 1600));
  return {r.ok(), r.message};
}

Ended Coil(LinkService& link, LinkMode mode) {
  const CoilResult r = SendCoil(link, mode, kUnit, 0x0014);
  return {r.confirmed, Joined(r.messages)};
}

Ended Log(LinkService& link, LinkMode mode) {
  const LogRead r = ReadLog(link, mode, kUnit, true);
  return {r.rows.size() == 1 && r.message.empty(), r.message};
}

using Operation = Ended (*)(LinkService&, LinkMode);

struct Op {
  const char* name;
  Operation run;
  Ended success;  // what it ends in without a fault
  // Its longest wait for an answer on the serial line and on the network: a late answer comes
  // just after it, while the next request waits.
  int lineWaitMs;
  int netWaitMs;
};

const Op kPoll{"Poll", Poll, {true, ""}, 2000, 500};
const Op kParamRead{"ParamRead", ParamRead, {true, ""}, 500, 1500};
const Op kParamWrite{"ParamWrite", ParamWrite, {true, "设置成功！"}, 500, 500};
const Op kCoil{"Coil", Coil, {true, "设置成功！"}, 500, 500};
const Op kLog{"Log", Log, {true, ""}, 2050, 210};

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
    {&kLog, &kWrongTid, kNetwork, {true, ""}},
    {&kLog, &kLate, kLine, {false, "头格式不对!"}, Ended{false, "数据个数=112,数据部分丢失8+N*44+4"}},
    {&kLog, &kLate, kNetwork, {false, ""}, Ended{false, "数据个数=118,数据部分丢失8+N*44+4"}},
    {&kLog, &kHalf, kAll, {false, "尾格式不对!"}},
    {&kLog, &kHalfClose, kNetwork, {false, "尾格式不对!"}},
    {&kLog, &kSilence, kLine, {false, "头格式不对!"}},
    {&kLog, &kSilence, kNetwork, {false, ""}},
    {&kLog, &kOversize, kAll, {false, "尾格式不对!"}},
    {&kLog, &kEcho, kLine, {false, "数据个数=63,数据部分丢失8+N*44+4"}},
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
    EXPECT_EQ(row.op->run(s.link, mode), *row.next) << "while the fault reaches in";
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
