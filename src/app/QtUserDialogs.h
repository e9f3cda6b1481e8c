#pragma once

#include "UserDialogs.h"

// The real dialogs, on Qt Widgets.
class QtUserDialogs final : public UserDialogs {
public:
    ~QtUserDialogs() override;
    void information(QObject* parent, const QString& title, const QString& text) override;
    bool question(QObject* parent, const QString& title, const QString& text) override;
    QString openFileName(QObject* parent, const QString& title, const QString& folder,
                         const QString& filter) override;
    QString saveFileName(QObject* parent, const QString& title, const QString& folder,
                         const QString& filter) override;
    void beep() override;
    void setBusy(bool busy) override;

private:
    bool m_busy = false;
};
