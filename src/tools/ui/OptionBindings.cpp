#include "tools/ui/OptionBindings.h"

#include "core/Settings.h"
#include "core/ui/Colour.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>

#include <algorithm>

namespace kalvor {

namespace {

// Numbers go out as whole numbers for integer keys and as text for the text keys that
// hold numbers ("ComPort", "DO500Size"), which reads back the same either way.
void store(Settings& s, const char* key, const QString& value) {
    s.setText(QString::fromLatin1(key), value);
}

} // namespace

void OptionBindings::bind(const char* key, std::function<void(const Settings&)> load,
                          std::function<void(Settings&)> save, std::function<QString()> shown) {
    Binding b;
    b.load = std::move(load);
    b.save = std::move(save);
    b.key = key;
    b.shown = std::move(shown);
    bindings_.push_back(std::move(b));
}

void OptionBindings::check(QCheckBox* box, const char* key) {
    bind(
        key, [box, key](const Settings& s) { box->setChecked(s.isOn(QString::fromLatin1(key))); },
        [box, key](Settings& s) { s.setOn(QString::fromLatin1(key), box->isChecked()); },
        [box] { return box->isChecked() ? QStringLiteral("1") : QStringLiteral("0"); });
}

void OptionBindings::spin(QSpinBox* box, const char* key) {
    bind(
        key,
        [box, key](const Settings& s) { box->setValue(s.text(QString::fromLatin1(key)).toInt()); },
        [box, key](Settings& s) { store(s, key, QString::number(box->value())); },
        [box] { return QString::number(box->value()); });
}

void OptionBindings::combo(QComboBox* box, const char* key) {
    bind(
        key,
        [box, key](const Settings& s) {
            const QString v = s.text(QString::fromLatin1(key));
            int i = box->findData(v);
            if (i < 0) {
                box->addItem(v, v);
                i = box->count() - 1;
            }
            box->setCurrentIndex(i);
        },
        [box, key](Settings& s) {
            if (box->currentIndex() >= 0)
                store(s, key, box->currentData().toString());
        },
        [box] { return box->currentData().toString(); });
}

void OptionBindings::line(QLineEdit* edit, const char* key) {
    bind(
        key, [edit, key](const Settings& s) { edit->setText(s.text(QString::fromLatin1(key))); },
        [edit, key](Settings& s) { store(s, key, edit->text()); }, [edit] { return edit->text(); });
}

void OptionBindings::radios(std::vector<std::pair<QRadioButton*, QString>> choices,
                            const char* key) {
    const auto chosen = [choices] {
        for (const auto& [button, value] : choices) {
            if (button->isChecked())
                return value;
        }
        return QString();
    };
    bind(
        key,
        [choices, key](const Settings& s) {
            const QString v = s.text(QString::fromLatin1(key));
            bool found = false;
            for (const auto& [button, value] : choices) {
                if (value.compare(v, Qt::CaseInsensitive) == 0) {
                    button->setChecked(true);
                    found = true;
                }
            }
            // A value no button stands for shows the default's button.
            if (!found) {
                const QString d = s.defaultText(QString::fromLatin1(key));
                for (const auto& [button, value] : choices)
                    button->setChecked(value == d);
            }
        },
        [choices, key](Settings& s) {
            for (const auto& [button, value] : choices) {
                if (button->isChecked())
                    store(s, key, value);
            }
        },
        chosen);
}

void OptionBindings::colour(QPushButton* button, const char* key) {
    bind(
        key,
        [button, key](const Settings& s) {
            setSwatchColour(button, s.integer(QString::fromLatin1(key)));
        },
        [button, key](Settings& s) {
            s.setInteger(QString::fromLatin1(key), swatchColour(button));
        },
        [button] { return QString::number(swatchColour(button)); });
}

void OptionBindings::custom(std::function<void(const Settings&)> load,
                            std::function<void(Settings&)> save) {
    bind(nullptr, std::move(load), std::move(save), {});
}

void OptionBindings::loadAll(const Settings& settings) {
    for (Binding& b : bindings_) {
        b.load(settings);
        if (b.key) {
            b.storedAtLoad = settings.text(QString::fromLatin1(b.key));
            b.shownAtLoad = b.shown();
        }
    }
}

void OptionBindings::saveAll(Settings& settings) {
    for (Binding& b : bindings_) {
        if (!b.key) {
            b.save(settings);
            continue;
        }
        const QString key = QString::fromLatin1(b.key);
        if (b.shown() == b.shownAtLoad && settings.text(key) != b.storedAtLoad)
            continue;
        b.save(settings);
        b.storedAtLoad = settings.text(key);
        b.shownAtLoad = b.shown();
    }
}

void OptionBindings::saveKeys(Settings& settings, std::initializer_list<const char*> keys) {
    for (Binding& b : bindings_) {
        if (!b.key || std::none_of(keys.begin(), keys.end(),
                                   [&b](const char* k) { return qstrcmp(k, b.key) == 0; }))
            continue;
        b.save(settings);
        b.storedAtLoad = settings.text(QString::fromLatin1(b.key));
        b.shownAtLoad = b.shown();
    }
}

void OptionBindings::caption(QWidget* w, UiText text) {
    captions_.emplace_back(w, text);
}

void OptionBindings::tooltip(QWidget* w, UiText text) {
    tooltips_.emplace_back(w, text);
}

void OptionBindings::applyCaptions() const {
    for (const auto& [w, text] : captions_) {
        if (!w)
            continue;
        const QString t = txt(text);
        if (auto* b = qobject_cast<QAbstractButton*>(w))
            b->setText(t);
        else if (auto* l = qobject_cast<QLabel*>(w))
            l->setText(t);
        else if (auto* g = qobject_cast<QGroupBox*>(w))
            g->setTitle(t);
        else if (auto* sb = qobject_cast<QSpinBox*>(w))
            sb->setSuffix(t);
    }
}

void OptionBindings::applyTooltips(bool on) const {
    for (const auto& [w, text] : tooltips_) {
        if (w)
            w->setToolTip(on ? txt(text) : QString());
    }
}

int swatchColour(const QPushButton* button) {
    return button->property("colour").toInt();
}

void setSwatchColour(QPushButton* button, int colour) {
    button->setProperty("colour", colour);
    button->setStyleSheet(QStringLiteral("QPushButton { background-color: %1; min-width: 120px; }")
                              .arg(toQColor(colour).name()));
}

} // namespace kalvor
