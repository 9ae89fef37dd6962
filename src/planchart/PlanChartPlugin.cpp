// The planning window's plot, drawn with Qt Charts. Built as a plugin so that Qt Charts is loaded
// only when the plot is first shown.
#include "pluginapi/PlanChart.h"

#include <QAreaSeries>
#include <QChart>
#include <QChartView>
#include <QFontMetricsF>
#include <QGraphicsSimpleTextItem>
#include <QHBoxLayout>
#include <QLabel>
#include <QLegendMarker>
#include <QLineSeries>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>
#include <QScatterSeries>
#include <QToolTip>
#include <QVBoxLayout>
#include <QValueAxis>
#include <algorithm>
#include <cmath>
#include <iterator>
#include <tuple>
#include <vector>

namespace {

const QColor kCurve(31, 96, 170);
const QColor kZone(240, 130, 40, 90);
const QColor kZoneText(160, 60, 0);
const QColor kBest(20, 150, 60);
const QColor kOwn(210, 30, 30);
const QColor kForbidden(120, 120, 120);

// A chart view that names the values under the pointer through `hoverText`, for x within
// [0, right]. It takes no focus: nothing in it is done from the keyboard.
class TChartView : public QChartView {
public:
    explicit TChartView(QWidget* parent) : QChartView(parent) {
        setRenderHint(QPainter::Antialiasing);
        setMouseTracking(true);
        setFocusPolicy(Qt::NoFocus);
    }
    std::function<QString(double)> hoverText;
    double right = 0;

protected:
    void mouseMoveEvent(QMouseEvent* event) override {
        QChartView::mouseMoveEvent(event);
        if (!hoverText || !chart() || chart()->series().isEmpty()) return;
        const QPointF at = chart()->mapFromScene(mapToScene(event->position().toPoint()));
        if (!chart()->plotArea().contains(at)) {
            QToolTip::hideText();
            return;
        }
        const double x = chart()->mapToValue(at, chart()->series().first()).x();
        if (x < 0 || x > right) return;
        QToolTip::showText(event->globalPosition().toPoint(), hoverText(x), this);
    }
};

// The step between ticks: 1, 2 or 5 times a power of ten, the least that leaves `room` pixels
// of the axis for each label of `label` pixels with a gap beside it.
double NiceStep(double range, double room, double label) {
    const double most = std::max(1.0, std::floor(room / (label * 1.5)));
    const double raw = std::max(range / most, 1e-9);
    const double power = std::pow(10.0, std::floor(std::log10(raw)));
    for (double m : {1.0, 2.0, 5.0, 10.0})
        if (m * power >= raw) return m * power;
    return 10 * power;
}

// Ticks on round numbers, as many as the axis has room for, set again whenever the plot area
// changes size (a window at 800×600 or at twice the scale has less room for the labels).
void FitTicks(QChart* chart, QValueAxis* x, QValueAxis* y) {
    const QRectF area = chart->plotArea();
    if (area.width() < 1 || area.height() < 1) return;
    const QFontMetricsF metrics(x->labelsFont());
    const double xLabel =
        metrics.horizontalAdvance(QString::number(std::max(std::abs(x->max()), 10.0), 'f', 0));
    for (auto [axis, room, label] :
         {std::tuple{x, area.width(), xLabel}, std::tuple{y, area.height(), metrics.height() * 1.6}}) {
        const double step = NiceStep(axis->max() - axis->min(), room, label);
        if (axis->tickType() == QValueAxis::TicksDynamic && axis->tickInterval() == step) continue;
        axis->setTickType(QValueAxis::TicksDynamic);
        axis->setTickAnchor(0);
        axis->setTickInterval(step);
    }
}

class TPlanChart : public TPlanChartView {
public:
    explicit TPlanChart(QWidget* parent) : TPlanChartView(parent) {
        setObjectName(QStringLiteral("PlanChart"));
        auto* layout = new QVBoxLayout(this);
        layout->setContentsMargins(0, 0, 0, 0);
        view_ = new TChartView(this);
        view_->setObjectName(QStringLiteral("PlanChartView"));
        layout->addWidget(view_);
        Clear();
    }

    void Clear() override {
        labels_.clear(); // owned by the old chart
        forbidden_ = nullptr;
        auto* chart = new QChart();
        chart->legend()->hide();
        chart->setMargins(QMargins(4, 4, 4, 4));
        // setChart takes the old chart out of the scene and leaves it to its caller.
        QChart* old = view_->chart();
        view_->setChart(chart);
        delete old;
        view_->hoverText = nullptr;
    }

    void Show(const PlanPicture& p) override {
        Clear();
        QChart* chart = view_->chart();
        const QFont font = this->font();
        QFont small = font;
        // The windows' fonts are sized in pixels.
        if (font.pixelSize() > 0) small.setPixelSize(std::max(9, font.pixelSize() - 1));

        double top = 0;
        for (const QPointF& pt : p.curve)
            top = std::max(top, pt.y());
        top = std::max(top * 1.1, 1.0);

        auto* x = new QValueAxis;
        x->setRange(0, std::max(p.pay, 1.0));
        x->setTitleText(QStringLiteral("年终奖（元）"));
        auto* y = new QValueAxis;
        y->setRange(0, top);
        y->setTitleText(QStringLiteral("全年个税（元）"));
        for (QValueAxis* axis : {x, y}) {
            axis->setLabelFormat(QStringLiteral("%.0f"));
            axis->setLabelsFont(small);
            axis->setTitleFont(font);
        }
        chart->addAxis(x, Qt::AlignBottom);
        chart->addAxis(y, Qt::AlignLeft);

        AddZones(chart, p, x, y, small);
        if (p.forbidden) {
            QAreaSeries* area = Band(chart, p.forbidden->from, std::max(p.pay, p.forbidden->from), y->max());
            area->setName(p.forbidden->label);
            area->setBrush(QBrush(QColor(kForbidden.red(), kForbidden.green(), kForbidden.blue(), 80),
                                  Qt::BDiagPattern));
            area->setPen(QPen(kForbidden, 1));
            Add(chart, area, x, y);
            // Said inside the band, upright along its edge: the legend has no room for it.
            chart->legend()->markers(area).first()->setVisible(false);
            forbidden_ = new QGraphicsSimpleTextItem(p.forbidden->label, chart);
            forbidden_->setFont(small);
            forbidden_->setBrush(kForbidden.darker(150));
            forbidden_->setRotation(-90);
            forbidden_->setZValue(10);
            forbiddenFrom_ = p.forbidden->from;
        }

        auto* curve = new QLineSeries;
        curve->setName(QStringLiteral("全年个税"));
        curve->append(p.curve);
        curve->setPen(QPen(kCurve, 2));
        Add(chart, curve, x, y);
        // The axis names the curve; the legend keeps its room for the marks.
        chart->legend()->markers(curve).first()->setVisible(false);
        Add(chart, Marker(QStringLiteral("最优方案"), kBest, p.best), x, y);
        if (p.own) Add(chart, Marker(QStringLiteral("您的方案"), kOwn, *p.own), x, y);

        chart->legend()->setFont(small);
        chart->legend()->setAlignment(Qt::AlignBottom);
        chart->legend()->show();

        view_->right = p.pay;
        view_->hoverText = p.hoverText;
        QObject::connect(chart, &QChart::plotAreaChanged, chart, [this, chart, x, y](const QRectF&) {
            FitTicks(chart, x, y);
            PlaceLabels();
        });
        FitTicks(chart, x, y);
        PlaceLabels();
    }

private:
    struct Label {
        QGraphicsSimpleTextItem* item;
        double lower, upper;
    };

    static void Add(QChart* chart, QAbstractSeries* s, QValueAxis* x, QValueAxis* y) {
        chart->addSeries(s);
        s->attachAxis(x);
        s->attachAxis(y);
    }

    // A band across the whole height from `left` to `right`.
    static QAreaSeries* Band(QChart* chart, double left, double right, double top) {
        // An area series does not own its bounds: the chart does, so they go with it.
        auto* lower = new QLineSeries(chart);
        auto* upper = new QLineSeries(chart);
        *lower << QPointF(left, 0) << QPointF(right, 0);
        *upper << QPointF(left, top) << QPointF(right, top);
        return new QAreaSeries(upper, lower);
    }

    void AddZones(QChart* chart, const PlanPicture& p, QValueAxis* x, QValueAxis* y, const QFont& small) {
        // A zone narrower than a few pixels is widened so it can still be seen.
        const double minWidth = p.pay / 250;
        for (qsizetype i = 0; i < p.zones.size(); ++i) {
            const PlanPicture::Zone& z = p.zones[i];
            const double right = std::max(z.upper, z.lower + minWidth);
            QAreaSeries* area = Band(chart, z.lower, right, y->max());
            area->setName(QStringLiteral("个税盲区"));
            area->setColor(kZone);
            area->setBorderColor(kZone.darker(130));
            Add(chart, area, x, y);
            if (i > 0) chart->legend()->markers(area).first()->setVisible(false);
            auto* text = new QGraphicsSimpleTextItem(z.label, chart);
            text->setFont(small);
            text->setBrush(kZoneText);
            text->setZValue(10);
            labels_.push_back({text, z.lower, right});
        }
    }

    static QScatterSeries* Marker(const QString& name, const QColor& color, QPointF at) {
        auto* s = new QScatterSeries;
        s->setName(name);
        s->setColor(color);
        s->setBorderColor(Qt::white);
        s->setMarkerSize(13);
        s->append(at);
        return s;
    }

    // Each zone's bounds near the top of the plot, beside the zone: on the first row where it
    // meets no other label, so zones close together do not write over each other. A label that
    // would need a row below the top third is left out (the pointer over the zone names it).
    void PlaceLabels() {
        QChart* chart = view_->chart();
        if (chart->series().isEmpty()) return;
        const QRectF area = chart->plotArea();
        QAbstractSeries* any = chart->series().first();
        if (forbidden_) {
            // Rotated, its width runs up the plot: shown only where the band and the height hold it.
            const QRectF box = forbidden_->boundingRect();
            const double left = chart->mapToPosition(QPointF(forbiddenFrom_, 0), any).x();
            forbidden_->setVisible(box.width() + 8 <= area.height() &&
                                   left + box.height() + 4 <= area.right());
            forbidden_->setPos(left + 3, area.bottom() - 4);
        }
        std::vector<std::vector<std::pair<double, double>>> rows;
        for (const Label& l : labels_) {
            const double left = chart->mapToPosition(QPointF(l.lower, 0), any).x();
            const double right = chart->mapToPosition(QPointF(l.upper, 0), any).x();
            const QRectF box = l.item->boundingRect();
            double at = right + 3;
            if (at + box.width() > area.right()) at = left - 3 - box.width();
            at = std::max(at, area.left() + 2);
            const std::pair<double, double> span{at - 4, at + box.width() + 4};
            size_t row = 0;
            for (; row < rows.size(); ++row)
                if (std::none_of(rows[row].begin(), rows[row].end(), [&](const std::pair<double, double>& o) {
                        return span.first < o.second && o.first < span.second;
                    }))
                    break;
            const double yAt = area.top() + 4 + static_cast<double>(row) * (box.height() + 2);
            const bool fits = yAt + box.height() <= area.top() + area.height() / 3;
            l.item->setVisible(fits);
            if (!fits) continue;
            if (row == rows.size()) rows.emplace_back();
            rows[row].push_back(span);
            l.item->setPos(at, yAt);
        }
    }

    TChartView* view_ = nullptr;
    std::vector<Label> labels_;
    QGraphicsSimpleTextItem* forbidden_ = nullptr;
    double forbiddenFrom_ = 0;
};

// One curve per law, in the order given; the typed wage marked by a vertical line. A curve that
// lies on an earlier one all along is drawn dashed over it and its legend says so.
class TLawsChart : public TLawsChartView {
public:
    explicit TLawsChart(QWidget* parent) : TLawsChartView(parent) {
        setObjectName(QStringLiteral("LawsChart"));
        auto* layout = new QHBoxLayout(this);
        layout->setContentsMargins(0, 0, 0, 0);
        view_ = new TChartView(this);
        view_->setObjectName(QStringLiteral("LawsChartView"));
        layout->addWidget(view_, 1);
        // The legend beside the plot, of widgets that wrap a long name instead of cutting it.
        legend_ = new QWidget(this);
        legend_->setObjectName(QStringLiteral("LawsLegend"));
        legend_->setMaximumWidth(190);
        new QVBoxLayout(legend_);
        layout->addWidget(legend_);
        Show({});
    }

    void Show(const LawsPicture& p) override {
        auto* chart = new QChart();
        chart->setMargins(QMargins(4, 4, 4, 4));
        chart->legend()->hide();
        // setChart takes the old chart out of the scene and leaves it to its caller.
        QChart* old = view_->chart();
        view_->setChart(chart);
        delete old;
        view_->hoverText = nullptr;
        ClearLegend();
        if (p.curves.isEmpty()) return;
        const QFont font = this->font();
        QFont small = font;
        if (font.pixelSize() > 0) small.setPixelSize(std::max(9, font.pixelSize() - 1));
        auto* x = new QValueAxis;
        auto* y = new QValueAxis;
        x->setTitleText(QStringLiteral("月工资（元）"));
        y->setTitleText(QStringLiteral("全年个税（元）"));
        double right = 0, top = 0;
        for (const QList<QPointF>& c : p.curves)
            for (const QPointF& pt : c) {
                right = std::max(right, pt.x());
                top = std::max(top, pt.y());
            }
        x->setRange(0, std::max(right, 1.0));
        y->setRange(0, std::max(top * 1.05, 1.0));
        for (QValueAxis* axis : {x, y}) {
            axis->setLabelFormat(QStringLiteral("%.0f"));
            axis->setLabelsFont(small);
            axis->setTitleFont(small);
        }
        chart->addAxis(x, Qt::AlignBottom);
        chart->addAxis(y, Qt::AlignLeft);
        AddCurves(chart, p, x, y, top, small);
        auto* mark = new QLineSeries;
        const QPen markPen(kOwn, 1, Qt::DashLine);
        *mark << QPointF(p.wage, 0) << QPointF(p.wage, y->max());
        mark->setPen(markPen);
        chart->addSeries(mark);
        mark->attachAxis(x);
        mark->attachAxis(y);
        AddToLegend(markPen, QStringLiteral("您的月工资"), small);
        static_cast<QVBoxLayout*>(legend_->layout())->addStretch(1);
        view_->right = right;
        view_->hoverText = p.hoverText;
        QObject::connect(chart, &QChart::plotAreaChanged, chart,
                         [chart, x, y](const QRectF&) { FitTicks(chart, x, y); });
        FitTicks(chart, x, y);
    }

private:
    void ClearLegend() {
        QLayout* rows = legend_->layout();
        while (QLayoutItem* item = rows->takeAt(0)) {
            delete item->widget();
            delete item;
        }
    }

    // A row of the legend: a sample of the line, and its name wrapped to the legend's width.
    void AddToLegend(const QPen& pen, const QString& name, const QFont& font) {
        auto* row = new QWidget(legend_);
        auto* line = new QHBoxLayout(row);
        line->setContentsMargins(0, 0, 0, 0);
        QPixmap sample(QSize(26, 10) * devicePixelRatioF());
        sample.setDevicePixelRatio(devicePixelRatioF());
        sample.fill(Qt::transparent);
        QPainter painter(&sample);
        painter.setPen(pen);
        painter.drawLine(QPointF(1, 5), QPointF(25, 5));
        painter.end();
        auto* swatch = new QLabel(row);
        swatch->setPixmap(sample);
        swatch->setAlignment(Qt::AlignTop);
        auto* text = new QLabel(name, row);
        text->setObjectName(QStringLiteral("LegendName"));
        text->setFont(font);
        text->setWordWrap(true);
        line->addWidget(swatch);
        line->addWidget(text, 1);
        legend_->layout()->addWidget(row);
    }

    void AddCurves(QChart* chart, const LawsPicture& p, QValueAxis* x, QValueAxis* y, double top,
                   const QFont& font) {
        static const QColor kColors[] = {QColor(31, 96, 170), QColor(120, 160, 220), QColor(150, 90, 180),
                                         QColor(20, 150, 60), QColor(230, 120, 20)};
        // Each line that lies on an earlier one gets a pattern of its own over it, so every
        // colour shows between the gaps of the ones above.
        static const Qt::PenStyle kOver[] = {Qt::DashLine, Qt::DotLine, Qt::DashDotLine};
        // Apart by less than a cent everywhere, two curves are the same; by less than 1/150 of
        // the height over half the wages or more, one line there on any screen.
        struct Gap {
            bool same, hidden;
        };
        auto gap = [&](const QList<QPointF>& a, const QList<QPointF>& b) {
            if (a.size() != b.size() || a.isEmpty()) return Gap{false, false};
            double most = 0;
            qsizetype close = 0;
            for (qsizetype k = 0; k < a.size(); ++k) {
                const double d = std::abs(a[k].y() - b[k].y());
                most = std::max(most, d);
                close += d <= top / 150;
            }
            return Gap{most < 0.005, close * 2 >= a.size()};
        };
        size_t over = 0;
        for (qsizetype i = 0; i < p.curves.size(); ++i) {
            auto* s = new QLineSeries;
            QString name = i < p.names.size() ? p.names[i] : QString();
            const QColor color = kColors[static_cast<size_t>(i) % std::size(kColors)];
            QPen pen(color, 2);
            for (qsizetype j = 0; j < i; ++j) {
                const Gap g = gap(p.curves[i], p.curves[j]);
                if (!g.same && !g.hidden) continue;
                name += QStringLiteral("（%1%2重合）")
                            .arg(g.same ? QStringLiteral("与") : QStringLiteral("多处与"),
                                 j < p.names.size() ? p.names[j] : QString());
                pen = QPen(color, 2, kOver[over++ % std::size(kOver)]);
                break;
            }
            s->setName(name);
            s->append(p.curves[i]);
            s->setPen(pen);
            chart->addSeries(s);
            s->attachAxis(x);
            s->attachAxis(y);
            AddToLegend(pen, name, font);
        }
    }

    TChartView* view_ = nullptr;
    QWidget* legend_ = nullptr;
};

} // namespace

class TPlanChartFactory : public QObject, public IPlanChartFactory {
    Q_OBJECT
    Q_PLUGIN_METADATA(IID IPlanChartFactory_iid)
    Q_INTERFACES(IPlanChartFactory)
public:
    TPlanChartView* Create(QWidget* parent) override { return new TPlanChart(parent); }
    TLawsChartView* CreateLaws(QWidget* parent) override { return new TLawsChart(parent); }
};

#include "PlanChartPlugin.moc"
