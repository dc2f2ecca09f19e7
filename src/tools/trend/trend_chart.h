#pragma once
#include <QtGlobal>
#include <cstdint>
#include <memory>
#include <vector>

#include "tools/trend/trend_history.h"

QT_BEGIN_NAMESPACE
class QChart;
QT_END_NAMESPACE

namespace kaviro {

// The registers `shown` over the history's span up to `nowMs`: one line each, time along the
// bottom, one value axis per unit (left, right, left, …), each line on its unit's axis.
std::unique_ptr<QChart> BuildTrendChart(const TrendHistory& history, const std::vector<size_t>& shown, int64_t nowMs);

}  // namespace kaviro
