#include "configuration_file.h"

#include <QFile>
#include <QFileInfo>
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

// A value as the file spells it: "1" (with its quotes) for a text, 1 for a number.
QString json_text(const QJsonValue& value) {
    return QString::fromUtf8(
               QJsonDocument(QJsonObject{{"v", value}}).toJson(QJsonDocument::Compact))
        .mid(5)
        .chopped(1);
}

// Qt's own texts are English; the messages around them are not.
QString syntax_problem(QJsonParseError::ParseError error) {
    switch (error) {
    case QJsonParseError::UnterminatedObject:
        return QStringLiteral("obiekt nie jest zamknięty nawiasem }");
    case QJsonParseError::MissingNameSeparator:
        return QStringLiteral("brak dwukropka po nazwie");
    case QJsonParseError::UnterminatedArray:
        return QStringLiteral("tablica nie jest zamknięta nawiasem ]");
    case QJsonParseError::MissingValueSeparator:
        return QStringLiteral("brak przecinka między wartościami");
    case QJsonParseError::IllegalValue:
        return QStringLiteral("niedozwolona wartość");
    case QJsonParseError::TerminationByNumber:
        return QStringLiteral("plik urywa się w liczbie");
    case QJsonParseError::IllegalNumber:
        return QStringLiteral("niedozwolona liczba");
    case QJsonParseError::IllegalEscapeSequence:
        return QStringLiteral("niedozwolony znak po \\ w tekście");
    case QJsonParseError::IllegalUTF8String:
        return QStringLiteral("tekst nie jest w kodowaniu UTF-8");
    case QJsonParseError::UnterminatedString:
        return QStringLiteral("tekst nie jest zamknięty cudzysłowem");
    case QJsonParseError::MissingObject:
        return QStringLiteral("brak obiektu");
    case QJsonParseError::DeepNesting:
        return QStringLiteral("za głębokie zagnieżdżenie");
    case QJsonParseError::DocumentTooLarge:
        return QStringLiteral("dokument za duży");
    case QJsonParseError::GarbageAtEnd:
        return QStringLiteral("zbędne znaki po końcu dokumentu");
    default:
        return QStringLiteral("błąd składni");
    }
}

// Empty when the document is a configuration of this format and version.
QString header_problem(const QJsonObject& root) {
    const QJsonValue format = root.value(QStringLiteral("format"));
    if (format.isUndefined()) {
        return QStringLiteral("To nie jest plik konfiguracji KTR27 Tunex (brak pola „format”).");
    }
    if (format != QJsonValue(QString::fromUtf8(format_name))) {
        return QStringLiteral("To nie jest plik konfiguracji KTR27 Tunex: pole „format” ma "
                              "wartość %1 zamiast \"%2\".")
            .arg(json_text(format), QString::fromUtf8(format_name));
    }
    const QJsonValue version = root.value(QStringLiteral("format_version"));
    if (version.isUndefined()) {
        return QStringLiteral("W pliku brak wersji formatu („format_version”).");
    }
    if (!version.isDouble()) {
        return QStringLiteral("Wersja formatu pliku („format_version”) musi być liczbą, a w "
                              "pliku jest %1.")
            .arg(json_text(version));
    }
    if (version.toDouble() != Config_document::format_version) {
        return QStringLiteral("Nieznana wersja formatu pliku (%1); program odczytuje wersję %2.")
            .arg(json_text(version))
            .arg(Config_document::format_version);
    }
    if (!root.value(QStringLiteral("options")).isObject()) {
        return QStringLiteral("W pliku brak obiektu opcji („options”).");
    }
    return {};
}

// The option's value as Config_document keeps it, or empty with `problem` set.
std::optional<int> option_value(const Config_document::Option& option, const QJsonValue& value,
                                QString& problem) {
    if (value.isUndefined()) {
        problem = QStringLiteral("W pliku brak opcji %1.").arg(quoted(option.name));
        return std::nullopt;
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
    if (fits) {
        return number;
    }
    const QString allowed =
        option.kind == Config_document::Kind::flag ? QStringLiteral("true albo false")
        : option.kind == Config_document::Kind::address
            ? QStringLiteral("null (brak) albo liczba od 0 do %1").arg(option.maximum)
            : QStringLiteral("liczba od %1 do %2").arg(option.minimum).arg(option.maximum);
    problem = QStringLiteral("Wartość opcji %1 (%2) jest niedozwolona; dozwolone: %3.")
                  .arg(quoted(option.name), json_text(value), allowed);
    return std::nullopt;
}

// A file's problem in Polish, with the system's own text after it.
QString with_system_text(const QString& problem, const QFileDevice& file) {
    return QStringLiteral("%1 (komunikat systemu: %2)").arg(problem, file.errorString());
}

} // namespace

QString Configuration_file::json_problem(const QJsonParseError& error) {
    return error.error != QJsonParseError::NoError
               ? QStringLiteral("%1, znak %2").arg(syntax_problem(error.error)).arg(error.offset)
               : QStringLiteral("dokument nie jest obiektem");
}

QString Configuration_file::json_text(const QJsonValue& value) {
    return ::json_text(value);
}

QJsonObject Configuration_file::options_object(const DetectorConfig& config) {
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
    return options;
}

QByteArray Configuration_file::encode(const DetectorConfig& config) {
    const QJsonObject options = options_object(config);
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
    if (bytes.trimmed().isEmpty()) {
        return refused(QStringLiteral("Plik jest pusty."));
    }
    QJsonParseError error{};
    const QJsonDocument json = QJsonDocument::fromJson(bytes, &error);
    if (error.error != QJsonParseError::NoError || !json.isObject()) {
        return refused(QStringLiteral("Plik nie jest dokumentem JSON konfiguracji KTR27 (%1).")
                           .arg(json_problem(error)));
    }
    const QJsonObject root = json.object();
    if (const QString problem = header_problem(root); !problem.isEmpty()) {
        return refused(problem);
    }
    return from_options(root.value(QStringLiteral("options")).toObject());
}

Configuration_file::Loaded Configuration_file::from_options(const QJsonObject& options) {
    Config_document document;
    for (const Config_document::Option& option : Config_document::options()) {
        QString problem;
        const std::optional<int> value =
            option_value(option, options.value(QString::fromLatin1(option.name)), problem);
        if (!value) {
            return refused(problem);
        }
        document.values[option.name] = *value;
    }
    // The detector has one address word: the window never shows both, and writing would
    // silently keep the W/K one.
    const int basic = document.values.at("ComboBox_address_1");
    const int wk = document.values.at("ComboBox_address_WK");
    if (basic >= 0 && wk >= 0) {
        return refused(QStringLiteral("Plik podaje jednocześnie adres podstawowy (%1) i adres "
                                      "czujek W / K (%2), a czujka ma tylko jedno słowo adresu; "
                                      "usuń z pliku jeden z nich („ComboBox_address_1” albo "
                                      "„ComboBox_address_WK”).")
                           .arg(basic)
                           .arg(wk));
    }
    return {document.to_words(), QString()};
}

bool Configuration_file::save(const QString& path, const DetectorConfig& config, QString& problem) {
    // Written aside and renamed, so a failed save never leaves half a file under the name.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        problem = with_system_text(QStringLiteral("nie można utworzyć pliku w tym folderze"), file);
        return false;
    }
    if (file.write(encode(config)) < 0 || !file.commit()) {
        problem = with_system_text(QStringLiteral("błąd zapisu, np. brak miejsca na dysku"), file);
        return false;
    }
    return true;
}

Configuration_file::Loaded Configuration_file::load(const QString& path) {
    QByteArray bytes;
    const QString problem = read_user_file(
        path, largest,
        {QStringLiteral("Plik jest za duży na plik konfiguracji."),
         QStringLiteral("To nie jest zwykły plik, lecz np. potok albo urządzenie; konfigurację "
                        "wczytuje się tylko ze zwykłego pliku.")},
        bytes);
    if (!problem.isEmpty()) {
        return refused(problem);
    }
    return decode(bytes);
}

QString Configuration_file::read_user_file(const QString& path, qint64 limit,
                                           const File_texts& texts, QByteArray& bytes) {
    // A FIFO would block the open until someone writes to it, and a device such as /dev/zero
    // never ends: only a regular file (or a link to one) is opened at all.
    const QFileInfo info(path);
    if (!info.exists()) {
        return QStringLiteral("Plik nie istnieje.");
    }
    if (info.isDir()) {
        return QStringLiteral("Wskazano folder, a nie plik.");
    }
    if (!info.isFile()) {
        return texts.not_regular;
    }
    if (info.size() > limit) {
        return texts.too_large;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return with_system_text(info.isReadable()
                                    ? QStringLiteral("Nie można otworzyć pliku.")
                                    : QStringLiteral("Brak uprawnień do odczytu pliku."),
                                file);
    }
    // The name may have been given to something else since it was looked at.
    if (file.isSequential()) {
        return texts.not_regular;
    }
    bytes = file.read(limit + 1);
    if (file.error() != QFileDevice::NoError) {
        return with_system_text(QStringLiteral("Błąd odczytu pliku."), file);
    }
    if (bytes.size() > limit) {
        return texts.too_large;
    }
    return {};
}

QString Configuration_file::with_suffix(const QString& path) {
    const QString ending = QStringLiteral(".") + QString::fromLatin1(suffix);
    return path.endsWith(ending, Qt::CaseInsensitive) ? path : path + ending;
}
