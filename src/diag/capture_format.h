#pragma once
#include <array>
#include <cstddef>
#include <cstdint>

// The capture file: pcapng with one interface per kind of frame, so that Wireshark and tshark
// decode it without plug-ins. Modbus/TCP goes in synthesised Ethernet/IPv4/TCP between two fixed
// hosts; the RTU frames and the radio packets under user link types.
namespace kaviro::diag::capture {

inline constexpr uint32_t kSectionHeader = 0x0A0D0D0A;
inline constexpr uint32_t kInterfaceDescription = 1;
inline constexpr uint32_t kEnhancedPacket = 6;
inline constexpr uint32_t kByteOrderMagic = 0x1A2B3C4D;

inline constexpr uint16_t kLinkEthernet = 1;
inline constexpr uint16_t kLinkRtu = 147;    // DLT_USER0, given to Wireshark's Modbus RTU dissector
inline constexpr uint16_t kLinkRadio = 148;  // DLT_USER1, the adapter's 16-byte packets as they are

// Interface ids in the order their descriptions are written.
enum Interface : uint32_t { kEthernetInterface = 0, kRtuInterface = 1, kRadioInterface = 2 };

// The packet flags option: direction in the low two bits.
inline constexpr uint16_t kOptionFlags = 2;
inline constexpr uint32_t kInbound = 1;
inline constexpr uint32_t kOutbound = 2;

// The two ends of the synthesised connection: the tool and the controller.
inline constexpr std::array<uint8_t, 6> kToolMac = {0x02, 0x00, 0x00, 0x00, 0x00, 0x01};
inline constexpr std::array<uint8_t, 6> kControllerMac = {0x02, 0x00, 0x00, 0x00, 0x00, 0x02};
inline constexpr uint32_t kToolIp = 0xC0000201;        // 192.0.2.1
inline constexpr uint32_t kControllerIp = 0xC0000202;  // 192.0.2.2
inline constexpr uint16_t kToolPort = 50200;
inline constexpr uint16_t kModbusPort = 502;

inline constexpr size_t kEthernetHeader = 14;
inline constexpr size_t kIpHeader = 20;
inline constexpr size_t kTcpHeader = 20;

}  // namespace kaviro::diag::capture
