#include "res/link_stats_dialog_ids.h"
#include "res/templates.h"

namespace kaviro::res {

namespace {
using namespace link_stats_ids;

constexpr ControlTemplate kControls[] = {
    {kFigures, Kind::kReportList, "", 7, 7, 186, 190},
    {kReset, Kind::kButton, "重置", 7, 203, 50, 14},
    {kRecord, Kind::kButton, "开始记录", 63, 203, 50, 14},
    {kRecordFile, Kind::kEditReadOnly, "", 7, 222, 186, 14},
};
}  // namespace

const DialogTemplate kLinkStatsDialog{160, "通讯统计", 200, 243, kControls};

}  // namespace kaviro::res
