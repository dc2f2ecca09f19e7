#pragma once
#include <QImage>
#include <QSize>
#include <memory>

#include "tools/log/log_chart_data.h"

QT_BEGIN_NAMESPACE
class QChart;
QT_END_NAMESPACE

namespace kaviro {

// The daily log as a chart: the highest and lowest battery voltage per day as lines on the left
// axis, the energy charged and drawn per day as bars on the right axis, the days along the bottom.
std::unique_ptr<QChart> BuildLogChart(const LogChartData& data);

// The chart drawn into an image of `size` (for saving as PNG; works on the offscreen platform).
QImage RenderLogChart(const LogChartData& data, QSize size = {1000, 600});

}  // namespace kaviro
