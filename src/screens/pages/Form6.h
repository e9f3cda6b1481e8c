#pragma once

#include "pages/LambdaThresholdMemory.h"
#include "screens/pages/ParameterPageForm.h"

// The lambda page: probe type, lean and rich thresholds, the speed above which the lambda
// correction works. Trying another probe type shows the thresholds remembered for it.
class Form6 final : public ParameterPageForm {
    Q_OBJECT
public:
    explicit Form6(FormContext& context);

protected:
    void choiceClicked(const QString& control, int index) override;
    void committed() override;

private:
    LambdaThresholdMemory m_memory;
};
