#pragma once
#include <QDialog>
#include <array>
#include <cstdint>
#include <optional>

#include <span>
#include <string>

#include "link/link_mode.h"
#include "link/rtu_frame.h"
#include "tools/common/result.h"
#include "tools/common/tool_context.h"
#include "tools/console/raw_frame.h"
#include "tools/console/lighting.h"

namespace kaviro {


// The Modbus test console: single raw frames, the identification objects, the lighting times,
// the Ethernet and radio settings and the Modbus address of the controller. Every frame goes to
// the address chosen in its address list.
class CModbusTestDlg final : public QDialog {
  Q_OBJECT
 public:
  explicit CModbusTestDlg(const ToolContext& context);
  // The raw frame group's fields filled in, as if typed (a request taken from the frame log).
  void FillRawFields(const RawFields& fields);

 private:
  LinkMode Mode() const;
  // The address list's byte, or nothing after its message.
  std::optional<uint8_t> ReadAddressEntry();
  // The port edit into `listenPort_`; false after the integer prompt.
  bool TransferPort();
  void Show(const std::string& text, const std::string& caption = {});
  template <typename T>
  void Show(const Result<T>& result) {
    for (const Notice& n : result.notices) Show(n.text, n.caption);
  }
  void ShowFrame(std::span<const uint8_t> frame);
  // Sends without reading an answer and shows what the link had to say.
  void SendAndShow(const RtuFrame& frame);

  void PreviewIdentification();
  void OnFunctionChanged();
  std::optional<RtuFrame> Compose();
  void Send();
  void ReadIdentification();
  void UpdateIdentification();
  void SetLightingTime(size_t slot);
  void SelectIpMode(bool isStatic);
  void ReadMac();
  void WriteMac();
  void ReadNetworkSettings();
  void WriteNetworkSettings();
  void ReadWireless();
  void WriteWireless();
  void ReadModbusAddress();
  void WriteModbusAddress();

  ToolContext context_;
  std::array<TimeOfDay, 4> lightingTimes_{};
  int listenPort_ = 0;
  uint32_t staticIp_ = 1;
};

}  // namespace kaviro
