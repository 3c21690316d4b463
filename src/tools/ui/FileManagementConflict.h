// The name-conflict dialog of a download: the file exists locally, and the operator
// chooses to overwrite it, to download under another name typed into the field, or to
// skip the file. Modal; UI thread.
#pragma once

#include <QDialog>

class QLineEdit;
class QPushButton;

namespace kalvor {

enum class ConflictChoice { Overwrite, Rename, Cancel };

struct ConflictAnswer {
    ConflictChoice choice = ConflictChoice::Cancel;
    QString name; // the new name, for Rename
};

class NameConflictDialog : public QDialog {
    Q_OBJECT
public:
    NameConflictDialog(const QString& fileName, QWidget* parent = nullptr);

    ConflictAnswer answer() const { return answer_; }
    QLineEdit* nameField() const { return name_; }

    // Opens the dialog on `fileName` and waits for the choice; closing it is Cancel.
    static ConflictAnswer ask(const QString& fileName, QWidget* parent);

private:
    void choose(ConflictChoice choice);

    QLineEdit* name_;
    ConflictAnswer answer_;
};

} // namespace kalvor
