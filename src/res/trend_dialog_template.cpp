#include "res/templates.h"
#include "res/trend_dialog_ids.h"

namespace kaviro::res {

namespace {
using namespace trend_ids;

constexpr ControlTemplate kControls[] = {
    {kRegisters, Kind::kReportList, "", 7, 7, 170, 308},
    {kChart, Kind::kPanel, "", 184, 7, 369, 290},
    {-1, Kind::kLabel, "时长(分钟)", 184, 305, 42, 9},
    {kMinutes, Kind::kDropList, "", 228, 303, 36, 80},
    {kPause, Kind::kCheckBox, "暂停", 270, 304, 36, 12},
    {kResetZoom, Kind::kButton, "复位", 310, 303, 40, 14},
    {kSavePicture, Kind::kButton, "存图片", 354, 303, 44, 14},
    {kRecord, Kind::kButton, "记录CSV", 402, 303, 50, 14},
    {kRecordFile, Kind::kEditReadOnly, "", 456, 303, 97, 14},
};
}  // namespace

const DialogTemplate kTrendDialog{162, "趋势图", 560, 322, kControls};

}  // namespace kaviro::res
