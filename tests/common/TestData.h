#pragma once

#include "params/ParameterChecks.h"
#include "params/ParameterSet.h"
#include "params/WriteList.h"

#include <QByteArray>
#include <QFile>
#include <QString>

// A file's bytes, or "<unreadable>": never what a test expects of a file it wrote.
inline QByteArray readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
}

// The set whose every field holds its default.
inline ParameterSet defaultSet() {
    ParameterSet s;
    SetParameterDefaults(s);
    return s;
}

// The write list the upload check leaves for this set: nothing queued when the set passes.
inline WriteList uploadChecked(const ParameterSet& s) {
    WriteList w;
    w.resetQueue();
    CheckUploadedParameters(s, w);
    return w;
}

// A set whose every parameter differs: parameter id holds 1000 + id.
inline ParameterSet numberedSet() {
    ParameterSet s;
    for (int id = 1; id <= ParameterCount; ++id)
        s.setValue(id, 1000 + id);
    return s;
}
