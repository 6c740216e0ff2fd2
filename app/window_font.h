#pragma once

#include <QFont>

// The windows' font: Tahoma 8 pt where it is installed, otherwise the platform's nearest
// sans-serif face at the same size.
QFont window_font();
