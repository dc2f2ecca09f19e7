#include "res/frame_log_dialog_ids.h"
#include "res/templates.h"

namespace kaviro::res {

namespace {
using namespace frame_log_ids;

constexpr ControlTemplate kControls[] = {
    {-1, Kind::kLabel, "筛选", 7, 9, 24, 10},
    {kFilter, Kind::kEdit, "", 33, 7, 160, 14},
    {kCopyToConsole, Kind::kButton, "复制到控制台", 200, 7, 64, 14},
    {kClear, Kind::kButton, "清除", 270, 7, 40, 14},
    {kFrames, Kind::kReportList, "", 7, 26, 466, 250},
};
}  // namespace

const DialogTemplate kFrameLogDialog{161, "通讯记录", 480, 283, kControls};

}  // namespace kaviro::res
