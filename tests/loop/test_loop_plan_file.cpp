#include "configuration_file.h"
#include "loop_plan_file.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "qstring_print.h"

#include <gtest/gtest.h>

namespace {

DetectorConfig with_basic(int address) {
    DetectorConfig config;
    config.options1 = 0x4180;
    config.rop_ans = 10;
    config.rop_alm = 50;
    config.smoke_profile = 125;
    config.set_addresses(address, std::nullopt, std::nullopt);
    return config;
}

Loop_plan sample_plan() {
    Loop_plan plan;
    plan.site = {QStringLiteral("Szkoła nr 5, Łódź"), QStringLiteral("PNX30 #2"),
                 QStringLiteral("Pętla 1"), QStringLiteral("Józef Żółć")};
    plan.detectors[3] = with_basic(3);
    plan.detectors[17] = with_basic(17);
    plan.detectors[17].options1 |= 0x0001;
    return plan;
}

// A valid plan's text with one piece replaced.
QByteArray edited(const char* from, const char* to) {
    QByteArray bytes = Loop_plan_file::encode(sample_plan());
    EXPECT_TRUE(bytes.contains(from)) << from;
    return bytes.replace(from, to);
}

TEST(Loop_plan_file, SavedPlanLoadsAsTheSamePlanPolishLettersIncluded) {
    QTemporaryDir folder;
    const QString path = Loop_plan_file::with_suffix(folder.filePath(QStringLiteral("plan")));
    EXPECT_TRUE(path.endsWith(QStringLiteral(".ktr27loop")));
    QString problem;
    ASSERT_TRUE(Loop_plan_file::save(path, sample_plan(), problem)) << problem.toStdString();
    const Loop_plan_file::Loaded loaded = Loop_plan_file::load(path);
    ASSERT_TRUE(loaded.plan) << loaded.problem.toStdString();
    EXPECT_EQ(*loaded.plan, sample_plan());
}

TEST(Loop_plan_file, DamagedFilesAreRefusedNamingTheProblem) {
    struct Case {
        QByteArray bytes;
        const char* named;
    };
    const Case cases[] = {
        {"", "pusty"},
        {"{\"format\": ", "JSON planu"},
        {edited("plan pętli\"", "konfiguracja\""), "pole „format”"},
        {edited("\"format_version\": 1", "\"format_version\": 2"), "Nieznana wersja"},
        {edited("\"Obiekt\": \"Szkoła nr 5, Łódź\"", "\"Obiekt\": 5"), "„Obiekt” musi być tekstem"},
        {edited("\"Wykonał\"", "\"Wykonal\""), "brak pola „Wykonał”"},
        {edited("\"loop_address\": 17", "\"loop_address\": 100"), "od 0 do 99"},
        {edited("\"loop_address\": 17", "\"loop_address\": 3"), "Adres 3 występuje w planie dwa"},
        {edited("\"CSpinEdit_hc\": 0", "\"CSpinEdit_hc\": 51"),
         "Czujka pod adresem 3: Wartość opcji „CSpinEdit_hc” (51)"},
        {edited("\"detectors\"", "\"czujki\""), "brak listy czujek"},
    };
    for (const Case& c : cases) {
        const Loop_plan_file::Loaded loaded = Loop_plan_file::decode(c.bytes);
        EXPECT_FALSE(loaded.plan) << c.named;
        EXPECT_TRUE(loaded.problem.contains(QString::fromUtf8(c.named)))
            << c.named << " in: " << loaded.problem.toStdString();
    }
}

TEST(Loop_plan_file, OnlyRegularFilesOfSensibleSizeAreRead) {
    QTemporaryDir folder;
    EXPECT_TRUE(Loop_plan_file::load(folder.path()).problem.contains(QStringLiteral("folder")));
    const QString huge = folder.filePath(QStringLiteral("huge.ktr27loop"));
    QFile file(huge);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    ASSERT_TRUE(file.resize(Loop_plan_file::largest + 1));
    file.close();
    EXPECT_TRUE(Loop_plan_file::load(huge).problem.contains(QStringLiteral("za duży")));
    // The configuration file keeps its own texts.
    EXPECT_TRUE(Configuration_file::load(huge).problem.contains(
        QStringLiteral("za duży na plik konfiguracji")));
}

} // namespace
