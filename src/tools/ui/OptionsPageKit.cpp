#include "tools/ui/OptionsPageKit.h"

#include <QAbstractItemView>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace kalvor {

PageKit::PageKit(OptionBindings& bind, QWidget* parent)
    : bind_(bind), page_(new QWidget(parent)), column_(new QVBoxLayout(page_)) {
    column_->setContentsMargins(8, 0, 0, 0);
}

QGroupBox* PageKit::group(UiText title) {
    auto* g = new QGroupBox(page_);
    bind_.caption(g, title);
    grid_ = new QGridLayout(g);
    grid_->setColumnStretch(2, 1);
    // One label column width for every group, so the controls of a page line up.
    grid_->setColumnMinimumWidth(0, 170);
    row_ = 0;
    column_->addWidget(g);
    return g;
}

QCheckBox* PageKit::check(const char* name, const char* key, UiText caption) {
    auto* box = new QCheckBox(page_);
    box->setObjectName(QLatin1String(name));
    bind_.caption(box, caption);
    if (key)
        bind_.check(box, key);
    grid_->addWidget(box, nextRow(), 0, 1, 3);
    return box;
}

QSpinBox* PageKit::spin(const char* name, const char* key, UiText label, int min, int max,
                        UiText suffix) {
    auto* box = new QSpinBox(page_);
    box->setObjectName(QLatin1String(name));
    box->setRange(min, max);
    box->setMinimumWidth(130);
    if (suffix.en)
        bind_.caption(box, suffix);
    if (key)
        bind_.spin(box, key);
    labelled(label, box);
    return box;
}

QComboBox* PageKit::combo(const char* name, const char* key, UiText label,
                          std::initializer_list<Choice> choices) {
    auto* box = new QComboBox(page_);
    box->setObjectName(QLatin1String(name));
    box->setMinimumWidth(180);
    for (const Choice& c : choices)
        box->addItem(txt(c.caption), QString::fromUtf8(c.value));
    // Item texts follow the language through the same caption pass.
    std::vector<Choice> kept(choices);
    QObject::connect(&UiLanguage::instance(), &UiLanguage::changed, box, [box, kept] {
        for (std::size_t i = 0; i < kept.size() && static_cast<int>(i) < box->count(); ++i)
            box->setItemText(static_cast<int>(i), txt(kept[i].caption));
    });
    if (key)
        bind_.combo(box, key);
    labelled(label, box);
    return box;
}

QLineEdit* PageKit::line(const char* name, const char* key, UiText label) {
    auto* edit = new QLineEdit(page_);
    edit->setObjectName(QLatin1String(name));
    if (key)
        bind_.line(edit, key);
    labelled(label, edit);
    return edit;
}

void PageKit::radios(const char* name, const char* key, UiText label,
                     std::initializer_list<Choice> choices) {
    auto* holder = new QWidget(page_);
    auto* row = new QHBoxLayout(holder);
    row->setContentsMargins(0, 0, 0, 0);
    auto* group = new QButtonGroup(holder);
    std::vector<std::pair<QRadioButton*, QString>> bound;
    int i = 0;
    for (const Choice& c : choices) {
        auto* b = new QRadioButton(holder);
        b->setObjectName(QStringLiteral("%1_%2").arg(QLatin1String(name)).arg(i++));
        bind_.caption(b, c.caption);
        group->addButton(b);
        row->addWidget(b);
        bound.emplace_back(b, QString::fromUtf8(c.value));
    }
    row->addStretch(1);
    holder->setObjectName(QLatin1String(name));
    if (key)
        bind_.radios(std::move(bound), key);
    labelled(label, holder);
}

void PageKit::labelled(UiText label, QWidget* w) {
    const int r = nextRow();
    // Numbers, lists and buttons keep their own width; texts, grids and rows of option
    // buttons take the rest of the line.
    const bool wide = qobject_cast<QLineEdit*>(w) || qobject_cast<QAbstractItemView*>(w) ||
                      w->metaObject() == &QWidget::staticMetaObject;
    if (label.en) {
        auto* l = new QLabel(page_);
        bind_.caption(l, label);
        l->setBuddy(w);
        grid_->addWidget(l, r, 0);
        grid_->addWidget(w, r, 1, 1, wide ? 2 : 1);
    } else {
        grid_->addWidget(w, r, 0, 1, wide ? 3 : 2);
    }
}

QWidget* PageKit::finish() {
    column_->addStretch(1);
    return page_;
}

} // namespace kalvor
