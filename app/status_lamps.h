#pragma once

#include <QColor>
#include <QString>

#include <cstdint>

class Main_controls;

// The bottom row of the main window as the connection monitor shows it: a lamp and a label for
// the dongle (or the interface module in panel mode), a lamp and a label for the detector, and
// the detector's identifier. A lamp that is red blinks: every tick toggles it.
class Status_lamps {
public:
    static const QColor green;
    static const QColor red;

    explicit Status_lamps(Main_controls& controls) : controls(controls) {}

    void show_link(bool panel_mode);
    void show_no_link();
    void show_detector(std::uint32_t version, std::uint32_t information);
    void show_no_detector();

    // "0x" with the version and then the information word, each in lower-case hexadecimal of at
    // least two digits: 52 and 0x21 give "0x3421", 52 and 0x1A0 give "0x341a0".
    static QString identifier(std::uint32_t version, std::uint32_t information);

private:
    Main_controls& controls;
};
