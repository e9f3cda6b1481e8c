#pragma once

#include "params/ParameterSet.h"

#include <QByteArray>
#include <QFile>
#include <QString>

// A file's bytes, or "<unreadable>": never what a test expects of a file it wrote.
inline QByteArray readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
}

// A set whose every parameter differs: parameter id holds 1000 + id.
inline ParameterSet numberedSet() {
    ParameterSet s;
    for (int id = 1; id <= ParameterCount; ++id)
        s.setValue(id, 1000 + id);
    return s;
}
