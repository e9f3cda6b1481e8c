#include "Screens.h"

#include "Form1.h"
#include "Form2.h"
#include "Form4.h"
#include "PendingScreen.h"

Screen* makeScreen(ScreenId id, FormContext& context) {
    switch (id) {
    case ScreenId::Form1:
        return new Form1(context);
    case ScreenId::Form2:
        return new Form2(context);
    case ScreenId::Form4:
        return new Form4(context);
    default:
        return new PendingScreen(id, context);
    }
}
