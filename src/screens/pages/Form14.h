#pragma once

#include "pages/LevelPageReading.h"
#include "screens/pages/ParameterPageForm.h"

#include <QHash>

class QLineEdit;
class QPushButton;
class QScrollBar;
class Shape;

// The level-indicator page: sender model, empty and full readings, the three thresholds. It
// polls the live sender reading and lights the lamps as the car's indicator would, so the
// fitter sets empty and full from the real tank.
class Form14 final : public ParameterPageForm {
    Q_OBJECT
public:
    explicit Form14(FormContext& context);
    // A reading arrived and the link has not been lost since.
    bool hasReading() const { return m_reading.isLive(); }

protected:
    void showValues(const PageValues& values) override;
    void modeChanged() override;
    void committed() override;
    ExchangeCycle::Outcome afterWrite() override;
    ExchangeCycle::Outcome whenIdleAndFound() override;
    void linkLost() override;

private:
    QLayout* buildIndicator();
    void startPolling();
    ExchangeCycle::Outcome liveReading(const QByteArray& reply);
    void thresholdMoved();
    void showLayout();
    void showLamps(const LevelPageReading::Fills& fills);
    void setBars(int threshold1, int threshold2, int threshold3);

    LevelPageReading m_reading;
    bool m_settingBars = false;

    QLineEdit* Text6;               // the live reading
    QLineEdit* Text7;               // shown with the four-step labels, bound to nothing
    QPushButton* Command3;          // Imposta come max
    QPushButton* Command4;          // Imposta come min
    QScrollBar* VScroll1;           // third threshold
    QScrollBar* VScroll2;           // second threshold
    QScrollBar* VScroll3;           // first threshold
    QHash<QString, Shape*> m_lamps; // Shape1 .. Shape5
    Shape* Shape6;                  // red on petrol, green on gas
};
