#pragma once

#include <QCoreApplication>
#include <QString>

#include <utility>

// A text for people, made in English and in the language of the run at the
// same place: the English goes to the logs and to what scripts read, the
// other is what a person is shown. The source of each is an English literal
// that lupdate finds in translate(); the context says where it appears.
struct Phrase
{
    QString english;
    QString shown;

    static Phrase translate(const char *context, const char *source,
                            const char *disambiguation = nullptr)
    {
        return {QString::fromUtf8(source),
                QCoreApplication::translate(context, source, disambiguation)};
    }
    // A text that is the same in every language, such as what a unit sent.
    static Phrase same(const QString &text) { return {text, text}; }

    bool isEmpty() const { return english.isEmpty(); }
    // A phrase within a phrase: each language's in its own.
    Phrase arg(const Phrase &inner) const
    {
        return {english.arg(inner.english), shown.arg(inner.shown)};
    }
    template <typename... Args> Phrase arg(Args &&...args) const
    {
        return {english.arg(args...), shown.arg(std::forward<Args>(args)...)};
    }
    Phrase operator+(const Phrase &other) const
    {
        return {english + other.english, shown + other.shown};
    }
    Phrase operator+(const QString &same) const { return {english + same, shown + same}; }
};
