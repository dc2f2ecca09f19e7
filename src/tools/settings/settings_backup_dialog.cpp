#include "tools/settings/settings_backup_dialog.h"

#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>

#include "config/app_config.h"
#include "link/link_texts.h"
#include "link/text_format.h"
#include "res/dialog_builder.h"
#include "res/prompter.h"
#include "res/settings_backup_dialog_ids.h"
#include "res/templates.h"
#include "tools/common/busy_cursor.h"
#include "tools/settings/settings_file.h"
#include "tools/settings/settings_plan.h"

namespace kaviro {

namespace {

using namespace settings_ids;

constexpr const char* kFileFilter = "设置文件 (*.json)|*.json||";

const char* ModeName(LinkMode mode) {
  switch (mode) {
    case LinkMode::kSerial: return "串口";
    case LinkMode::kWireless: return "2.4G无线";
    case LinkMode::kNetwork: break;
  }
  return "网络";
}

QString Q(const std::string& text) { return QString::fromStdString(text); }

std::string Names(const std::vector<PlanStep>& steps) {
  std::string names;
  for (const PlanStep& s : steps) names += (names.empty() ? "" : ", ") + s.kind->name;
  return names;
}

std::string ReportText(const ApplyReport& r) {
  std::string text = "已写入并核对：" + (r.verified.empty() ? std::string("无") : Names(r.verified));
  if (r.failed)
    text += "\n失败：" + r.failed->kind->name + "：" + (r.failure.empty() ? text::kCommunicationFailed : r.failure);
  if (!r.notTried.empty()) text += "\n未尝试：" + Names(r.notTried);
  return text;
}

}  // namespace

CSettingsBackupDlg::CSettingsBackupDlg(const ToolContext& context) : context_(context) {
  res::BuildDialog(*this, res::kSettingsBackupDialog);
  auto* table = res::Control<QTableWidget>(*this, kTable);
  table->setColumnCount(3);
  table->setHorizontalHeaderLabels({QStringLiteral("设置"), QStringLiteral("文件"), QStringLiteral("控制器")});
  table->horizontalHeader()->setStretchLastSection(true);
  connect(res::Control<QPushButton>(*this, kSave), &QPushButton::clicked, this, [this] { Save(); });
  connect(res::Control<QPushButton>(*this, kCompare), &QPushButton::clicked, this, [this] { Compare(); });
  connect(res::Control<QPushButton>(*this, kApply), &QPushButton::clicked, this, [this] { Apply(); });
}

SettingsTarget CSettingsBackupDlg::Target() const {
  const AppConfig config = context_.config.Get();
  return {context_.link, LinkModeOf(config.workMode), static_cast<uint8_t>(config.deviceId)};
}

void CSettingsBackupDlg::Say(const std::string& text) { context_.prompter.Message(this, Q(text)); }

std::optional<Snapshot> CSettingsBackupDlg::ReadLive() {
  const SettingsTarget target = Target();
  Snapshot live = [&] {
    BusyCursor busy;
    return ReadSnapshot(target, Format("%s 设备%d", ModeName(target.mode), target.unit));
  }();
  for (const SettingEntry& e : live.entries)
    if (e.value) return live;
  Say(text::kCommunicationFailed);
  return std::nullopt;
}

void CSettingsBackupDlg::Save() {
  const QString path = context_.prompter.SaveFileName(this, QString::fromUtf8(kFileFilter));
  if (path.isEmpty()) return;
  const std::optional<Snapshot> live = ReadLive();
  if (!live) return;
  const Result<> saved = SaveSettingsFile(path.toStdString(), *live);
  if (!saved.ok()) return Say(saved.Text());
  std::string text;
  size_t unreadable = 0;
  for (const SettingEntry& e : live->entries) {
    if (e.value) continue;
    ++unreadable;
    text += "\n" + e.name + "：" + e.unreadable;
  }
  Say(Format("已保存%zu项设置，%zu项无法读取", live->entries.size(), unreadable) + text);
}

void CSettingsBackupDlg::Compare() {
  const QString path = context_.prompter.OpenFileName(this, QString::fromUtf8(kFileFilter));
  if (path.isEmpty()) return;
  Result<Snapshot> loaded = LoadSettingsFile(path.toStdString());
  if (!loaded.ok()) return Say(loaded.Text());
  file_ = std::move(*loaded.value);
  fileName_ = path;
  if (const std::optional<Snapshot> live = ReadLive()) ShowComparison(*live);
}

void CSettingsBackupDlg::ShowComparison(const Snapshot& live) {
  const std::vector<Difference> diffs = Differences(*file_, live);
  auto* table = res::Control<QTableWidget>(*this, kTable);
  const std::span<const SettingKind> kinds = SettingKinds();
  table->setRowCount(static_cast<int>(kinds.size()));
  for (size_t i = 0; i < kinds.size(); ++i) {
    const SettingKind& kind = kinds[i];
    const bool differs = std::ranges::any_of(diffs, [&](const Difference& d) { return d.kind == &kind; });
    auto* name = new QTableWidgetItem(Q(kind.name));
    name->setFlags(differs ? Qt::ItemIsEnabled | Qt::ItemIsUserCheckable : Qt::ItemIsEnabled);
    if (differs) name->setCheckState(Qt::Checked);
    const int row = static_cast<int>(i);
    table->setItem(row, kNameColumn, name);
    table->setItem(row, kFileColumn, new QTableWidgetItem(Q(EntryText(file_->Find(kind.name)))));
    table->setItem(row, kControllerColumn, new QTableWidgetItem(Q(EntryText(live.Find(kind.name)))));
  }
  res::Control<QLabel>(*this, kFile)->setText(fileName_ + QString::fromStdString(Format("：%zu项不同", diffs.size())));
}

void CSettingsBackupDlg::Apply() {
  if (!file_) return Say("请先与文件比较");
  ApplyOptions options;
  auto* table = res::Control<QTableWidget>(*this, kTable);
  for (int row = 0; row < table->rowCount(); ++row) {
    const QTableWidgetItem* item = table->item(row, kNameColumn);
    if (!item || item->checkState() != Qt::Checked) continue;
    const SettingKind* kind = FindSettingKind(item->text().toStdString());
    options.only.push_back(kind->name);
    options.includeLink |= kind->kind == SettingClass::kLink;
    options.includeIdentity |= kind->kind == SettingClass::kIdentity;
  }
  if (options.only.empty()) return Say("没有勾选的设置");
  const std::optional<Snapshot> live = ReadLive();
  if (!live) return;
  const ApplyPlan plan = PlanApply(*file_, *live, options);
  if (plan.refusal) return Say(*plan.refusal + "；未写入任何设置");
  const ApplyReport report = [&] {
    BusyCursor busy;
    return RunApply(Target(), plan);
  }();
  Say(ReportText(report));
  if (const std::optional<Snapshot> after = ReadLive()) ShowComparison(*after);
}

}  // namespace kaviro
