#pragma once
// The condition slider of the circular plot: a plain horizontal slider that
// writes the condition names, turned upright, along its groove.

#include <QSlider>
#include <QStringList>

namespace graph::widgets {

class MySlider : public QSlider {
    Q_OBJECT

public:
    explicit MySlider(QWidget* parent = nullptr);

    // One name per position, from the minimum on; sets the maximum.
    void setLabels(const QStringList& labels);
    const QStringList& labels() const { return labels_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QStringList labels_;
};

}  // namespace graph::widgets
