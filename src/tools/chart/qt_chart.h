#pragma once
#include <QImage>
#include <QSize>
#include <memory>

#include "tools/chart/chart_model.h"

QT_BEGIN_NAMESPACE
class QChart;
QT_END_NAMESPACE

namespace kaviro {

// The chart as Qt Charts draws it: one bar series per axis that has bars, one line series per line,
// in the order the value lists them, the categories along the bottom.
std::unique_ptr<QChart> BuildChart(const chart::Chart& model);

// The chart drawn into an image of `size` (for saving as PNG; works on the offscreen platform).
QImage RenderChart(const chart::Chart& model, QSize size = {1000, 600});

}  // namespace kaviro
