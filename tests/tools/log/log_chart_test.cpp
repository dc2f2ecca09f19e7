// The daily log as a chart, drawn offscreen: its series and axes follow the records.
#include <gtest/gtest.h>

#include <QBarSeries>
#include <QBarSet>
#include <QChart>
#include <QLineSeries>
#include <QValueAxis>

#include "tools/chart/qt_chart.h"
#include "tools/log/log_chart_data.h"

namespace kaviro {
namespace {

LogRow Day(const char* date, const char* high, const char* low, const char* charged, const char* drawn) {
  LogRow row{};
  row[0] = date;
  row[5] = high;
  row[6] = low;
  row[13] = charged;
  row[16] = drawn;
  return row;
}

const std::vector<LogRow> kDays = {Day("1-1", "14.40", "12.10", "0.85", "0.30"),
                                   Day("1-2", "14.55", "11.80", "1.20", "0.45"),
                                   Day("1-3", "13.90", "12.40", "0.40", "0.50")};

TEST(LogChart, SeriesAndAxesHoldTheRecords) {
  const chart::Chart data = LogChartOf(kDays);
  EXPECT_EQ(data.axes[kLogVoltageAxis].low, 11.0);
  EXPECT_EQ(data.axes[kLogVoltageAxis].high, 15.0);
  EXPECT_DOUBLE_EQ(data.axes[kLogEnergyAxis].high, 1.20);

  const std::unique_ptr<QChart> chart = BuildChart(data);
  ASSERT_EQ(chart->series().size(), 3);  // the two bar sets stand in one series
  auto* bars = qobject_cast<QBarSeries*>(chart->series()[0]);
  ASSERT_TRUE(bars);
  ASSERT_EQ(bars->count(), 2);
  EXPECT_DOUBLE_EQ(bars->barSets()[0]->at(1), 1.20);
  EXPECT_DOUBLE_EQ(bars->barSets()[1]->at(2), 0.50);
  auto* high = qobject_cast<QLineSeries*>(chart->series()[1]);
  ASSERT_TRUE(high);
  ASSERT_EQ(high->count(), 3);
  EXPECT_DOUBLE_EQ(high->at(1).y(), 14.55);
  const auto volts = chart->axes(Qt::Vertical, high);
  ASSERT_EQ(volts.size(), 1);
  EXPECT_EQ(static_cast<QValueAxis*>(volts[0])->min(), 11.0);
  EXPECT_EQ(static_cast<QValueAxis*>(volts[0])->max(), 15.0);
  const auto kwh = chart->axes(Qt::Vertical, bars);
  ASSERT_EQ(kwh.size(), 1);
  EXPECT_DOUBLE_EQ(static_cast<QValueAxis*>(kwh[0])->max(), 1.20);
}

TEST(LogChart, TheRenderedPictureIsDrawn) {
  const QImage image = RenderChart(LogChartOf(kDays), {800, 500});
  ASSERT_EQ(image.size(), QSize(800, 500));
  int drawn = 0;
  for (int y = 0; y < image.height(); y += 2)
    for (int x = 0; x < image.width(); x += 2)
      if (image.pixel(x, y) != qRgb(255, 255, 255)) ++drawn;
  EXPECT_GT(drawn, 2000) << "lines, bars, axes and labels";
  // No records: a chart still, with nothing in it to misread.
  EXPECT_FALSE(RenderChart(LogChartOf({}), {400, 300}).isNull());
}

}  // namespace
}  // namespace kaviro
