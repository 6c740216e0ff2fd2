// "Ustawienia stanowiska" as a user reopens it: what was kept is shown and kept again by "OK",
// switching kinds keeps each text, and a password is refused with the reason shown.
#include "tform_station.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>

#include <gtest/gtest.h>

namespace {

TEST(Station_window, shows_what_was_kept_and_refuses_a_password) {
    Station_settings kept;
    kept.station = QStringLiteral("S2");
    kept.line = Station_settings::Line::connection;
    kept.connection = QStringLiteral("host=10.0.0.5 dbname=linia user=stanowisko");
    kept.service = QStringLiteral("linia3");
    TForm_station window(kept);
    EXPECT_EQ(window.Edit_line_connection->text(), kept.connection);
    window.ComboBox_line->setCurrentIndex(static_cast<int>(Station_settings::Line::service));
    EXPECT_EQ(window.Edit_line_connection->text(), kept.service);
    window.ComboBox_line->setCurrentIndex(static_cast<int>(Station_settings::Line::connection));
    EXPECT_EQ(window.chosen().connection, kept.connection);
    EXPECT_EQ(window.chosen().service, kept.service);

    window.Edit_line_connection->setText(kept.connection + QStringLiteral(" password=tajne"));
    window.accept();
    EXPECT_EQ(window.result(), QDialog::Rejected);
    EXPECT_TRUE(window.Label_problem->text().contains(QStringLiteral("hasła")));
}

} // namespace
