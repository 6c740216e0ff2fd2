#include "configuration_file.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>

#include <cmath>

namespace {

constexpr const char* format_name = "KTR27 Tunex konfiguracja";
constexpr std::array<const char*, DetectorConfig::word_count> word_names = {
    "options1", "address", "rop_address", "options2", "rop_ans", "rop_alm", "smoke_profile", "hc"};

Configuration_file::Loaded refused(const QString& problem) {
    return {std::nullopt, problem};
}

QString quoted(const char* name) {
    return QStringLiteral("„%1”").arg(QString::fromLatin1(name));
}

} // namespace

QByteArray Configuration_file::encode(const DetectorConfig& config) {
    const Config_document document = Config_document::from_words(config);
    QJsonObject options;
    for (const Config_document::Option& option : Config_document::options()) {
        const int value = document.values.at(option.name);
        const QString name = QString::fromLatin1(option.name);
        switch (option.kind) {
        case Config_document::Kind::flag:
            options.insert(name, value != 0);
            break;
        case Config_document::Kind::number:
            options.insert(name, value);
            break;
        case Config_document::Kind::address:
            options.insert(name, value < 0 ? QJsonValue() : QJsonValue(value));
            break;
        }
    }
    QJsonObject words;
    const auto values = config.words();
    for (std::size_t i = 0; i < values.size(); ++i) {
        words.insert(QString::fromLatin1(word_names[i]),
                     QStringLiteral("0x%1")
                         .arg(values[i], 4, 16, QLatin1Char('0'))
                         .toUpper()
                         .replace(QStringLiteral("0X"), QStringLiteral("0x")));
    }
    QJsonObject root;
    root.insert(QStringLiteral("format"), QString::fromUtf8(format_name));
    root.insert(QStringLiteral("format_version"), Config_document::format_version);
    root.insert(QStringLiteral("options"), options);
    root.insert(QStringLiteral("words"), words);
    return QJsonDocument(root).toJson(QJsonDocument::Indented);
}

Configuration_file::Loaded Configuration_file::decode(const QByteArray& bytes) {
    QJsonParseError error{};
    const QJsonDocument json = QJsonDocument::fromJson(bytes, &error);
    if (error.error != QJsonParseError::NoError || !json.isObject()) {
        return refused(
            QStringLiteral("Plik nie jest dokumentem JSON konfiguracji KTR27 (%1, znak %2).")
                .arg(error.error != QJsonParseError::NoError ? error.errorString()
                                                             : QStringLiteral("brak obiektu"))
                .arg(error.offset));
    }
    const QJsonObject root = json.object();
    const QJsonValue version = root.value(QStringLiteral("format_version"));
    if (!version.isDouble() || version.toDouble() != Config_document::format_version) {
        return refused(QStringLiteral("Nieznana wersja formatu pliku (%1); program odczytuje "
                                      "wersję %2.")
                           .arg(version.isUndefined() ? QStringLiteral("brak")
                                                      : version.toVariant().toString())
                           .arg(Config_document::format_version));
    }
    const QJsonObject options = root.value(QStringLiteral("options")).toObject();
    Config_document document;
    for (const Config_document::Option& option : Config_document::options()) {
        const QJsonValue value = options.value(QString::fromLatin1(option.name));
        if (value.isUndefined()) {
            return refused(QStringLiteral("W pliku brak opcji %1.").arg(quoted(option.name)));
        }
        int number = 0;
        bool fits = false;
        switch (option.kind) {
        case Config_document::Kind::flag:
            fits = value.isBool();
            number = value.toBool() ? 1 : 0;
            break;
        case Config_document::Kind::address:
            if (value.isNull()) {
                fits = true;
                number = -1;
                break;
            }
            [[fallthrough]];
        case Config_document::Kind::number: {
            // Compared as a double first: a huge number must not reach the conversion to int.
            const double given = value.toDouble(-1.0);
            const int lowest = option.kind == Config_document::Kind::address ? 0 : option.minimum;
            fits = value.isDouble() && given >= lowest && given <= option.maximum &&
                   given == std::floor(given);
            number = fits ? static_cast<int>(given) : 0;
            break;
        }
        }
        if (!fits) {
            const QString allowed =
                option.kind == Config_document::Kind::flag ? QStringLiteral("true albo false")
                : option.kind == Config_document::Kind::address
                    ? QStringLiteral("null (brak) albo liczba od 0 do %1").arg(option.maximum)
                    : QStringLiteral("liczba od %1 do %2").arg(option.minimum).arg(option.maximum);
            return refused(QStringLiteral("Wartość opcji %1 (%2) jest niedozwolona; dozwolone: "
                                          "%3.")
                               .arg(quoted(option.name),
                                    QString::fromUtf8(QJsonDocument(QJsonObject{{"v", value}})
                                                          .toJson(QJsonDocument::Compact))
                                        .mid(5)
                                        .chopped(1),
                                    allowed));
        }
        document.values[option.name] = number;
    }
    return {document.to_words(), QString()};
}

bool Configuration_file::save(const QString& path, const DetectorConfig& config, QString& problem) {
    // Written aside and renamed, so a failed save never leaves half a file under the name.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(encode(config)) < 0 || !file.commit()) {
        problem = file.errorString();
        return false;
    }
    return true;
}

Configuration_file::Loaded Configuration_file::load(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return refused(QStringLiteral("Nie można otworzyć pliku (%1).").arg(file.errorString()));
    }
    // A configuration is a few kilobytes; anything far larger is not one.
    constexpr qint64 largest = 1 << 20;
    if (file.size() > largest) {
        return refused(QStringLiteral("Plik jest za duży na plik konfiguracji."));
    }
    return decode(file.readAll());
}
