#include "mainwindow/ui/PresetPanel.h"

#include "core/Dialogs.h"
#include "core/Settings.h"
#include "core/ShowStore.h"
#include "mainwindow/PanelTexts.h"
#include "mainwindow/ui/ListFonts.h"
#include "mainwindow/ui/TransportIcons.h"
#include "show/playback/ShowLayer.h"

#include <QAction>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QListWidget>
#include <QMenu>
#include <QPixmap>
#include <QToolButton>
#include <QVBoxLayout>

namespace kalvor {

namespace {

PresetModifiers heldModifiers() {
    const Qt::KeyboardModifiers m = QGuiApplication::keyboardModifiers();
    return {m.testFlag(Qt::ShiftModifier), m.testFlag(Qt::ControlModifier)};
}

QToolButton* panelButton(QWidget* parent, const char* name) {
    auto* b = new QToolButton(parent);
    b->setObjectName(QLatin1String(name));
    b->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    b->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    b->setMinimumHeight(30);
    b->setIconSize(QSize(16, 16));
    return b;
}

} // namespace

PresetPanel::PresetPanel(ShowLayer& show, Settings& settings, QWidget* parent)
    : QWidget(parent), show_(show), store_(show.store()), settings_(settings) {
    setObjectName(QStringLiteral("frmSceneMemory"));
    lbx_SceneMemory_ = new QListWidget(this);
    lbx_SceneMemory_->setObjectName(QStringLiteral("lbx_SceneMemory"));
    lbx_SceneMemory_->setSelectionMode(QAbstractItemView::SingleSelection);
    lbx_SceneMemory_->setContextMenuPolicy(Qt::CustomContextMenu);
    lbx_SceneMemory_->setUniformItemSizes(true);
    lbx_SceneMemory_->installEventFilter(this);

    cmdPreviousScene_ = panelButton(this, "cmdPreviousScene");
    cmdRecallScene_ = panelButton(this, "cmdRecallScene");
    cmdNextScene_ = panelButton(this, "cmdNextScene");
    cmdStoreScene_ = panelButton(this, "cmdStoreScene");
    cmdNewScene_ = panelButton(this, "cmdNewScene");
    const QColor ink = palette().color(QPalette::ButtonText);
    cmdPreviousScene_->setIcon(transportIcon(TransportSymbol::Previous, ink));
    cmdRecallScene_->setIcon(transportIcon(TransportSymbol::Play, ink));
    cmdNextScene_->setIcon(transportIcon(TransportSymbol::Next, ink));

    auto* steps = new QHBoxLayout;
    steps->setSpacing(4);
    steps->addWidget(cmdPreviousScene_);
    steps->addWidget(cmdRecallScene_);
    steps->addWidget(cmdNextScene_);
    auto* edits = new QHBoxLayout;
    edits->setSpacing(4);
    edits->addWidget(cmdStoreScene_);
    edits->addWidget(cmdNewScene_);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(4);
    layout->addWidget(lbx_SceneMemory_, 1);
    layout->addLayout(steps);
    layout->addLayout(edits);

    buildMenu();

    PresetRecall& recall = show_.recall();
    PresetEditor& editor = show_.presets();
    connect(cmdNextScene_, &QToolButton::clicked, this,
            [&recall] { recall.NextPreset(heldModifiers()); });
    connect(cmdPreviousScene_, &QToolButton::clicked, this,
            [&recall] { recall.PreviousPreset(heldModifiers()); });
    // The recall button knows no automatic store: only Shift (autostarts ignored) counts.
    connect(cmdRecallScene_, &QToolButton::clicked, this,
            [&recall] { recall.RecallButton(heldModifiers().shift); });
    connect(cmdStoreScene_, &QToolButton::clicked, this, [&editor] { editor.SaveCurrentPreset(); });
    connect(cmdNewScene_, &QToolButton::clicked, this, [&editor] {
        editor.AutoStore();
        editor.NewPreset();
    });

    connect(lbx_SceneMemory_, &QListWidget::itemClicked, this, &PresetPanel::onItemPressed);
    connect(lbx_SceneMemory_, &QListWidget::currentRowChanged, this, [this](int row) {
        // Keys move the selection; the next recall takes it, and the text reader's list
        // follows it.
        if (filling_ || row < 0)
            return;
        store_.presets().setSelected(row);
        store_.announcePresets();
    });
    connect(lbx_SceneMemory_, &QListWidget::customContextMenuRequested, this,
            [this](const QPoint& at) {
                mnuSceneMemory_->popup(lbx_SceneMemory_->viewport()->mapToGlobal(at));
            });

    connect(&store_, &ShowStore::presetsChanged, this, &PresetPanel::rebuildList);
    connect(&store_, &ShowStore::currentPresetChanged, this, &PresetPanel::showCurrent);
    connect(&UiLanguage::instance(), &UiLanguage::changed, this, &PresetPanel::applyCaptions);

    applyListFont();
    rebuildList();
    applyCaptions();
}

void PresetPanel::buildMenu() {
    mnuSceneMemory_ = new QMenu(this);
    mnuSceneMemory_->setObjectName(QStringLiteral("mnuSceneMemory"));
    PresetEditor& editor = show_.presets();
    const auto add = [this](const char* name, auto slot) {
        QAction* a = mnuSceneMemory_->addAction(QString());
        a->setObjectName(QLatin1String(name));
        connect(a, &QAction::triggered, this, slot);
        return a;
    };
    actions_.add = add("mnuSceneAdd", [&editor] { editor.NewPreset(); });
    actions_.rename = add("mnuSceneName", [&editor] { editor.RenamePreset(); });
    mnuSceneMemory_->addSeparator();
    actions_.copy = add("mnuSceneCopy", [&editor] { editor.CopyPreset(); });
    actions_.cut = add("mnuSceneCut", [&editor] { editor.CutPreset(); });
    actions_.insertBefore =
        add("mnuSceneInsertBefore", [&editor] { editor.InsertClipboard(false); });
    actions_.insertAfter = add("mnuSceneInsertAfter", [&editor] { editor.InsertClipboard(true); });
    actions_.insertNewBefore =
        add("mnuSceneInsertNewBefore", [&editor] { editor.InsertNewPreset(false); });
    actions_.insertNewAfter =
        add("mnuSceneInsertNewAfter", [&editor] { editor.InsertNewPreset(true); });
    mnuSceneMemory_->addSeparator();
    actions_.remove = add("mnuSceneRemove", [&editor] { editor.DeletePreset(true); });
    actions_.removeAll = add("mnuSceneRemoveAll", [&editor] { editor.RemoveAllPresets(); });
    mnuSceneMemory_->addSeparator();
    actions_.changeFont = add("mnuSceneChangeFont", [this] { ChangeFont(); });
}

bool PresetPanel::eventFilter(QObject* watched, QEvent* event) {
    if (watched == lbx_SceneMemory_ && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Delete) {
        show_.presets().DeletePreset(true);
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void PresetPanel::onItemPressed(QListWidgetItem* item) {
    const int row = lbx_SceneMemory_->row(item);
    if (row >= 0)
        show_.recall().SelectPreset(row, heldModifiers());
}

void PresetPanel::rebuildList() {
    const PresetMemory& memory = store_.presets();
    const bool wasFilling = std::exchange(filling_, true);
    // Rebuilding under a click would lose the click, so unchanged names stay as they are.
    bool same = lbx_SceneMemory_->count() == memory.count();
    for (int i = 0; same && i < memory.count(); ++i)
        same = lbx_SceneMemory_->item(i)->text() == memory.names().at(i);
    if (!same) {
        lbx_SceneMemory_->clear();
        lbx_SceneMemory_->addItems(memory.names());
    }
    if (memory.selected() >= 0)
        lbx_SceneMemory_->setCurrentRow(memory.selected());
    else
        lbx_SceneMemory_->setCurrentRow(-1);
    filling_ = wasFilling;
    showCurrent();
}

void PresetPanel::showCurrent() {
    // The preset last recalled stands out, so the operator sees where the show is even
    // while the selection has moved on.
    const int current = store_.presets().current();
    const QFont base = lbx_SceneMemory_->font();
    for (int i = 0; i < lbx_SceneMemory_->count(); ++i) {
        QListWidgetItem* item = lbx_SceneMemory_->item(i);
        QFont f = base;
        f.setBold(base.bold() || i == current);
        item->setFont(f);
        if (i == current) {
            item->setForeground(QColor(255, 200, 60));
            item->setIcon(transportIcon(TransportSymbol::Play, QColor(255, 200, 60), 12));
        } else {
            // A blank of the marker's size keeps every name in one column.
            static const QIcon blank = [] {
                QPixmap pm(12, 12);
                pm.fill(Qt::transparent);
                return QIcon(pm);
            }();
            item->setData(Qt::ForegroundRole, QVariant());
            item->setIcon(blank);
        }
    }
}

void PresetPanel::focusList() {
    lbx_SceneMemory_->setFocus(Qt::ShortcutFocusReason);
}

void PresetPanel::focusNextButton() {
    cmdNextScene_->setFocus(Qt::ShortcutFocusReason);
}

void PresetPanel::focusPreviousButton() {
    cmdPreviousScene_->setFocus(Qt::ShortcutFocusReason);
}

void PresetPanel::applyListFont() {
    lbx_SceneMemory_->setFont(toQFont(listFontSetting(settings_, u"SceneList")));
    showCurrent();
}

void PresetPanel::ChangeFont() {
    const QFont f = lbx_SceneMemory_->font();
    FontChoice initial{f.family(), f.pointSizeF(), f.bold(), f.italic()};
    const std::optional<FontChoice> chosen = dialogs().font(initial);
    if (!chosen)
        return;
    storeListFontSetting(settings_, u"SceneList", *chosen);
    applyListFont();
}

void PresetPanel::applyCaptions() {
    cmdPreviousScene_->setText(txt(texts::PreviousPreset));
    cmdNextScene_->setText(txt(texts::NextPreset));
    cmdRecallScene_->setText(txt(texts::RecallPreset));
    cmdStoreScene_->setText(txt(texts::StorePreset));
    cmdNewScene_->setText(txt(texts::AddPreset));
    actions_.add->setText(txt(texts::MenuAdd));
    actions_.remove->setText(txt(texts::MenuRemove));
    actions_.removeAll->setText(txt(texts::MenuRemoveAll));
    actions_.rename->setText(txt(texts::MenuName));
    actions_.copy->setText(txt(texts::MenuCopy));
    actions_.cut->setText(txt(texts::MenuCut));
    actions_.insertBefore->setText(txt(texts::MenuInsertBefore));
    actions_.insertAfter->setText(txt(texts::MenuInsertAfter));
    actions_.insertNewBefore->setText(txt(texts::MenuInsertNewBefore));
    actions_.insertNewAfter->setText(txt(texts::MenuInsertNewAfter));
    actions_.changeFont->setText(txt(texts::MenuChangeFont));

    const bool on = settings_.integer(u"ToolTips") != 0;
    const auto tip = [on](QWidget* w, const UiText& text) {
        w->setToolTip(on ? txt(text) : QString());
    };
    tip(cmdPreviousScene_, texts::PreviousPresetTip);
    tip(cmdNextScene_, texts::NextPresetTip);
    tip(cmdRecallScene_, texts::RecallPresetTip);
    tip(cmdStoreScene_, texts::StorePresetTip);
    tip(cmdNewScene_, texts::AddPresetTip);
}

} // namespace kalvor
