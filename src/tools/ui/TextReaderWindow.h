// The text reader: a script window beside the main window. The operator keeps the play
// text or cue script of the show in it, with red bold marks for sound and command cues,
// recalls presets from its copy of the preset list and fires channels 1..8 from its play
// buttons without going back to the main window. Each preset can remember a place in the
// text ("Save line"), and any recall of that preset moves the cursor there.
//
// It keeps no show state: the preset list and the sound fields mirror the store, the
// buttons and keys call the show layer, the text positions live in the presets. What it
// owns is the document and the name of its file (`document()`), which the playlist links.
// UI thread.
#pragma once

#include "show/playlist/PlaylistFiles.h"
#include "tools/text/ScriptFile.h"

#include "tools/ui/TextReaderIcons.h"

#include <QMainWindow>

#include <array>
#include <functional>
#include <memory>

class QAction;
class QActionGroup;
class QGroupBox;
class QKeyEvent;
class QLineEdit;
class QListWidget;
class QMenu;
class QPagedPaintDevice;
class QPrinter;
class QPushButton;
class QTextEdit;
class QToolBar;

namespace kalvor {

class Settings;
class ShowLayer;

class TextReaderWindow : public QMainWindow {
    Q_OBJECT
public:
    // The toolbar's buttons, in toolbar order, are the symbols they show.
    using Tool = ReaderSymbol;
    static constexpr int kToolCount = static_cast<int>(Tool::Exit) + 1;
    static constexpr int kButtons = 8;

    // `document` is the script's name as the rest of the program sees it; it outlives the
    // window, which is only made when first needed.
    TextReaderWindow(ShowLayer& show, Settings& settings, text::ScriptDocument& document,
                     QWidget* parent = nullptr);
    ~TextReaderWindow() override;

    QTextEdit* editor() const { return txtText_; }
    QListWidget* presetList() const { return lbx_SceneMemory_; }
    QPushButton* playButton(int i) const { return cmdPlay_.at(static_cast<std::size_t>(i)); }
    QLineEdit* soundField(int i) const { return txtSoundName_.at(static_cast<std::size_t>(i)); }
    QPushButton* saveLineButton() const { return btnSaveLine_; }
    QAction* tool(Tool t) const { return tools_.at(static_cast<std::size_t>(t)); }
    QMenu* soundInfoMenu() const { return mnuSoundInfo_; }

    // The script and its file; the KR-1 unit reads the short name from here.
    const text::ScriptDocument& document() const { return document_; }
    QString shortDocumentName() const { return document_.shortDocumentName(); }

    // Shows the window beside `mainWindow` (on the right of its screen the first time) and
    // brings it to the front.
    void showReader(const QWidget* mainWindow = nullptr);

    // Toolbar actions and the operations the rest of the program calls.
    void newText();   // after the question
    void closeText(); // after the question
    void openText();  // the open dialog, then LoadText
    bool LoadText(const QString& path);
    void saveText(); // to its file; the dialog when it has none
    void SaveText(); // the save dialog
    void PrintText();
    void FindText();
    void SelectFont();
    void ShowFormat();

    // What the save dialog offers: the current name less its ending, and the filters with
    // the current file's kind first.
    struct SaveOffer {
        QString suggestedPath;
        QString filter;
    };
    SaveOffer saveOffer() const;

    // The marks: channel 0..7's sound mark, and the command mark, at the cursor.
    void insertSoundMark(int ch);
    void insertCommandMark();
    static QString soundMark(int ch, const QString& soundName);

    // "Save line": the cursor's place into the selected preset.
    void SaveLine();
    // A recall of `preset` moves the cursor to the preset's place.
    void followRecall(int preset);
    // True while a recall started from this window's list runs.
    bool recallFromReader() const { return recallFromReader_; }

    // The playlist loader's steps: clearing, and opening (or reporting) the linked script.
    void clearForPlaylist();
    void openPlaylistDocument(const playlist::TextReaderDocument& document);
    // Takes those steps over, and gives the playlist its link when it is saved.
    void attachToPlaylists(playlist::PlaylistFiles& files);

    // F1..F8 (with their modifiers) go to the main window's hotkeys, press and release.
    std::function<bool(QKeyEvent*)> passKey;
    // Where PrintText prints; empty: the print dialog (a PDF file without a printer).
    std::function<QPagedPaintDevice*()> choosePrinter;

Q_SIGNALS:
    // The script, its file or its name changed (the KR-1 unit redraws its menu).
    void documentChanged();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void buildToolBar();
    void buildSidePanel(QWidget* panel);
    void applyCaptions();
    void applyTitle();
    void refreshPresets();
    void refreshSoundField(int ch);
    void refreshPlayColour(int ch);
    void showTextMenu(const QPoint& at);
    void setDocumentText(const text::ScriptRead& read);
    void emptyText();
    bool writeTo(const QString& path);
    void insertMark(const QString& mark);
    bool handleKey(QKeyEvent* event);

    ShowLayer& show_;
    Settings& settings_;
    text::ScriptDocument& document_;
    bool fillingList_ = false;
    bool recallFromReader_ = false;
    bool placed_ = false; // the operator's own place for it is kept after the first showing

    QToolBar* toolBar_ = nullptr;
    std::array<QAction*, kToolCount> tools_{};
    QActionGroup* alignGroup_ = nullptr;
    QTextEdit* txtText_ = nullptr;
    QListWidget* lbx_SceneMemory_ = nullptr;
    QPushButton* btnSaveLine_ = nullptr;
    std::array<QPushButton*, kButtons> cmdPlay_{};
    std::array<QLineEdit*, kButtons> txtSoundName_{};
    QMenu* mnuSoundInfo_ = nullptr;
    std::array<QAction*, kButtons> soundMarks_{};
    QAction* commandMark_ = nullptr;
    QGroupBox* presetsBox_ = nullptr;
    QGroupBox* channelsBox_ = nullptr;
    std::unique_ptr<QPrinter> printer_;
};

} // namespace kalvor
