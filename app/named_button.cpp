#include "named_button.h"

#include <QPushButton>

QPushButton* named_button(QWidget* parent, const char* name, const char* caption,
                          const char* hint) {
    auto* made = new QPushButton(QString::fromUtf8(caption), parent);
    made->setObjectName(QString::fromLatin1(name));
    made->setAccessibleName(QString(made->text()).remove(QLatin1String("...")));
    if (hint != nullptr) {
        made->setToolTip(QString::fromUtf8(hint));
    }
    return made;
}
