#pragma once

#include <QColor>
#include <QWidget>

// A status lamp: a filled circle with an outline. Hiding it keeps its place in the layout, so a
// blinking lamp does not make its neighbours jump.
class Circle_shape : public QWidget {
    Q_OBJECT
public:
    explicit Circle_shape(QWidget* parent = nullptr);

    QColor fill() const { return fill_colour; }
    QColor outline() const { return outline_colour; }
    void set_fill(const QColor& colour);
    void set_outline(const QColor& colour);

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QColor fill_colour{Qt::gray};
    QColor outline_colour{Qt::gray};
};
