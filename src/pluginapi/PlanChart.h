#pragma once
// The interface of the planning window's plot (the year's tax against the year-end bonus): it is
// drawn with Qt Charts in a plugin loaded on first use, so the main window never pays for it.
// The plugin and the window include this alone.

#include <QList>
#include <QPointF>
#include <QString>
#include <QWidget>
#include <QtPlugin>
#include <functional>
#include <optional>

// What the plot shows, in yuan as doubles: for drawing only, never for a shown figure.
struct PlanPicture {
    struct Zone {
        double lower, upper;
        QString label;
    };
    double pay = 0;
    QList<QPointF> curve; // (bonus, year's tax), bonus rising
    QList<Zone> zones;    // those that begin below the pay
    QPointF best;
    std::optional<QPointF> own;
    // The text shown when the pointer rests over a bonus.
    std::function<QString(double bonus)> hoverText;
};

class TPlanChartView : public QWidget {
public:
    using QWidget::QWidget;
    virtual void Show(const PlanPicture& picture) = 0;
    virtual void Clear() = 0;
};

class IPlanChartFactory {
public:
    virtual ~IPlanChartFactory() = default;
    virtual TPlanChartView* Create(QWidget* parent) = 0;
};
#define IPlanChartFactory_iid "cn.qingfu.PlanChart/1"
Q_DECLARE_INTERFACE(IPlanChartFactory, IPlanChartFactory_iid)
