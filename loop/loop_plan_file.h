#pragma once

#include "loop_plan.h"

#include <QByteArray>
#include <QString>

#include <optional>

// Loop plan files (.ktr27loop): JSON with a format version, the site fields and, per loop
// address, the configuration in the options form of a .ktr27 file. Loading checks everything
// before it hands anything over, so a refused file changes nothing.
class Loop_plan_file {
public:
    static constexpr const char* suffix = "ktr27loop";
    static constexpr int format_version = 1;
    // A hundred detectors take a few hundred kilobytes.
    static constexpr qint64 largest = 1 << 20;
    // A site field longer than this is no name but pasted text, and would not fit the report.
    static constexpr int longest_field = 200;

    struct Loaded {
        std::optional<Loop_plan> plan;
        // Polish, naming the problem, when plan is empty.
        QString problem;
    };

    static QByteArray encode(const Loop_plan& plan);
    static Loaded decode(const QByteArray& bytes);
    // False with `problem` set (Polish) when the file cannot be written whole.
    static bool save(const QString& path, const Loop_plan& plan, QString& problem);
    // Reads only a regular file, and never more than `largest` and one byte of it.
    static Loaded load(const QString& path);
    // With ".ktr27loop" unless the name ends so.
    static QString with_suffix(const QString& path);
};
