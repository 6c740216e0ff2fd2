#pragma once

#include "config_document.h"

#include <QJsonObject>
#include <QJsonParseError>
#include <QString>

#include <optional>

// Configuration files (.ktr27): a small JSON document with a format version, every option by
// name and, for reference only, the eight words as hex. Loading checks everything before it
// hands anything over, so a refused file changes nothing.
class Configuration_file {
public:
    static constexpr const char* suffix = "ktr27";
    // A configuration is a few kilobytes; anything larger is not one.
    static constexpr qint64 largest = 1 << 20;

    struct Loaded {
        std::optional<DetectorConfig> config;
        // Polish, naming the problem, when config is empty.
        QString problem;
    };

    // The document's bytes for `config`.
    static QByteArray encode(const DetectorConfig& config);
    static Loaded decode(const QByteArray& bytes);

    // False with `problem` set (Polish, the system's own text after it) when the file cannot
    // be written whole.
    static bool save(const QString& path, const DetectorConfig& config, QString& problem);
    // Reads only a regular file, and never more than `largest` and one byte of it.
    static Loaded load(const QString& path);

    // The options object of a configuration document, and its checks: what a loop plan keeps
    // for every detector.
    static QJsonObject options_object(const DetectorConfig& config);
    static Loaded from_options(const QJsonObject& options);

    // Polish texts for a user's file that is too large or no regular file.
    struct File_texts {
        QString too_large;
        QString not_regular;
    };
    // Reads a regular file of at most `limit` bytes into `bytes`; else the problem, in Polish.
    static QString read_user_file(const QString& path, qint64 limit, const File_texts& texts,
                                  QByteArray& bytes);
    // A JSON syntax error, or a document that is no object, in Polish.
    static QString json_problem(const QJsonParseError& error);
    // A value as the file spells it, for messages.
    static QString json_text(const QJsonValue& value);

    // The name a file chosen as `path` is saved under: with ".ktr27" unless it ends so.
    static QString with_suffix(const QString& path);
};
