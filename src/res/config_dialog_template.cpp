#include "res/config_dialog_ids.h"
#include "res/templates.h"

namespace kaviro::res {

namespace {
using namespace config_ids;

constexpr ControlTemplate kControls[] = {
    {-1, Kind::kLabel, "工作方式选择", 17, 18, 47, 9},
    {kWorkMode, Kind::kDropList, "", 69, 16, 66, 82},
    {-1, Kind::kLabel, "串口号", 17, 38, 26, 9},
    {kComPort, Kind::kDropListSorted, "", 69, 38, 66, 82},
    {-1, Kind::kLabel, "控制器IP", 17, 58, 34, 11},
    {kControllerIp, Kind::kIpAddress, "", 69, 58, 66, 13},
    {-1, Kind::kLabel, "设备ID", 17, 80, 27, 10},
    {kDeviceId, Kind::kEdit, "", 69, 80, 66, 12},
    {-1, Kind::kLabel, "采集间隔", 17, 101, 33, 10},
    {kPollInterval, Kind::kEdit, "", 69, 101, 66, 12},
    {-1, Kind::kLabel, "S", 145, 101, 9, 10},
    {-1, Kind::kLabel, "语言", 17, 122, 17, 10},
    {kLanguage, Kind::kDropListSorted, "", 69, 122, 66, 82},
    {kBattery12V, Kind::kRadioGroup, "12V", 21, 147, 30, 12},
    {kBattery24V, Kind::kRadio, "24V", 61, 147, 30, 12},
    {kBattery48V, Kind::kRadio, "48V", 101, 147, 30, 12},
    {kResult, Kind::kLabelCentred, "", 11, 167, 164, 12},
    {kConfirm, Kind::kButton, "确认修改", 42, 189, 72, 16},
};
}  // namespace

const DialogTemplate kConfigDialog{132, "Configuration", 189, 219, kControls};

}  // namespace kaviro::res
