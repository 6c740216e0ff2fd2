#include "circle_shape.h"

#include <QPainter>

#include <algorithm>

Circle_shape::Circle_shape(QWidget* parent) : QWidget(parent) {
    QSizePolicy policy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    policy.setRetainSizeWhenHidden(true);
    setSizePolicy(policy);
}

void Circle_shape::set_fill(const QColor& colour) {
    fill_colour = colour;
    update();
}

void Circle_shape::set_outline(const QColor& colour) {
    outline_colour = colour;
    update();
}

QSize Circle_shape::sizeHint() const {
    return {17, 17};
}

void Circle_shape::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(outline_colour, 1));
    painter.setBrush(fill_colour);
    const int side = std::min(width(), height()) - 1;
    painter.drawEllipse(QRectF(0.5, 0.5, side - 0.5, side - 0.5));
}
