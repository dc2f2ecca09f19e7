#include "app/config_dialog.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include "app/main_frame.h"
#include "res/config_dialog_ids.h"
#include "res/dialog_builder.h"
#include "res/ip_address_edit.h"
#include "res/prompter.h"
#include "res/templates.h"
#include "tools/common/int_text.h"

namespace kaviro {

namespace {
constexpr int kConfirmPauseMs = 500;
constexpr int kBatteryRadios[] = {config_ids::kBattery12V, config_ids::kBattery24V, config_ids::kBattery48V};
}  // namespace

CConfigDlg::CConfigDlg(CMainFrame& frame) : frame_(frame) {
  res::BuildDialog(*this, res::kConfigDialog);
  workMode_ = res::Control<QComboBox>(*this, config_ids::kWorkMode);
  comPort_ = res::Control<QComboBox>(*this, config_ids::kComPort);
  language_ = res::Control<QComboBox>(*this, config_ids::kLanguage);
  ip_ = res::Control<res::IpAddressEdit>(*this, config_ids::kControllerIp);
  deviceId_ = res::Control<QLineEdit>(*this, config_ids::kDeviceId);
  interval_ = res::Control<QLineEdit>(*this, config_ids::kPollInterval);
  result_ = res::Control<QLabel>(*this, config_ids::kResult);
  battery_ = res::Control<QRadioButton>(*this, config_ids::kBattery12V)->group();
  for (const char* mode : {"串口", "网络", "2.4G无线"}) workMode_->addItem(QString::fromUtf8(mode));
  for (int port = 1; port <= 7; ++port) comPort_->addItem(QStringLiteral("COM%1").arg(port));
  for (const char* name : {"English", "简体中文"}) language_->addItem(QString::fromUtf8(name));
  confirm_ = res::Control<QPushButton>(*this, config_ids::kConfirm);
  connect(confirm_, &QPushButton::clicked, this, [this] { Confirm(); });
  Initialise();
}

void CConfigDlg::Initialise() {
  // The dialog shows the file, not the record in memory.
  const AppConfig stored = LoadConfig(frame_.configFile());
  comPort_->setCurrentIndex(stored.comPort >= 1 && stored.comPort <= 7 ? stored.comPort - 1 : -1);
  deviceIdValue_ = stored.deviceId;
  intervalValue_ = stored.pollInterval;
  deviceId_->setText(QString::number(stored.deviceId));
  interval_->setText(QString::number(stored.pollInterval));
  language_->setCurrentIndex(stored.language == 0 || stored.language == 1 ? stored.language : -1);
  workMode_->setCurrentIndex(stored.workMode >= 0 && stored.workMode <= 2 ? stored.workMode : 0);
  ip_->SetAddress(stored.controllerIp);
  batteryValue_ = stored.batteryVoltage;
  if (stored.batteryVoltage >= 0 && stored.batteryVoltage <= 2)
    battery_->button(kBatteryRadios[stored.batteryVoltage])->setChecked(true);
}

void CConfigDlg::keyPressEvent(QKeyEvent* event) {
  // Esc or Enter closes the dialog without saving; Enter on the focused confirm button presses it.
  if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
    if (focusWidget() == confirm_) confirm_->click();
    else accept();
    return;
  }
  QDialog::keyPressEvent(event);
}

void CConfigDlg::Confirm() {
  result_->setText(QString());
  frame_.clock().SleepMs(kConfirmPauseMs);

  // Device ID, interval, radios in this order: the first edit without an integer stops the
  // transfer, it and the fields after it keep their values, and the save still goes on.
  if (const auto id = ParseIntText(deviceId_->text().toStdString())) {
    deviceIdValue_ = *id;
    if (const auto interval = ParseIntText(interval_->text().toStdString())) {
      intervalValue_ = *interval;
      const int checked = battery_->checkedId();
      batteryValue_ = checked < 0 ? -1 : checked - kBatteryRadios[0];
    } else {
      frame_.prompter().Message(this, QString::fromUtf8(kNotAnIntegerText));
    }
  } else {
    frame_.prompter().Message(this, QString::fromUtf8(kNotAnIntegerText));
  }

  // An address with an empty or oversized octet is no address: nothing is saved.
  const std::optional<uint32_t> ip = ip_->Address();
  if (!ip) {
    result_->setText(QString::fromUtf8("设置失败！"));
    ip_->setFocus();
    return;
  }
  AppConfig c = AppConfig::Defaults();
  c.comPort = comPort_->currentIndex() + 1;
  c.deviceId = deviceIdValue_;
  c.pollInterval = intervalValue_;
  c.language = language_->currentIndex();
  c.workMode = workMode_->currentIndex();
  c.controllerIp = *ip;
  c.batteryVoltage = batteryValue_;
  frame_.config().Set(c);  // also the live link settings: the next poll uses them

  result_->setText(QString::fromUtf8(SaveConfig(frame_.configFile(), c) ? "设置成功,串口网络和语言修改需重新启动程序!"
                                                                         : "设置失败！"));
}

}  // namespace kaviro
