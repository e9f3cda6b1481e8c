#include "screens/pages/Form6.h"

#include "pages/PageLayouts.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

Form6::Form6(FormContext& context)
    : ParameterPageForm(ScreenId::Form6, context, PageLayouts::lambda()) {
    m_memory.reset(g.parameters);
    auto* body = new QHBoxLayout;
    auto* type = new QVBoxLayout;
    type->addWidget(choice(QStringLiteral("Option1")));
    type->addStretch();
    body->addLayout(type, 1);
    body->addSpacing(16);
    auto* rows = new QVBoxLayout;
    rows->addLayout(
        fieldRows({QStringLiteral("Text5"), QStringLiteral("Text6"), QStringLiteral("Text3")}));
    rows->addStretch();
    body->addLayout(rows, 2);
    arrange(body);
}

void Form6::choiceClicked(const QString& control, int index) {
    if (control != QLatin1String("Option1")) return;
    PageValues values = shownValues();
    m_memory.select(values, index);
    showValues(values);
}

void Form6::committed() {
    m_memory.remember(g.parameters);
}
