#pragma once

#include "config_document.h"

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

    // The name a file chosen as `path` is saved under: with ".ktr27" unless it ends so.
    static QString with_suffix(const QString& path);
};
