#pragma once

#include <QLabel>

// A screen's message line: what went wrong, what is under way, what was done. One look on
// every screen, so a fitter reads red as "act on this" wherever it appears. Hidden while there
// is nothing to say, so an empty line takes no room.
class StatusLine : public QLabel {
    Q_OBJECT
public:
    enum class Tone { Problem, Progress, Done };

    StatusLine(const QString& objectName, QWidget* parent);

    // Shows `text` in `tone`; an empty text hides the line.
    void tell(const QString& text, Tone tone = Tone::Problem);
    // Nothing to say any more.
    void quiet();
    Tone tone() const { return m_tone; }

    // The tone's look, for other labels that speak the same way (a log file's state).
    static QString toneStyle(Tone tone);

private:
    Tone m_tone = Tone::Problem;
};
