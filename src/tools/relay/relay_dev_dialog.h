#pragma once
#include <QDialog>
#include <array>
#include <cstdint>

#include "tools/common/tool_context.h"
#include "tools/relay/rd_command.h"

class QComboBox;
class QLineEdit;

namespace kaviro {


// The RD relay accessory's settings, over the network link only: every button fills the hidden
// request builder and runs it; the answer is dumped and decoded into the controls.
class CRelayDevDlg final : public QDialog {
  Q_OBJECT
 public:
  explicit CRelayDevDlg(const ToolContext& context, RelayMemory& memory = ProcessRelayMemory());

  // The handler of a row of the handler table, as its click or accepted selection runs it.
  void Press(int id);
  // The builder's fields as they stand: send, dump, decode. False when no answer was decoded.
  bool RunInternalCommand();

  const std::array<uint8_t, 6>& wirelessAddress() const { return rdWirelessAddress_; }

 private:
  void Apply(const RdDecoded& decoded);
  void SetEnabled(int id, bool enabled);
  void Check(int id);
  QLineEdit* Edit(int id) const;
  QComboBox* Combo(int id) const;

  ToolContext context_;
  RelayMemory& memory_;
  std::array<uint8_t, 6> rdWirelessAddress_;
};

}  // namespace kaviro
