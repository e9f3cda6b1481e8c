#pragma once

#include <QHash>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

// What the fitter typed, by control name ("Text4", "Text6_17"). A control missing from the
// map reads as an empty box.
using FieldTexts = QHash<QString, QString>;

// The outcome of checking a page's fields: the message line and the boxes to paint red.
struct FieldReport {
    // A single blank, then every failure text in check order with no separator of its own:
    // the texts carry their own blanks.
    QString message = QStringLiteral(" ");
    // Rejected controls in the order they first failed, each once.
    QStringList rejected;

    bool passed() const { return rejected.isEmpty(); }
};

// The checks shared by the parameter pages and the calibration page. Every rule reads the
// typed text itself, so an empty, non-numeric or oversized box is rejected with the text that
// box fails with anyway, and a page never has to parse a box before checking it.
class FieldCheck {
public:
    explicit FieldCheck(FieldTexts texts);

    // The number in a box: surrounding blanks ignored, then only the digits 0-9 and at most
    // 32767 (the ECU's words are signed on the tool's side). Anything else has no number.
    static std::optional<int> readNumber(const QString& text);
    std::optional<int> number(const QString& control) const;

    // Rejects the box unless its number lies in low..high; `text` is appended on failure.
    bool requireRange(const QString& control, int low, int high, const QString& text);
    // Rejects both boxes when both hold numbers and `holds(a, b)` is false. A box without a
    // number has already failed its own range rule, so the pair is not judged on it.
    bool requirePair(const QString& first, const QString& second,
                     const std::function<bool(int, int)>& holds, const QString& text);
    // A row of breakpoints fenced by low and high: each must lie between the numbers typed in
    // its neighbours (equal neighbours pass). The text names the range the box had to meet,
    // prefix & lower & "-" & upper; a neighbour without a number counts as the fence.
    void requireBreakpointRow(const QStringList& controls, int low, int high,
                              const QString& prefix);
    // Appends `text` and marks the boxes rejected.
    void reject(const QStringList& controls, const QString& text);

    const FieldReport& report() const { return m_report; }

private:
    FieldTexts m_texts;
    FieldReport m_report;
};
