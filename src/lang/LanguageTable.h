#pragma once

#include <QHash>
#include <QString>
#include <array>

// The translatable texts of the program: screen captions and single texts by key, the ECU
// state messages by number and the parameter names printed in the logs by number.
class LanguageTable {
public:
    static constexpr int MessageCount = 23;       // entries 0..22
    static constexpr int ParameterNameCount = 51; // entries 0..50

    LanguageTable();

    // Text of a screen or single key; `fallback` (usually the design text) when the key was
    // never loaded.
    QString text(const QString& key, const QString& fallback = QString()) const;
    bool has(const QString& key) const { return m_texts.contains(key); }
    QString message(int entry) const;
    QString parameterName(int entry) const;

    // Stores a text under a key read from the language file. Keys that are not recognised
    // are ignored (false).
    bool store(const QString& key, const QString& text);
    // Every message entry back to a single blank, as each load starts.
    void blankMessages();

    static bool isScreenKey(const QString& key);
    static bool isSingleKey(const QString& key);

private:
    QHash<QString, QString> m_texts;
    std::array<QString, MessageCount> m_messages;
    std::array<QString, ParameterNameCount> m_parameterNames;
};
