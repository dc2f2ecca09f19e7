#include "res/templates.h"

namespace kaviro::res {

namespace {
constexpr ControlTemplate kControls[] = {
    {1165, Kind::kButton, "均衡启动", 19, 19, 79, 19},
    {1153, Kind::kButton, "重置控制器", 112, 19, 79, 19},
    {1166, Kind::kButton, "重置蓄电池维护提醒", 203, 19, 79, 19},
    {1169, Kind::kButton, "充电AH重置数清零", 19, 49, 79, 19},
    {1168, Kind::kButton, "充电KWH重置数清零", 112, 49, 79, 19},
    {1167, Kind::kButton, "强制断开充电状态", 203, 49, 79, 19},
    {1170, Kind::kButton, "负载AH数清零", 19, 79, 79, 19},
    {1171, Kind::kButton, "负载KWH数清零", 112, 79, 79, 19},
    {1172, Kind::kButton, "强制断开负载", 203, 79, 79, 19},
    {1173, Kind::kButton, "清除故障", 19, 108, 79, 19},
    {1174, Kind::kButton, "清除警报", 112, 108, 79, 19},
};
}  // namespace

const DialogTemplate kActionCmdDialog{146, "动作命令", 305, 153, kControls};

}  // namespace kaviro::res
