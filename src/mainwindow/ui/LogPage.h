// The Log page of the main window: the enable box, the commands (new, delete row, print,
// font, load, save), the column width and the "no empty rows" print option above the
// grid. It shows the play log's model and calls its control; it keeps no entries of its
// own. UI thread.
#pragma once

#include <QWidget>

#include <functional>
#include <memory>

class QCheckBox;
class QLabel;
class QPagedPaintDevice;
class QPrinter;
class QPushButton;
class QSpinBox;
class QTableView;

namespace kalvor {

class PlayLogControl;
class Settings;

class LogPage : public QWidget {
    Q_OBJECT
public:
    LogPage(PlayLogControl& control, Settings& settings, QWidget* parent = nullptr);
    ~LogPage() override;

    QTableView* grid() const { return grid_; }
    QCheckBox* chkLogEnable() const { return enable_; }
    QSpinBox* updLogColWidth() const { return colWidth_; }
    QCheckBox* noEmptyRows() const { return noEmptyRows_; }

    void applyCaptions();
    // Column widths from the width setting and the list's font.
    void applyColumnWidths();

    // The print command: empty rows dropped when so set, printed, the rows put back.
    void print();
    // Where print() sends the pages: a printer chosen in the print dialog or, with no
    // printer on the machine, a PDF file. Tests replace it. Nullptr: cancelled.
    std::function<QPagedPaintDevice*()> choosePrinter;

private:
    void chooseFont();
    QPagedPaintDevice* defaultPrinter();

    PlayLogControl& control_;
    Settings& settings_;
    QTableView* grid_ = nullptr;
    QCheckBox* enable_ = nullptr;
    QCheckBox* noEmptyRows_ = nullptr;
    QSpinBox* colWidth_ = nullptr;
    QLabel* colWidthLabel_ = nullptr;
    QPushButton* new_ = nullptr;
    QPushButton* delete_ = nullptr;
    QPushButton* print_ = nullptr;
    QPushButton* font_ = nullptr;
    QPushButton* load_ = nullptr;
    QPushButton* save_ = nullptr;
    std::unique_ptr<QPrinter> printer_;
};

} // namespace kalvor
