// The system messages window: the list of diagnostic lines (lstDebug), "Show Audio
// Messages", "Always on top", Clear and Close. It only mirrors SystemMessages; closing it
// hides it and keeps the list. UI thread.
#pragma once

#include <QWidget>

class QCheckBox;
class QListWidget;
class QPushButton;

namespace kalvor {

class SystemMessagesWindow : public QWidget {
    Q_OBJECT
public:
    explicit SystemMessagesWindow(QWidget* parent = nullptr);

    QListWidget* list() const { return lstDebug_; }

private:
    void applyCaptions();
    void appendEntry(const QString& entry);
    void setOnTop(bool on);

    QListWidget* lstDebug_;
    QCheckBox* chkShowAudioDebug_;
    QCheckBox* chkOnTop_;
    QPushButton* cmdClear_;
    QPushButton* cmdClose_;
};

} // namespace kalvor
