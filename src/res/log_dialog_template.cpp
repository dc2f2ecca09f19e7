#include "res/log_dialog_ids.h"
#include "res/templates.h"

namespace kaviro::res {

namespace {
using namespace log_ids;

constexpr ControlTemplate kControls[] = {
    {-1, Kind::kLabel, "Modbus id", 10, 11, 34, 9},
    {kAddress, Kind::kDropDown, "", 46, 9, 40, 120},
    {-1, Kind::kLabel, "发送数据", 98, 11, 34, 9},
    {kRequest, Kind::kEdit, "", 134, 9, 190, 12},
    {kReadLatest, Kind::kButton, "读1条日志", 10, 28, 62, 16},
    {kReadAll, Kind::kButton, "读所有日志", 78, 28, 62, 16},
    {kClearList, Kind::kButton, "清除下", 146, 28, 50, 16},
    {kClearAbove, Kind::kButton, "清除上", 202, 28, 50, 16, kHidden},
    {kSaveText, Kind::kButton, "存TXT", 258, 28, 50, 16},
    {kSaveSpreadsheet, Kind::kButton, "存EXCEL", 314, 28, 50, 16},
    {kSaveChart, Kind::kButton, "存图表", 370, 28, 50, 16},
    {kExit, Kind::kButton, "退出", 560, 28, 50, 16},
    {kList, Kind::kReportList, "", 10, 50, 602, 335},
};
}  // namespace

const DialogTemplate kLogReadDialog{143, "读日志信息", 622, 395, kControls};

}  // namespace kaviro::res
