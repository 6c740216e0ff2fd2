#include "status_lamps.h"

#include "circle_shape.h"
#include "main_controls.h"

#include <QLabel>
#include <QLineEdit>

#include <cstdio>

const QColor Status_lamps::green{0, 128, 0};
const QColor Status_lamps::red{255, 0, 0};

namespace {

void show_text(QLabel* label, const char* text, const QColor& colour) {
    label->setText(QString::fromUtf8(text));
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, colour);
    label->setPalette(palette);
}

// The lamp's name says what its colour shows, for those who cannot see it.
void paint(Circle_shape* lamp, const QColor& colour, const char* meaning) {
    lamp->set_fill(colour);
    lamp->set_outline(colour);
    // Only a change is news: a blinking lamp repaints every second.
    const QString name = QString::fromUtf8(meaning);
    if (lamp->accessibleName() != name) {
        lamp->setAccessibleName(name);
    }
}

// Hidden lamps keep their place in the layout, so toggling is all a blink takes.
void toggle(Circle_shape* lamp) {
    lamp->setVisible(lamp->isHidden());
}

constexpr const char* no_detector_identifier = "0x0000";

} // namespace

QString Status_lamps::identifier(std::uint32_t version, std::uint32_t information) {
    char text[32];
    std::snprintf(text, sizeof text, "0x%02x%02x", static_cast<unsigned>(version),
                  static_cast<unsigned>(information));
    return QString::fromLatin1(text);
}

void Status_lamps::show_link(bool panel_mode) {
    show_text(controls.Label_dev_state, panel_mode ? "KMX12 PODŁĄCZONY" : "DONGLE KTR27 PODŁĄCZONY",
              green);
    controls.Shape_dongle->setVisible(true);
    paint(controls.Shape_dongle, green, panel_mode ? "KMX12: podłączony" : "Dongle: podłączony");
}

void Status_lamps::show_no_link() {
    show_text(controls.Label_dev_state, "DONGLE KTR27 NIE PODŁĄCZONY", red);
    paint(controls.Shape_dongle, red, "Dongle: nie podłączony");
    toggle(controls.Shape_dongle);
}

void Status_lamps::show_detector(std::uint32_t version, std::uint32_t information) {
    show_text(controls.Label_ktr_info, "CZUJKA KTR27 PODŁĄCZONA", green);
    controls.Edit_code->setText(identifier(version, information));
    controls.Shape_ktr->setVisible(true);
    paint(controls.Shape_ktr, green, "Czujka: podłączona");
}

void Status_lamps::show_no_detector() {
    show_text(controls.Label_ktr_info, "CZUJKA KTR27 NIE PODŁĄCZONA", red);
    paint(controls.Shape_ktr, red, "Czujka: nie podłączona");
    controls.Edit_code->setText(QString::fromLatin1(no_detector_identifier));
    toggle(controls.Shape_ktr);
}
