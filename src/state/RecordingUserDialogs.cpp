#include "state/RecordingUserDialogs.h"

#include <cstdio>

void RecordingUserDialogs::information(QObject*, const QString&, const QString& text) {
    messages << text;
    if (m_print) std::fprintf(stderr, "[box] %s\n", qPrintable(text));
    if (whileOpen) whileOpen();
}

bool RecordingUserDialogs::question(QObject* parent, const QString& title, const QString& text) {
    information(parent, title, text);
    questionTitle = title;
    questionText = text;
    return answer;
}

QString RecordingUserDialogs::openFileName(QObject*, const QString&, const QString& folder,
                                           const QString&) {
    lastFolder = folder;
    return fileToOpen;
}

QString RecordingUserDialogs::saveFileName(QObject*, const QString&, const QString& folder,
                                           const QString&) {
    lastFolder = folder;
    return fileToSave;
}
