#pragma once
#include <QDialog>
#include <cstdint>

#include "tools/common/tool_context.h"

namespace kaviro {


// One button per controller action: each switches its coil on and says whether the controller
// confirmed it. Closed with the caption's close box or Esc.
class CActionCmdDlg final : public QDialog {
  Q_OBJECT
 public:
  explicit CActionCmdDlg(const ToolContext& context);

  void Send(uint16_t coil);

 private:
  ToolContext context_;
};

}  // namespace kaviro
