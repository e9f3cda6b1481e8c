#pragma once

#include "screen/FormBase.h"

class QLabel;
class QPushButton;

// The message screen: one text and EXIT, not modal. The screen that shows it sets its
// caption and text; showing it again while it is open keeps the one window and only replaces
// them. EXIT unloads it and leaves the screen that showed it as it was.
class Form12 final : public FormBase {
    Q_OBJECT
public:
    explicit Form12(FormContext& context);

    void setMessage(const QString& caption, const QString& text) override;

protected:
    void onCloseRequested() override;
    void applyLanguageStrings() override;

private:
    QLabel* Label1;
    QPushButton* Command1;
};
