#include "screen/PendingScreen.h"

#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

PendingScreen::PendingScreen(ScreenId id, FormContext& context) : FormBase(id, context) {
    auto* layout = new QVBoxLayout(this);
    auto* label = named(new QLabel(this), QStringLiteral("Label1"));
    label->setText(
        QStringLiteral("%1\n\nQuesta schermata non è ancora disponibile in questa versione.")
            .arg(screenName(id)));
    label->setAlignment(Qt::AlignCenter);
    label->setWordWrap(true);
    layout->addWidget(label);
    auto* exit = named(new QPushButton(lang("F01_C02", QStringLiteral("EXIT")), this),
                       QStringLiteral("Command1"));
    exit->setMinimumHeight(40);
    connect(exit, &QPushButton::clicked, this, &PendingScreen::onCloseRequested);
    layout->addWidget(exit);
    resize(420, 200);
}

void PendingScreen::onCloseRequested() {
    leaveFor(ScreenId::Form2);
}
