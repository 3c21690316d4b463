#include "tools/ui/FileManagementConflict.h"

#include "tools/ftp/FtpTexts.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace kalvor {

NameConflictDialog::NameConflictDialog(const QString& fileName, QWidget* parent)
    : QDialog(parent), name_(new QLineEdit(fileName, this)) {
    setObjectName(QStringLiteral("frmFileExists"));
    setWindowTitle(txt(texts::ConflictTitle));
    setModal(true);
    auto* root = new QVBoxLayout(this);
    auto* text = new QLabel(txt(texts::ConflictText), this);
    text->setWordWrap(true);
    text->setMinimumWidth(420);
    root->addWidget(text);
    name_->setObjectName(QStringLiteral("txtFileName"));
    root->addWidget(name_);
    auto* row = new QHBoxLayout;
    const std::pair<const char*, std::pair<UiText, ConflictChoice>> buttons[] = {
        {"cmdOverwrite", {texts::ConflictOverwrite, ConflictChoice::Overwrite}},
        {"cmdRename", {texts::ConflictRename, ConflictChoice::Rename}},
        {"cmdCancel", {texts::ConflictCancel, ConflictChoice::Cancel}},
    };
    for (const auto& [name, b] : buttons) {
        auto* button = new QPushButton(txt(b.first), this);
        button->setObjectName(QString::fromLatin1(name));
        button->setAutoDefault(false);
        const ConflictChoice choice = b.second;
        connect(button, &QPushButton::clicked, this, [this, choice] { choose(choice); });
        row->addWidget(button);
    }
    root->addLayout(row);
}

void NameConflictDialog::choose(ConflictChoice choice) {
    answer_ = {choice, name_->text().trimmed()};
    if (choice == ConflictChoice::Cancel)
        reject();
    else
        accept();
}

ConflictAnswer NameConflictDialog::ask(const QString& fileName, QWidget* parent) {
    NameConflictDialog d(fileName, parent);
    d.exec();
    return d.answer();
}

} // namespace kalvor
