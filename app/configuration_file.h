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

    struct Loaded {
        std::optional<DetectorConfig> config;
        // Polish, naming the problem, when config is empty.
        QString problem;
    };

    // The document's bytes for `config`.
    static QByteArray encode(const DetectorConfig& config);
    static Loaded decode(const QByteArray& bytes);

    // False with `problem` set when the file cannot be written whole.
    static bool save(const QString& path, const DetectorConfig& config, QString& problem);
    static Loaded load(const QString& path);
};
