#pragma once

#include <QString>

class QObject;

// Message boxes, file dialogs, the beep and the busy pointer behind one interface: the
// program uses Qt's, tests a recording fake, so that no test ever blocks on a modal box.
class UserDialogs {
public:
    virtual ~UserDialogs() = default;

    // A modal box with only an OK button.
    virtual void information(QObject* parent, const QString& title, const QString& text) = 0;
    // Yes/No, No the default; true for Yes.
    virtual bool question(QObject* parent, const QString& title, const QString& text) = 0;
    virtual QString openFileName(QObject* parent, const QString& title, const QString& folder,
                                 const QString& filter) = 0;
    // Asks before overwriting an existing file.
    virtual QString saveFileName(QObject* parent, const QString& title, const QString& folder,
                                 const QString& filter) = 0;
    virtual void beep() = 0;
    // The hourglass pointer while a screen waits for the ECU.
    virtual void setBusy(bool busy) = 0;
};
