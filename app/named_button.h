#pragma once

class QPushButton;
class QWidget;

// A button a test finds by `name` and a screen reader announces by its caption (without the
// "..." that only says a dialog follows); `hint` (UTF-8, may be null) is its tool tip.
QPushButton* named_button(QWidget* parent, const char* name, const char* caption,
                          const char* hint = nullptr);
