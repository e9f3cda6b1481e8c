#pragma once

#include "screen/FormBase.h"

// Stands in for a screen this version does not have yet: says so and leads back to the main
// menu, so that the exchange before it can be used and the program never dead-ends.
class PendingScreen final : public FormBase {
    Q_OBJECT
public:
    PendingScreen(ScreenId id, FormContext& context);

protected:
    void onCloseRequested() override;
};
