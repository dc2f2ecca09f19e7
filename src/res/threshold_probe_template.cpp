#include "res/templates.h"

namespace kaviro::res {

namespace {
constexpr ControlTemplate kControls[] = {
    {-1, Kind::kLabel, "发", 10, 12, 12, 9},
    {1015, Kind::kEdit, "", 26, 10, 216, 12},
    {-1, Kind::kLabel, "收", 10, 30, 12, 9},
    {1016, Kind::kEdit, "", 26, 28, 216, 12},
    {-1, Kind::kLabel, "报警温度小", 10, 50, 46, 9},
    {1492, Kind::kLabel, "Static", 60, 50, 60, 9},
    {-1, Kind::kLabel, "报警温度大", 10, 66, 46, 9},
    {1493, Kind::kLabel, "Static", 60, 66, 60, 9},
    {-1, Kind::kLabel, "报警温度小", 10, 84, 46, 9},
    {1013, Kind::kEdit, "", 60, 82, 60, 12},
    {-1, Kind::kLabel, "报警温度大", 10, 102, 46, 9},
    {1014, Kind::kEdit, "", 60, 100, 60, 12},
    {1494, Kind::kButton, "读", 136, 50, 50, 14},
    {1495, Kind::kButton, "设置", 136, 82, 50, 14},
    {1496, Kind::kLabel, "Static", 136, 104, 60, 9},
    {1, Kind::kDefaultButton, "OK", 136, 124, 50, 14},
    {2, Kind::kButton, "Cancel", 192, 124, 50, 14},
};
}  // namespace

const DialogTemplate kThresholdProbeDialog{151, "Dialog", 252, 147, kControls};

}  // namespace kaviro::res
