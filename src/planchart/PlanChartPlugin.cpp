// The planning window's plot, drawn with Qt Charts. Built as a plugin so that Qt Charts is loaded
// only when the plot is first shown.
#include "pluginapi/PlanChart.h"

#include <QAreaSeries>
#include <QChart>
#include <QChartView>
#include <QGraphicsSimpleTextItem>
#include <QLegendMarker>
#include <QLineSeries>
#include <QMouseEvent>
#include <QScatterSeries>
#include <QToolTip>
#include <QVBoxLayout>
#include <QValueAxis>
#include <algorithm>
#include <iterator>
#include <vector>

namespace {

const QColor kCurve(31, 96, 170);
const QColor kZone(240, 130, 40, 90);
const QColor kZoneText(160, 60, 0);
const QColor kBest(20, 150, 60);
const QColor kOwn(210, 30, 30);

class TChartView : public QChartView {
public:
    explicit TChartView(QWidget* parent) : QChartView(parent) {
        setRenderHint(QPainter::Antialiasing);
        setMouseTracking(true);
    }
    std::function<QString(double)> hoverText;
    double pay = 0;

protected:
    void mouseMoveEvent(QMouseEvent* event) override {
        QChartView::mouseMoveEvent(event);
        if (!hoverText || !chart() || chart()->series().isEmpty()) return;
        const QPointF at = chart()->mapFromScene(mapToScene(event->position().toPoint()));
        if (!chart()->plotArea().contains(at)) {
            QToolTip::hideText();
            return;
        }
        const double bonus = chart()->mapToValue(at, chart()->series().first()).x();
        if (bonus < 0 || bonus > pay) return;
        QToolTip::showText(event->globalPosition().toPoint(), hoverText(bonus), this);
    }
};

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
        for (const QPointF& pt : p.curve) top = std::max(top, pt.y());
        top = std::max(top * 1.1, 1.0);

        auto* x = new QValueAxis;
        x->setRange(0, std::max(p.pay, 1.0));
        x->setTitleText(QStringLiteral("年终奖（元）"));
        auto* y = new QValueAxis;
        y->setRange(0, top);
        y->setTitleText(QStringLiteral("全年个税（元）"));
        for (QValueAxis* axis : {x, y}) {
            axis->setLabelFormat(QStringLiteral("%.0f"));
            axis->setTickCount(6);
            axis->setLabelsFont(small);
            axis->setTitleFont(font);
        }
        y->applyNiceNumbers();
        chart->addAxis(x, Qt::AlignBottom);
        chart->addAxis(y, Qt::AlignLeft);

        // A zone narrower than a few pixels is widened so it can still be seen.
        const double minWidth = p.pay / 250;
        for (qsizetype i = 0; i < p.zones.size(); ++i) {
            const PlanPicture::Zone& z = p.zones[i];
            const double right = std::max(z.upper, z.lower + minWidth);
            // An area series does not own its bounds: the chart does, so they go with it.
            auto* lower = new QLineSeries(chart);
            auto* upper = new QLineSeries(chart);
            *lower << QPointF(z.lower, 0) << QPointF(right, 0);
            *upper << QPointF(z.lower, y->max()) << QPointF(right, y->max());
            auto* area = new QAreaSeries(upper, lower);
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

        auto* curve = new QLineSeries;
        curve->setName(QStringLiteral("全年个税"));
        curve->append(p.curve);
        curve->setPen(QPen(kCurve, 2));
        Add(chart, curve, x, y);
        Add(chart, Marker(QStringLiteral("最优方案"), kBest, p.best), x, y);
        if (p.own) Add(chart, Marker(QStringLiteral("您的方案"), kOwn, *p.own), x, y);

        chart->legend()->setFont(font);
        chart->legend()->setAlignment(Qt::AlignBottom);
        chart->legend()->show();

        view_->pay = p.pay;
        view_->hoverText = p.hoverText;
        QObject::connect(chart, &QChart::plotAreaChanged, chart, [this](const QRectF&) { PlaceLabels(); });
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

    static QScatterSeries* Marker(const QString& name, const QColor& color, QPointF at) {
        auto* s = new QScatterSeries;
        s->setName(name);
        s->setColor(color);
        s->setBorderColor(Qt::white);
        s->setMarkerSize(13);
        s->append(at);
        return s;
    }

    // Each zone's bounds on a row of their own near the top of the plot, beside the zone, so
    // that zones close together do not write over each other.
    void PlaceLabels() {
        QChart* chart = view_->chart();
        if (chart->series().isEmpty()) return;
        const QRectF area = chart->plotArea();
        QAbstractSeries* any = chart->series().first();
        for (size_t i = 0; i < labels_.size(); ++i) {
            const Label& l = labels_[i];
            const double left = chart->mapToPosition(QPointF(l.lower, 0), any).x();
            const double right = chart->mapToPosition(QPointF(l.upper, 0), any).x();
            const QRectF box = l.item->boundingRect();
            double at = right + 3;
            if (at + box.width() > area.right()) at = left - 3 - box.width();
            at = std::max(at, area.left() + 2);
            l.item->setPos(at, area.top() + 4 + static_cast<double>(i) * (box.height() + 2));
        }
    }

    TChartView* view_ = nullptr;
    std::vector<Label> labels_;
};

// One curve per law, in the order given; the typed wage marked by a vertical line.
class TLawsChart : public TLawsChartView {
public:
    explicit TLawsChart(QWidget* parent) : TLawsChartView(parent) {
        setObjectName(QStringLiteral("LawsChart"));
        auto* layout = new QVBoxLayout(this);
        layout->setContentsMargins(0, 0, 0, 0);
        view_ = new QChartView(this);
        view_->setObjectName(QStringLiteral("LawsChartView"));
        view_->setRenderHint(QPainter::Antialiasing);
        layout->addWidget(view_);
        Show({});
    }

    void Show(const LawsPicture& p) override {
        auto* chart = new QChart();
        chart->setMargins(QMargins(4, 4, 4, 4));
        // setChart takes the old chart out of the scene and leaves it to its caller.
        QChart* old = view_->chart();
        view_->setChart(chart);
        delete old;
        if (p.curves.isEmpty()) {
            chart->legend()->hide();
            return;
        }
        const QFont font = this->font();
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
            axis->setLabelsFont(font);
            axis->setTitleFont(font);
        }
        x->applyNiceNumbers();
        y->applyNiceNumbers();
        chart->addAxis(x, Qt::AlignBottom);
        chart->addAxis(y, Qt::AlignLeft);
        static const QColor kColors[] = {QColor(31, 96, 170), QColor(120, 160, 220), QColor(150, 90, 180),
                                         QColor(20, 150, 60), QColor(230, 120, 20)};
        for (qsizetype i = 0; i < p.curves.size(); ++i) {
            auto* s = new QLineSeries;
            s->setName(i < p.names.size() ? p.names[i] : QString());
            s->append(p.curves[i]);
            s->setPen(QPen(kColors[static_cast<size_t>(i) % std::size(kColors)], 2));
            chart->addSeries(s);
            s->attachAxis(x);
            s->attachAxis(y);
        }
        auto* mark = new QLineSeries;
        mark->setName(QStringLiteral("您的月工资"));
        *mark << QPointF(p.wage, 0) << QPointF(p.wage, y->max());
        mark->setPen(QPen(kOwn, 1, Qt::DashLine));
        chart->addSeries(mark);
        mark->attachAxis(x);
        mark->attachAxis(y);
        chart->legend()->setFont(font);
        chart->legend()->setAlignment(Qt::AlignBottom);
        chart->legend()->show();
    }

private:
    QChartView* view_ = nullptr;
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
