#include "screens/menu/Form12.h"

#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

Form12::Form12(FormContext& context) : FormBase(ScreenId::Form12, context) {
    Label1 = named(new QLabel(this), QStringLiteral("Label1"));
    Label1->setWordWrap(true);
    Label1->setAlignment(Qt::AlignCenter);
    Label1->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    QFont f = Label1->font();
    f.setPointSize(12);
    f.setBold(true);
    Label1->setFont(f);
    Command1 = named(new QPushButton(this), QStringLiteral("Command1"));
    Command1->setMinimumHeight(36);
    Command1->setDefault(true);
    connect(Command1, &QPushButton::clicked, this, &Form12::onCloseRequested);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(20, 16, 20, 16);
    layout->addWidget(Label1, 1);
    layout->addWidget(Command1, 0, Qt::AlignHCenter);
    Command1->setMinimumWidth(120);
    applyLanguageStrings();
    resize(440, 170);
}

void Form12::applyLanguageStrings() {
    Command1->setText(lang("F01_C02", QStringLiteral("EXIT")));
}

void Form12::setMessage(const QString& caption, const QString& text) {
    setWindowTitle(caption);
    Label1->setText(text);
    setAccessibleName(caption);
    setAccessibleDescription(text);
}

void Form12::onCloseRequested() {
    ctx.host.unload(ScreenId::Form12);
}
