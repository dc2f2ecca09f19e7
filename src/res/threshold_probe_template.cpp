#include "res/threshold_probe_ids.h"
#include "res/templates.h"

namespace kaviro::res {

namespace {
using namespace probe_ids;

constexpr ControlTemplate kControls[] = {
    {-1, Kind::kLabel, "发", 10, 12, 12, 9},
    {kSent, Kind::kEdit, "", 26, 10, 216, 12},
    {-1, Kind::kLabel, "收", 10, 30, 12, 9},
    {kReceived, Kind::kEdit, "", 26, 28, 216, 12},
    {-1, Kind::kLabel, "报警温度小", 10, 50, 46, 9},
    {kLowAlarmShown, Kind::kLabel, "Static", 60, 50, 60, 9},
    {-1, Kind::kLabel, "报警温度大", 10, 66, 46, 9},
    {kHighAlarmShown, Kind::kLabel, "Static", 60, 66, 60, 9},
    {-1, Kind::kLabel, "报警温度小", 10, 84, 46, 9},
    {kLowAlarmInput, Kind::kEdit, "", 60, 82, 60, 12},
    {-1, Kind::kLabel, "报警温度大", 10, 102, 46, 9},
    {kHighAlarmInput, Kind::kEdit, "", 60, 100, 60, 12},
    {kProbe, Kind::kButton, "读", 136, 50, 50, 14},
    {kSetAlarms, Kind::kButton, "设置", 136, 82, 50, 14},
    {kSetResult, Kind::kLabel, "Static", 136, 104, 60, 9},
    {kOk, Kind::kDefaultButton, "OK", 136, 124, 50, 14},
    {kCancel, Kind::kButton, "Cancel", 192, 124, 50, 14},
};
}  // namespace

const DialogTemplate kThresholdProbeDialog{151, "Dialog", 252, 147, kControls};

}  // namespace kaviro::res
