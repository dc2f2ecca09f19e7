#include "sim/controller_tables.h"

#include <iterator>

namespace kaviro::sim {

namespace {

using Part = ValueRule::Part;

constexpr AreaSpec kAreas[] = {
    // Status block: measured values are read-only, the set-points among them writable.
    {0x0000, 0x0059, kRead},
    {0x001C, 0x001C, kReadWrite},  // float entry current
    {0x001F, 0x001F, kReadWrite},  // lighting control mode
    {0x0022, 0x0022, kReadWrite},  // charge current limit
    {0x0028, 0x0029, kReadWrite},  // battery min / max voltage
    {0x003C, 0x003D, kReadWrite},  // rated load current, overload delay
    {0x003E, 0x003F, kReadWrite},  // clock
    {0x0040, 0x0041, kReadWrite},  // Modbus address, RD on RS-485
    {0x0043, 0x0044, kReadWrite},  // temperature compensation limits
    {0x0047, 0x0047, kReadWrite},  // battery count conflict handling
    // Settings kept in EEPROM; the day counters are the controller's own.
    {0xE000, 0xE01A, kReadWrite},
    {0xE00A, 0xE00B, kRead},
    {0xE080, 0xE087, kReadWrite},  // lighting times
    {0xE088, 0xE089, kRead},
    {0xE08A, 0xE08A, kReadWrite},  // maintenance interval
    {0xE08B, 0xE0CD, kRead},
    // Battery presets: seven fixed types and the user's own.
    {0x2000, 0x203E, kRead},
    {0x203F, 0x2047, kReadWrite},
    // Ethernet module: MAC, reserved words, address mode, port, IP, mask, gateway.
    {0x3000, 0x3002, kReadWrite},
    {0x3003, 0x300F, kRead},
    {0x3010, 0x3017, kReadWrite},
    // 2.4G radio: own address, RD address and enable, RTS address and enable.
    {0x3040, 0x3048, kReadWrite},
};

constexpr RegisterValue kDefaults[] = {
    {0x0004, 1},       // battery count detected: one 12 V battery
    {0x0019, 0},       // ambient temperature status: normal
    {0x001C, 50},      // float entry current 0.50 A
    {0x001E, 0},       // heatsink temperature status: normal
    {0x001F, 1},       // lighting control: smart
    {0x0020, 0},       // battery temperature status: normal
    {0x0021, 1},       // load mode: lighting
    {0x0022, 2000},    // charge current limit 20.00 A
    {0x0028, 1000},    // battery min voltage 10.00 V
    {0x0029, 1600},    // battery max voltage 16.00 V
    {0x002C, 0x0080},  // latched fault: battery sense voltage
    {0x002E, 0x0020},  // latched alarm: board temperature exceeded
    {0x0030, 0x0042},  // DIP: switch 2 (low frequency) and switch 7 (sealed battery)
    {0x0033, 1},       // battery connected
    {0x003C, 3000},    // rated load current 30.00 A
    {0x003D, 10},      // overload delay 10 s
    {0x0041, 0},       // RD connected over RS-485
    {0x0043, 60},      // temperature compensation max 60
    {0x0044, 0xFFEC},  // temperature compensation min -20
    {0x0047, 0},       // battery count conflict: not allowed
    {0x0048, 1},       // RTS wired
    {0x004A, 3000},    // wireless RTS battery 3.000 V
    {0xE003, 30},      // low voltage alarm delay 3.0 s
    {0xE004, 1260},    // re-bulk voltage 12.60 V
    {0xE005, 2494},    // 13.70 V in the scaled form
    {0xE006, 10800},
    {0xE009, 7200},    // equalise time
    {0xE00B, 12},
    {0xE00E, 1600},    // load high voltage disconnect 16.00 V
    {0xE00F, 1500},    // ... reconnect 15.00 V
    {0xE011, 1110},    // load low voltage disconnect 11.10 V
    {0xE012, 1250},    // ... reconnect 12.50 V
    {0xE016, 0},       // low frequency
    {0xE018, 0},       // battery count: automatic
    {0xE019, 1},
    {0xE01A, 1},       // equalise: automatic
    {0xE080, 0x0001}, {0xE081, 0x0428},  // dusk on 18:30:00
    {0xE082, 0x0001}, {0xE083, 0x4370},  // dusk off 23:00:00
    {0xE084, 0x0000}, {0xE085, 0x3F48},  // dawn on 04:30:00
    {0xE086, 0x0000}, {0xE087, 0x5B68},  // dawn off 06:30:00
    {0xE08A, 60},                        // maintenance every 60 days
    {0xE08B, 15},
    {0xE0C0, 0x504D}, {0xE0C1, 0x5450}, {0xE0C2, 0x3033}, {0xE0C3, 0x3231},  // "MPPT3012", low byte first
    {0xE0CC, 307},
    {0xE0CD, 21},
    // Battery presets: absorption, float, equalise (0.01 V), equalise period (days), max,
    // shut-off, low band, middle band (0.01 V), temperature coefficient (low byte, signed).
    {0x2000, 1420}, {0x2001, 1370}, {0x2002, 1420}, {0x2003, 28}, {0x2004, 1600}, {0x2005, 1080}, {0x2006, 1200}, {0x2007, 1250}, {0x2008, 0x00E2},
    {0x2009, 1440}, {0x200A, 1370}, {0x200B, 1460}, {0x200C, 28}, {0x200D, 1600}, {0x200E, 1080}, {0x200F, 1200}, {0x2010, 1250}, {0x2011, 0x00E2},
    {0x2012, 1450}, {0x2013, 1380}, {0x2014, 1480}, {0x2015, 28}, {0x2016, 1600}, {0x2017, 1080}, {0x2018, 1200}, {0x2019, 1250}, {0x201A, 0x00E2},
    {0x201B, 1460}, {0x201C, 1370}, {0x201D, 1540}, {0x201E, 28}, {0x201F, 1600}, {0x2020, 1080}, {0x2021, 1200}, {0x2022, 1250}, {0x2023, 0x00E2},
    {0x2024, 1480}, {0x2025, 1380}, {0x2026, 1560}, {0x2027, 14}, {0x2028, 1600}, {0x2029, 1080}, {0x202A, 1200}, {0x202B, 1250}, {0x202C, 0x00E2},
    {0x202D, 1260}, {0x202E, 1250}, {0x202F, 1260}, {0x2030, 0}, {0x2031, 1300}, {0x2032, 1000}, {0x2033, 1200}, {0x2034, 1250}, {0x2035, 0},
    {0x2036, 1440}, {0x2037, 1380}, {0x2038, 1440}, {0x2039, 0}, {0x203A, 1460}, {0x203B, 1050}, {0x203C, 1200}, {0x203D, 1280}, {0x203E, 0},
    {0x203F, 1440}, {0x2040, 1380}, {0x2041, 1480}, {0x2042, 30}, {0x2043, 1600}, {0x2044, 1100}, {0x2045, 1200}, {0x2046, 1250}, {0x2047, 0x00F6},
    // Ethernet: MAC 02:4B:56:52:00:01, static 192.168.1.100/24 via 192.168.1.1, port 502.
    {0x3000, 0x024B}, {0x3001, 0x5652}, {0x3002, 0x0001},
    {0x3010, 1}, {0x3011, 502},
    {0x3012, 0xC0A8}, {0x3013, 0x0164},
    {0x3014, 0xFFFF}, {0x3015, 0xFF00},
    {0x3016, 0xC0A8}, {0x3017, 0x0101},
    // Radio: own "21201", RD "21206" enabled, RTS "21208" enabled.
    {0x3040, 0x3231}, {0x3041, 0x3230}, {0x3042, 0x3100},
    {0x3043, 0x3231}, {0x3044, 0x3230}, {0x3045, 0x3601},
    {0x3046, 0x3231}, {0x3047, 0x3230}, {0x3048, 0x3801},
};

constexpr ValueRule Word(int32_t min, int32_t max) { return {Part::kWord, min, max}; }
constexpr ValueRule Signed(int32_t min, int32_t max) { return {Part::kSignedWord, min, max}; }
constexpr ValueRule HighByteZero() { return {Part::kHighByte, 0, 0}; }
constexpr ValueRule PresetVolts() { return Word(800, 1600); }

constexpr RuleSpec kRules[] = {
    {0x001C, Word(10, 100)},
    {0x001F, Word(0, 1)},
    {0x0022, Word(1, 10000)},
    {0x0028, Word(900, 1700)},
    {0x0029, Word(900, 1700)},
    {0x003C, Word(1, 10000)},
    {0x0040, Word(1, 247)},
    {0x0041, Word(0, 1)},
    {0x0043, Signed(-40, 120)},
    {0x0044, Signed(-40, 120)},
    {0x0047, Word(0, 1)},
    {0xE003, Word(10, 60)},
    {0xE006, Word(9000, 10800)},
    {0xE009, Word(5400, 9000)},
    {0xE00E, Word(1300, 6000)},
    {0xE00F, Word(0, 6000)},
    {0xE011, Word(1, 6000)},
    {0xE012, Word(0, 6000)},
    {0xE016, Word(0, 1)},
    {0xE018, Word(0, 4)},
    {0xE01A, Word(0, 1)},
    {0xE08A, Word(30, 120)},
    {0x203F, PresetVolts()}, {0x2040, PresetVolts()}, {0x2041, PresetVolts()},
    {0x2042, HighByteZero()},
    {0x2043, PresetVolts()}, {0x2044, PresetVolts()}, {0x2045, PresetVolts()}, {0x2046, PresetVolts()},
    {0x2047, HighByteZero()}, {0x2047, {Part::kSignedLowByte, -128, 0}},
    {0x3011, Word(1, 65535)},
};

constexpr PairRule kSecondOfDay{0, 86399};
constexpr PairRuleSpec kPairRules[] = {
    {0xE080, kSecondOfDay}, {0xE082, kSecondOfDay}, {0xE084, kSecondOfDay}, {0xE086, kSecondOfDay},
};

// The user's battery must make sense as a whole: shut-off <= low band <= middle band <= float
// <= absorption <= maximum, and equalise <= maximum.
constexpr OrderRule kOrderRules[] = {
    {0x2044, 0x2045}, {0x2045, 0x2046}, {0x2046, 0x2040}, {0x2040, 0x203F}, {0x203F, 0x2043}, {0x2041, 0x2043},
};

constexpr CoilSpec kCoils[] = {
    {0x0000, ControllerAction::kEqualise},
    {0x0002, ControllerAction::kDisconnectCharging},
    {0x0010, ControllerAction::kClearChargeAh},
    {0x0011, ControllerAction::kClearLoadAh},
    {0x0012, ControllerAction::kClearChargeKwh},
    {0x0013, ControllerAction::kResetMaintenance},
    {0x0014, ControllerAction::kClearFaults},
    {0x0015, ControllerAction::kClearAlarms},
    {0x0018, ControllerAction::kClearLoadKwh},
    {0x00F0, ControllerAction::kDisconnectLoad},
    {0x00FF, ControllerAction::kReset},
};

}  // namespace

std::span<const AreaSpec> ControllerAreas() { return kAreas; }
std::span<const RegisterValue> ControllerDefaults() { return kDefaults; }
std::span<const RuleSpec> ControllerRules() { return kRules; }
std::span<const PairRuleSpec> ControllerPairRules() { return kPairRules; }
std::span<const OrderRule> ControllerOrderRules() { return kOrderRules; }
std::span<const CoilSpec> ControllerCoils() { return kCoils; }

Identity::Objects ControllerIdentity() { return {"KAVIRO", "KV-MPPT30", "HW V2.1", "SW V3.07", "24051701"}; }

}  // namespace kaviro::sim
