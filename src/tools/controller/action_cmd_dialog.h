#pragma once
#include <QDialog>
#include <cstdint>

namespace kaviro {

class CMainFrame;

// One button per controller action: each switches its coil on and says whether the controller
// confirmed it. Closed with the caption's close box or Esc.
class CActionCmdDlg final : public QDialog {
  Q_OBJECT
 public:
  explicit CActionCmdDlg(CMainFrame& frame);

  void Send(uint16_t coil);

 private:
  CMainFrame& frame_;
};

}  // namespace kaviro
