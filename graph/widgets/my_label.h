#pragma once
// A label that reports clicks and the pointer entering or leaving it (legend
// rows and condition names).

#include <QLabel>

namespace graph::widgets {

class MyLabel : public QLabel {
    Q_OBJECT

public:
    explicit MyLabel(const QString& text = QString(), QWidget* parent = nullptr) : QLabel(text, parent) {}

signals:
    void clicked();
    void hoverLabel(bool state);

protected:
    void mousePressEvent(QMouseEvent*) override { emit clicked(); }
    void enterEvent(QEvent*) override { emit hoverLabel(true); }
    void leaveEvent(QEvent*) override { emit hoverLabel(false); }
};

}  // namespace graph::widgets
