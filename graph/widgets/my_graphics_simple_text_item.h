#pragma once
// A node label of the circular plot that reports the pointer entering and
// leaving it, so the plot can show only that node's edges.

#include <QGraphicsSimpleTextItem>
#include <QObject>

namespace graph::widgets {

class MyGraphicsSimpleTextItem : public QObject, public QGraphicsSimpleTextItem {
    Q_OBJECT

public:
    explicit MyGraphicsSimpleTextItem(const QString& text, QGraphicsItem* parent = nullptr)
        : QGraphicsSimpleTextItem(text, parent) {
        setAcceptHoverEvents(true);
    }

signals:
    void hovering(bool state);

protected:
    void hoverEnterEvent(QGraphicsSceneHoverEvent*) override { emit hovering(true); }
    void hoverLeaveEvent(QGraphicsSceneHoverEvent*) override { emit hovering(false); }
};

}  // namespace graph::widgets
