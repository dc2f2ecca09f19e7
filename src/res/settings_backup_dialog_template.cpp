#include "res/settings_backup_dialog_ids.h"
#include "res/templates.h"

namespace kaviro::res {

namespace {
using namespace settings_ids;

constexpr ControlTemplate kControls[] = {
    {kSave, Kind::kButton, "保存到文件", 7, 7, 70, 16},
    {kCompare, Kind::kButton, "与文件比较", 84, 7, 70, 16},
    {kApply, Kind::kButton, "写入勾选项", 161, 7, 70, 16},
    {kFile, Kind::kLabel, "", 238, 11, 235, 10},
    {kTable, Kind::kReportList, "", 7, 30, 466, 233},
};
}  // namespace

const DialogTemplate kSettingsBackupDialog{152, "设置备份", 480, 270, kControls};

}  // namespace kaviro::res
