#include "loop_naming.h"
#include "loop_report.h"
#include "loop_table.h"

#include <QFile>
#include <QGuiApplication>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

// Windows has no pdftotext: there the report is checked as a file (a PDF with its fonts embedded,
// its pages counted), and the Linux run of the same test reads its text.
bool text_readable() {
#if defined(Q_OS_WIN)
    return !QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty();
#else
    return true;
#endif
}

// The pages of a PDF with its fonts embedded; 0 when it is not one.
qsizetype pdf_pages(const QString& pdf) {
    QFile file(pdf);
    if (!file.open(QIODevice::ReadOnly)) {
        return 0;
    }
    const QByteArray bytes = file.readAll();
    if (!bytes.startsWith("%PDF-") || !bytes.contains("/FontFile2")) {
        return 0;
    }
    return QString::fromLatin1(bytes).count(
        QRegularExpression(QStringLiteral("/Type\\s*/Page\\b")));
}

// The report's text as a common PDF tool extracts it.
QString text_of(const QString& pdf) {
    QProcess tool;
    tool.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), pdf, QStringLiteral("-")});
    if (!tool.waitForFinished(20000) || tool.exitCode() != 0) {
        ADD_FAILURE() << "pdftotext (poppler-utils) did not read the report: "
                      << tool.errorString().toStdString();
        return {};
    }
    return QString::fromUtf8(tool.readAllStandardOutput());
}

Loop_table loop_of(const Loop_naming& naming, int detectors) {
    Loop_table table(naming);
    std::vector<int> addresses;
    for (int a = 1; a <= detectors; ++a) {
        addresses.push_back(a);
    }
    table.set_scan(addresses);
    Loop_plan plan;
    plan.site = {QStringLiteral("Szpital Łódź, budynek Ż"), QStringLiteral("PNX30 nr 2"),
                 QStringLiteral("Pętla 1"), QStringLiteral("Józef Gęśla")};
    for (Loop_row& row : table.rows()) {
        row.read_state = Loop_row::Read_state::read;
        row.version = 52;
        row.information = 0x21;
        row.wid = ParameterWords::Pair{0x2400, static_cast<std::uint16_t>(row.address)};
        DetectorConfig config = Loop_naming::new_window_config();
        config.set_addresses(row.address, std::nullopt, std::nullopt);
        row.found = config;
        plan.detectors[row.address] = config;
    }
    table.rows()[0].read_state = Loop_row::Read_state::no_reply;
    table.rows()[1].write_state = Loop_row::Write_state::failed;
    table.rows()[1].write_message =
        QStringLiteral("Błąd zapisu pamięci (weryfikacja nie powiodła się)");
    table.set_plan(plan);
    return table;
}

TEST(Loop_report, TheReportsTextCanBeExtractedWithItsPolishLetters) {
    const Loop_naming naming;
    const Loop_table table = loop_of(naming, 3);
    QTemporaryDir folder;
    const QString pdf = folder.filePath(QStringLiteral("raport.pdf"));
    QString problem;
    ASSERT_TRUE(Loop_report::write(pdf, table, QStringLiteral("3.14"),
                                   QDateTime(QDate(2026, 5, 4), QTime(13, 7)), problem))
        << problem.toStdString();
    EXPECT_EQ(pdf_pages(pdf), 1);
    if (!text_readable()) {
        return;
    }
    const QString text = text_of(pdf);
    for (const char* expected :
         {"Obiekt: Szpital Łódź, budynek Ż", "Centrala: PNX30 nr 2", "Pętla: Pętla 1",
          "Wykonał: Józef Gęśla", "2026-05-04 13:07", "KTR27 Tunex 3.14", "2400 0003",
          "brak na pętli", "(weryfikacja", "Konfiguracja", "odczytane: 2", "zgodne z planem: 2",
          "zapis nieudany: 1", "Strona 1 z 1"}) {
        EXPECT_TRUE(text.contains(QString::fromUtf8(expected))) << expected << " in:\n"
                                                                << text.toStdString();
    }
}

TEST(Loop_report, AFullLoopRunsOverPagesThatCountThemselves) {
    const Loop_naming naming;
    const Loop_table table = loop_of(naming, 99);
    QTemporaryDir folder;
    const QString pdf = folder.filePath(QStringLiteral("raport.pdf"));
    QString problem;
    ASSERT_TRUE(Loop_report::write(pdf, table, QStringLiteral("3.14"), QDateTime::currentDateTime(),
                                   problem));
    const qsizetype pages = pdf_pages(pdf);
    if (!text_readable()) {
        // Under Wine the pages are laid out with whatever font the prefix has; only the file
        // itself is checked there.
        EXPECT_GE(pages, 1);
        return;
    }
    ASSERT_GT(pages, 1);
    const QString text = text_of(pdf);
    EXPECT_EQ(text.count(QLatin1Char('\f')), pages);
    EXPECT_TRUE(text.contains(QStringLiteral("Strona %1 z %1").arg(pages)));
    for (int address : {1, 50, 99}) {
        const QString wid =
            QStringLiteral("2400 %1").arg(address, 4, 16, QLatin1Char('0')).toUpper();
        EXPECT_TRUE(text.contains(wid)) << address;
    }
    EXPECT_TRUE(text.contains(QStringLiteral("Razem czujek: 99")));
}

} // namespace

int main(int argc, char** argv) {
    QGuiApplication application(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
