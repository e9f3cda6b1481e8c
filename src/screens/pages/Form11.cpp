#include "screens/pages/Form11.h"

#include "pages/PageLayouts.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

Form11::Form11(FormContext& context)
    : ParameterPageForm(ScreenId::Form11, context, PageLayouts::switching()) {
    auto* body = new QHBoxLayout;
    auto* rows = new QVBoxLayout;
    rows->addLayout(fieldRows(
        {QStringLiteral("Text2"), QStringLiteral("Text1"), QStringLiteral("Text3"),
         QStringLiteral("Text4"), QStringLiteral("Text5")},
        {{QStringLiteral("Text2"), heading(QStringLiteral("Label5"), "F11_L05",
                                           QStringLiteral("COMMUTAZIONE GAS -> BENZINA"))},
         {QStringLiteral("Text1"), heading(QStringLiteral("Label6"), "F11_L06",
                                           QStringLiteral("COMMUTAZIONE BENZINA -> GAS"))},
         {QStringLiteral("Text5"),
          heading(QStringLiteral("Label11"), "F11_L11",
                  QStringLiteral("COMMUTAZIONE GAS ->BENZINA    FINE GAS"))}}));
    rows->addStretch();
    body->addLayout(rows, 3);
    body->addSpacing(16);
    // The hot-switching box sits in the switching frame with the acceleration choice.
    QWidget* frame = choice(QStringLiteral("Option3"));
    if (auto* column = qobject_cast<QVBoxLayout*>(frame->layout()))
        column->insertWidget(0, choice(QStringLiteral("Check1")));
    auto* side = new QVBoxLayout;
    side->addWidget(frame);
    side->addStretch();
    body->addLayout(side, 2);
    arrange(body);
}
