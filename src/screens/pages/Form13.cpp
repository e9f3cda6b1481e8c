#include "screens/pages/Form13.h"

#include "pages/PageLayouts.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

Form13::Form13(FormContext& context)
    : ParameterPageForm(ScreenId::Form13, context, PageLayouts::otherParameters()) {
    auto* body = new QHBoxLayout;
    body->addLayout(
        fieldRows({QStringLiteral("Text1"), QStringLiteral("Text2"), QStringLiteral("Text3"),
                   QStringLiteral("Text4"), QStringLiteral("Text5"), QStringLiteral("Text6"),
                   QStringLiteral("Text7")}),
        3);
    body->addSpacing(16);
    auto* groups = new QVBoxLayout;
    groups->addWidget(choice(QStringLiteral("Option3")));
    groups->addWidget(choice(QStringLiteral("Option4")));
    groups->addStretch();
    body->addLayout(groups, 1);
    arrange(body);
}
