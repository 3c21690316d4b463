// The interface language and the two-language texts. Every caption and message picks
// its language where it is shown, so a switch takes effect with the next text drawn;
// windows listen to `changed` to redraw the captions they already show. UI thread.
#pragma once

#include <QObject>
#include <QString>

namespace kalvor {

enum class Language { English, German };

// One text in both languages. Each module keeps its own rows in a `...Texts.h` header as
// `inline constexpr UiText` constants, so a misspelt id is a compile error, not a blank.
struct UiText {
    const char* en; // UTF-8
    const char* de; // UTF-8
};

class UiLanguage : public QObject {
    Q_OBJECT
public:
    static UiLanguage& instance();

    Language current() const { return current_; }
    bool isEnglish() const { return current_ == Language::English; }
    void set(Language language);

    // The setting's words: "english" or "deutsch". Anything but "deutsch" is English, which
    // is also what the program's "= english" tests give for the two allowed values.
    static Language fromSetting(const QString& value);
    static QString toSetting(Language language);

Q_SIGNALS:
    void changed(kalvor::Language language);

private:
    UiLanguage() = default;
    Language current_ = Language::English;
};

// The text in the current language.
QString txt(const UiText& text);
QString txt(const UiText& text, Language language);

} // namespace kalvor
