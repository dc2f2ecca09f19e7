#pragma once
#include <QDialog>

#include "config/app_config.h"

class QComboBox;
class QKeyEvent;
class QLabel;
class QPushButton;
class QLineEdit;
class QButtonGroup;

namespace kaviro {

class CMainFrame;
namespace res {
class IpAddressEdit;
}

// Work mode, COM port, controller IP, device ID, poll interval, language and battery voltage.
// It shows what config.txt holds and writes config.txt on "确认修改".
class CConfigDlg final : public QDialog {
  Q_OBJECT
 public:
  explicit CConfigDlg(CMainFrame& frame);
  void Confirm();

 protected:
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void Initialise();

  CMainFrame& frame_;
  QComboBox* workMode_;
  QComboBox* comPort_;
  QComboBox* language_;
  res::IpAddressEdit* ip_;
  QLineEdit* deviceId_;
  QLineEdit* interval_;
  QLabel* result_;
  QPushButton* confirm_;
  QButtonGroup* battery_;
  // The values the integer edits and the radios last gave; kept when an edit holds no integer.
  int deviceIdValue_ = 0;
  int intervalValue_ = 0;
  int batteryValue_ = -1;
};

}  // namespace kaviro
