#pragma once
#include <QDialog>

#include "tools/common/tool_context.h"

namespace kaviro {


// The alarm threshold probe (the menu's last, blank item): reads 0x2033 and 0x2034 over the
// serial port in one 16-byte block and shows both blocks and both values.
class CThresholdProbeDlg final : public QDialog {
  Q_OBJECT
 public:
  explicit CThresholdProbeDlg(const ToolContext& context);

  void Probe();

 private:
  ToolContext context_;
};

}  // namespace kaviro
