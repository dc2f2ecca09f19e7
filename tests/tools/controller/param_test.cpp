// The parameter settings' operations in virtual time: frames of every row, the input checks,
// the reads' and writes' waits and every message they end with.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <memory>

#include "link/fake_link.h"
#include "link/link_texts.h"
#include "link/radio_packet.h"
#include "link/text_format.h"
#include "tools/controller/param_settings.h"

namespace kaviro {
namespace {

using testing::Bytes;

Bytes Of(const RtuFrame& f) { return {f.Bytes().begin(), f.Bytes().end()}; }
Bytes Sealed(const Bytes& body) { return Of(RtuFrame::Seal(body)); }

Bytes ReadAnswer(std::vector<uint16_t> words, uint8_t function = fn::kReadInput, uint8_t unit = 1) {
  std::vector<uint8_t> body{unit, function, static_cast<uint8_t>(2 * words.size())};
  for (uint16_t w : words) PutU16(body, w);
  return Sealed(body);
}

Bytes Packets(const Bytes& plain) {
  Bytes out;
  for (const RadioPacket& p : PackFrame(plain)) out.insert(out.end(), p.begin(), p.end());
  return out;
}

// The network form of an RTU answer: header with `id`, the frame without its CRC.
Bytes Net(uint16_t id, const Bytes& rtu) {
  const size_t length = rtu.size() - 2;
  Bytes out(6 + length);
  out[0] = static_cast<uint8_t>(id >> 8);
  out[1] = static_cast<uint8_t>(id);
  out[5] = static_cast<uint8_t>(length);
  std::copy_n(rtu.begin(), length, out.begin() + 6);
  return out;
}

const ParamRow& Row(uint16_t reg) { return *FindParamRow(reg); }

constexpr uint16_t kId = 0x0102;  // the transaction the network requests carry

// Scripted lines for every work mode; public, so that the table rows can script them.
class ParamLinkTest : public ::testing::Test {
 public:
  ParamLinkTest() {
    link.UseSerialDevice(&port);
    link.SetConnection(socket);
    link.SetConnected(true);
    link.transaction().Reset(kId);
  }
  testing::FakeClock clock;
  testing::ScriptedPort port{clock};
  std::shared_ptr<testing::ScriptedSocket> socket = std::make_shared<testing::ScriptedSocket>();
  LinkService link{clock};
  DecodedValues values{};
};

// Every row: its read request, the text a read answer shows, and the write its input makes
// after the companion reads (answered with the simulator's defaults).
struct RowCase {
  uint16_t reg;
  Bytes read;
  uint16_t word;
  const char* shown;
  const char* input;
  std::vector<uint16_t> companions;
  Bytes write;
};

const RowCase kRowCases[] = {
    {0x0028, {1, 4, 0x00, 0x28, 0, 1, 0xB1, 0xC2}, 1000, "10.00", "10.5", {1600}, {1, 6, 0x00, 0x28, 0x04, 0x1A, 0x8A, 0xC9}},
    {0x0029, {1, 4, 0x00, 0x29, 0, 1, 0xE0, 0x02}, 1600, "16.00", "16.2", {1000}, {1, 6, 0x00, 0x29, 0x06, 0x54, 0x5A, 0x5D}},
    {0x003C, {1, 4, 0x00, 0x3C, 0, 1, 0xF1, 0xC6}, 3000, "30.00", "30", {}, {1, 6, 0x00, 0x3C, 0x0B, 0xB8, 0x4E, 0x84}},
    {0x0022, {1, 4, 0x00, 0x22, 0, 1, 0x91, 0xC0}, 2000, "20.00", "20", {3000}, {1, 6, 0x00, 0x22, 0x07, 0xD0, 0x2A, 0x6C}},
    {0x001C, {1, 4, 0x00, 0x1C, 0, 1, 0xF0, 0x0C}, 50, "0.50", "0.29", {}, {1, 6, 0x00, 0x1C, 0x00, 0x1D, 0x88, 0x05}},
    {0xE009, {1, 4, 0xE0, 0x09, 0, 1, 0xD6, 0x08}, 7200, "7200", "7200", {}, {1, 6, 0xE0, 0x09, 0x1C, 0x20, 0x67, 0x10}},
    {0xE006, {1, 4, 0xE0, 0x06, 0, 1, 0xE6, 0x0B}, 10800, "10800", "10800", {}, {1, 6, 0xE0, 0x06, 0x2A, 0x30, 0x41, 0x7F}},
    {0x0043, {1, 4, 0x00, 0x43, 0, 1, 0xC0, 0x1E}, 60, "60", "60", {0xFFEC}, {1, 6, 0x00, 0x43, 0x00, 0x3C, 0x78, 0x0F}},
    {0x0044, {1, 4, 0x00, 0x44, 0, 1, 0x71, 0xDF}, 0xFFEC, "-20", "-40", {60}, {1, 6, 0x00, 0x44, 0xFF, 0xD8, 0x88, 0x75}},
    {0xE08A, {1, 4, 0xE0, 0x8A, 0, 1, 0x27, 0xE0}, 60, "60", "90", {}, {1, 6, 0xE0, 0x8A, 0x00, 0x5A, 0x1F, 0xDB}},
    {0xE00E, {1, 4, 0xE0, 0x0E, 0, 1, 0x67, 0xC9}, 1600, "16.00", "13", {}, {1, 6, 0xE0, 0x0E, 0x05, 0x14, 0xDC, 0x96}},
    {0xE00F, {1, 4, 0xE0, 0x0F, 0, 1, 0x36, 0x09}, 1500, "15.00", "15.7", {1600, 1250}, {1, 6, 0xE0, 0x0F, 0x06, 0x22, 0x0D, 0xB0}},
    {0xE011, {1, 4, 0xE0, 0x11, 0, 1, 0x56, 0x0F}, 1110, "11.10", "11.1", {1250}, {1, 6, 0xE0, 0x11, 0x04, 0x56, 0x6C, 0xF1}},
    {0xE012, {1, 4, 0xE0, 0x12, 0, 1, 0xA6, 0x0F}, 1250, "12.50", "12.5", {1500, 1110}, {1, 6, 0xE0, 0x12, 0x04, 0xE2, 0x9C, 0x86}},
    {0xE003, {1, 4, 0xE0, 0x03, 0, 1, 0xF6, 0x0A}, 30, "3.0", "3", {}, {1, 6, 0xE0, 0x03, 0x00, 0x1E, 0xCE, 0x02}},
    {0x003D, {1, 4, 0x00, 0x3D, 0, 1, 0xA0, 0x06}, 0, "", "10", {}, {1, 6, 0x00, 0x3D, 0x00, 0x0A, 0x98, 0x01}},
    {0x001F, {1, 4, 0x00, 0x1F, 0, 1, 0x00, 0x0C}, 2, "智能", "0", {}, {1, 6, 0x00, 0x1F, 0x00, 0x00, 0xB8, 0x0C}},
    {0x0041, {1, 4, 0x00, 0x41, 0, 1, 0x61, 0xDE}, 0, "0", "1", {}, {1, 6, 0x00, 0x41, 0x00, 0x01, 0x18, 0x1E}},
    {0x0047, {1, 4, 0x00, 0x47, 0, 1, 0x81, 0xDF}, 0xFFFF, "-1", "1", {}, {1, 6, 0x00, 0x47, 0x00, 0x01, 0xF8, 0x1F}},
};

TEST_F(ParamLinkTest, EveryRowReadsShowsAndWritesItsFrames) {
  ASSERT_EQ(ParamRows().size(), std::size(kRowCases));
  for (const RowCase& c : kRowCases) {
    SCOPED_TRACE(Row(c.reg).name);
    testing::FakeClock rowClock;
    testing::ScriptedPort rowPort{rowClock};
    LinkService rowLink{rowClock};
    rowLink.UseSerialDevice(&rowPort);

    rowPort.AnswerWrite(0, 60, ReadAnswer({c.word}));
    const Result<ParamValue> read = ReadParamRow(rowLink, LinkMode::kSerial, 1, Row(c.reg), values);
    ASSERT_TRUE(read.ok()) << read.Text();
    EXPECT_EQ(read.value->text, c.shown);
    EXPECT_EQ(ParamDisplayText(Row(c.reg), values), c.shown);  // the cache holds it
    EXPECT_EQ(rowPort.writes()[0], c.read);

    for (size_t i = 0; i < c.companions.size(); ++i) rowPort.AnswerWrite(1 + i, 60, ReadAnswer({c.companions[i]}));
    rowPort.AnswerWrite(1 + c.companions.size(), 60, c.write);
    const Result<uint16_t> wrote = WriteParamRegister(rowLink, LinkMode::kSerial, 1, Row(c.reg), c.input);
    EXPECT_EQ(wrote.Text(), text::kSetOk);
    ASSERT_EQ(rowPort.writes().size(), 2 + c.companions.size());
    for (size_t i = 0; i < c.companions.size(); ++i)
      EXPECT_EQ(rowPort.writes()[1 + i], Of(ParamReadRequest(1, Row(c.reg).companions[i])));
    EXPECT_EQ(rowPort.writes().back(), c.write);
  }
  EXPECT_EQ(values.loadHighVoltageDisconnect, 16.0f);
  EXPECT_EQ(values.lowVoltageAlarmDelay, 30);  // raw tenths
}

TEST_F(ParamLinkTest, ClockAndWirelessAndOtherAddressFrames) {
  EXPECT_EQ(Of(ParamReadRequest(1, kClockRegister)), (Bytes{1, 3, 0x00, 0x3E, 0, 2, 0xA5, 0xC7}));
  EXPECT_EQ(ParamReadAnswerLength(kClockRegister), 9);
  EXPECT_EQ(Of(ParamReadRequest(0x0A, 0x0028)), (Bytes{0x0A, 4, 0x00, 0x28, 0, 1, 0xB0, 0xB9}));
  EXPECT_EQ(Of(ClockWriteRequest(1, 100)),
            (Bytes{0x01, 0x10, 0x00, 0x3E, 0x00, 0x02, 0x04, 0x00, 0x00, 0x00, 0x64, 0x70, 0xDC}));
  // Before 2000 the count is negative and travels as its two's complement.
  EXPECT_EQ(Of(ClockWriteRequest(1, -60)),
            (Bytes{0x01, 0x10, 0x00, 0x3E, 0x00, 0x02, 0x04, 0xFF, 0xFF, 0xFF, 0xC4, 0x31, 0x70}));

  ReadParamRegister(link, LinkMode::kWireless, 1, 0x0028);
  ReadParamRegister(link, LinkMode::kWireless, 1, kClockRegister);
  EXPECT_EQ(port.writes()[0], (Bytes{1, 4, 0x00, 0x28, 0, 1, 0xB1, 0xC2, 0, 0, 0, 0, 0, 0, 0, 8}));
  EXPECT_EQ(port.writes()[1], (Bytes{1, 3, 0x00, 0x3E, 0, 2, 0xA5, 0xC7, 0, 0, 0, 0, 0, 0, 0, 8}));
}

// The input rules of the rows, at their edges. Companion readings are given as the controller
// reports them (volts, degrees).
struct CheckCase {
  const char* what;
  uint16_t reg;
  const char* input;
  std::vector<double> companions;
  std::optional<uint16_t> word;  // nothing: refused with `message`
  const char* message = kBadInputText;
};

const CheckCase kCheckCases[] = {
    {"load HVD below 13", 0xE00E, "12.5", {}, std::nullopt},
    {"load HVD 13", 0xE00E, "13", {}, 1300},
    {"load HVD 60", 0xE00E, "60", {}, 6000},
    {"load HVD above 60", 0xE00E, "60.01", {}, std::nullopt},
    {"blanks at the ends", 0xE00E, "  13.5 ", {}, 1350},
    {"a unit behind the number", 0xE00E, "13.2V", {}, std::nullopt},
    {"a decimal comma", 0xE00E, "14,4", {}, std::nullopt},
    {"13.2 is 1320, not 1319", 0xE00E, "13.2", {}, 1320},
    {"14.4 is 1440, not 1439", 0xE00E, "14.4", {}, 1440},
    {"full-width digits", 0xE00E, "１３．２", {}, 1320},
    {"no number", 0xE00E, "abc", {}, std::nullopt},
    {"no number where 0 is in range", 0x003D, "abc", {}, std::nullopt},
    {"a sign alone", 0x003D, "-", {}, std::nullopt},
    {"a point alone", 0x003D, ".", {}, std::nullopt},
    {"two points", 0x003D, "1.2.3", {}, std::nullopt},
    {"a blank inside", 0x003D, "1 2", {}, std::nullopt},
    {"exponent", 0x003D, "1e3", {}, std::nullopt},
    {"hex", 0x003D, "0x10", {}, std::nullopt},
    {"min temperature text where 0 is in range", 0x0044, "abc", {60}, std::nullopt},
    {"empty", 0xE00E, "", {}, std::nullopt, kEmptyInputText},
    {"maintenance 100 though the note says 120", 0xE08A, "100", {}, std::nullopt},
    {"maintenance 90", 0xE08A, "90", {}, 90},
    {"maintenance 29", 0xE08A, "29", {}, std::nullopt},
    {"maintenance 30", 0xE08A, "30", {}, 30},
    {"maintenance 65566 never wraps to 30", 0xE08A, "65566", {}, std::nullopt},
    {"maintenance is a whole number", 0xE08A, "60.0", {}, std::nullopt},
    {"maintenance beyond 64 bits", 0xE08A, "99999999999999999999", {}, std::nullopt},
    {"min temperature -40 below a max of -39", 0x0044, "-40", {-39}, 0xFFD8},
    {"min temperature -41", 0x0044, "-41", {60}, std::nullopt},
    {"min temperature equal to max", 0x0044, "-20", {-20}, std::nullopt},
    {"max temperature 120 though the note says below", 0x0043, "120", {-20}, 120},
    {"max temperature equal to min", 0x0043, "-20", {-20}, std::nullopt},
    {"float entry 0.29 is 29", 0x001C, "0.29", {}, 29},
    {"float entry 0.285 rounds half away from zero", 0x001C, "0.285", {}, 29},
    {"float entry 0.2849 rounds down", 0x001C, "0.2849", {}, 28},
    {"float entry 0.095 rounds into the range", 0x001C, "0.095", {}, 10},
    {"float entry 0.1", 0x001C, "0.1", {}, 10},
    {"float entry 0.09", 0x001C, "0.09", {}, std::nullopt},
    {"float entry 1.0", 0x001C, "1.0", {}, 100},
    {"battery min equal to max", 0x0028, "16", {16.0}, std::nullopt},
    {"battery min 9", 0x0028, "9", {16.0}, 900},
    {"battery max 17", 0x0029, "17", {10.0}, 1700},
    {"battery max equal to min", 0x0029, "10", {10.0}, std::nullopt},
    {"charge limit up to rated", 0x0022, "30", {30.0}, 3000},
    {"charge limit 0", 0x0022, "0", {30.0}, std::nullopt},
    {"load HVR at HVD - 0.3", 0xE00F, "15.7", {16.0, 12.5}, 1570},
    {"load HVR above HVD - 0.3", 0xE00F, "15.71", {16.0, 12.5}, std::nullopt},
    {"load HVR at LVR", 0xE00F, "12.5", {16.0, 12.5}, 1250},
    {"load HVR below LVR", 0xE00F, "12.49", {16.0, 12.5}, std::nullopt},
    {"load LVD at LVR - 0.3", 0xE011, "12.2", {12.5}, 1220},
    {"load LVD 0", 0xE011, "0", {12.5}, std::nullopt},
    {"load LVR at LVD + 0.3", 0xE012, "11.4", {15.0, 11.1}, 1140},
    {"load LVR above HVR", 0xE012, "15.01", {15.0, 11.1}, std::nullopt},
    {"alarm delay 2.5 s", 0xE003, "2.5", {}, 25},
    {"alarm delay 1.3 s is 13, not 12", 0xE003, "1.3", {}, 13},
    {"alarm delay 1.25 s rounds to 13", 0xE003, "1.25", {}, 13},
    {"alarm delay 0.9 s", 0xE003, "0.9", {}, std::nullopt},
    {"equalise time 5399", 0xE009, "5399", {}, std::nullopt},
    {"equalise time fraction rounds", 0xE009, "5400.5", {}, 5401},
    {"equalise time fraction rounds down", 0xE009, "5400.4", {}, 5400},
    {"min temperature -40.5 rounds to -41", 0x0044, "-40.5", {60}, std::nullopt},
    {"overload delay -5 would read back as 65531", 0x003D, "-5", {}, std::nullopt},
    {"overload delay 65535", 0x003D, "65535", {}, 0xFFFF},
    {"overload delay beyond 16 bits", 0x003D, "70000", {}, std::nullopt},
    {"overload delay not a number", 0x003D, "nan", {}, std::nullopt},
    {"rated current beyond 16 bits", 0x003C, "700", {}, std::nullopt},
    {"lighting mode 1", 0x001F, "1", {}, 1},
    {"lighting mode 2", 0x001F, "2", {}, std::nullopt, kEmptyInputText},
    {"lighting mode 1.0", 0x001F, "1.0", {}, std::nullopt, kEmptyInputText},
    {"lighting mode with a blank", 0x001F, " 1", {}, std::nullopt, kEmptyInputText},
    {"RD link empty", 0x0041, "", {}, std::nullopt, kEmptyInputText},
};

TEST(ParamInputCheck, EdgesOfEveryRule) {
  for (const CheckCase& c : kCheckCases) {
    const Result<uint16_t> check = CheckParamInput(Row(c.reg), c.input, c.companions);
    EXPECT_EQ(check.value, c.word) << c.what;
    EXPECT_EQ(check.Text(), c.word ? "" : c.message) << c.what;
  }
}

// The decimal text of `units` in steps of 10^-decimals, written from the integer itself.
std::string UnitsText(int64_t units, int decimals) {
  if (decimals == 0) return std::to_string(units);
  const int64_t scale = decimals == 1 ? 10 : 100;
  const int64_t whole = std::abs(units) / scale, part = std::abs(units) % scale;
  return (units < 0 ? "-" : "") + std::to_string(whole) + "." + Format(decimals == 1 ? "%01lld" : "%02lld", static_cast<long long>(part));
}

// Every value a row may take, typed as the row shows it, is written as the word that reads back
// as that same text: no value reaches the controller as its neighbour.
TEST(ParamInputCheck, EveryValueOfEveryRowRoundTrips) {
  for (const ParamRow& row : ParamRows()) {
    if (row.input == ParamInput::kZeroOrOne) continue;
    SCOPED_TRACE(row.name);
    const int decimals = ParamDecimals(row);
    const double scale = std::pow(10.0, decimals);
    // Companions far away, so that only the row's fixed ends limit it.
    std::vector<double> companions(static_cast<size_t>(row.companionCount), 0.0);
    for (const ParamBound* b : {&row.low, &row.high})
      if (b->companion >= 0) companions[static_cast<size_t>(b->companion)] = b == &row.low ? -700.0 : 700.0;
    const bool isSigned = row.shown == ParamShown::kSigned || row.shown == ParamShown::kSignedByte;
    int64_t lo = isSigned ? (row.shown == ParamShown::kSigned ? -32768 : -128) : 0;
    int64_t hi = isSigned ? (row.shown == ParamShown::kSigned ? 32767 : 127) : 65535;
    if (row.low.kind != ParamBound::Kind::kNone && row.low.companion < 0) lo = std::llround(row.low.offset * scale);
    if (row.high.kind != ParamBound::Kind::kNone && row.high.companion < 0) hi = std::llround(row.high.offset * scale);
    int accepted = 0;
    for (int64_t u = lo; u <= hi; ++u) {
      if (row.shown == ParamShown::kBlankZero && u == 0) continue;  // shows as nothing
      const std::string typed = UnitsText(u, decimals);
      const Result<uint16_t> check = CheckParamInput(row, typed, companions);
      if (u > lo && u < hi) {
        ASSERT_TRUE(check.value) << typed;
      }
      if (!check.value) continue;
      ++accepted;
      ASSERT_EQ(ParamWordText(row, *check.value), typed);
    }
    EXPECT_GE(accepted, hi - lo - 1);
  }
}

TEST(ParamRows, NamesAndTexts) {
  EXPECT_EQ(FindParamRow("0xe00e"), FindParamRow(0xE00E));
  EXPECT_EQ(FindParamRow("0XE00E"), FindParamRow("load-hvd"));
  EXPECT_EQ(FindParamRow("0xE00"), nullptr);
  EXPECT_EQ(FindParamRow("0x003E"), nullptr);  // the clock has its own command
  EXPECT_EQ(ParamWordText(Row(0x001F), 0), "定时");
  EXPECT_EQ(ParamWordText(Row(0x003D), 7), "7");
  EXPECT_EQ(ParamWordText(Row(0x0043), 0x1280), "-128");  // low byte only
}

// How an exchange ended, as coarsely as these cases tell it apart.
enum class ParamStatus { kOk, kRefused, kNoLink, kFailed };
ParamStatus Coarse(Status s) {
  switch (s) {
    case Status::kOk: return ParamStatus::kOk;
    case Status::kRefused: return ParamStatus::kRefused;
    case Status::kNotOpen:
    case Status::kNotConnected: return ParamStatus::kNoLink;
    default: return ParamStatus::kFailed;
  }
}
bool FromApplication(const Result<>& r) { return !r.notices.empty() && r.notices.front().application; }

// How a read or a write ends: its status, its message and the virtual time it took.
struct Ending {
  ParamStatus status;
  std::string message;
  uint64_t ms;
  bool fromApplication = false;
};

template <typename T>
void ExpectEnding(const Result<T>& result, const Ending& e, uint64_t ms, const char* what) {
  const Result<> r = result.template As<Nothing>();
  EXPECT_EQ(Coarse(r.status), e.status) << what;
  EXPECT_EQ(r.Text(), e.message) << what;
  EXPECT_EQ(FromApplication(r), e.fromApplication) << what;
  EXPECT_EQ(ms, e.ms) << what;
}

struct ExchangeCase {
  const char* what;
  LinkMode mode;
  std::function<void(ParamLinkTest&)> script;
  Ending ending;
};

class ParamReadTest : public ParamLinkTest, public ::testing::WithParamInterface<ExchangeCase> {};

using PT = ParamLinkTest;
const Bytes kAnswer = ReadAnswer({0x0514});

TEST_P(ParamReadTest, EndsAsTheRulesSay) {
  const ExchangeCase& c = GetParam();
  c.script(*this);
  const Result<RegisterWords> r = ReadParamRegister(link, c.mode, 1, 0xE00E);
  ExpectEnding(r, c.ending, clock.NowMs(), c.what);
  if (r.ok()) {
    EXPECT_EQ(r.value->front(), 0x0514);
  }
  // A request that went out moves the id on, answered or not.
  const bool sent = c.mode == LinkMode::kNetwork && Coarse(r.status) != ParamStatus::kNoLink && !FromApplication(r.As<Nothing>());
  EXPECT_EQ(link.transaction().Current(), sent ? kId + 1 : kId);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ParamReadTest,
    ::testing::Values(
        ExchangeCase{"answer at the first step still waits five steps", LinkMode::kSerial,
                     [](PT& t) { t.port.AnswerAfter(30, kAnswer); }, {ParamStatus::kOk, "", 500}},
        ExchangeCase{"nothing", LinkMode::kSerial, [](PT&) {},
                     {ParamStatus::kFailed, text::kCommunicationFailed, 500}},
        ExchangeCase{"a short answer only seen at the last step", LinkMode::kSerial,
                     [](PT& t) { t.port.AnswerAfter(450, Sealed({1, 0x84, 2})); },
                     {ParamStatus::kFailed, text::kCommunicationFailed, 500}},
        // Five bytes waiting at five steps count 25, but nothing was read: not the last answer.
        ExchangeCase{"an exception answer counted five times", LinkMode::kSerial,
                     [](PT& t) { t.port.AnswerAfter(30, Sealed({1, 0x84, 2})); },
                     {ParamStatus::kFailed, text::kBadAnswer, 500}},
        ExchangeCase{"another address", LinkMode::kSerial,
                     [](PT& t) { t.port.AnswerAfter(30, ReadAnswer({0x0514}, 4, 2)); },
                     {ParamStatus::kFailed, text::kBadAnswer, 500}},
        ExchangeCase{"bad CRC", LinkMode::kSerial,
                     [](PT& t) {
                       Bytes a = kAnswer;
                       a.back() ^= 1;
                       t.port.AnswerAfter(30, a);
                     },
                     {ParamStatus::kFailed, text::kBadAnswer, 500}},
        ExchangeCase{"port not open", LinkMode::kSerial, [](PT& t) { t.port.SetOpen(false); },
                     {ParamStatus::kNoLink, text::kPortBusy, 0}},
        ExchangeCase{"wireless answer", LinkMode::kWireless, [](PT& t) { t.port.AnswerAfter(130, Packets(kAnswer)); },
                     {ParamStatus::kOk, "", 500}},
        ExchangeCase{"wireless last count byte 0", LinkMode::kWireless,
                     [](PT& t) {
                       Bytes p = Packets(kAnswer);
                       p[15] = 0;
                       t.port.AnswerAfter(130, p);
                     },
                     {ParamStatus::kFailed, "最后1包数据长度不正确=0,应该在1~15", 500}},
        ExchangeCase{"wireless payload too short", LinkMode::kWireless,
                     [](PT& t) { t.port.AnswerAfter(130, Packets(Sealed({1, 0x84, 2}))); },
                     {ParamStatus::kFailed, "3需要数据长度=7,实际读回数据长度=5", 500}},
        ExchangeCase{"wireless, a plain answer is fewer bytes than a packet", LinkMode::kWireless,
                     [](PT& t) { t.port.AnswerAfter(130, kAnswer); },
                     {ParamStatus::kFailed, text::kBadAnswer, 500}},
        ExchangeCase{"network answer", LinkMode::kNetwork,
                     [](PT& t) {
                       t.socket->ThenCode(NetSocket::kWouldBlock, 2);
                       t.socket->Then(Net(kId, kAnswer));
                     },
                     {ParamStatus::kOk, "", 90}},
        ExchangeCase{"network receive of nothing", LinkMode::kNetwork, [](PT& t) { t.socket->ThenCode(0); },
                     {ParamStatus::kFailed, text::kBadAnswer, 30}},
        ExchangeCase{"network answers of other transactions", LinkMode::kNetwork,
                     [](PT& t) {
                       for (int i = 0; i < 50; ++i) t.socket->Then(Net(kId - 1, kAnswer));
                     },
                     {ParamStatus::kFailed, kReadFailedText, 1500}},
        ExchangeCase{"network answer from another address", LinkMode::kNetwork,
                     [](PT& t) { t.socket->Then(Net(kId, ReadAnswer({0x0514}, 4, 2))); },
                     {ParamStatus::kFailed, text::kBadAnswer, 30}},
        ExchangeCase{"network exception answer has no value to show", LinkMode::kNetwork,
                     [](PT& t) { t.socket->Then(Net(kId, Sealed({1, 0x84, 2}))); },
                     {ParamStatus::kFailed, text::kBadAnswer, 30}},
        ExchangeCase{"network send incomplete", LinkMode::kNetwork, [](PT& t) { t.socket->LimitSend(11); },
                     {ParamStatus::kFailed, text::kSendFailed, 0, true}},
        ExchangeCase{"network not connected", LinkMode::kNetwork, [](PT& t) { t.link.SetConnected(false); },
                     {ParamStatus::kNoLink, text::kNotConnected, 0}}));

TEST_F(ParamLinkTest, NetworkReadRequestCarriesTheCurrentTransaction) {
  socket->Then(Net(kId, kAnswer));
  ReadParamRegister(link, LinkMode::kNetwork, 1, 0xE00E);
  EXPECT_EQ(socket->sent()[0], (Bytes{0x01, 0x02, 0, 0, 0, 6, 1, 4, 0xE0, 0x0E, 0, 1}));
}

// Writes report success only on the controller's confirmation: the echo of 0x06, the standard
// answer of the clock's 0x10, in every work mode.
class ParamWriteTest : public ParamLinkTest, public ::testing::WithParamInterface<ExchangeCase> {};

const Bytes kWrite = {1, 6, 0xE0, 0x0E, 0x05, 0x14, 0xDC, 0x96};

TEST_P(ParamWriteTest, EndsAsTheRulesSay) {
  const ExchangeCase& c = GetParam();
  c.script(*this);
  const Result<uint16_t> r = WriteParamRegister(link, c.mode, 1, Row(0xE00E), "13");
  ExpectEnding(r, c.ending, clock.NowMs(), c.what);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ParamWriteTest,
    ::testing::Values(
        ExchangeCase{"echo", LinkMode::kSerial, [](PT& t) { t.port.AnswerAfter(150, kWrite); },
                     {ParamStatus::kOk, text::kSetOk, 200}},
        ExchangeCase{"nothing", LinkMode::kSerial, [](PT&) {},
                     {ParamStatus::kFailed, text::kCommunicationFailed, 500}},
        ExchangeCase{"eight bytes but no echo", LinkMode::kSerial,
                     [](PT& t) { t.port.AnswerAfter(50, Sealed({1, 6, 0xE0, 0x0E, 0x05, 0x15})); },
                     {ParamStatus::kFailed, text::kSetFailed, 500}},
        ExchangeCase{"an exception answer", LinkMode::kSerial,
                     [](PT& t) { t.port.AnswerAfter(50, Sealed({1, 0x86, 2})); },
                     {ParamStatus::kFailed, text::kSetFailed, 500}},
        ExchangeCase{"the echo with bytes after it", LinkMode::kSerial,
                     [](PT& t) {
                       Bytes b = kWrite;
                       b.insert(b.end(), {0x55, 0x55});
                       t.port.AnswerAfter(50, b);
                     },
                     {ParamStatus::kFailed, text::kSetFailed, 500}},
        ExchangeCase{"more than the write's buffer holds", LinkMode::kSerial,
                     [](PT& t) { t.port.AnswerAfter(50, Bytes(300, 0x01)); },
                     {ParamStatus::kFailed, text::kSetFailed, 500}},
        ExchangeCase{"more than the buffer holds, then the echo: the excess was drained", LinkMode::kSerial,
                     [](PT& t) {
                       t.port.AnswerAfter(50, Bytes(300, 0x01));
                       t.port.AnswerAfter(250, kWrite);
                     },
                     {ParamStatus::kOk, text::kSetOk, 300}},
        ExchangeCase{"wireless echo packet", LinkMode::kWireless, [](PT& t) { t.port.AnswerAfter(250, Packets(kWrite)); },
                     {ParamStatus::kOk, text::kSetOk, 300}},
        ExchangeCase{"wireless nothing", LinkMode::kWireless, [](PT&) {},
                     {ParamStatus::kFailed, text::kCommunicationFailed, 500}},
        ExchangeCase{"wireless packet that is no echo", LinkMode::kWireless,
                     [](PT& t) { t.port.AnswerAfter(50, Packets(Sealed({1, 0x86, 2}))); },
                     {ParamStatus::kFailed, text::kSetFailed, 500}},
        ExchangeCase{"port not open: not even the input is looked at", LinkMode::kSerial,
                     [](PT& t) { t.port.SetOpen(false); }, {ParamStatus::kNoLink, text::kPortBusy, 0}},
        ExchangeCase{"network echo", LinkMode::kNetwork, [](PT& t) { t.socket->Then(Net(kId, kWrite)); },
                     {ParamStatus::kOk, text::kSetOk, 10}},
        ExchangeCase{"network exception answer from the right address", LinkMode::kNetwork,
                     [](PT& t) { t.socket->Then(Net(kId, Sealed({1, 0x86, 2}))); },
                     {ParamStatus::kFailed, text::kSetFailed, 10}},
        ExchangeCase{"network nothing", LinkMode::kNetwork, [](PT&) {},
                     {ParamStatus::kFailed, text::kSetFailed, 500}},
        ExchangeCase{"network receive of nothing", LinkMode::kNetwork, [](PT& t) { t.socket->ThenCode(0); },
                     {ParamStatus::kFailed, text::kSetFailed, 10}},
        ExchangeCase{"network send incomplete", LinkMode::kNetwork, [](PT& t) { t.socket->LimitSend(3); },
                     {ParamStatus::kFailed, text::kSendFailed, 0, true}},
        ExchangeCase{"network not connected", LinkMode::kNetwork, [](PT& t) { t.link.SetConnected(false); },
                     {ParamStatus::kNoLink, text::kNotConnected, 0}}));

TEST_F(ParamLinkTest, WriteFramesOfEachMode) {
  port.AnswerAfter(50, Packets(kWrite));
  WriteParamRegister(link, LinkMode::kWireless, 1, Row(0xE00E), "13");
  EXPECT_EQ(port.writes()[0], (Bytes{1, 6, 0xE0, 0x0E, 0x05, 0x14, 0xDC, 0x96, 0, 0, 0, 0, 0, 0, 0, 8}));
  socket->Then(Net(kId, kWrite));
  WriteParamRegister(link, LinkMode::kNetwork, 1, Row(0xE00E), "13");
  EXPECT_EQ(socket->sent()[0], (Bytes{0x01, 0x02, 0, 0, 0, 6, 1, 6, 0xE0, 0x0E, 0x05, 0x14}));
}

TEST_F(ParamLinkTest, RefusedInputSendsNothing) {
  const Result<uint16_t> r = WriteParamRegister(link, LinkMode::kSerial, 1, Row(0xE00E), "12.5");
  EXPECT_EQ(r.status, Status::kRefused);
  EXPECT_EQ(r.Text(), kBadInputText);
  EXPECT_TRUE(port.writes().empty());
  // On the network the input is checked before the connection is.
  link.SetConnected(false);
  EXPECT_EQ(WriteParamRegister(link, LinkMode::kNetwork, 1, Row(0xE00E), "").Text(), kEmptyInputText);
  EXPECT_EQ(WriteParamRegister(link, LinkMode::kNetwork, 1, Row(0xE00E), "13").Text(), text::kNotConnected);
}

TEST_F(ParamLinkTest, FailedCompanionReadEndsTheWriteWithItsOwnMessage) {
  const Result<uint16_t> r = WriteParamRegister(link, LinkMode::kSerial, 1, Row(0xE00F), "15");
  EXPECT_EQ(r.status, Status::kNoAnswer);
  EXPECT_EQ(r.Text(), text::kCommunicationFailed);
  EXPECT_EQ(port.writes().size(), 1u);  // the first companion read only
  EXPECT_EQ(clock.NowMs(), 500u);
}

TEST_F(ParamLinkTest, WirelessWriteGoesOnOnceItsCompanionsWereRead) {
  port.AnswerWrite(0, 100, Packets(ReadAnswer({1600})));
  port.AnswerWrite(1, 100, Packets(ReadAnswer({1250})));
  const Bytes write = Of(WriteRegister(1, 0xE00F, 1500));
  port.AnswerWrite(2, 100, Packets(write));
  EXPECT_EQ(WriteParamRegister(link, LinkMode::kWireless, 1, Row(0xE00F), "15").Text(), text::kSetOk);
  ASSERT_EQ(port.writes().size(), 3u);
  EXPECT_EQ(Bytes(port.writes()[2].begin(), port.writes()[2].begin() + 8), write);
}

TEST_F(ParamLinkTest, ClockWriteWaitsForItsAnswerInEveryMode) {
  const LocalDateTime at{2000, 1, 1, 0, 1, 40};
  const Bytes confirm = Sealed({1, 0x10, 0x00, 0x3E, 0x00, 0x02});
  ASSERT_EQ(confirm, (Bytes{1, 0x10, 0x00, 0x3E, 0x00, 0x02, 0x20, 0x04}));

  EXPECT_EQ(WriteControllerClock(link, LinkMode::kSerial, 1, at).Text(), text::kCommunicationFailed);
  port.AnswerAfter(50, confirm);
  EXPECT_EQ(WriteControllerClock(link, LinkMode::kSerial, 1, at).Text(), text::kSetOk);
  EXPECT_EQ(port.writes()[1], Of(ClockWriteRequest(1, 100)));

  port.AnswerAfter(50, Packets(confirm));
  EXPECT_EQ(WriteControllerClock(link, LinkMode::kWireless, 1, at).Text(), text::kSetOk);
  EXPECT_EQ(port.writes()[2][15], 13);

  EXPECT_EQ(WriteControllerClock(link, LinkMode::kNetwork, 1, at).Text(), text::kSetFailed);
  // The unanswered write moved the id on; its answer, late, carries the old one and is passed over.
  socket->Then(Net(kId, confirm));
  socket->Then(Net(kId + 1, confirm));
  EXPECT_EQ(WriteControllerClock(link, LinkMode::kNetwork, 1, at).Text(), text::kSetOk);
  EXPECT_EQ(socket->sent()[1], (Bytes{0x01, 0x03, 0, 0, 0, 11, 1, 0x10, 0x00, 0x3E, 0x00, 0x02, 0x04, 0, 0, 0, 0x64}));
}

TEST_F(ParamLinkTest, ClockReadIsSignedSecondsSince2000Local) {
  port.AnswerAfter(30, ReadAnswer({0xFFFF, 0xFFC4}, fn::kReadHolding));
  const Result<ClockValue> before = ReadControllerClock(link, LinkMode::kSerial, 1);
  ASSERT_TRUE(before.ok());
  EXPECT_EQ(before.value->seconds, -60);
  EXPECT_EQ(before.value->time, (LocalDateTime{1999, 12, 31, 23, 59, 0}));

  port.AnswerAfter(30, ReadAnswer({0x0000, 0x0064}, fn::kReadHolding));
  EXPECT_EQ(ReadControllerClock(link, LinkMode::kSerial, 1).value->time, (LocalDateTime{2000, 1, 1, 0, 1, 40}));
  EXPECT_EQ(ControllerClockSeconds({1999, 12, 31, 23, 59, 0}), -60);
}

TEST(ControllerClockText, RoundTripAndRefusals) {
  const LocalDateTime t{2024, 2, 29, 13, 5, 9};
  EXPECT_EQ(ClockText(t), "2024-02-29 13:05:09");
  EXPECT_EQ(ParseClockText("2024-02-29 13:05:09"), t);
  for (const char* bad : {"2023-02-29 00:00:00", "2024-13-01 00:00:00", "2024-01-01 24:00:00", "2024-1-01 00:00:00",
                          "2024-01-01T00:00:00", "", "2024-01-01 00:00:60"})
    EXPECT_EQ(ParseClockText(bad), std::nullopt) << bad;
  const std::optional<int64_t> s = ControllerClockSeconds(t);
  ASSERT_TRUE(s);
  EXPECT_EQ(ControllerClockTime(*s), t);
}

}  // namespace
}  // namespace kaviro
