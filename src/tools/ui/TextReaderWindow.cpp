#include "tools/ui/TextReaderWindow.h"

#include "core/Dialogs.h"
#include "core/Settings.h"
#include "core/ShowStore.h"
#include "core/UiLanguage.h"
#include "core/ui/Colour.h"
#include "show/playback/ShowLayer.h"
#include "show/playlist/PlaylistTexts.h"
#include "tools/text/TextReaderTexts.h"
#include "tools/ui/TextReaderIcons.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QGridLayout>
#include <QGroupBox>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
// Complete for the printer the window keeps between prints.
#include <QPrinter>
#include <QPushButton>
#include <QScreen>
#include <QSplitter>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>
#include <QToolBar>
#include <QVBoxLayout>

#include <algorithm>

namespace kalvor {

namespace {

// The colour of the marks: red (255), bold, never italic.
constexpr int kMarkColour = 255;

PresetModifiers heldModifiers() {
    const Qt::KeyboardModifiers m = QGuiApplication::keyboardModifiers();
    return {m.testFlag(Qt::ShiftModifier), m.testFlag(Qt::ControlModifier)};
}

struct ToolInfo {
    const UiText* tip;
    const char* name;
};

const ToolInfo kToolInfo[TextReaderWindow::kToolCount] = {
    {&texts::ReaderTipNew, "New"},          {&texts::ReaderTipOpen, "Open"},
    {&texts::ReaderTipSave, "Save"},        {&texts::ReaderTipSaveAs, "Save as"},
    {&texts::ReaderTipClose, "Close"},      {&texts::ReaderTipPrint, "Print"},
    {&texts::ReaderTipUndo, "Undo"},        {&texts::ReaderTipCut, "Cut"},
    {&texts::ReaderTipCopy, "Copy"},        {&texts::ReaderTipPaste, "Paste"},
    {&texts::ReaderTipDelete, "Delete"},    {&texts::ReaderTipFind, "Find"},
    {&texts::ReaderTipFont, "Font"},        {&texts::ReaderTipBold, "Bold"},
    {&texts::ReaderTipItalic, "Italic"},    {&texts::ReaderTipUnderline, "Underline"},
    {&texts::ReaderTipLeft, "LeftAlign"},   {&texts::ReaderTipCentre, "CenterAlign"},
    {&texts::ReaderTipRight, "RightAlign"}, {&texts::ReaderTipExit, "Exit"},
};

} // namespace

TextReaderWindow::TextReaderWindow(ShowLayer& show, Settings& settings,
                                   text::ScriptDocument& document, QWidget* parent)
    : QMainWindow(parent, Qt::Window), show_(show), settings_(settings), document_(document) {
    setObjectName(QStringLiteral("frmTextReader"));
    auto* splitter = new QSplitter(Qt::Horizontal, this);
    txtText_ = new QTextEdit(splitter);
    txtText_->setObjectName(QStringLiteral("txtText"));
    txtText_->setAcceptRichText(true);
    txtText_->setTabChangesFocus(false);
    // The script is paper: black on white whatever the booth palette, because the marks'
    // red and the document's own colours were chosen for a white page.
    QPalette paper = txtText_->palette();
    paper.setColor(QPalette::Base, Qt::white);
    paper.setColor(QPalette::Text, Qt::black);
    txtText_->setPalette(paper);
    txtText_->document()->setDocumentMargin(18);
    txtText_->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(txtText_, &QWidget::customContextMenuRequested, this, &TextReaderWindow::showTextMenu);

    auto* side = new QWidget(splitter);
    buildSidePanel(side);
    splitter->addWidget(txtText_);
    splitter->addWidget(side);
    splitter->setStretchFactor(0, 1);
    splitter->setStretchFactor(1, 0);
    splitter->setCollapsible(0, false);
    splitter->setCollapsible(1, false);
    setCentralWidget(splitter);

    buildToolBar();

    mnuSoundInfo_ = new QMenu(this);
    mnuSoundInfo_->setObjectName(QStringLiteral("mnuSoundInfo"));
    for (int i = 0; i < kButtons; ++i) {
        QAction* a = mnuSoundInfo_->addAction(QString(), this, [this, i] { insertSoundMark(i); });
        soundMarks_.at(static_cast<std::size_t>(i)) = a;
    }
    mnuSoundInfo_->addSeparator();
    commandMark_ = mnuSoundInfo_->addAction(QStringLiteral("CMD: "), this,
                                            &TextReaderWindow::insertCommandMark);
    connect(mnuSoundInfo_, &QMenu::aboutToShow, this, [this] {
        for (int i = 0; i < kButtons; ++i)
            soundMarks_.at(static_cast<std::size_t>(i))
                ->setText(soundMark(i, soundField(i)->text()));
    });

    connect(txtText_, &QTextEdit::currentCharFormatChanged, this, &TextReaderWindow::ShowFormat);
    connect(txtText_, &QTextEdit::cursorPositionChanged, this, &TextReaderWindow::ShowFormat);
    connect(txtText_, &QTextEdit::selectionChanged, this, &TextReaderWindow::ShowFormat);

    ShowStore& store = show_.store();
    connect(&store, &ShowStore::presetsChanged, this, &TextReaderWindow::refreshPresets);
    connect(&store, &ShowStore::currentPresetChanged, this, &TextReaderWindow::refreshPresets);
    connect(&show_.recall(), &PresetRecall::recallFinished, this, &TextReaderWindow::followRecall);
    connect(&store, &ShowStore::channelChanged, this, [this](int ch) { refreshSoundField(ch); });
    connect(&store, &ShowStore::soundListChanged, this, [this](int ch) { refreshSoundField(ch); });
    for (auto signal : {&SoundSelection::soundLoaded, &SoundSelection::channelEmptied})
        connect(&show_.selection(), signal, this, [this](int ch) { refreshSoundField(ch); });
    connect(&show_.playback(), &ChannelPlayback::buttonColourChanged, this,
            [this](int ch) { refreshPlayColour(ch); });
    connect(&UiLanguage::instance(), &UiLanguage::changed, this, &TextReaderWindow::applyCaptions);

    for (QWidget* w : std::initializer_list<QWidget*>{txtText_, lbx_SceneMemory_, btnSaveLine_})
        w->installEventFilter(this);

    refreshPresets();
    for (int ch = 0; ch < kButtons; ++ch) {
        refreshSoundField(ch);
        refreshPlayColour(ch);
    }
    applyCaptions();
    ShowFormat();
    resize(1040, 720);
}

TextReaderWindow::~TextReaderWindow() = default;

void TextReaderWindow::buildToolBar() {
    toolBar_ = addToolBar(QStringLiteral("Text Reader"));
    toolBar_->setObjectName(QStringLiteral("tbrTextReader"));
    toolBar_->setMovable(false);
    toolBar_->setIconSize(QSize(24, 24));
    const QColor ink = palette().color(QPalette::ButtonText);
    const auto handler = [this](Tool t) -> std::function<void()> {
        switch (t) {
        case Tool::New:
            return [this] {
                newText();
            };
        case Tool::Open:
            return [this] {
                openText();
            };
        case Tool::Save:
            return [this] {
                saveText();
            };
        case Tool::SaveAs:
            return [this] {
                SaveText();
            };
        case Tool::Close:
            return [this] {
                closeText();
            };
        case Tool::Print:
            return [this] {
                PrintText();
            };
        case Tool::Undo:
            return [this] {
                txtText_->undo();
            };
        case Tool::Cut:
            return [this] {
                txtText_->cut();
            };
        case Tool::Copy:
            return [this] {
                txtText_->copy();
            };
        case Tool::Paste:
            return [this] {
                txtText_->paste();
            };
        case Tool::Delete:
            return [this] {
                txtText_->textCursor().removeSelectedText();
            };
        case Tool::Find:
            return [this] {
                FindText();
            };
        case Tool::Font:
            return [this] {
                SelectFont();
            };
        case Tool::Bold:
            return [this] {
                QTextCharFormat f;
                f.setFontWeight(txtText_->currentCharFormat().fontWeight() >= QFont::DemiBold
                                    ? QFont::Normal
                                    : QFont::Bold);
                txtText_->mergeCurrentCharFormat(f);
                ShowFormat();
            };
        case Tool::Italic:
            return [this] {
                QTextCharFormat f;
                f.setFontItalic(!txtText_->currentCharFormat().fontItalic());
                txtText_->mergeCurrentCharFormat(f);
                ShowFormat();
            };
        case Tool::Underline:
            return [this] {
                QTextCharFormat f;
                f.setFontUnderline(!txtText_->currentCharFormat().fontUnderline());
                txtText_->mergeCurrentCharFormat(f);
                ShowFormat();
            };
        case Tool::LeftAlign:
            return [this] {
                txtText_->setAlignment(Qt::AlignLeft | Qt::AlignAbsolute);
            };
        case Tool::CenterAlign:
            return [this] {
                txtText_->setAlignment(Qt::AlignHCenter);
            };
        case Tool::RightAlign:
            return [this] {
                txtText_->setAlignment(Qt::AlignRight | Qt::AlignAbsolute);
            };
        case Tool::Exit:
            return [this] {
                hide();
            };
        case Tool::Play: // the play buttons' symbol, not a toolbar button
            break;
        }
        return {};
    };
    alignGroup_ = new QActionGroup(this);
    alignGroup_->setExclusive(true);
    for (int i = 0; i < kToolCount; ++i) {
        const Tool t = static_cast<Tool>(i);
        if (t == Tool::Print || t == Tool::Undo || t == Tool::Find || t == Tool::Font ||
            t == Tool::LeftAlign)
            toolBar_->addSeparator();
        if (t == Tool::Exit) {
            auto* spacer = new QWidget(toolBar_);
            spacer->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
            toolBar_->addWidget(spacer);
        }
        const ToolInfo& info = kToolInfo[i];
        QAction* a = toolBar_->addAction(readerIcon(t, ink), QString());
        a->setObjectName(QLatin1String(info.name));
        connect(a, &QAction::triggered, this, handler(t));
        tools_.at(static_cast<std::size_t>(i)) = a;
        if (t == Tool::Bold || t == Tool::Italic || t == Tool::Underline)
            a->setCheckable(true);
        if (t == Tool::LeftAlign || t == Tool::CenterAlign || t == Tool::RightAlign) {
            a->setCheckable(true);
            alignGroup_->addAction(a);
        }
    }
}

void TextReaderWindow::buildSidePanel(QWidget* panel) {
    panel->setMinimumWidth(270);
    panel->setMaximumWidth(380);
    auto* layout = new QVBoxLayout(panel);
    layout->setContentsMargins(6, 6, 6, 6);
    layout->setSpacing(8);

    presetsBox_ = new QGroupBox(panel);
    auto* presets = new QVBoxLayout(presetsBox_);
    lbx_SceneMemory_ = new QListWidget(presetsBox_);
    lbx_SceneMemory_->setObjectName(QStringLiteral("lbx_SceneMemory"));
    lbx_SceneMemory_->setUniformItemSizes(true);
    presets->addWidget(lbx_SceneMemory_);
    btnSaveLine_ = new QPushButton(presetsBox_);
    btnSaveLine_->setObjectName(QStringLiteral("btnSaveLine"));
    presets->addWidget(btnSaveLine_);
    layout->addWidget(presetsBox_, 1);

    connect(lbx_SceneMemory_, &QListWidget::itemClicked, this, [this](QListWidgetItem* item) {
        const int row = lbx_SceneMemory_->row(item);
        if (row < 0)
            return;
        // The recall knows where it came from while it runs.
        recallFromReader_ = true;
        show_.recall().SelectPreset(row, heldModifiers());
        recallFromReader_ = false;
    });
    connect(lbx_SceneMemory_, &QListWidget::currentRowChanged, this, [this](int row) {
        // Keys move the selection; the main list follows it and the next recall takes it.
        if (fillingList_ || row < 0)
            return;
        show_.store().presets().setSelected(row);
        show_.store().announcePresets();
    });
    connect(btnSaveLine_, &QPushButton::clicked, this, &TextReaderWindow::SaveLine);

    channelsBox_ = new QGroupBox(panel);
    auto* grid = new QGridLayout(channelsBox_);
    grid->setHorizontalSpacing(6);
    grid->setVerticalSpacing(4);
    for (int i = 0; i < kButtons; ++i) {
        auto* play = new QPushButton(QString::number(i + 1), channelsBox_);
        play->setObjectName(QStringLiteral("cmdPlay%1").arg(i + 1));
        play->setIcon(readerIcon(ReaderSymbol::Play, QColor(0xf0, 0xf0, 0xf0)));
        play->setIconSize(QSize(14, 14));
        play->setFixedSize(58, 30);
        // The text keeps the focus, so the operator can go on reading and typing.
        play->setFocusPolicy(Qt::NoFocus);
        play->installEventFilter(this);
        auto* name = new QLineEdit(channelsBox_);
        name->setObjectName(QStringLiteral("txtSoundName%1").arg(i + 1));
        name->setReadOnly(true);
        name->setFocusPolicy(Qt::NoFocus);
        name->installEventFilter(this);
        name->setMinimumHeight(30);
        grid->addWidget(play, i, 0);
        grid->addWidget(name, i, 1);
        cmdPlay_.at(static_cast<std::size_t>(i)) = play;
        txtSoundName_.at(static_cast<std::size_t>(i)) = name;
    }
    layout->addWidget(channelsBox_, 0);
}

void TextReaderWindow::applyCaptions() {
    for (int i = 0; i < kToolCount; ++i)
        tools_.at(static_cast<std::size_t>(i))->setToolTip(txt(*kToolInfo[i].tip));
    btnSaveLine_->setText(txt(texts::ReaderSaveLine));
    btnSaveLine_->setToolTip(txt(texts::ReaderSaveLineTip));
    presetsBox_->setTitle(txt(texts::ReaderPresets));
    channelsBox_->setTitle(txt(texts::ReaderChannels));
    mnuSoundInfo_->setTitle(txt(texts::ReaderPasteSoundInfo));
    applyTitle();
}

void TextReaderWindow::applyTitle() {
    if (document_.isSet() && !document_.isMissing())
        setWindowTitle(txt(texts::TextReaderTitleOpen) + document_.fileName() + QLatin1Char(')'));
    else
        setWindowTitle(txt(texts::TextReaderTitle));
}

void TextReaderWindow::changeEvent(QEvent* event) {
    // Every activation shows the tooltips in the language of the moment.
    if (event->type() == QEvent::ActivationChange && isActiveWindow())
        applyCaptions();
    QMainWindow::changeEvent(event);
}

void TextReaderWindow::showReader(const QWidget* mainWindow) {
    if (!isVisible() && !placed_) {
        placed_ = true;
        if (mainWindow) {
            if (const QScreen* screen = mainWindow->screen()) {
                const QRect area = screen->availableGeometry();
                const int w = std::min(width(), area.width());
                move(area.right() - w + 1, area.top());
            }
        }
    }
    show();
    raise();
    activateWindow();
    txtText_->setFocus();
}

// ---- the show's side ---------------------------------------------------------------------

void TextReaderWindow::refreshPresets() {
    const PresetMemory& memory = show_.store().presets();
    const bool was = std::exchange(fillingList_, true);
    bool same = lbx_SceneMemory_->count() == memory.count();
    for (int i = 0; same && i < memory.count(); ++i)
        same = lbx_SceneMemory_->item(i)->text() == memory.names().at(i);
    if (!same) {
        lbx_SceneMemory_->clear();
        lbx_SceneMemory_->addItems(memory.names());
    }
    lbx_SceneMemory_->setCurrentRow(memory.selected());
    const QFont base = lbx_SceneMemory_->font();
    for (int i = 0; i < lbx_SceneMemory_->count(); ++i) {
        QFont f = base;
        f.setBold(i == memory.current());
        lbx_SceneMemory_->item(i)->setFont(f);
    }
    fillingList_ = was;
}

void TextReaderWindow::refreshSoundField(int ch) {
    if (ch < 0 || ch >= kButtons)
        return;
    const ShowStore& store = show_.store();
    const int entry = store.controls(ch).selectedSound;
    const QList<SoundEntry>& list = store.soundList(ch);
    const QString name = entry >= 0 && entry < list.size() ? list.at(entry).displayName : QString();
    QLineEdit* field = soundField(ch);
    if (field->text() != name) {
        field->setText(name);
        field->setCursorPosition(0);
        field->setToolTip(name);
    }
}

void TextReaderWindow::refreshPlayColour(int ch) {
    if (ch < 0 || ch >= kButtons)
        return;
    const ChannelPlayback& p = show_.playback();
    const QColor back = toQColor(p.colourValue(p.buttonColour(ch)));
    const QColor fore = toQColor(settings_.integer(u"ButtonColorText"));
    playButton(ch)->setStyleSheet(
        QStringLiteral("QPushButton { background-color: %1; color: %2; border: 1px solid #1c1d20;"
                       " border-radius: 3px; font-weight: bold; }")
            .arg(back.name(), fore.name()));
}

void TextReaderWindow::SaveLine() {
    const int row = lbx_SceneMemory_->currentRow();
    PresetMemory& memory = show_.store().presets();
    if (row < 0 || row >= memory.count() || txtText_->document()->isEmpty())
        return;
    memory.slot(row).textReaderPosition = txtText_->textCursor().selectionStart();
}

void TextReaderWindow::followRecall(int preset) {
    const PresetMemory& memory = show_.store().presets();
    if (preset < 0 || preset >= memory.count())
        return;
    const int stored = memory.slot(preset).textReaderPosition;
    QTextCursor c = txtText_->textCursor();
    if (stored < 0) {
        // A preset without a place of its own leaves the cursor where the operator is
        // reading; jumping to the top would lose their place in the script mid-show.
        c.setPosition(c.selectionStart());
        txtText_->setTextCursor(c);
        return;
    }
    // The document may have changed since the place was stored: stay inside it.
    const int last = std::max(0, txtText_->document()->characterCount() - 1);
    const int at = std::min(stored, last);
    c.setPosition(at);
    c.setPosition(std::min(at + 1, last), QTextCursor::KeepAnchor);
    txtText_->setTextCursor(c);
    txtText_->ensureCursorVisible();
}

// ---- keys and buttons --------------------------------------------------------------------

bool TextReaderWindow::handleKey(QKeyEvent* e) {
    const int key = e->key();
    if (key >= Qt::Key_F1 && key <= Qt::Key_F8) {
        if (passKey)
            passKey(e);
        return true;
    }
    if (key == Qt::Key_Escape && e->type() == QEvent::KeyPress) {
        for (int ch = 0; ch < kChannelCount; ++ch)
            show_.playback().StopAndRewind(ch);
        return true;
    }
    return false;
}

bool TextReaderWindow::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    if (type == QEvent::KeyPress || type == QEvent::KeyRelease) {
        if (handleKey(static_cast<QKeyEvent*>(event)))
            return true;
    }
    for (int i = 0; i < kButtons; ++i) {
        if (watched == playButton(i)) {
            if (type == QEvent::MouseButtonPress || type == QEvent::MouseButtonDblClick) {
                const auto* m = static_cast<QMouseEvent*>(event);
                show_.playback().PlayButtonDown(i, m->button() == Qt::RightButton);
                return true;
            }
            if (type == QEvent::MouseButtonRelease) {
                if (static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton)
                    show_.playback().PlayButtonUp(i);
                return true;
            }
        }
        if (watched == soundField(i) && type == QEvent::MouseButtonPress) {
            txtText_->setFocus();
            return true;
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

// ---- the text ----------------------------------------------------------------------------

QString TextReaderWindow::soundMark(int ch, const QString& soundName) {
    return QStringLiteral("F%1: ").arg(ch + 1) + soundName.trimmed();
}

void TextReaderWindow::insertMark(const QString& mark) {
    QTextCursor c = txtText_->textCursor();
    const QTextCharFormat before = c.charFormat();
    QTextCharFormat f;
    f.setFontWeight(QFont::Bold);
    f.setFontItalic(false);
    f.setForeground(toQColor(kMarkColour));
    c.insertText(mark, f);
    txtText_->setTextCursor(c);
    // Typing after the mark goes on in the text's own style.
    txtText_->setCurrentCharFormat(before);
}

void TextReaderWindow::insertSoundMark(int ch) {
    if (ch >= 0 && ch < kButtons)
        insertMark(soundMark(ch, soundField(ch)->text()));
}

void TextReaderWindow::insertCommandMark() {
    insertMark(QStringLiteral("CMD: "));
}

void TextReaderWindow::showTextMenu(const QPoint& at) {
    QMenu* menu = txtText_->createStandardContextMenu(at);
    menu->addSeparator();
    menu->addMenu(mnuSoundInfo_);
    menu->exec(txtText_->viewport()->mapToGlobal(at));
    delete menu;
}

void TextReaderWindow::ShowFormat() {
    const QTextCharFormat f = txtText_->currentCharFormat();
    tool(Tool::Bold)->setChecked(f.fontWeight() >= QFont::DemiBold);
    tool(Tool::Italic)->setChecked(f.fontItalic());
    tool(Tool::Underline)->setChecked(f.fontUnderline());
    const Qt::Alignment a = txtText_->alignment();
    if (a & Qt::AlignHCenter)
        tool(Tool::CenterAlign)->setChecked(true);
    else if (a & (Qt::AlignRight | Qt::AlignTrailing))
        tool(Tool::RightAlign)->setChecked(true);
    else
        tool(Tool::LeftAlign)->setChecked(true);
}

void TextReaderWindow::FindText() {
    const auto term =
        dialogs().inputBox(txt(texts::TextReaderTitle), txt(texts::ReaderSearchPrompt), QString());
    if (!term || term->isEmpty())
        return;
    // From the cursor, or behind the selection (a repeated search finds the next one).
    const QTextCursor found =
        txtText_->document()->find(*term, txtText_->textCursor(), QTextDocument::FindWholeWords);
    if (found.isNull()) {
        showMessage(txt(texts::TextReaderTitle), txt(texts::ReaderSearchNotFound),
                    MessageIcon::Warning);
        return;
    }
    txtText_->setTextCursor(found);
    txtText_->ensureCursorVisible();
}

void TextReaderWindow::SelectFont() {
    const QTextCharFormat current = txtText_->currentCharFormat();
    FontChoice initial;
    const QStringList families = current.fontFamilies().toStringList();
    initial.name =
        families.isEmpty() ? txtText_->document()->defaultFont().family() : families.front();
    initial.size = current.fontPointSize() > 0 ? current.fontPointSize()
                                               : txtText_->document()->defaultFont().pointSizeF();
    initial.bold = current.fontWeight() >= QFont::DemiBold;
    initial.italic = current.fontItalic();
    const auto chosen = dialogs().font(initial);
    if (!chosen)
        return;
    QTextCharFormat f;
    f.setFontFamilies({chosen->name});
    if (chosen->size > 0)
        f.setFontPointSize(chosen->size);
    f.setFontWeight(chosen->bold ? QFont::Bold : QFont::Normal);
    f.setFontItalic(chosen->italic);
    txtText_->mergeCurrentCharFormat(f);
    txtText_->setFocus();
}

} // namespace kalvor
