#include "tools/log/log_chart.h"

#include <QBarCategoryAxis>
#include <QBarSeries>
#include <QBarSet>
#include <QChart>
#include <QCoreApplication>
#include <QGraphicsScene>
#include <QLineSeries>
#include <QPainter>
#include <QValueAxis>

namespace kaviro {

namespace {

QLineSeries* Line(const char* name, const std::vector<double>& values) {
  auto* series = new QLineSeries;
  series->setName(QString::fromUtf8(name));
  // Bars sit at category i; a line drawn over them takes the same positions.
  for (size_t i = 0; i < values.size(); ++i) series->append(static_cast<double>(i), values[i]);
  return series;
}

QBarSet* Bars(const char* name, const std::vector<double>& values) {
  auto* set = new QBarSet(QString::fromUtf8(name));
  for (double v : values) *set << v;
  return set;
}

}  // namespace

std::unique_ptr<QChart> BuildLogChart(const LogChartData& data) {
  auto chart = std::make_unique<QChart>();
  chart->setTitle(QString::fromUtf8("日志记录"));
  auto* energy = new QBarSeries;
  energy->append(Bars("充电KWH", data.chargeKwh));
  energy->append(Bars("负载KWH", data.loadKwh));
  chart->addSeries(energy);
  QLineSeries* high = Line("最高电压", data.maxVoltage);
  QLineSeries* low = Line("最低电压", data.minVoltage);
  chart->addSeries(high);
  chart->addSeries(low);

  auto* days = new QBarCategoryAxis;
  for (const std::string& d : data.days) days->append(QString::fromStdString(d));
  chart->addAxis(days, Qt::AlignBottom);
  auto* volts = new QValueAxis;
  volts->setTitleText(QStringLiteral("V"));
  volts->setRange(data.voltageLow, data.voltageHigh);
  chart->addAxis(volts, Qt::AlignLeft);
  auto* kwh = new QValueAxis;
  kwh->setTitleText(QStringLiteral("KWH"));
  kwh->setRange(0, data.energyHigh);
  chart->addAxis(kwh, Qt::AlignRight);
  energy->attachAxis(days);
  energy->attachAxis(kwh);
  for (QLineSeries* s : {high, low}) {
    s->attachAxis(days);
    s->attachAxis(volts);
  }
  return chart;
}

QImage RenderLogChart(const LogChartData& data, QSize size) {
  QGraphicsScene scene;
  QChart* chart = BuildLogChart(data).release();
  scene.addItem(chart);  // the scene owns the chart
  chart->resize(size);
  // The chart lays itself out on posted events; without a window they have to be run here.
  QCoreApplication::processEvents();
  QImage image(size, QImage::Format_ARGB32);
  image.fill(Qt::white);
  QPainter painter(&image);
  painter.setRenderHint(QPainter::Antialiasing);
  const QRectF area(QPointF(0, 0), QSizeF(size));
  scene.render(&painter, area, area);
  return image;
}

}  // namespace kaviro
