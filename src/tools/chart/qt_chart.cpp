#include "tools/chart/qt_chart.h"

#include <QBarCategoryAxis>
#include <QBarSeries>
#include <QBarSet>
#include <QChart>
#include <QCoreApplication>
#include <QGraphicsScene>
#include <QLineSeries>
#include <QPainter>
#include <QValueAxis>
#include <map>

namespace kaviro {

namespace {

QColor Colour(uint32_t rgb) { return QColor::fromRgb(static_cast<QRgb>(rgb)); }

QLineSeries* Line(const chart::Series& s) {
  auto* series = new QLineSeries;
  series->setName(QString::fromStdString(s.name));
  series->setColor(Colour(s.rgb));
  // Bars sit at category i; a line drawn over them takes the same positions.
  for (size_t i = 0; i < s.values.size(); ++i) series->append(static_cast<double>(i), s.values[i]);
  return series;
}

QBarSet* Bars(const chart::Series& s) {
  auto* set = new QBarSet(QString::fromStdString(s.name));
  set->setColor(Colour(s.rgb));
  set->setBorderColor(Colour(s.rgb));
  for (double v : s.values) *set << v;
  return set;
}

}  // namespace

std::unique_ptr<QChart> BuildChart(const chart::Chart& model) {
  auto chart = std::make_unique<QChart>();
  chart->setTitle(QString::fromStdString(model.title));
  auto* categories = new QBarCategoryAxis;
  for (const std::string& c : model.categories) categories->append(QString::fromStdString(c));
  chart->addAxis(categories, Qt::AlignBottom);
  std::vector<QValueAxis*> axes;
  for (size_t i = 0; i < model.axes.size(); ++i) {
    auto* axis = new QValueAxis;
    axis->setTitleText(QString::fromStdString(model.axes[i].title));
    axis->setRange(model.axes[i].low, model.axes[i].high);
    chart->addAxis(axis, i % 2 == 0 ? Qt::AlignLeft : Qt::AlignRight);
    axes.push_back(axis);
  }
  std::map<size_t, QBarSeries*> bars;  // one per axis, so its sets stand side by side
  std::vector<std::pair<QAbstractSeries*, size_t>> added;
  for (const chart::Series& s : model.series) {
    if (s.kind == chart::SeriesKind::kBars) {
      QBarSeries*& group = bars[s.axis];
      if (!group) {
        group = new QBarSeries;
        added.emplace_back(group, s.axis);
      }
      group->append(Bars(s));
    } else {
      added.emplace_back(Line(s), s.axis);
    }
  }
  for (const auto& [series, axis] : added) {
    chart->addSeries(series);
    series->attachAxis(categories);
    if (axis < axes.size()) series->attachAxis(axes[axis]);
  }
  return chart;
}

QImage RenderChart(const chart::Chart& model, QSize size) {
  QGraphicsScene scene;
  QChart* chart = BuildChart(model).release();
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
