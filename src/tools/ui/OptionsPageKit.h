// Builds the pages of the options dialog in one style: a page is a column of titled
// groups, each a grid of labelled controls. Every control is named, bound to its setting
// and captioned in both languages as it is made. UI thread.
#pragma once

#include "tools/ui/OptionBindings.h"

#include <initializer_list>

class QCheckBox;
class QComboBox;
class QGridLayout;
class QGroupBox;
class QLineEdit;
class QRadioButton;
class QSpinBox;
class QVBoxLayout;
class QWidget;

namespace kalvor {

struct Choice {
    UiText caption;
    const char* value; // the stored text
};

class PageKit {
public:
    PageKit(OptionBindings& bind, QWidget* parent);
    QWidget* page() const { return page_; }

    QGroupBox* group(UiText title);
    QGridLayout* grid() const { return grid_; }
    int nextRow() { return row_++; }

    QCheckBox* check(const char* name, const char* key, UiText caption);
    QSpinBox* spin(const char* name, const char* key, UiText label, int min, int max,
                   UiText suffix = {});
    QComboBox* combo(const char* name, const char* key, UiText label,
                     std::initializer_list<Choice> choices);
    QLineEdit* line(const char* name, const char* key, UiText label);
    // Option buttons side by side; the first one's name is the group's.
    void radios(const char* name, const char* key, UiText label,
                std::initializer_list<Choice> choices);
    // Label in the first column, `w` across the rest of the row.
    void labelled(UiText label, QWidget* w);
    // Ends the page: the groups stay at the top.
    QWidget* finish();

private:
    OptionBindings& bind_;
    QWidget* page_;
    QVBoxLayout* column_;
    QGridLayout* grid_ = nullptr;
    int row_ = 0;
};

} // namespace kalvor
