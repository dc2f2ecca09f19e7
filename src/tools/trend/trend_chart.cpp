#include "tools/trend/trend_chart.h"

#include <QChart>
#include <QDateTime>
#include <QDateTimeAxis>
#include <QLineSeries>
#include <QValueAxis>

namespace kaviro {

std::unique_ptr<QChart> BuildTrendChart(const TrendHistory& history, const std::vector<size_t>& shown, int64_t nowMs) {
  auto chart = std::make_unique<QChart>();
  auto* time = new QDateTimeAxis;
  time->setFormat(QStringLiteral("HH:mm:ss"));
  time->setRange(QDateTime::fromMSecsSinceEpoch(nowMs - history.span()), QDateTime::fromMSecsSinceEpoch(nowMs));
  chart->addAxis(time, Qt::AlignBottom);
  const std::vector<TrendAxis> axes = history.Axes(shown);
  for (size_t a = 0; a < axes.size(); ++a) {
    auto* values = new QValueAxis;
    values->setTitleText(QString::fromStdString(axes[a].unit));
    values->setRange(axes[a].low, axes[a].high);
    chart->addAxis(values, a % 2 == 0 ? Qt::AlignLeft : Qt::AlignRight);
    for (size_t i : axes[a].series) {
      auto* line = new QLineSeries;
      line->setName(QString::fromStdString(history.registers()[i].name));
      QList<QPointF> points;
      for (const TrendSample& s : history.Samples(i)) points.append(QPointF(static_cast<double>(s.ms), s.value));
      line->replace(points);
      chart->addSeries(line);
      line->attachAxis(time);
      line->attachAxis(values);
    }
  }
  return chart;
}

}  // namespace kaviro
